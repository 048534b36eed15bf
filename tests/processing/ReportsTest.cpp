// The four reports on small tables made for each case, through the real table layer.
#include "ProcessingTestSupport.h"

#include "common/Error.h"
#include "processing/BalanceGroups.h"
#include "processing/MeterTypes.h"
#include "processing/Reports.h"
#include "store/dbf/LocalSql.h"

#include <QLocale>

using namespace tk;
using namespace tk::processing;

namespace {

class Reports : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        work.createTables();
        sql = std::make_unique<store::LocalSql>(work.path());
    }

    // One reading. pers < 0 leaves the account empty. Telv1 keeps only the first current register.
    void reading(int type, qint64 pers, const QString& street, const QString& house, int number, QDate date,
                 std::array<double, 3> current, std::array<double, 3> billing = {0, 0, 0}, qint64 workTime = 0)
    {
        store::Params p;
        if (pers < 0)
            p.null(QStringLiteral("pers"));
        else
            p.integer(QStringLiteral("pers"), pers);
        p.text(QStringLiteral("street"), street).text(QStringLiteral("house"), house).integer(QStringLiteral("number"), number);
        p.date(QStringLiteral("date"), date).real(QStringLiteral("m1"), current[0]);
        if (type == 0) {
            sql->execute({QStringLiteral("INSERT INTO Telv1(pers,street,house,number,date_meas,meas_1) "
                                         "VALUES(:pers,:street,:house,:number,:date,:m1)")},
                         p);
            return;
        }
        p.real(QStringLiteral("m2"), current[1]).real(QStringLiteral("m3"), current[2]);
        p.real(QStringLiteral("b1"), billing[0]).real(QStringLiteral("b2"), billing[1]).real(QStringLiteral("b3"), billing[2]);
        p.integer(QStringLiteral("wt"), workTime);
        sql->execute({QStringLiteral("INSERT INTO ") + readingTable(type)
                          + QStringLiteral("(pers,street,house,number,date_meas,meas_1,meas_2,meas_3,meas_1_1,meas_2_1,meas_3_1,work_time) "
                                           "VALUES(:pers,:street,:house,:number,:date,:m1,:m2,:m3,:b1,:b2,:b3,:wt)")},
                     p);
    }
    void point(qint64 pers, const QString& street, const QString& house, int number, int type, const QString& subscriber,
               const QString& route)
    {
        sql->execute({QStringLiteral("INSERT INTO Route(pers,street,house,number,ctype,subscriber,route) "
                                     "VALUES(:pers,:street,:house,:number,:ctype,:subscriber,:route)")},
                     store::Params()
                         .integer(QStringLiteral("pers"), pers)
                         .text(QStringLiteral("street"), street)
                         .text(QStringLiteral("house"), house)
                         .integer(QStringLiteral("number"), number)
                         .integer(QStringLiteral("ctype"), type)
                         .text(QStringLiteral("subscriber"), subscriber)
                         .text(QStringLiteral("route"), route));
    }
    void group(int number, int type, int kent, std::array<QStringList, 5> subs) { writeGroup(*sql, number, type, kent, subs); }

    static QDate d(int y, int m, int day) { return QDate(y, m, day); }

    // The cell of a data row under a caption (the first caption of that name).
    static QString at(const ReportGrid& g, size_t row, const QString& caption)
    {
        const int c = int(g.captions.indexOf(caption));
        EXPECT_GE(c, 0) << caption.toStdString();
        return c < 0 || row >= g.rows.size() ? QStringLiteral("<none>") : g.rows[row].value(c);
    }
    // The cells of a month group: the month cell and what follows it up to the next month.
    static QStringList month(const ReportGrid& g, size_t row, int m)
    {
        const int start = int(g.captions.indexOf(monthAbbreviation(m)));
        const int end = m == 12 ? int(g.captions.size()) : int(g.captions.indexOf(monthAbbreviation(m + 1)));
        return g.rows.at(row).mid(start, end - start);
    }

    test::WorkDir work;
    std::unique_ptr<store::LocalSql> sql;
};

bool emptyRow(const QStringList& row)
{
    return std::all_of(row.begin(), row.end(), [](const QString& t) { return t.isEmpty(); });
}

} // namespace

TEST_F(Reports, ReadingsPeriodIsInclusiveTypesComeInOrderAndWorkTimeIsHoursColonMinutes)
{
    reading(1, 11, QStringLiteral("Лесная"), QStringLiteral("1"), 200, d(2024, 2, 29), {1, 2, 3}); // before the period
    reading(1, 11, QStringLiteral("Лесная"), QStringLiteral("1"), 200, d(2024, 3, 1), {10, 20, 30}, {5, 6, 7}, 125);
    reading(1, 11, QStringLiteral("Лесная"), QStringLiteral("1"), 200, d(2024, 3, 15), {11, 21, 31}, {5, 6, 7}, 59);
    reading(1, 11, QStringLiteral("Лесная"), QStringLiteral("1"), 200, d(2024, 3, 31), {12, 22, 32}, {5, 6, 7}, 60);
    reading(1, 11, QStringLiteral("Лесная"), QStringLiteral("1"), 200, d(2024, 4, 1), {13, 23, 33}); // after it
    reading(1, 12, QStringLiteral("Аптечная"), QStringLiteral("2"), 201, d(2024, 3, 10), {1, 1, 1}, {0, 0, 0}, 0);
    reading(0, 10, QStringLiteral("Лесная"), QStringLiteral("3"), 100, d(2024, 3, 10), {7.125, 0, 0});

    ReportInputs in;
    in.from = d(2024, 3, 1);
    in.to = d(2024, 3, 31);
    ReportGrid g;
    readingsReport(*sql, in, g);
    EXPECT_EQ(g.title, QStringLiteral("Показания с 01.03.24 по 31.03.24"));
    EXPECT_EQ(g.captions.size(), 17);
    ASSERT_EQ(g.rows.size(), 5u);
    // Telv1 first; its cells after the first register are empty.
    EXPECT_EQ(g.rows[0], (QStringList{"10", "Лесная", "3", "100", "10.03.2024", "", "", "7,125", "", "", "", "", "", "", "", "", ""}));
    // Then Telv2 by street, house, date.
    EXPECT_EQ(at(g, 1, QStringLiteral("Улица")), QStringLiteral("Аптечная"));
    EXPECT_EQ(at(g, 1, QStringLiteral("Нараб.")), QString()); // 0 minutes
    EXPECT_EQ(at(g, 2, QStringLiteral("Дата")), QStringLiteral("01.03.2024"));
    EXPECT_EQ(at(g, 2, QStringLiteral("Нараб.")), QStringLiteral("2:5"));
    EXPECT_EQ(at(g, 3, QStringLiteral("Нараб.")), QStringLiteral("0:59"));
    EXPECT_EQ(at(g, 4, QStringLiteral("Нараб.")), QStringLiteral("1:0"));
    EXPECT_EQ(at(g, 4, QStringLiteral("Дата")), QStringLiteral("31.03.2024"));
    EXPECT_EQ(at(g, 4, QStringLiteral("1 тариф")), QStringLiteral("12"));
    EXPECT_EQ(at(g, 4, QStringLiteral("3 тар.на расч.")), QStringLiteral("7"));

    // Every box unchecked: the meter column alone.
    for (const char* name : {"CheckDate", "CheckTime", "CheckStatus", "CheckT1", "CheckT2", "CheckT3", "CheckC1", "CheckC2", "CheckC3",
                             "CheckCheckSum", "CheckAccum", "CheckCorrect", "CheckDelta"})
        in.settings.set(QString::fromLatin1(name), 0);
    in.readingsPers = in.readingsStreet = in.readingsHouse = false;
    readingsReport(*sql, in, g);
    EXPECT_EQ(g.captions, QStringList{QStringLiteral("Счётчик")});
    ASSERT_EQ(g.rows.size(), 5u);
    EXPECT_EQ(g.rows[1], QStringList{QStringLiteral("201")});

    // An end before the start: the header and one empty row.
    in.from = d(2024, 3, 31);
    in.to = d(2024, 3, 1);
    readingsReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_TRUE(emptyRow(g.rows[0]));
}

TEST_F(Reports, StreetTextIsBoundAndAHouseWithoutStreetFiltersNothing)
{
    reading(1, 1, QStringLiteral("Д'АРКА"), QStringLiteral("5"), 300, d(2024, 3, 5), {1, 1, 1});
    reading(1, 2, QStringLiteral("Д'АРКА"), QStringLiteral("6"), 301, d(2024, 3, 5), {1, 1, 1});
    reading(1, 3, QStringLiteral("Садовая"), QStringLiteral("5"), 302, d(2024, 3, 5), {1, 1, 1});
    ReportInputs in;
    in.from = d(2024, 3, 1);
    in.to = d(2024, 3, 31);
    in.street = QStringLiteral("Д'АРКА");
    ReportGrid g;
    readingsReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 2u);
    in.house = QStringLiteral("6");
    readingsReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_EQ(at(g, 0, QStringLiteral("Счётчик")), QStringLiteral("301"));
    EXPECT_EQ(g.title, QStringLiteral("Показания с 01.03.24 по 31.03.24 (Улица Д'АРКА) (Дом 6)"));

    in.street.clear();
    in.house = QStringLiteral("5");
    readingsReport(*sql, in, g);
    EXPECT_EQ(g.rows.size(), 3u);
    EXPECT_EQ(g.title, QStringLiteral("Показания с 01.03.24 по 31.03.24 (Дом 5)"));
    consumptionReport(*sql, in, g);
    EXPECT_EQ(g.rows.size(), 3u);
    EXPECT_EQ(g.title, QStringLiteral("Расчёт с 01.03.24 по 31.03.24 (Дом 5)"));
}

TEST_F(Reports, ConsumptionBetweenTheFirstReadingsOnOrAfterBothDates)
{
    const QString s = QStringLiteral("Лесная");
    // 400: read once, before the end date.
    reading(1, 40, s, QStringLiteral("1"), 400, d(2024, 3, 10), {100, 50, 0}, {90, 40, 0});
    // 401: first reading after the end: start and end reading are the same.
    reading(1, 41, s, QStringLiteral("2"), 401, d(2024, 4, 20), {100, 50, 10}, {90, 40, 8});
    // 402: a register going down, a zero register, and a reading at another address.
    reading(1, 42, s, QStringLiteral("3"), 402, d(2024, 3, 2), {100, 0, 30}, {80, 0, 20});
    reading(1, 42, s, QStringLiteral("3"), 402, d(2024, 4, 2), {90, 5, 35}, {70, 5, 25});
    reading(1, 43, QStringLiteral("Садовая"), QStringLiteral("9"), 402, d(2024, 3, 5), {1, 1, 1}, {1, 1, 1});
    // 403: nothing on or after the start.
    reading(1, 44, s, QStringLiteral("4"), 403, d(2024, 2, 2), {1, 1, 1}, {1, 1, 1});
    // Telv1 uses meas_1 whatever the radio choice.
    reading(0, 45, s, QStringLiteral("5"), 100, d(2024, 3, 1), {10.5, 0, 0});
    reading(0, 45, s, QStringLiteral("5"), 100, d(2024, 4, 1), {12.75, 0, 0});
    point(42, s, QStringLiteral("3"), 402, 1, QStringLiteral("первый"), QStringLiteral("Р1"));
    point(42, s, QStringLiteral("3"), 402, 1, QStringLiteral("Иванов"), QStringLiteral("Р2")); // the last match wins

    ReportInputs in;
    in.from = d(2024, 3, 1);
    in.to = d(2024, 4, 1);
    for (const char* name : {"Check_T2", "Check_T3", "CheckFinish", "CheckRoute", "CheckSubscriber"})
        in.settings.set(QString::fromLatin1(name), 1);
    ReportGrid g;
    consumptionReport(*sql, in, g);
    EXPECT_EQ(g.captions,
              (QStringList{"Лиц. счёт", "Улица", "Дом", "Счётчик", "Дата пред.", "1 тар.пред.", "2 тар.пред.", "3 тар.пред.", "Дата нов.",
                           "1 тар.разн.", "2 тар.разн.", "3 тар.разн.", "1 тар.кон.", "2 тар.кон.", "3 тар.кон.", "маршрут", "абонент"}));
    ASSERT_EQ(g.rows.size(), 5u);
    EXPECT_EQ(g.rows[0], (QStringList{"45", "Лесная", "5", "100", "01.03.2024", "10,5", "", "", "01.04.2024", "2,25", "", "", "12,75",
                                      "", "", "", ""}));
    // Telv2, ordered by street, house, number.
    EXPECT_EQ(g.rows[1], (QStringList{"40", "Лесная", "1", "400", "10.03.2024", "90", "40", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(g.rows[2], (QStringList{"41", "Лесная", "2", "401", "20.04.2024", "90", "40", "8", "20.04.2024", "0", "0", "0", "90", "40",
                                      "8", "", ""}));
    EXPECT_EQ(g.rows[3], (QStringList{"42", "Лесная", "3", "402", "02.03.2024", "80", "", "20", "02.04.2024", "-10", "", "5", "70", "5",
                                      "25", "Р2", "Иванов"}));
    EXPECT_EQ(at(g, 4, QStringLiteral("Улица")), QStringLiteral("Садовая"));
    // Its end reading would be the 2 April one at the other address, so it has none.
    EXPECT_EQ(at(g, 4, QStringLiteral("Дата нов.")), QString());

    // "текущие" takes the current registers of the three-tariff types; ticked finish without
    // any ticked tariff shows no end column.
    in.settings.set(QStringLiteral("RadioValue"), 1);
    for (const char* name : {"Check_T1", "Check_T2", "Check_T3"})
        in.settings.set(QString::fromLatin1(name), 0);
    in.settings.set(QStringLiteral("Check_T1"), 1);
    consumptionReport(*sql, in, g);
    EXPECT_EQ(at(g, 3, QStringLiteral("1 тар.пред.")), QStringLiteral("100"));
    EXPECT_EQ(at(g, 3, QStringLiteral("1 тар.разн.")), QStringLiteral("-10"));
    in.settings.set(QStringLiteral("Check_T1"), 0);
    consumptionReport(*sql, in, g);
    EXPECT_FALSE(g.captions.contains(QStringLiteral("1 тар.кон.")));
    EXPECT_EQ(g.captions.size(), 8);
}

TEST_F(Reports, MissingReadingTableEndsTheRunKeepingTheRowsSoFar)
{
    reading(0, 1, QStringLiteral("А"), QStringLiteral("1"), 100, d(2024, 3, 2), {5, 0, 0});
    sql.reset();
    ASSERT_TRUE(QFile::remove(work.path() + QStringLiteral("/Vakl4.dbf")));
    sql = std::make_unique<store::LocalSql>(work.path());
    ReportInputs in;
    in.from = d(2024, 3, 1);
    in.to = d(2024, 3, 31);
    ReportGrid g;
    try {
        readingsReport(*sql, in, g);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("vakl4"), Qt::CaseInsensitive)) << e.message().toStdString();
    }
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_EQ(at(g, 0, QStringLiteral("Счётчик")), QStringLiteral("100"));
}

TEST_F(Reports, BalancePercentRoundsHalfToEvenFromTheShownFigures)
{
    const struct {
        double balance, shown;
        const char* percent;
    } cases[] = {{900, 1000, "-10"}, {1004, 1000, "0"}, {1016, 1000, "2"}, {0, 1000, "-100"},
                 {1005, 1000, "0"},  {1015, 1000, "2"}, {1025, 1000, "2"}, {1, 0, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(balancePercent(c.balance, c.shown), QString::fromLatin1(c.percent)) << c.balance << " / " << c.shown;
}

TEST_F(Reports, DifferencesOfThreeDecimalRegistersShowNoBinaryNoise)
{
    reading(0, 1, QStringLiteral("А"), QStringLiteral("1"), 100, d(2024, 3, 1), {532524.883, 0, 0});
    reading(0, 1, QStringLiteral("А"), QStringLiteral("1"), 100, d(2024, 4, 1), {532864.908, 0, 0});
    ReportInputs in;
    in.from = d(2024, 3, 1);
    in.to = d(2024, 4, 1);
    in.year = 2024;
    ReportGrid g;
    consumptionReport(*sql, in, g);
    EXPECT_EQ(at(g, 0, QStringLiteral("1 тар.разн.")), QStringLiteral("340,025"));
    yearlyReport(*sql, in, g);
    EXPECT_EQ(month(g, 0, 3), (QStringList{"", "340,025"}));
    EXPECT_EQ(computedText(-0.0000001), QStringLiteral("0"));
}

TEST_F(Reports, BalanceComparesMainConsumptionTimesCoefficientWithSubMeters)
{
    const QDate from = d(2024, 3, 1), to = d(2024, 4, 1);
    // Main meter 1 (ТЕЛВ-2): billing-day registers sum 1000 -> 2000.
    reading(1, 1, QStringLiteral("Лесная"), QStringLiteral("1"), 1, from, {0, 0, 0}, {600, 300, 100});
    reading(1, 1, QStringLiteral("Лесная"), QStringLiteral("1"), 1, to, {0, 0, 0}, {1200, 600, 200});
    // Sub-meters: 11 (ТЕЛВ-1) consumes 400, 12 (ТЕЛВ-2) 500, 13 nothing, 14 has no readings.
    reading(0, 2, QStringLiteral("Лесная"), QStringLiteral("2"), 11, d(2024, 2, 28), {90, 0, 0});
    reading(0, 2, QStringLiteral("Лесная"), QStringLiteral("2"), 11, from, {100, 0, 0});
    reading(0, 2, QStringLiteral("Лесная"), QStringLiteral("2"), 11, d(2024, 4, 3), {500, 0, 0});
    reading(1, 3, QStringLiteral("Лесная"), QStringLiteral("3"), 12, from, {0, 0, 0}, {100, 0, 0});
    reading(1, 3, QStringLiteral("Лесная"), QStringLiteral("3"), 12, to, {0, 0, 0}, {550, 50, 0});
    reading(1, 4, QStringLiteral("Лесная"), QStringLiteral("4"), 13, from, {0, 0, 0}, {70, 0, 0});
    reading(1, 4, QStringLiteral("Лесная"), QStringLiteral("4"), 13, to, {0, 0, 0}, {70, 0, 0});
    group(1, 1, 1, {QStringList{"11"}, QStringList{"12", "13", "14"}, {}, {}, {}});
    // Main meter 2 with coefficient 20: 50 -> 70, sub-meter 12 (500).
    reading(2, 5, QStringLiteral("Садовая"), QStringLiteral("7"), 2, from, {0, 0, 0}, {50, 0, 0});
    reading(2, 5, QStringLiteral("Садовая"), QStringLiteral("7"), 2, to, {0, 0, 0}, {70, 0, 0});
    group(2, 2, 20, {QStringList{}, QStringList{"12"}, {}, {}, {}});
    // Main meter 3 whose sub-meter consumed nothing.
    reading(1, 6, QStringLiteral("Лесная"), QStringLiteral("8"), 3, from, {0, 0, 0}, {10, 0, 0});
    reading(1, 6, QStringLiteral("Лесная"), QStringLiteral("8"), 3, to, {0, 0, 0}, {20, 0, 0});
    group(3, 1, 1, {QStringList{}, QStringList{"13", "14"}, {}, {}, {}});

    EXPECT_EQ(meterValueAt(*sql, 1, 1, d(2024, 2, 1)), 1000);
    EXPECT_EQ(meterValueAt(*sql, 0, 11, from), 100);
    EXPECT_EQ(meterValueAt(*sql, 0, 11, to), 500);
    EXPECT_EQ(meterValueAt(*sql, 1, 1, d(2024, 5, 1)), 0);

    const std::vector<BalanceGroup> groups = loadBalanceGroups(*sql);
    ASSERT_EQ(groups.size(), 3u);
    ReportGrid g;
    balanceReport(*sql, groups, from, to, g);
    EXPECT_EQ(g.title, QStringLiteral("Баланс для счётчиков 000001 000002 000003"));
    ASSERT_EQ(g.rows.size(), 5u);
    EXPECT_EQ(g.rows[0], (QStringList{"000001", "Лесная 1", "01.03.2024", "01.04.2024", "1000", "900", "-10", "13"}));
    EXPECT_EQ(g.rows[1], (QStringList{"", "", "", "", "", "", "", "14"}));
    EXPECT_EQ(g.rows[2], (QStringList{"000002", "Садовая 7", "01.03.2024", "01.04.2024", "400", "500", "25", ""}));
    EXPECT_EQ(g.rows[3], (QStringList{"000003", "Лесная 8", "01.03.2024", "01.04.2024", "10", "0", "-100", "13"}));
    EXPECT_EQ(g.rows[4], (QStringList{"", "", "", "", "", "", "", "14"}));
    // A main meter without a reading on or after the end: only its identity and dates.
    balanceReport(*sql, {groups[0]}, from, d(2024, 6, 1), g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_EQ(g.rows[0], (QStringList{"000001", "Лесная 1", "01.03.2024", "01.06.2024", "", "", "", ""}));
}

TEST_F(Reports, GroupWritesAreValidatedAndAllOrNothing)
{
    group(5, 1, 3, {QStringList{"7"}, QStringList{"8", "9"}, {}, {}, {}});
    GroupContent c = loadGroup(*sql, 5, 1);
    EXPECT_EQ(c.subMeters[0], QStringList{"7"}); // a ТЕЛВ (1т) sub-meter keeps type 0
    EXPECT_EQ(c.subMeters[1], (QStringList{"8", "9"}));
    EXPECT_EQ(c.kent, QStringLiteral("3"));

    // A line that is not one meter number refuses the whole group and names box and line.
    for (const QString& bad : {QStringLiteral("12a"), QStringLiteral("1 2"), QStringLiteral("1234567"), QStringLiteral("-4")}) {
        try {
            writeGroup(*sql, 5, 1, 3, {QStringList{"70"}, {}, QStringList{"", "80", bad}, {}, {}});
            ADD_FAILURE() << "accepted " << bad.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("ВАКЛ-4, строка 3: \"") + bad)) << e.message().toStdString();
        }
    }
    c = loadGroup(*sql, 5, 1);
    EXPECT_EQ(c.subMeters[1], (QStringList{"8", "9"}));
    EXPECT_TRUE(c.subMeters[0] == QStringList{"7"});

    // A write the table refuses half way (a coefficient wider than its column) takes back the delete.
    EXPECT_THROW(writeGroup(*sql, 5, 1, 1234567, {QStringList{"70"}, QStringList{"80"}, {}, {}, {}}), Error);
    c = loadGroup(*sql, 5, 1);
    EXPECT_EQ(c.subMeters[1], (QStringList{"8", "9"}));
    EXPECT_EQ(c.kent, QStringLiteral("3"));

    // Empty lines are skipped; empty boxes remove the group.
    writeGroup(*sql, 5, 1, 4, {QStringList{"", " 70 "}, {}, {}, {}, {}});
    c = loadGroup(*sql, 5, 1);
    EXPECT_EQ(c.subMeters[0], QStringList{"70"});
    EXPECT_EQ(c.kent, QStringLiteral("4"));
    writeGroup(*sql, 5, 1, 4, {QStringList{""}, {}, {}, {}, {}});
    EXPECT_TRUE(loadBalanceGroups(*sql).empty());
}

TEST_F(Reports, SharedSubMetersAndMetersOutsideEveryGroup)
{
    group(1, 1, 1, {QStringList{}, QStringList{"30", "31"}, {}, {}, {}});
    group(2, 3, 1, {QStringList{}, QStringList{"30"}, {}, {}, {}});
    EXPECT_EQ(sharedSubMeterLines(*sql), (QStringList{"№30 ТЕЛВ-2 в балансе для", "  1 ТЕЛВ-2", "  2 ВАКЛ-ДР"}));
    group(2, 3, 1, {QStringList{}, QStringList{"32"}, {}, {}, {}});
    EXPECT_TRUE(sharedSubMeterLines(*sql).isEmpty());

    point(1, QStringLiteral("А"), QStringLiteral("1"), 1, 1, {}, QStringLiteral("Р"));  // a main meter
    point(2, QStringLiteral("А"), QStringLiteral("2"), 30, 1, {}, QStringLiteral("Р")); // a sub-meter
    point(3, QStringLiteral("А"), QStringLiteral("3"), 30, 0, {}, QStringLiteral("Р")); // same number, other type
    point(4, QStringLiteral("А"), QStringLiteral("4"), 2, 1, {}, QStringLiteral("Р"));  // main of another type
    point(5, QStringLiteral("А"), QStringLiteral("5"), 40, 1, {}, QStringLiteral("Р"));
    point(6, QStringLiteral("А"), QStringLiteral("6"), 40, 1, {}, QStringLiteral("Р"));
    const auto lists = outOfBalance(*sql);
    EXPECT_EQ(lists[0], QStringList{"30"});
    EXPECT_EQ(lists[1], (QStringList{"2", "40", "40"}));
    EXPECT_TRUE(lists[3].isEmpty());
    const ReportGrid g = outOfBalanceGrid(lists);
    EXPECT_EQ(g.captions.front(), QStringLiteral("ТЕЛВ (1т)"));
    ASSERT_EQ(g.rows.size(), 3u);
    EXPECT_EQ(g.rows[2], (QStringList{"", "40", "", "", ""}));
}

TEST_F(Reports, YearlyOnBillingDayRegisters)
{
    const QString s = QStringLiteral("Лесная");
    reading(1, 7, s, QStringLiteral("1"), 500, d(2024, 3, 3), {0, 0, 0}, {100, 10, 1});
    reading(1, 7, s, QStringLiteral("1"), 500, d(2024, 3, 20), {0, 0, 0}, {110, 11, 1});
    reading(1, 7, s, QStringLiteral("1"), 500, d(2024, 6, 1), {0, 0, 0}, {160, 16, 1});
    reading(1, 7, s, QStringLiteral("1"), 500, d(2024, 12, 1), {0, 0, 0}, {220, 22, 2});
    reading(1, 7, s, QStringLiteral("1"), 500, d(2025, 1, 1), {0, 0, 0}, {230, 23, 2});
    reading(1, 7, s, QStringLiteral("1"), 500, d(2025, 2, 1), {0, 0, 0}, {240, 24, 2});
    reading(0, 8, s, QStringLiteral("2"), 90, d(2024, 11, 5), {5.5, 0, 0});
    ReportInputs in;
    in.year = 2024;
    for (const char* name : {"Check_Y2", "Check_Y3", "CheckFinish_Y"})
        in.settings.set(QString::fromLatin1(name), 1);
    ReportGrid g;
    yearlyReport(*sql, in, g);
    EXPECT_EQ(g.title, QStringLiteral("2024 год. На расчетный день."));
    EXPECT_EQ(g.captions.mid(0, 13), (QStringList{"Улица", "Дом", "Лиц. счёт", "Счётчик", "янв.", "1 тар.показ.", "2 тар.показ.",
                                                  "3 тар.показ.", "1 тар.разн.", "2 тар.разн.", "3 тар.разн.", "фев.", "1 тар.показ."}));
    ASSERT_EQ(g.rows.size(), 2u);
    // ТЕЛВ-1 first: zeros in tariffs 2 and 3; no later reading, so no differences.
    EXPECT_EQ(g.rows[0].mid(0, 4), (QStringList{"Лесная", "2", "8", "90"}));
    EXPECT_EQ(month(g, 0, 11), (QStringList{"", "5,5", "0", "0", "", "", ""}));
    // March keeps its earliest reading; the month cell stays empty in this mode; the difference
    // spans the gap to June.
    EXPECT_EQ(month(g, 1, 3), (QStringList{"", "100", "10", "1", "60", "6", "0"}));
    EXPECT_TRUE(emptyRow(month(g, 1, 4)));
    EXPECT_EQ(month(g, 1, 6), (QStringList{"", "160", "16", "1", "60", "6", "1"}));
    // December reaches for the first reading of a later year.
    EXPECT_EQ(month(g, 1, 12), (QStringList{"", "220", "22", "2", "10", "1", "0"}));

    // Without a later year, December's differences are empty.
    in.year = 2025;
    yearlyReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_EQ(month(g, 0, 1), (QStringList{"", "230", "23", "2", "10", "1", "0"}));
    EXPECT_EQ(month(g, 0, 2), (QStringList{"", "240", "24", "2", "", "", ""}));
}

TEST_F(Reports, YearlyCurrentRegistersByBillingDay)
{
    const QString s = QStringLiteral("Лесная");
    reading(1, 7, s, QStringLiteral("1"), 600, d(2024, 1, 10), {5, 0, 0});  // before day 25 of January: ignored
    reading(1, 7, s, QStringLiteral("1"), 600, d(2024, 3, 10), {30, 0, 0}); // to February
    reading(1, 7, s, QStringLiteral("1"), 600, d(2024, 3, 26), {40, 0, 0}); // March
    reading(1, 7, s, QStringLiteral("1"), 600, d(2024, 4, 30), {50, 0, 0}); // day 30 of a 30-day month
    reading(1, 7, s, QStringLiteral("1"), 600, d(2025, 1, 5), {90, 0, 0});  // later year, before the day: ignored
    ReportInputs in;
    in.year = 2024;
    in.settings.set(QStringLiteral("RadioValue_Y"), 1);
    in.settings.set(QStringLiteral("SpinDay"), 25);
    in.settings.set(QStringLiteral("CheckFinish_Y"), 1);
    ReportGrid g;
    yearlyReport(*sql, in, g);
    EXPECT_EQ(g.title, QStringLiteral("2024 год."));
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_TRUE(emptyRow(month(g, 0, 1)));
    EXPECT_EQ(month(g, 0, 2), (QStringList{"10.03.2024", "30", "10"}));
    EXPECT_EQ(month(g, 0, 3), (QStringList{"26.03.2024", "40", "10"}));
    EXPECT_EQ(month(g, 0, 4), (QStringList{"30.04.2024", "50", ""}));

    // Billing day 31: in a 30-day month every reading falls before it and goes a month back.
    in.settings.set(QStringLiteral("SpinDay"), 31);
    yearlyReport(*sql, in, g);
    EXPECT_EQ(month(g, 0, 3), (QStringList{"30.04.2024", "50", ""}));
    EXPECT_EQ(month(g, 0, 2), (QStringList{"10.03.2024", "30", "20"}));
    EXPECT_TRUE(emptyRow(month(g, 0, 4)));
}

TEST_F(Reports, YearlyMeterIdentityAcrossAccountsTypesAndRoutes)
{
    const QDate day = d(2024, 5, 1);
    // Meter 700: account 1, then an empty account (continues), then account 2 (a new row).
    reading(1, 1, QStringLiteral("Лесная"), QStringLiteral("1"), 700, d(2024, 2, 1), {}, {1, 0, 0});
    reading(1, -1, QStringLiteral("Новая"), QStringLiteral(""), 700, d(2024, 3, 1), {}, {2, 0, 0});
    reading(1, 2, QStringLiteral("Садовая"), QStringLiteral("2"), 700, d(2024, 4, 1), {}, {3, 0, 0});
    // Meter 900 is the last ТЕЛВ-2 meter and the first ВАКЛ-4 meter with the same number.
    reading(1, 9, QStringLiteral("Южная"), QStringLiteral("9"), 900, day, {}, {10, 0, 0});
    reading(2, -1, QStringLiteral("Южная"), QStringLiteral("9"), 900, d(2024, 6, 1), {}, {15, 0, 0});
    point(9, QStringLiteral("Южная"), QStringLiteral("9"), 900, 1, QStringLiteral("Петров"), QStringLiteral("Юг"));

    ReportInputs in;
    in.year = 2024;
    in.settings.set(QStringLiteral("CheckRoute_Y"), 1);
    in.settings.set(QStringLiteral("CheckSubscriber_Y"), 1);
    ReportGrid g;
    yearlyReport(*sql, in, g);
    EXPECT_EQ(g.captions.mid(0, 6), (QStringList{"Улица", "Дом", "маршрут", "Лиц. счёт", "абонент", "Счётчик"}));
    ASSERT_EQ(g.rows.size(), 3u);
    // The later street replaces the first; the empty house does not.
    EXPECT_EQ(g.rows[0].mid(0, 6), (QStringList{"Новая", "1", "", "1", "", "700"}));
    EXPECT_EQ(month(g, 0, 2), (QStringList{"", "1"}));
    EXPECT_EQ(month(g, 0, 3), (QStringList{"", ""}));
    EXPECT_EQ(g.rows[1].mid(0, 6), (QStringList{"Садовая", "2", "", "2", "", "700"}));
    EXPECT_EQ(g.rows[2].mid(0, 6), (QStringList{"Южная", "9", "Юг", "9", "Петров", "900"}));
    EXPECT_EQ(month(g, 2, 5), (QStringList{"", "5"}));

    // A route filter keeps the meters whose first reading's address is on the route.
    in.route = QStringLiteral("Юг");
    yearlyReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_EQ(at(g, 0, QStringLiteral("Счётчик")), QStringLiteral("900"));
    EXPECT_EQ(g.title, QStringLiteral("2024 год. На расчетный день. (Маршрут Юг)"));
    in.route = QStringLiteral("Нет такого");
    yearlyReport(*sql, in, g);
    ASSERT_EQ(g.rows.size(), 1u);
    EXPECT_TRUE(emptyRow(g.rows[0]));
}
