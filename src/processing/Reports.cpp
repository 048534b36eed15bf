#include "processing/Reports.h"

#include "common/Error.h"
#include "common/Regional.h"
#include "processing/BalanceGroups.h"
#include "processing/MeterTypes.h"
#include "store/dbf/LocalSql.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <optional>

namespace tk::processing {

namespace {

struct Column {
    const char16_t* caption;
    int width;
    bool present;
};

void startGrid(ReportGrid& out, const QString& title, std::initializer_list<Column> columns)
{
    out.title = title;
    out.captions.clear();
    out.widths.clear();
    out.rows.clear();
    for (const Column& c : columns)
        if (c.present) {
            out.captions << QString::fromUtf16(c.caption);
            out.widths.push_back(c.width);
        }
}

// A grid always keeps one data row, empty when nothing was found.
void keepOneRow(ReportGrid& out)
{
    if (out.rows.empty())
        out.rows.emplace_back(QStringList(out.captions.size(), QString()));
}

// A row whose every cell is empty at the end is dropped, unless it is the only one.
void dropTrailingEmptyRow(ReportGrid& out)
{
    if (out.rows.size() > 1 && std::all_of(out.rows.back().begin(), out.rows.back().end(), [](const QString& t) { return t.isEmpty(); }))
        out.rows.pop_back();
}

// The street and house filters as the report titles name them.
QString addressSuffix(const ReportInputs& in)
{
    QString t;
    if (!in.street.isEmpty())
        t += QStringLiteral(" (Улица ") + in.street + QLatin1Char(')');
    if (!in.house.isEmpty())
        t += QStringLiteral(" (Дом ") + in.house + QLatin1Char(')');
    return t;
}

QString periodTitle(const char16_t* head, const ReportInputs& in)
{
    return QString::fromUtf16(head) + in.from.toString(QStringLiteral("dd.MM.yy")) + QStringLiteral(" по ")
        + in.to.toString(QStringLiteral("dd.MM.yy")) + addressSuffix(in);
}

// The street piece and, with a street, the house piece of a statement, values bound. A house
// without a street filters nothing, as the window has always done.
void addAddressFilter(QStringList& lines, store::Params& params, const ReportInputs& in)
{
    if (in.street.isEmpty())
        return;
    lines << QStringLiteral(" AND street = :street");
    params.text(QStringLiteral("street"), in.street);
    if (!in.house.isEmpty()) {
        lines << QStringLiteral(" AND house = :house");
        params.text(QStringLiteral("house"), in.house);
    }
}

double numberOf(const QVariant& v)
{
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString)
        return regional::parseNumber(v.toString()).value_or(0);
    return v.toDouble();
}

// The three tariff values of a reading: type 0 has only meas_1; the others the billing-day or
// the current registers.
std::array<double, 3> tariffs(const store::Rows& rows, int r, int type, bool current)
{
    if (type == 0)
        return {numberOf(rows.value(r, QStringLiteral("meas_1"))), 0, 0};
    if (current)
        return {numberOf(rows.value(r, QStringLiteral("meas_1"))), numberOf(rows.value(r, QStringLiteral("meas_2"))),
                numberOf(rows.value(r, QStringLiteral("meas_3")))};
    return {numberOf(rows.value(r, QStringLiteral("meas_1_1"))), numberOf(rows.value(r, QStringLiteral("meas_2_1"))),
            numberOf(rows.value(r, QStringLiteral("meas_3_1")))};
}

void bindNumber(store::Params& p, const QString& name, const QVariant& v)
{
    if (v.isNull())
        p.null(name);
    else if (v.typeId() == QMetaType::Double)
        p.real(name, v.toDouble());
    else
        p.integer(name, v.toLongLong());
}

// Route and subscriber by account, street and house texts, the last row of the route table
// with those texts winning.
class RouteSnapshot {
public:
    explicit RouteSnapshot(store::LocalSql& sql)
    {
        const store::Rows rows = sql.select({QStringLiteral("SELECT * FROM Route")});
        const int pers = rows.column(QStringLiteral("pers")), street = rows.column(QStringLiteral("street")),
                  house = rows.column(QStringLiteral("house")), subscriber = rows.column(QStringLiteral("subscriber")),
                  route = rows.column(QStringLiteral("route"));
        if (pers < 0 || street < 0 || house < 0 || subscriber < 0 || route < 0)
            throw Error(QStringLiteral("Таблица Route.dbf не содержит столбцов pers, street, house, subscriber, route"));
        for (int r = 0; r < rows.size(); ++r)
            byAddress_.insert(key(rows.text(r, pers), rows.text(r, street), rows.text(r, house)),
                              {rows.text(r, route), rows.text(r, subscriber)});
    }
    // {route, subscriber}; both empty without a match.
    std::pair<QString, QString> find(const QString& pers, const QString& street, const QString& house) const
    {
        return byAddress_.value(key(pers, street, house));
    }

private:
    static QString key(const QString& a, const QString& b, const QString& c) { return a + QChar(0x1f) + b + QChar(0x1f) + c; }
    QHash<QString, std::pair<QString, QString>> byAddress_;
};

// All readings of one meter number in a reading table, in table order, for the per-meter look-ups
// of the consumption and the balance: "the row at the earliest date on or after D" and "the
// first row at date D (with this street and house)". They mean what the statements
//   SELECT * FROM T WHERE date_meas = :d AND number = :n
//   SELECT * FROM T WHERE date_meas = (SELECT MIN(date_meas) FROM T WHERE number = :n AND
//     date_meas >= :d) AND number = :n [AND street = :street AND house = :house]
// mean, taking their first row; asked as one equality on the number, the table layer answers
// from its number index alone, where the date range and the address would each have it gather
// a large share of the table for every meter.
class MeterReadings {
public:
    MeterReadings(store::LocalSql& sql, const QString& table, const QVariant& number)
    {
        store::Params p;
        bindNumber(p, QStringLiteral("number"), number);
        rows = sql.select({QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE number = :number")}, p);
        date_ = rows.column(QStringLiteral("date_meas"));
        street_ = rows.column(QStringLiteral("street"));
        house_ = rows.column(QStringLiteral("house"));
    }
    // The earliest date on or after `from`; invalid when there is none.
    QDate earliestFrom(const QDate& from) const
    {
        QDate best;
        for (int r = 0; r < rows.size(); ++r) {
            const QDate d = rows.value(r, date_).toDate();
            if (d.isValid() && d >= from && (!best.isValid() || d < best))
                best = d;
        }
        return best;
    }
    // The first row at the date (and with the texts, when given); -1 when there is none.
    int firstAt(const QDate& date, const std::optional<QString>& street = {}, const std::optional<QString>& house = {}) const
    {
        if (!date.isValid())
            return -1;
        for (int r = 0; r < rows.size(); ++r)
            if (rows.value(r, date_).toDate() == date && (!street || rows.text(r, street_) == *street)
                && (!house || rows.text(r, house_) == *house))
                return r;
        return -1;
    }
    store::Rows rows;

private:
    int date_ = -1, street_ = -1, house_ = -1;
};

} // namespace

StringGrid ReportGrid::toStringGrid() const
{
    StringGrid g(int(rows.size()) + 1, int(captions.size()));
    for (int c = 0; c < captions.size(); ++c)
        g.setCell(0, c, captions[c]);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < captions.size() && c < rows[r].size(); ++c)
            g.setCell(int(r) + 1, c, rows[r][c]);
    return g;
}

QString computedText(double value)
{
    const double rounded = std::round(value * 1e6) / 1e6;
    return regional::number(rounded == 0 ? 0.0 : rounded); // no "-0"
}

QString balancePercent(double balance, double shown)
{
    if (shown == 0)
        return {}; // no consumption to compare with
    // Multiplying before dividing keeps a half of a percent exact (15 / 1000 * 100 is not 1.5 in
    // binary); nearbyint rounds in the default mode, to nearest with halves to even.
    return QString::number(qint64(std::nearbyint((balance - shown) * 100.0 / shown)));
}

// ---------------------------------------------------------------- readings

void readingsReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out, const Progress& progress)
{
    const ProcessingSettings& s = in.settings;
    // In the order of the result columns of the statements below: column i of the table shows
    // result column i.
    startGrid(out, periodTitle(u"Показания с ", in),
              {{u"Лиц. счёт", 64, in.readingsPers},
               {u"Улица", 64, in.readingsStreet},
               {u"Дом", 40, in.readingsHouse},
               {u"Счётчик", 50, true},
               {u"Дата", 64, s.flag(QStringLiteral("CheckDate"))},
               {u"Время", 64, s.flag(QStringLiteral("CheckTime"))},
               {u"Статус", 45, s.flag(QStringLiteral("CheckStatus"))},
               {u"1 тариф", 64, s.flag(QStringLiteral("CheckT1"))},
               {u"2 тариф", 64, s.flag(QStringLiteral("CheckT2"))},
               {u"3 тариф", 64, s.flag(QStringLiteral("CheckT3"))},
               {u"1 тар.на расч.", 64, s.flag(QStringLiteral("CheckC1"))},
               {u"2 тар.на расч.", 64, s.flag(QStringLiteral("CheckC2"))},
               {u"3 тар.на расч.", 64, s.flag(QStringLiteral("CheckC3"))},
               {u"Контр.сумма", 64, s.flag(QStringLiteral("CheckCheckSum"))},
               {u"Нараб.", 64, s.flag(QStringLiteral("CheckAccum"))},
               {u"Коррекции", 64, s.flag(QStringLiteral("CheckCorrect"))},
               {u"Разница", 64, s.flag(QStringLiteral("CheckDelta"))}});
    const bool shown[17] = {in.readingsPers,
                            in.readingsStreet,
                            in.readingsHouse,
                            true,
                            s.flag(QStringLiteral("CheckDate")),
                            s.flag(QStringLiteral("CheckTime")),
                            s.flag(QStringLiteral("CheckStatus")),
                            s.flag(QStringLiteral("CheckT1")),
                            s.flag(QStringLiteral("CheckT2")),
                            s.flag(QStringLiteral("CheckT3")),
                            s.flag(QStringLiteral("CheckC1")),
                            s.flag(QStringLiteral("CheckC2")),
                            s.flag(QStringLiteral("CheckC3")),
                            s.flag(QStringLiteral("CheckCheckSum")),
                            s.flag(QStringLiteral("CheckAccum")),
                            s.flag(QStringLiteral("CheckCorrect")),
                            s.flag(QStringLiteral("CheckDelta"))};
    constexpr int kWorkTime = 14;
    const regional::Formats formats;

    for (int type = 0; type < kTypeCount; ++type) {
        if (progress)
            progress(0, 0);
        QStringList lines;
        lines << (type == 0 ? QStringLiteral("SELECT pers,street,house,number,date_meas,time_meas,status,meas_1,"
                                             "'','','','','','','','','' FROM Telv1")
                            : QStringLiteral("SELECT pers,street,house,number,date_meas,time_meas,status,meas_1,meas_2,meas_3,"
                                             "meas_1_1,meas_2_1,meas_3_1,check_sum,work_time,correct,delta FROM ")
                                  + readingTable(type));
        lines << QStringLiteral(" WHERE date_meas >= :date_0 AND date_meas <= :date_1");
        store::Params params;
        params.date(QStringLiteral("date_0"), in.from).date(QStringLiteral("date_1"), in.to);
        addAddressFilter(lines, params, in);
        lines << QStringLiteral(" ORDER BY street,house,date_meas");
        const store::Rows rows = sql.select(lines, params);
        out.rows.reserve(out.rows.size() + size_t(rows.size()));
        for (int r = 0; r < rows.size(); ++r) {
            QStringList cells;
            cells.reserve(out.captions.size());
            for (int c = 0; c < 17; ++c) {
                if (!shown[c])
                    continue;
                if (c == kWorkTime) {
                    const QVariant& v = rows.value(r, c);
                    const qint64 minutes = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double ? qint64(v.toDouble()) : 0;
                    cells << (minutes < 1 ? QString() : QString::number(minutes / 60) + QLatin1Char(':') + QString::number(minutes % 60));
                } else if (rows.value(r, c).typeId() == QMetaType::QDate) {
                    cells << formats.shortDate(rows.value(r, c).toDate());
                } else {
                    cells << rows.text(r, c);
                }
            }
            out.rows.push_back(std::move(cells));
            if (progress && ((r + 1) % 256 == 0 || r + 1 == rows.size()))
                progress(r + 1, rows.size());
        }
    }
    dropTrailingEmptyRow(out);
    keepOneRow(out);
}

// ---------------------------------------------------------------- consumption

void consumptionReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out)
{
    const ProcessingSettings& s = in.settings;
    const bool t[3] = {s.flag(QStringLiteral("Check_T1")), s.flag(QStringLiteral("Check_T2")), s.flag(QStringLiteral("Check_T3"))};
    const bool finish = s.flag(QStringLiteral("CheckFinish"));
    const bool pers = s.flag(QStringLiteral("Check_Pers")), street = s.flag(QStringLiteral("Check_Street")),
               house = s.flag(QStringLiteral("Check_House")), route = s.flag(QStringLiteral("CheckRoute")),
               subscriber = s.flag(QStringLiteral("CheckSubscriber"));
    const bool current = s.value(QStringLiteral("RadioValue")) == 1;
    out.rows.clear();
    const RouteSnapshot snapshot(sql);
    startGrid(out, periodTitle(u"Расчёт с ", in),
              {{u"Лиц. счёт", 64, pers},
               {u"Улица", 64, street},
               {u"Дом", 40, house},
               {u"Счётчик", 50, true},
               {u"Дата пред.", 80, true},
               {u"1 тар.пред.", 100, t[0]},
               {u"2 тар.пред.", 100, t[1]},
               {u"3 тар.пред.", 100, t[2]},
               {u"Дата нов.", 80, true},
               {u"1 тар.разн.", 100, t[0]},
               {u"2 тар.разн.", 100, t[1]},
               {u"3 тар.разн.", 100, t[2]},
               {u"1 тар.кон.", 100, t[0] && finish},
               {u"2 тар.кон.", 100, t[1] && finish},
               {u"3 тар.кон.", 100, t[2] && finish},
               {u"маршрут", 100, route},
               {u"абонент", 100, subscriber}});
    const regional::Formats formats;
    auto positive = [&formats](double v) { return v > 0 ? formats.number(v) : QString(); };

    for (int type = 0; type < kTypeCount; ++type) {
        const QString table = readingTable(type);
        QStringList lines{QStringLiteral("SELECT MIN(date_meas),number,street,house FROM ") + table + QStringLiteral(" WHERE date_meas >= :date_0")};
        store::Params params;
        params.date(QStringLiteral("date_0"), in.from);
        addAddressFilter(lines, params, in);
        lines << QStringLiteral(" GROUP BY number,street,house ") << QStringLiteral(" ORDER BY street,house,number");
        const store::Rows meters = sql.select(lines, params);
        for (int m = 0; m < meters.size(); ++m) {
            const QDate first = QDate::fromString(meters.text(m, 0), Qt::ISODate);
            const QString meterStreet = meters.text(m, 2), meterHouse = meters.text(m, 3);
            // Every reading of the meter number at once; the start and end readings are picked
            // from them (see meterReadings).
            const MeterReadings readings(sql, table, meters.value(m, 1));
            const int startRow = readings.firstAt(first);
            const int endRow = readings.firstAt(readings.earliestFrom(in.to), meterStreet, meterHouse);
            const store::Rows& rows = readings.rows;
            QStringList cells;
            std::array<double, 3> startValue{0, 0, 0};
            if (startRow >= 0) {
                if (pers)
                    cells << rows.text(startRow, QStringLiteral("pers"));
                if (street)
                    cells << rows.text(startRow, QStringLiteral("street"));
                if (house)
                    cells << rows.text(startRow, QStringLiteral("house"));
                cells << rows.text(startRow, QStringLiteral("number"));
                cells << formats.shortDate(rows.value(startRow, QStringLiteral("date_meas")).toDate());
                startValue = tariffs(rows, startRow, type, current);
            } else {
                cells << QStringList(int(pers) + int(street) + int(house) + 2, QString());
            }
            for (int k = 0; k < 3; ++k)
                if (t[k])
                    cells << (type == 0 && k > 0 ? QString() : positive(startValue[k]));

            const bool hasEnd = endRow >= 0;
            std::array<double, 3> endValue{0, 0, 0};
            if (hasEnd) {
                cells << formats.shortDate(rows.value(endRow, QStringLiteral("date_meas")).toDate());
                endValue = tariffs(rows, endRow, type, current);
            } else {
                cells << QString();
            }
            for (int k = 0; k < 3; ++k)
                if (t[k])
                    cells << (hasEnd && endValue[k] > 0 && startValue[k] > 0 ? computedText(endValue[k] - startValue[k]) : QString());
            for (int k = 0; k < 3; ++k)
                if (t[k] && finish)
                    cells << (hasEnd ? positive(endValue[k]) : QString());
            std::pair<QString, QString> where;
            if (hasEnd)
                where = snapshot.find(rows.text(endRow, QStringLiteral("pers")), rows.text(endRow, QStringLiteral("street")),
                                      rows.text(endRow, QStringLiteral("house")));
            if (route)
                cells << where.first;
            if (subscriber)
                cells << where.second;
            out.rows.push_back(std::move(cells));
        }
    }
    dropTrailingEmptyRow(out);
    keepOneRow(out);
}

// ---------------------------------------------------------------- yearly report

namespace {

struct Slot {
    QDate date; // invalid: empty
    std::array<double, 3> values{0, 0, 0};
};

} // namespace

void yearlyReport(store::LocalSql& sql, const ReportInputs& in, ReportGrid& out)
{
    const ProcessingSettings& s = in.settings;
    const bool t[3] = {s.flag(QStringLiteral("Check_Y1")), s.flag(QStringLiteral("Check_Y2")), s.flag(QStringLiteral("Check_Y3"))};
    const bool finish = s.flag(QStringLiteral("CheckFinish_Y"));
    const bool colStreet = s.flag(QStringLiteral("Check_Street_Y")), colHouse = s.flag(QStringLiteral("Check_House_Y")),
               colRoute = s.flag(QStringLiteral("CheckRoute_Y")), colPers = s.flag(QStringLiteral("Check_Pers_Y")),
               colSubscriber = s.flag(QStringLiteral("CheckSubscriber_Y"));
    const bool current = s.value(QStringLiteral("RadioValue_Y")) == 1;
    const int billingDay = s.value(QStringLiteral("SpinDay"));
    const int year = in.year;

    out.rows.clear();
    const RouteSnapshot snapshot(sql);
    QString title = QString::number(year) + QStringLiteral(" год.");
    if (!current)
        title += QStringLiteral(" На расчетный день.");
    title += addressSuffix(in);
    if (!in.route.isEmpty())
        title += QStringLiteral(" (Маршрут ") + in.route + QLatin1Char(')');
    startGrid(out, title,
              {{u"Улица", 64, colStreet},
               {u"Дом", 40, colHouse},
               {u"маршрут", 100, colRoute},
               {u"Лиц. счёт", 64, colPers},
               {u"абонент", 100, colSubscriber},
               {u"Счётчик", 50, true}});
    const int identityColumns = int(out.captions.size());
    for (int m = 1; m <= 12; ++m) {
        out.captions << monthAbbreviation(m);
        out.widths.push_back(80);
        for (int k = 0; k < 3; ++k)
            if (t[k] && finish) {
                out.captions << QString::number(k + 1) + QStringLiteral(" тар.показ.");
                out.widths.push_back(100);
            }
        for (int k = 0; k < 3; ++k)
            if (t[k]) {
                out.captions << QString::number(k + 1) + QStringLiteral(" тар.разн.");
                out.widths.push_back(100);
            }
    }
    // Where each identity value sits in the row, -1 when its column is absent.
    int at = 0;
    const int cStreet = colStreet ? at++ : -1;
    const int cHouse = colHouse ? at++ : -1;
    const int cRoute = colRoute ? at++ : -1;
    const int cPers = colPers ? at++ : -1;
    const int cSubscriber = colSubscriber ? at++ : -1;
    const int cNumber = at++;
    const regional::Formats formats;

    // The open meter.
    bool open = false;
    bool qualifies = false;
    QString number, account;
    QStringList cells;
    std::array<Slot, 14> monthSlots; // 1..12 the months, 13 the first qualifying reading of a later year

    auto finishMeter = [&] {
        if (!open || !qualifies)
            return;
        for (int m = 1; m <= 12; ++m) {
            const Slot& slot = monthSlots[size_t(m)];
            if (!slot.date.isValid()) {
                for (int k = 0; k < 1 + (finish ? int(t[0]) + int(t[1]) + int(t[2]) : 0) + int(t[0]) + int(t[1]) + int(t[2]); ++k)
                    cells << QString();
                continue;
            }
            cells << (current ? formats.shortDate(slot.date) : QString());
            for (int k = 0; k < 3; ++k)
                if (t[k] && finish)
                    cells << formats.number(slot.values[size_t(k)]);
            const Slot* next = nullptr;
            for (int j = m + 1; j <= 13 && !next; ++j)
                if (monthSlots[size_t(j)].date.isValid())
                    next = &monthSlots[size_t(j)];
            for (int k = 0; k < 3; ++k)
                if (t[k])
                    cells << (next ? computedText(next->values[size_t(k)] - slot.values[size_t(k)]) : QString());
        }
        out.rows.push_back(cells);
    };

    for (int type = 0; type < kTypeCount; ++type) {
        // The columns the report reads, rather than every column: a year of a large table is held
        // in memory at once, and the unread columns would be most of it.
        QStringList lines{(type == 0 ? QStringLiteral("SELECT pers,street,house,number,date_meas,meas_1 FROM ")
                                     : QStringLiteral("SELECT pers,street,house,number,date_meas,meas_1,meas_2,meas_3,"
                                                      "meas_1_1,meas_2_1,meas_3_1 FROM "))
                          + readingTable(type) + QStringLiteral(" WHERE date_meas >= :date_0")};
        store::Params params;
        params.date(QStringLiteral("date_0"), QDate(year, 1, 1));
        addAddressFilter(lines, params, in);
        lines << QStringLiteral(" ORDER BY number,date_meas");
        const store::Rows rows = sql.select(lines, params);
        const int cp = rows.column(QStringLiteral("pers")), cs = rows.column(QStringLiteral("street")),
                  ch = rows.column(QStringLiteral("house")), cn = rows.column(QStringLiteral("number")),
                  cd = rows.column(QStringLiteral("date_meas"));
        for (int r = 0; r < rows.size(); ++r) {
            const QString rowPers = rows.text(r, cp), rowStreet = rows.text(r, cs), rowHouse = rows.text(r, ch),
                          rowNumber = rows.text(r, cn);
            const auto [rowRoute, rowSubscriber] = snapshot.find(rowPers, rowStreet, rowHouse);
            const bool numberDiffers = rowNumber != number;
            const bool newMeter = !open || numberDiffers || (!rowPers.isEmpty() && !account.isEmpty() && rowPers != account);
            if (newMeter) {
                finishMeter();
                monthSlots = {};
                if (numberDiffers)
                    account.clear();
                number = rowNumber;
                open = true;
                qualifies = in.route.isEmpty() || in.route == rowRoute;
                cells = QStringList(identityColumns, QString());
                if (cStreet >= 0)
                    cells[cStreet] = rowStreet;
                if (cHouse >= 0)
                    cells[cHouse] = rowHouse;
                if (cRoute >= 0)
                    cells[cRoute] = rowRoute;
                if (cPers >= 0)
                    cells[cPers] = rowPers;
                if (cSubscriber >= 0)
                    cells[cSubscriber] = rowSubscriber;
                cells[cNumber] = rowNumber;
            } else {
                // A later reading brings the meter's newer identity where it has one.
                const std::pair<int, const QString*> updates[] = {
                    {cRoute, &rowRoute}, {cPers, &rowPers}, {cStreet, &rowStreet}, {cHouse, &rowHouse}, {cSubscriber, &rowSubscriber}};
                for (const auto& [col, value] : updates)
                    if (col >= 0 && !value->isEmpty())
                        cells[col] = *value;
            }
            if (!rowPers.isEmpty())
                account = rowPers;

            const QDate date = rows.value(r, cd).toDate();
            if (!date.isValid())
                continue;
            int slot = 0;
            if (!current)
                slot = date.year() == year ? date.month() : 13;
            else if (date.day() >= billingDay)
                slot = date.year() == year ? date.month() : 13;
            else if (date.year() == year && date.month() > 1)
                slot = date.month() - 1;
            if (slot > 0 && !monthSlots[size_t(slot)].date.isValid())
                monthSlots[size_t(slot)] = {date, tariffs(rows, r, type, current)};
        }
    }
    finishMeter();
    keepOneRow(out);
}

// ---------------------------------------------------------------- balance

namespace {

double valueOf(const MeterReadings& readings, int type, const QDate& date)
{
    const int r = readings.firstAt(readings.earliestFrom(date));
    if (r < 0)
        return 0;
    const auto v = tariffs(readings.rows, r, type, false);
    return v[0] + v[1] + v[2];
}

} // namespace

double meterValueAt(store::LocalSql& sql, int type, qint64 number, const QDate& date)
{
    const QString table = readingTable(type);
    if (table.isEmpty())
        return 0;
    return valueOf(MeterReadings(sql, table, QVariant(number)), type, date);
}

void balanceReport(store::LocalSql& sql, const std::vector<BalanceGroup>& groups, const QDate& from, const QDate& to,
                   ReportGrid& out, const Progress& progress)
{
    QString title = QStringLiteral("Баланс для счётчиков");
    for (const BalanceGroup& g : groups)
        title += QLatin1Char(' ') + g.caption;
    startGrid(out, title,
              {{u"Счётчик", 80, true},
               {u"Описание", 150, true},
               {u"Дата с", 75, true},
               {u"Дата по", 75, true},
               {u"Показания", 100, true},
               {u"Баланс", 80, true},
               {u"Баланс (%)", 100, true},
               {u"Без учета", 80, true}});
    if (progress)
        progress(0, int(groups.size()));
    int done = 0;
    for (const BalanceGroup& g : groups) {
        QStringList row{g.caption, g.description, regional::shortDate(from), regional::shortDate(to), QString(), QString(), QString(), QString()};
        QStringList leftOut;
        const int c = g.type;
        bool numberOk = false;
        const qint64 n = g.caption.toLongLong(&numberOk);
        bool kentOk = false;
        qint64 k = g.kent.toLongLong(&kentOk);
        if (!kentOk)
            k = 1;
        std::optional<MeterReadings> main;
        if (numberOk && !readingTable(c).isEmpty())
            main.emplace(sql, readingTable(c), QVariant(n));
        const double m1 = main ? valueOf(*main, c, from) : 0;
        const double m2 = main ? valueOf(*main, c, to) : 0;
        if (m1 > 0 && m2 > 0)
            row[4] = computedText(double(k) * (m2 - m1));
        if (m1 > 0 && m2 > m1) {
            double sum = 0;
            const store::Rows subs = sql.select(
                {QStringLiteral("SELECT * FROM Balance WHERE number_m = :number_m AND type_m = :type_m")},
                store::Params().real(QStringLiteral("number_m"), double(n)).real(QStringLiteral("type_m"), double(c)));
            const int cn = subs.column(QStringLiteral("number_s")), ct = subs.column(QStringLiteral("type_s"));
            for (int r = 0; r < subs.size(); ++r) {
                const int cs = int(std::lround(numberOf(subs.value(r, ct))));
                const qint64 ns = std::llround(numberOf(subs.value(r, cn)));
                double d = 0;
                if (!readingTable(cs).isEmpty()) {
                    const MeterReadings sub(sql, readingTable(cs), QVariant(ns));
                    d = valueOf(sub, cs, to) - valueOf(sub, cs, from);
                }
                if (d > 0)
                    sum += d;
                else
                    leftOut << subs.text(r, cn);
            }
            row[5] = computedText(sum);
            // The percentage compares the figures as they are shown.
            row[6] = balancePercent(regional::parseNumber(row[5]).value_or(0), regional::parseNumber(row[4]).value_or(0));
        }
        if (!leftOut.isEmpty())
            row[7] = leftOut.front();
        out.rows.push_back(row);
        for (int i = 1; i < leftOut.size(); ++i) {
            QStringList extra(8, QString());
            extra[7] = leftOut[i];
            out.rows.push_back(extra);
        }
        if (progress)
            progress(++done, int(groups.size()));
    }
}

std::array<QStringList, 5> outOfBalance(store::LocalSql& sql)
{
    std::array<QStringList, 5> out;
    for (int c = 0; c < kTypeCount; ++c) {
        const store::Rows rows = sql.select({QStringLiteral("SELECT number FROM Route"), QStringLiteral("WHERE ctype = :type"),
                                             QStringLiteral("AND NOT (number IN (SELECT number_s FROM Balance "),
                                             QStringLiteral("   WHERE type_s = :type))"),
                                             QStringLiteral("AND NOT (number IN (SELECT number_m FROM Balance "),
                                             QStringLiteral("   WHERE type_m= :type))"), QString(), QStringLiteral("ORDER BY number")},
                                            store::Params().real(QStringLiteral("type"), double(c)));
        for (int r = 0; r < rows.size(); ++r)
            out[size_t(c)] << rows.text(r, 0);
    }
    return out;
}

ReportGrid outOfBalanceGrid(const std::array<QStringList, 5>& lists)
{
    ReportGrid g;
    g.title = QStringLiteral("Счётчики вне баланса");
    qsizetype longest = 0;
    for (int c = 0; c < kTypeCount; ++c) {
        g.captions << balanceLabel(c);
        g.widths.push_back(80);
        longest = std::max(longest, lists[size_t(c)].size());
    }
    for (qsizetype r = 0; r < longest; ++r) {
        QStringList row;
        for (int c = 0; c < kTypeCount; ++c)
            row << lists[size_t(c)].value(r);
        g.rows.push_back(row);
    }
    return g;
}

} // namespace tk::processing
