#include "store/reading/ReadingStore.h"

#include "store/reading/CellText.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "common/Prompter.h"
#include "store/reading/ReadingTables.h"
#include "common/Regional.h"
#include "store/dbf/Restructure.h"
#include "common/TextGrid.h"

#include <QDir>
#include <QFileInfo>

namespace tk::store {
namespace {

// Grid columns of the record cells the tables store.
enum Col { Pers, Street, House, Number, Date, Time, Status, Meas1 };
constexpr int kWorkTimeCol = 14;

const char* const kRegisters[] = {"meas_1", "meas_2", "meas_3", "meas_1_1", "meas_2_1", "meas_3_1", "check_sum"};

class RowReader {
public:
    RowReader(const TextGrid& g, int row) : g_(g), row_(row) {}

    QString cell(int c) const { return g_.cell(row_, c); }

    Error problem(int c, const QString& what) const
    {
        return Error(QStringLiteral("строка %1, «%2»: «%3» — %4").arg(row_).arg(g_.cell(0, c), cell(c), what));
    }
    // Bound as floating point, as every number of the statements.
    double integer(int c) const
    {
        const auto v = integerOf(cell(c));
        if (!v)
            throw problem(c, QStringLiteral("не целое число"));
        return double(*v);
    }
    QDate date(int c) const
    {
        const auto v = dateOf(cell(c));
        if (!v)
            throw problem(c, QStringLiteral("не дата (формат %1)").arg(regional::shortDateFormat()));
        return *v;
    }
    QTime time(int c) const
    {
        const auto v = timeOf(cell(c));
        if (!v)
            throw problem(c, QStringLiteral("не время суток"));
        return *v;
    }

private:
    const TextGrid& g_;
    int row_;
};

// All parameters of the insert and the update statement from one record row.
Params rowParams(const ReadingTable& t, const RowReader& r)
{
    Params p;
    // An account that is not a number (an empty cell above all) is stored blank.
    if (const auto pers = integerOf(r.cell(Pers)))
        p.real(QStringLiteral("pers"), double(*pers));
    else
        p.null(QStringLiteral("pers"));
    p.text(QStringLiteral("street"), r.cell(Street));
    p.text(QStringLiteral("house"), r.cell(House));
    p.real(QStringLiteral("number"), r.integer(Number));
    p.date(QStringLiteral("date_meas"), r.date(Date));
    p.text(QStringLiteral("time_meas"), r.cell(Time));
    if (t.singleRegister) {
        // ТЕЛВ-1 readings carry no status; the reading has three decimals.
        if (const auto s = integerOf(r.cell(Status)))
            p.real(QStringLiteral("status"), double(*s));
        else
            p.null(QStringLiteral("status"));
        const auto reading = decimalOf(r.cell(Meas1));
        if (!reading)
            throw r.problem(Meas1, QStringLiteral("не число (десятичный разделитель «%1»)").arg(regional::decimalSeparator()));
        p.real(QStringLiteral("meas_1"), *reading);
        return p;
    }
    p.real(QStringLiteral("status"), r.integer(Status));
    for (int i = 0; i < int(std::size(kRegisters)); ++i)
        p.real(QString::fromLatin1(kRegisters[i]), r.integer(Meas1 + i));
    const auto minutes = workMinutesOf(r.cell(kWorkTimeCol));
    if (!minutes)
        throw r.problem(kWorkTimeCol, QStringLiteral("не время работы вида Ч:ММ"));
    p.real(QStringLiteral("work_time"), double(*minutes));
    p.real(QStringLiteral("correct"), r.integer(kWorkTimeCol + 1));
    p.real(QStringLiteral("delta"), r.integer(kWorkTimeCol + 2));
    return p;
}

const ReadingTable& tableOf(Family f)
{
    const ReadingTable* t = readingTable(f);
    if (!t)
        throw Error(QStringLiteral("%1 не хранится в таблицах").arg(familyName(f)));
    return *t;
}

Error missingTable(const ReadingTable& t, const QString& dir)
{
    return Error(QStringLiteral("нет файла %1 в папке %2").arg(t.fileName, QDir::toNativeSeparators(dir)));
}

} // namespace

QString findTableFile(const QString& directory, const QString& fileName)
{
    QString found;
    for (const QFileInfo& fi : QDir(directory).entryInfoList(QDir::Files)) {
        if (fi.fileName().compare(fileName, Qt::CaseInsensitive) != 0)
            continue;
        if (!found.isEmpty())
            throw Error(QStringLiteral("в папке %1 есть и %2, и %3; оставьте один из них")
                            .arg(QDir::toNativeSeparators(directory), QFileInfo(found).fileName(), fi.fileName()));
        found = fi.absoluteFilePath();
    }
    return found;
}

ReadingStore::ReadingStore(QString directory) : dir_(QDir(directory).absolutePath()) {}
ReadingStore::~ReadingStore() = default;

LocalSql& ReadingStore::sql()
{
    if (!sql_)
        sql_ = std::make_unique<LocalSql>(dir_);
    return *sql_;
}

WriteSummary ReadingStore::write(Family family, const TextGrid& grid, Prompter& prompter,
                                 const std::function<void(int)>& beforeRow)
{
    const ReadingTable& t = tableOf(family);
    WriteSummary summary;
    // Looked for once per write: the question is the same for every row.
    QString missing;
    try {
        if (findTableFile(dir_, t.fileName).isEmpty())
            missing = missingTable(t, dir_).message();
    } catch (const Error& e) {
        missing = e.message();
    }
    const QString timeCol = QStringLiteral("time_meas");
    for (int row = 1; row <= grid.rowCount() - 2; ++row) {
        if (beforeRow)
            beforeRow(row);
        try {
            if (!missing.isEmpty())
                throw Error(missing);
            const RowReader r(grid, row);
            Params key;
            key.real(QStringLiteral("number"), r.integer(Number));
            key.date(QStringLiteral("date_meas"), r.date(Date));
            LocalSql& db = sql();
            const Rows stored = db.select(t.select, key);
            if (stored.isEmpty()) {
                db.execute(t.insert, rowParams(t, r));
                ++summary.inserted;
                continue;
            }
            const QString storedText = stored.text(0, timeCol);
            const auto storedTime = timeOf(storedText);
            if (!storedTime)
                throw Error(QStringLiteral("в %1 у счетчика %2 за %3 записано время «%4» — не время суток")
                                .arg(t.fileName, r.cell(Number), r.cell(Date), storedText));
            if (r.time(Time) > *storedTime) {
                db.execute(t.update, rowParams(t, r));
                ++summary.replaced;
            } else {
                ++summary.kept;
            }
        } catch (const Error& e) {
            ++summary.failed;
            prompter.message(QStringLiteral("Запись данных"), QStringLiteral("Данные не записаны. Ошибка: ") + e.message(),
                             Prompter::Icon::Error, Prompter::Buttons::Ok);
        }
    }
    return summary;
}

int ReadingStore::erase(Family family, const QDate& upTo)
{
    const ReadingTable& t = tableOf(family);
    const QString path = findTableFile(dir_, t.fileName);
    if (path.isEmpty())
        throw missingTable(t, dir_);
    Params p;
    p.date(QStringLiteral("date_meas"), upTo);
    const int deleted = sql().execute(t.erase, p);
    try {
        dbf::packTable(path);
    } catch (const Error&) {
        // Another program has the file open: the rows are deleted all the same, the space
        // comes back with the next erase.
    }
    return deleted;
}

const QStringList& accountUpgradeOrder()
{
    static const QStringList order{QStringLiteral("Route.dbf"), QStringLiteral("Telv1.dbf"), QStringLiteral("Telv2.dbf"),
                                   QStringLiteral("Vakl4.dbf"), QStringLiteral("VaklDr.dbf"), QStringLiteral("VaklPdr.dbf")};
    return order;
}

UpgradeResult widenAccountColumns(const QString& directory)
{
    UpgradeResult result;
    for (const QString& name : accountUpgradeOrder()) {
        try {
            const QString path = findTableFile(directory, name);
            if (path.isEmpty())
                throw Error(QStringLiteral("нет файла %1").arg(name));
            if (dbf::widenAccountColumn(path))
                result.widened << QFileInfo(path).fileName();
        } catch (const Error& e) {
            result.stoppedAt = name;
            result.reason = e.message();
            break;
        }
    }
    return result;
}

} // namespace tk::store
