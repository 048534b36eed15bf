#pragma once
// Local SQL over a working directory: every *.dbf file there is a table named by its file
// stem, matched without regard to case. One SQLite connection per directory; the tables
// are virtual tables of our own module over the files (see SqlModule.cpp).
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tk::dbf {
struct ModuleOptions;
}

namespace tk::store {

// Named parameters (":name" in the statement, given here without the colon).
class Params {
public:
    enum class Kind { Null, Text, Real, Integer, Date };
    struct Entry {
        QString name;
        Kind kind = Kind::Null;
        QString text;
        double real = 0;
        qint64 integer = 0;
        QDate date;
    };
    Params& text(const QString& name, const QString& v);
    Params& real(const QString& name, double v);
    Params& integer(const QString& name, qint64 v);
    Params& date(const QString& name, const QDate& v); // an invalid date binds NULL
    Params& null(const QString& name);
    const std::vector<Entry>& entries() const { return entries_; }

private:
    Entry& slot(const QString& name);
    std::vector<Entry> entries_;
};

// The rows a SELECT returned. Values: qlonglong, double, QString, QDate (for date columns
// of a table), or a null QVariant.
class Rows {
public:
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;

    int size() const { return int(rows.size()); }
    bool isEmpty() const { return rows.empty(); }
    int column(const QString& name) const; // without regard to case; -1 if absent
    const QVariant& value(int row, int col) const { return rows.at(std::size_t(row)).at(std::size_t(col)); }
    QVariant value(int row, const QString& name) const;
    // The value as a grid cell shows it: numbers in shortest form with the regional decimal
    // separator, dates in the regional short date format, empty for NULL.
    QString text(int row, int col) const;
    QString text(int row, const QString& name) const;
};

class LocalSql {
public:
    explicit LocalSql(const QString& directory);
    ~LocalSql();
    LocalSql(const LocalSql&) = delete;
    LocalSql& operator=(const LocalSql&) = delete;

    const QString& directory() const { return dir_; }

    // A statement given as lines (a line break reads as a blank). Errors throw tk::Error
    // with the engine's message.
    Rows select(const QStringList& lines, const Params& params = {});
    // INSERT, UPDATE, DELETE; returns the number of rows changed.
    int execute(const QStringList& lines, const Params& params = {});

    // Looks at the directory again (tables added or removed since). Done by itself when a
    // statement names a table that is not known yet.
    void rescan();

    // The file of a table named in any letter case; empty when there is none.
    QString tablePath(const QString& name) const;

    // How long a statement waits for another program's lock before it fails.
    void setLockTimeout(int ms);
    // How many bytes of changed records a statement keeps in memory before it writes them
    // to the table (behind its journal); the rest are written when it completes.
    void setHeldChangesLimit(std::size_t bytes);
    // How many threads build the look-up indexes of a large table (0: one a core, at most
    // four), and how many records a thread takes at least.
    void setIndexThreads(unsigned threads, std::size_t recordsPerThread);

    sqlite3* handle() const { return db_; }

private:
    struct Statement;
    template <class S, class F> void run(const QStringList& lines, const Params& params, S&& onStart, F&& onRow);

    QString dir_;
    // The module's options of this connection; they must outlive it.
    std::unique_ptr<dbf::ModuleOptions> options_;
    sqlite3* db_ = nullptr;
    // Prepared statements by text: the programs issue the same few statements per row.
    std::map<QByteArray, sqlite3_stmt*> cache_;
    QStringList registered_; // lower-case names of the tables in the connection
    QMap<QString, QString> broken_; // lower-case name -> why its file could not be opened
};

} // namespace tk::store
