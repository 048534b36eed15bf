#pragma once
// The read-only views of the five reading tables that the local-table grids show: each table
// whole, in record order, read lazily (a million rows open at once), under the column titles
// of the grids. They stay open except while a write or an erase of their table runs.
#include "common/Families.h"

#include <QIdentityProxyModel>
#include <QString>
#include <array>
#include <memory>
#include <optional>

namespace tk::dbf {
class TableModel;
}

namespace tk::store {

struct ReadingTable;

// A table view under the grid's titles; columns the grid does not title keep their field name.
class TitledTableModel : public QIdentityProxyModel {
public:
    TitledTableModel(const ReadingTable& table, dbf::TableModel* source, QObject* parent = nullptr);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The field of a column (upper case) and the grid's width for it (0: the default).
    QString fieldOf(int column) const;
    int widthOf(int column) const;
    int columnOf(const char* field) const; // -1 when the table has no such column

private:
    const ReadingTable& table_;
    dbf::TableModel* tableModel_;
};

class ReadingViews {
public:
    explicit ReadingViews(QString directory);
    ~ReadingViews();
    ReadingViews(const ReadingViews&) = delete;
    ReadingViews& operator=(const ReadingViews&) = delete;

    // What a grid shows; the same object whether the view is open or not.
    TitledTableModel* model(Family f) const;

    // Opens the family's table (its file found without regard to case). On failure the view
    // stays closed and empty, and failure() tells why.
    bool open(Family f);
    void close(Family f);
    void closeAll();
    bool isOpen(Family f) const;
    QString failure(Family f) const;
    // Live rows of the open view; nullopt while it is closed.
    std::optional<int> rowCount(Family f) const;

private:
    struct View;
    View& view(Family f) const;
    QString dir_;
    std::array<std::unique_ptr<View>, 5> views_;
};

} // namespace tk::store
