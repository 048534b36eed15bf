#include "store/export/DbmsExport.h"

#include "common/AddOns.h"
#include "common/Error.h"
#include "common/Prompter.h"
#include "common/Regional.h"
#include "store/export/DbmsConnection.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace tk::store {

const QString kQueryAccount = QStringLiteral(
    "SELECT account_electro.account_id,account_electro.unit_id,unit.number_ "
    "FROM account_electro,unit "
    "WHERE account_electro.unit_id = unit.unit_id "
    "AND unit.type_id = :type_id");

const QString kQueryMetering = QStringLiteral(
    "INSERT INTO metering(account_id,date_time,unit_id,tariff,w_) "
    "VALUES(:account_id,:date_time,:unit_id,:tariff,:w_)");

namespace {

// Grid columns of a family record.
constexpr int kMeterNumber = 3;
constexpr int kDate = 4;
constexpr int kTime = 5;
constexpr int kStatus = 6;
constexpr int kFirstRegister = 7;
constexpr int kCheckSum = 13;
constexpr int kWorkTime = 14;
constexpr int kCorrections = 15;
constexpr int kDifference = 16;

// Bits 5 and 6 of the status: the meter's clock cannot date the billing-date registers.
constexpr int kClockBits = 0x60;

// The billing-date registers are dated the first day of the reading's month.
constexpr int kRowsPerRecord = 6;

struct UnitType {
    Family family;
    int typeId;
};
constexpr UnitType kUnitTypes[] = {
    {Family::Telv1, 36}, {Family::Telv2, 32}, {Family::Vakl4, 33}, {Family::VaklDr, 34}, {Family::VaklPdr, 35},
};

std::optional<int> integerOf(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The cell of a record, with the column's title for a message when it does not convert.
class RecordCells {
public:
    RecordCells(const TextGrid& grid, int row) : grid_(grid), row_(row) {}

    QString text(int col) const { return grid_.cell(row_, col); }

    int integer(int col) const
    {
        if (auto v = integerOf(text(col)))
            return *v;
        throw bad(col, QStringLiteral("не целое число"));
    }
    double number(int col) const
    {
        if (auto v = regional::parseNumber(text(col)))
            return *v;
        throw bad(col, QStringLiteral("не число"));
    }
    QDateTime dateTime() const
    {
        const auto d = regional::parseShortDate(text(kDate));
        if (!d)
            throw bad(kDate, QStringLiteral("не дата"));
        const auto t = regional::parseTime(text(kTime));
        if (!t)
            throw bad(kTime, QStringLiteral("не время"));
        return QDateTime(*d, *t);
    }
    // "H:MM": the hours before the last three characters, the minutes in the last two.
    int workMinutes() const
    {
        const QString t = text(kWorkTime);
        const auto hours = t.size() >= 3 ? integerOf(t.left(t.size() - 3)) : std::nullopt;
        const auto minutes = t.size() >= 3 ? integerOf(t.right(2)) : std::nullopt;
        if (!hours || !minutes)
            throw bad(kWorkTime, QStringLiteral("не время работы Ч:ММ"));
        return *hours * 60 + *minutes;
    }

private:
    Error bad(int col, const QString& what) const
    {
        const QString title = grid_.cell(0, col);
        return Error(QStringLiteral("%1: «%2» — %3").arg(title.isEmpty() ? QString::number(col) : title, text(col), what));
    }

    const TextGrid& grid_;
    int row_;
};

double dayCount(const QDateTime& at)
{
    static const QDate kDayZero(1899, 12, 30);
    return double(kDayZero.daysTo(at.date())) + at.time().msecsSinceStartOfDay() / 86400000.0;
}

QString errorText(const QSqlQuery& q)
{
    const QString text = q.lastError().text().trimmed();
    return text.isEmpty() ? QStringLiteral("SQL error") : text;
}

// Whether the connection still answers after an insert failed: a refused row is ignored, a lost
// server ends the export. The probe is plain SQL every DBMS of ours takes, over a table the export
// has just read, and returns no rows.
bool stillConnected(const QSqlDatabase& db)
{
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT account_id FROM account_electro WHERE 1 = 0"));
}

QString failureText(const QString& message)
{
    return QStringLiteral("Ошибка записи в СУБД \"") + message +
           QStringLiteral("\". Возможно СУБД НКЕ-3170(б) не установлена.");
}

void report(Prompter& prompter, const DbmsExportOutcome& o)
{
    QString text = o.stopped ? QStringLiteral("Экспорт в СУБД прерван.") : QStringLiteral("Экспорт в СУБД завершен.");
    if (o.addOnRoad)
        text += QStringLiteral("\nПередано записей: %1.\nНе передано записей: %2.").arg(o.written).arg(o.failed);
    else
        text += QStringLiteral("\nЗаписано строк: %1.\nНе записано строк: %2.").arg(o.written).arg(o.failed);
    if (o.failed > 0)
        text += QStringLiteral("\nПервая ошибка: \"%1\".").arg(o.firstError);
    prompter.information(dbmsExportTitle(), text);
}

DbmsExportOutcome addOnRoad(Family family, const TextGrid& grid, const addons::Vormadddb& addOn, Prompter& prompter,
                            const DbmsProgress& progress)
{
    DbmsExportOutcome o;
    o.addOnRoad = true;
    for (int row = 1; row <= grid.rowCount() - 2; ++row) {
        try {
            addOn.writeToDb(dbReadingOfRow(family, grid, row));
            ++o.written;
            progress(row, grid.rowCount());
        } catch (const Error& e) {
            if (o.failed++ == 0)
                o.firstError = e.message();
            const auto answer = prompter.message(
                dbmsExportTitle(), QStringLiteral("Ошибка записи в СУБД \"") + e.message() + QStringLiteral("\". Продолжить экспорт?"),
                Prompter::Icon::Question, Prompter::Buttons::OkCancel);
            if (answer != Prompter::Answer::Ok) {
                o.stopped = true;
                break;
            }
        }
    }
    report(prompter, o);
    return o;
}

DbmsExportOutcome directRoad(Family family, const TextGrid& grid, DbmsConnection& connection, Prompter& prompter,
                             const LoginAsker& askLogin, const DbmsProgress& progress)
{
    DbmsExportOutcome o;
    try {
        connectWithStoredLogin(connection, prompter, askLogin);
        if (!connection.isOpen())
            throw Error(connection.lastError());
        const QSqlDatabase db = connection.database();
        {
            QSqlQuery accounts(db);
            if (!accounts.prepare(kQueryAccount))
                throw Error(errorText(accounts));
            accounts.bindValue(QStringLiteral(":type_id"), dbmsUnitType(family));
            if (!accounts.exec())
                throw Error(errorText(accounts));

            // The first record of each meter number; records whose number is not one never match.
            QHash<int, int> firstRow;
            for (int row = grid.rowCount() - 2; row >= 1; --row)
                if (const auto n = integerOf(grid.cell(row, kMeterNumber)))
                    firstRow.insert(*n, row);

            QSqlQuery insert(db);
            if (!insert.prepare(kQueryMetering))
                throw Error(errorText(insert));
            const auto put = [&](const QVariant& account, const QVariant& unit, const QDateTime& at, int tariff, double w) {
                insert.bindValue(QStringLiteral(":account_id"), account);
                insert.bindValue(QStringLiteral(":date_time"), at);
                insert.bindValue(QStringLiteral(":unit_id"), unit);
                insert.bindValue(QStringLiteral(":tariff"), tariff);
                insert.bindValue(QStringLiteral(":w_"), w);
                if (insert.exec()) {
                    ++o.written;
                    return;
                }
                const QString message = errorText(insert);
                if (!stillConnected(db))
                    throw Error(message);
                if (o.failed++ == 0)
                    o.firstError = message;
            };

            int position = 0;
            while (accounts.next()) {
                const auto number = integerOf(accounts.value(2).toString());
                const auto found = number ? firstRow.constFind(*number) : firstRow.constEnd();
                if (found == firstRow.constEnd())
                    continue;
                const RecordCells cells(grid, *found);
                const QVariant account = accounts.value(0);
                const QVariant unit = accounts.value(1);
                const QDateTime at = cells.dateTime();
                if (family == Family::Telv1) {
                    put(account, unit, at, 1, cells.number(kFirstRegister));
                } else {
                    const int status = cells.integer(kStatus);
                    const QDateTime billingDate(QDate(at.date().year(), at.date().month(), 1), QTime(0, 0));
                    for (int i = 0; i < kRowsPerRecord; ++i) {
                        if (i >= 3 && (status & kClockBits))
                            continue;
                        const double w = regional::parseNumber(cells.text(kFirstRegister + i)).value_or(0);
                        if (w > 0)
                            put(account, unit, i < 3 ? at : billingDate, i % 3 + 1, w);
                    }
                }
                progress(++position, grid.rowCount());
            }
            if (accounts.lastError().isValid())
                throw Error(errorText(accounts));
        } // the statements go before their connection closes
        connection.close();
    } catch (const Error& e) {
        o.stopped = true;
        prompter.message(dbmsExportTitle(), failureText(e.message()), Prompter::Icon::Error, Prompter::Buttons::Ok);
        return o;
    }
    report(prompter, o);
    return o;
}

} // namespace

QString wrongLoginText()
{
    return QStringLiteral("Неверное имя пользователя или пароль!");
}

QString dbmsExportTitle()
{
    return QStringLiteral("Экспорт в СУБД");
}

int dbmsUnitType(Family family)
{
    for (const UnitType& u : kUnitTypes)
        if (u.family == family)
            return u.typeId;
    return -1;
}

addons::DbReading dbReadingOfRow(Family family, const TextGrid& grid, int row)
{
    const RecordCells cells(grid, row);
    addons::DbReading r;
    r.kind = familyInfo(family).exportCode;
    r.meterNumber = cells.integer(kMeterNumber);
    r.dateTime = dayCount(cells.dateTime());
    r.tariffs[0] = cells.number(kFirstRegister);
    if (family == Family::Telv1)
        return r;
    r.status = cells.integer(kStatus);
    r.checkSum = cells.integer(kCheckSum);
    r.runMinutes = cells.workMinutes();
    r.corrections = cells.integer(kCorrections);
    r.difference = cells.integer(kDifference);
    r.tariffs[1] = cells.number(kFirstRegister + 1);
    r.tariffs[2] = cells.number(kFirstRegister + 2);
    for (int i = 0; i < 3; ++i)
        r.billing[i] = cells.number(kFirstRegister + 3 + i);
    return r;
}

void connectWithStoredLogin(DbmsConnection& connection, Prompter& prompter, const LoginAsker& askLogin)
{
    const StoredLogin stored = StoredLogin::read();
    const DbmsLogin login{stored.pass.value_or(QString()).trimmed(), stored.user.value_or(QString()),
                          stored.db.value_or(QString())};
    if (connection.open(login))
        return;
    // What goes wrong from here on shows up as the missing connection at the first statement.
    try {
        if (stored.savingAllowed())
            prompter.message(dbmsExportTitle(), wrongLoginText(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
        askLogin(connection);
    } catch (const Error&) {
    }
}

DbmsExportOutcome exportToDbms(Family family, const TextGrid& grid, const addons::Vormadddb& addOn,
                               DbmsConnection& connection, Prompter& prompter, const LoginAsker& askLogin,
                               const DbmsProgress& progress)
{
    if (dbmsUnitType(family) < 0)
        throw Error(QStringLiteral("%1: нет экспорта в СУБД").arg(familyName(family)));
    progress(0, grid.rowCount());
    if (addOn.possibleWriteToDb())
        return addOnRoad(family, grid, addOn, prompter, progress);
    return directRoad(family, grid, connection, prompter, askLogin, progress);
}

} // namespace tk::store
