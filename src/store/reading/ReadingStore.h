#pragma once
// The local reading store: writing a family's reader-data grid into its table, erasing a table
// up to a date, and the start-up upgrade of the old 9-digit account columns. No widgets: the
// window hands in the grid, the prompter for the row errors and a callback for its gauge.
#include "common/Families.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace tk {
class Prompter;
class TextGrid;
} // namespace tk

namespace tk::store {

class LocalSql;

// The file of that name in the folder, found without regard to letter case (the programs name
// the same table "Telv1.DBF" in one place and "Telv1.dbf" in another); empty when there is
// none. Two files whose names differ only in case are refused with an error.
QString findTableFile(const QString& directory, const QString& fileName);

struct WriteSummary {
    int inserted = 0; // new meter and day
    int replaced = 0; // the stored reading of that meter and day was earlier
    int kept = 0;     // the stored reading was at the same time or later
    int failed = 0;   // reported to the user
};

class ReadingStore {
public:
    explicit ReadingStore(QString directory);
    ~ReadingStore();
    ReadingStore(const ReadingStore&) = delete;
    ReadingStore& operator=(const ReadingStore&) = delete;

    const QString& directory() const { return dir_; }

    // Writes every record row of the grid into the family's table, one statement per row and
    // no enclosing transaction: a new meter and day is inserted, a stored reading of the same
    // meter and day is replaced when the grid's time of day is strictly later. A row that
    // fails (a cell that does not convert, a missing table, a database error) is reported
    // through the prompter and the next row is taken. beforeRow(n) is called before the n-th
    // record (1-based), for a progress gauge.
    WriteSummary write(Family family, const TextGrid& grid, Prompter& prompter,
                       const std::function<void(int)>& beforeRow = {});

    // Deletes every reading dated on or before upTo, then packs the file; a failed pack is
    // ignored (the rows are gone either way, only the file keeps its size). A failed delete
    // throws tk::Error. Returns the number of rows deleted.
    int erase(Family family, const QDate& upTo);

    LocalSql& sql();

private:
    QString dir_;
    std::unique_ptr<LocalSql> sql_; // made on first use and kept, so are its indexes
};

// The tables the start-up upgrade looks at, in its order.
const QStringList& accountUpgradeOrder();

struct UpgradeResult {
    QStringList widened;  // file names rewritten with a 10-digit account column
    QString stoppedAt;    // the file the upgrade stopped at; empty when it went through
    QString reason;       // why it stopped
};

// The start-up upgrade: each table of accountUpgradeOrder() whose account column is 9 digits
// wide is rewritten 10 wide; other tables are left as they are, byte for byte. The first
// failure (a missing or locked file, a failed rewrite) ends it and the later tables are not
// tried until the next start.
UpgradeResult widenAccountColumns(const QString& directory);

} // namespace tk::store
