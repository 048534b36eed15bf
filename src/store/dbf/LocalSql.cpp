#include "store/dbf/LocalSql.h"

#include "common/Error.h"
#include "common/Regional.h"
#include "store/dbf/SqlModule.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <map>
#include <sqlite3.h>

namespace tk::store {
namespace {

QString quoted(const QString& s, QChar q)
{
    QString out = s;
    out.replace(q, QString(q) + q);
    return q + out + q;
}

} // namespace

// ---------------------------------------------------------------- Params

Params::Entry& Params::slot(const QString& name)
{
    const QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    for (Entry& e : entries_)
        if (e.name == key)
            return e;
    entries_.push_back({});
    entries_.back().name = key;
    return entries_.back();
}

Params& Params::text(const QString& name, const QString& v)
{
    Entry& e = slot(name);
    e.kind = Kind::Text;
    e.text = v;
    return *this;
}
Params& Params::real(const QString& name, double v)
{
    Entry& e = slot(name);
    e.kind = Kind::Real;
    e.real = v;
    return *this;
}
Params& Params::integer(const QString& name, qint64 v)
{
    Entry& e = slot(name);
    e.kind = Kind::Integer;
    e.integer = v;
    return *this;
}
Params& Params::date(const QString& name, const QDate& v)
{
    Entry& e = slot(name);
    e.kind = v.isValid() ? Kind::Date : Kind::Null;
    e.date = v;
    return *this;
}
Params& Params::null(const QString& name)
{
    slot(name).kind = Kind::Null;
    return *this;
}

// ---------------------------------------------------------------- Rows

int Rows::column(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Rows::value(int row, const QString& name) const
{
    const int c = column(name);
    if (c < 0)
        throw Error(QStringLiteral("The result has no column %1").arg(name));
    return value(row, c);
}

QString Rows::text(int row, int col) const
{
    const QVariant& v = value(row, col);
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDate: return regional::shortDate(v.toDate());
    case QMetaType::Double: return regional::number(v.toDouble());
    case QMetaType::LongLong: return QString::number(v.toLongLong());
    default: return v.toString();
    }
}

QString Rows::text(int row, const QString& name) const
{
    const int c = column(name);
    if (c < 0)
        throw Error(QStringLiteral("The result has no column %1").arg(name));
    return text(row, c);
}

// ---------------------------------------------------------------- LocalSql

// Borrows a cached statement and resets it when done, so that no cursor (and no lock)
// outlives the call.
struct LocalSql::Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement()
    {
        if (s) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
        }
    }
};

LocalSql::LocalSql(const QString& directory)
    : dir_(QDir(directory).absolutePath()), options_(std::make_unique<dbf::ModuleOptions>())
{
    if (!QFileInfo(dir_).isDir())
        throw Error(QStringLiteral("The working directory %1 does not exist").arg(dir_));
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db_); // a failed open may still have allocated the handle
        throw Error(QStringLiteral("The SQL engine could not be started"));
    }
    dbf::registerModule(db_, options_.get());
    rescan();
}

LocalSql::~LocalSql()
{
    for (auto& [sql, st] : cache_)
        sqlite3_finalize(st);
    sqlite3_close_v2(db_);
}

void LocalSql::setLockTimeout(int ms) { options_->lockTimeoutMs = ms; }
void LocalSql::setHeldChangesLimit(std::size_t bytes) { options_->heldChangesLimit = bytes; }
void LocalSql::setIndexThreads(unsigned threads, std::size_t recordsPerThread)
{
    options_->indexThreads = threads;
    options_->indexRecordsPerThread = recordsPerThread;
}

QString LocalSql::tablePath(const QString& name) const
{
    QString found;
    for (const QFileInfo& fi : QDir(dir_).entryInfoList(QDir::Files)) {
        if (fi.suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) == 0
            && fi.completeBaseName().compare(name, Qt::CaseInsensitive) == 0) {
            if (!found.isEmpty())
                throw Error(QStringLiteral("The names %1 and %2 differ only in letter case; keep one of them")
                                .arg(QFileInfo(found).fileName(), fi.fileName()));
            found = fi.absoluteFilePath();
        }
    }
    return found;
}

void LocalSql::rescan()
{
    QMap<QString, QStringList> byName;
    for (const QFileInfo& fi : QDir(dir_).entryInfoList(QDir::Files, QDir::Name))
        if (fi.suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) == 0)
            byName[fi.completeBaseName().toLower()].append(fi.absoluteFilePath());
    // Tables whose file went away are dropped from the connection.
    for (const QString& name : QStringList(registered_)) {
        if (!byName.contains(name)) {
            const QByteArray sql = ("DROP TABLE temp." + quoted(name, QLatin1Char('"'))).toUtf8();
            sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr);
            registered_.removeAll(name);
        }
    }
    broken_.clear();
    for (auto it = byName.begin(); it != byName.end(); ++it) {
        const QString& name = it.key();
        if (it.value().size() > 1) {
            broken_[name] = QStringLiteral("The names %1 differ only in letter case; keep one of them")
                                .arg(it.value().join(QStringLiteral(", ")));
            continue;
        }
        if (registered_.contains(name))
            continue;
        const QByteArray sql = ("CREATE VIRTUAL TABLE temp." + quoted(name, QLatin1Char('"')) + " USING dbf("
                                + quoted(it.value().first(), QLatin1Char('\'')) + ")")
                                   .toUtf8();
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &err) == SQLITE_OK) {
            registered_.append(name);
        } else {
            broken_[name] = QString::fromUtf8(err ? err : "cannot be opened");
        }
        sqlite3_free(err);
    }
}

template <class S, class F>
void LocalSql::run(const QStringList& lines, const Params& params, S&& onStart, F&& onRow)
{
    const QByteArray sql = lines.join(QLatin1Char(' ')).toUtf8();
    Statement st;
    for (int attempt = 0;; ++attempt) {
        const auto hit = cache_.find(sql);
        if (hit != cache_.end()) {
            st.s = hit->second;
            break;
        }
        sqlite3_stmt* fresh = nullptr;
        if (sqlite3_prepare_v2(db_, sql.constData(), int(sql.size()), &fresh, nullptr) == SQLITE_OK) {
            if (cache_.size() > 64) {
                for (auto& [k, old] : cache_)
                    sqlite3_finalize(old);
                cache_.clear();
            }
            cache_[sql] = fresh;
            st.s = fresh;
            break;
        }
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db_));
        static const QString kNoTable = QStringLiteral("no such table: ");
        if (msg.startsWith(kNoTable)) {
            QString name = msg.mid(kNoTable.size()).toLower();
            if (name.startsWith(QLatin1String("main.")) || name.startsWith(QLatin1String("temp.")))
                name = name.mid(5);
            if (attempt == 0) {
                rescan(); // a table file may have been added since
                continue;
            }
            if (broken_.contains(name))
                throw Error(broken_.value(name));
            throw Error(QStringLiteral("There is no table %1 in %2").arg(name, dir_));
        }
        throw Error(msg);
    }
    const int n = sqlite3_bind_parameter_count(st.s);
    for (int i = 1; i <= n; ++i) {
        const char* pname = sqlite3_bind_parameter_name(st.s, i);
        const QString key = pname ? QString::fromUtf8(pname + 1) : QString();
        const Params::Entry* e = nullptr;
        for (const auto& p : params.entries())
            if (p.name.compare(key, Qt::CaseInsensitive) == 0)
                e = &p;
        if (!e)
            throw Error(QStringLiteral("The parameter :%1 has no value").arg(key));
        switch (e->kind) {
        case Params::Kind::Null: sqlite3_bind_null(st.s, i); break;
        case Params::Kind::Text: {
            const QByteArray u = e->text.toUtf8();
            sqlite3_bind_text(st.s, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        case Params::Kind::Real: sqlite3_bind_double(st.s, i, e->real); break;
        case Params::Kind::Integer: sqlite3_bind_int64(st.s, i, e->integer); break;
        case Params::Kind::Date: {
            const QByteArray u = e->date.toString(Qt::ISODate).toUtf8();
            sqlite3_bind_text(st.s, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    onStart(st.s);
    while (true) {
        const int rc = sqlite3_step(st.s);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
        onRow(st.s);
    }
}

Rows LocalSql::select(const QStringList& lines, const Params& params)
{
    Rows out;
    std::vector<bool> isDate;
    auto start = [&](sqlite3_stmt* s) {
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            out.columns.append(QString::fromUtf8(sqlite3_column_name(s, c)));
            const char* decl = sqlite3_column_decltype(s, c);
            isDate.push_back(decl && qstrcmp(decl, "DATE TEXT") == 0);
        }
    };
    run(lines, params, start, [&](sqlite3_stmt* s) {
        const int n = sqlite3_column_count(s);
        std::vector<QVariant> row(static_cast<std::size_t>(n));
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER: row[std::size_t(c)] = QVariant(qlonglong(sqlite3_column_int64(s, c))); break;
            case SQLITE_FLOAT: row[std::size_t(c)] = QVariant(sqlite3_column_double(s, c)); break;
            case SQLITE_NULL: break;
            default: {
                const QString t = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                                    sqlite3_column_bytes(s, c));
                if (isDate[std::size_t(c)])
                    row[std::size_t(c)] = QVariant(QDate::fromString(t, Qt::ISODate));
                else
                    row[std::size_t(c)] = QVariant(t);
            }
            }
        }
        out.rows.push_back(std::move(row));
    });
    return out;
}

int LocalSql::execute(const QStringList& lines, const Params& params)
{
    run(lines, params, [](sqlite3_stmt*) {}, [](sqlite3_stmt*) {});
    return sqlite3_changes(db_);
}

} // namespace tk::store
