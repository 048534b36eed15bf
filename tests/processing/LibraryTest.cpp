// The widget-free part of Kelvadi: the route-table statements on real tables, the route list,
// accounts, the opening period and the settings, without a window.
#include "ProcessingTestSupport.h"

#include "common/Error.h"
#include "common/Settings.h"
#include "processing/BalanceGroups.h"
#include "processing/Filter.h"
#include "processing/PointText.h"
#include "processing/ProcessingSettings.h"
#include "processing/RouteList.h"
#include "processing/RouteTable.h"
#include "store/dbf/DbfFile.h"
#include "store/dbf/LocalSql.h"

#include <QLocale>

using namespace tk;
using namespace tk::processing;

namespace {

class LocaleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
};
[[maybe_unused]] ::testing::Environment* const env = ::testing::AddGlobalTestEnvironment(new LocaleEnvironment);

MeteringPoint point(qint64 account, const QString& route, int type = 1, int number = 42)
{
    return {account, QStringLiteral("ЛЕНИНА"), QStringLiteral("12А"), number, type, QStringLiteral("Петров П.П."), route};
}

} // namespace

TEST(RouteList, CountsPerTypeTotalsAndPanels)
{
    // Ordered as the statement returns them; the empty route and a type outside 0..4 count nowhere.
    const std::vector<RouteCountRow> rows = {
        {QString(), 1, 7}, {QStringLiteral("Восток"), 0, 125}, {QStringLiteral("Восток"), 2, 3},
        {QStringLiteral("Запад"), 7, 9},  {QStringLiteral("Центр"), 1, 4},   {QStringLiteral("Центр"), 4, 2},
    };
    const RouteSummary s = summarizeRoutes(rows);
    ASSERT_EQ(3u, s.entries.size());
    EXPECT_EQ(QStringList({"Восток", "128", "125", "", "3", "", ""}), s.entries[0].cells());
    EXPECT_EQ(QStringList({"Запад", "0", "", "", "", "", ""}), s.entries[1].cells());
    EXPECT_EQ(QStringList({"Центр", "6", "", "4", "", "", "2"}), s.entries[2].cells()) << "the last route too";
    EXPECT_EQ((std::array<qint64, 5>{125, 4, 3, 0, 2}), s.perType);
    EXPECT_EQ("ТЕЛВ-1:  125", typePanelText(0, 125));
    EXPECT_EQ("ВАКЛ-ПДР:  0", typePanelText(4, 0));
}

TEST(PointText, PaddingAndAccountsReadAsSixtyFourBits)
{
    EXPECT_EQ("000012345", accountText(12345));
    EXPECT_EQ("4294967396", accountText(4294967396LL));
    EXPECT_EQ("000042", meterNumberText(42));
    EXPECT_EQ("1234567", meterNumberText(1234567));

    EXPECT_EQ(std::optional<qint64>(9999999999LL), parseAccount(QStringLiteral(" 9999999999 ")));
    EXPECT_EQ(std::optional<qint64>(12345), parseAccount(QStringLiteral("000012345")));
    for (const char* bad : {"", "  ", "12a", "-5", "+5", "1 2", "99999999999999999999"})
        EXPECT_EQ(std::nullopt, parseAccount(QString::fromUtf8(bad))) << bad;
    EXPECT_THROW(accountFromText(QStringLiteral("abc")), Error);
}

TEST(Filter, OpeningPeriodIsThePreviousMonth)
{
    struct Case {
        QDate today, from, to;
    };
    const Case cases[] = {
        {QDate(2024, 1, 15), QDate(2023, 12, 1), QDate(2024, 1, 1)},
        {QDate(2024, 3, 31), QDate(2024, 2, 1), QDate(2024, 3, 1)},
        {QDate(2024, 12, 1), QDate(2024, 11, 1), QDate(2024, 12, 1)},
    };
    for (const Case& c : cases) {
        const Period p = initialPeriod(c.today);
        EXPECT_EQ(c.from, p.from) << c.today.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(c.to, p.to) << c.today.toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(243, shiftChannel(255, -5));
    EXPECT_EQ(0, shiftChannel(0, -5));
    EXPECT_EQ(19, shiftChannel(19, -5)) << "-95 / 100 truncates toward zero, not down to -1";
}

TEST(RouteTable, AddEditRenameDeleteRoundTripOnFreshTables)
{
    test::WorkDir wd;
    wd.createTables();
    store::LocalSql sql(wd.path());
    RouteTable t(sql);
    EXPECT_TRUE(summarizeRoutes(t.routesWithCounts()).entries.empty());

    const qint64 big = 9876543210LL; // above 2^31 and 2^32
    t.add(point(big, QStringLiteral("Север"), 1, 7));
    t.add(point(12345, QStringLiteral("Север"), 0, 8));
    t.add(point(777, QStringLiteral("Юг"), 4, 9));
    EXPECT_EQ(1, t.accountCount(big));
    EXPECT_EQ(0, t.accountCount(big + 1));

    std::vector<PointRow> north = t.pointsOfRoute(QStringLiteral("Север"));
    ASSERT_EQ(2u, north.size());
    EXPECT_EQ("9876543210", north[0].account);
    EXPECT_EQ("000012345", north[1].account);
    EXPECT_EQ("000008", north[1].number);
    EXPECT_EQ("ТЕЛВ-1", north[1].typeName);
    EXPECT_EQ("Петров П.П.", north[1].subscriber);
    EXPECT_EQ("12А", north[1].house);

    // Edit moves the ten-digit account's point to another route and type.
    MeteringPoint moved = point(big, QStringLiteral("Юг"), 3, 999999);
    moved.street = QStringLiteral("ПЕР.ШКОЛЬНЫЙ");
    EXPECT_EQ(1, t.edit(moved));
    const std::vector<PointRow> south = t.pointsOfRoute(QStringLiteral("Юг"));
    ASSERT_EQ(2u, south.size());
    const PointRow& movedRow = south[0].account == QLatin1String("9876543210") ? south[0] : south[1];
    EXPECT_EQ("ПЕР.ШКОЛЬНЫЙ", movedRow.street);
    EXPECT_EQ("ВАКЛ-ДР", movedRow.typeName);
    EXPECT_EQ("999999", movedRow.number);

    EXPECT_EQ(2, t.rename(QStringLiteral("Юг"), QStringLiteral("Юг-2")));
    const RouteSummary s = summarizeRoutes(t.routesWithCounts());
    ASSERT_EQ(2u, s.entries.size());
    EXPECT_EQ(QStringList({"Север", "1", "1", "", "", "", ""}), s.entries[0].cells());
    EXPECT_EQ(QStringList({"Юг-2", "2", "", "", "", "1", "1"}), s.entries[1].cells());

    EXPECT_EQ(1, t.remove(big));
    EXPECT_EQ(0, t.accountCount(big));
    EXPECT_EQ(QStringList({"ЛЕНИНА"}), t.streets());
    EXPECT_EQ(QStringList({"12А", "12А"}), t.housesOfStreet(QStringLiteral("ЛЕНИНА"))) << "one entry per row";
    EXPECT_TRUE(t.housesOfStreet(QStringLiteral("ленина")).isEmpty()) << "exact text";
}

TEST(RouteTable, TypedTextIsBoundNeverSpliced)
{
    test::WorkDir wd;
    wd.createTables();
    store::LocalSql sql(wd.path());
    RouteTable t(sql);
    const QString nasty = QStringLiteral("x' OR '1'='1");
    t.add(point(1, QStringLiteral("Д'АРКА")));
    t.add(point(2, QStringLiteral("Другой")));
    EXPECT_TRUE(t.pointsOfRoute(nasty).empty());
    EXPECT_EQ(0, t.rename(nasty, QStringLiteral("всё")));
    EXPECT_EQ(1u, t.pointsOfRoute(QStringLiteral("Д'АРКА")).size());
    EXPECT_EQ(1, t.rename(QStringLiteral("Д'АРКА"), nasty));
    EXPECT_EQ(1u, t.pointsOfRoute(nasty).size());
    EXPECT_EQ(1u, t.pointsOfRoute(QStringLiteral("Другой")).size());
}

TEST(RouteTable, FixtureRoutesStreetsAndGroups)
{
    test::WorkDir wd;
    wd.copyFixtures(QStringLiteral("small"));
    store::LocalSql sql(wd.path());
    RouteTable t(sql);
    const RouteSummary s = summarizeRoutes(t.routesWithCounts());
    EXPECT_EQ(7u, s.entries.size());
    qint64 all = 0;
    for (qint64 n : s.perType)
        all += n;
    EXPECT_EQ(26, all) << "every point of the fixture is on a named route";
    EXPECT_EQ(7, t.streets().size());
    EXPECT_EQ(QStringList({"Южный-1", "4", "1", "3", "", "", ""}), s.entries.back().cells());
    EXPECT_EQ(2, t.accountCount(537914921)) << "the account that is on two rows";
    EXPECT_EQ(26, t.allRows().size());

    const std::vector<BalanceGroup> groups = loadBalanceGroups(sql);
    ASSERT_EQ(3u, groups.size());
    EXPECT_EQ("284554", groups[0].caption);
    EXPECT_EQ(3, groups[0].type);
    EXPECT_EQ("604922", groups[1].caption);
    EXPECT_EQ("20", groups[1].kent);
    EXPECT_FALSE(groups[1].description.isEmpty()) << "the main meter has readings";
    EXPECT_EQ("", groups[2].description) << "609440 was never read";
}

TEST(RouteTable, MissingTableIsAnErrorWithTheLayersMessage)
{
    test::WorkDir wd;
    store::LocalSql sql(wd.path());
    RouteTable t(sql);
    EXPECT_THROW(t.routesWithCounts(), Error);
    EXPECT_THROW(loadBalanceGroups(sql), Error);
}

TEST(ProcessingSettings, DefaultsRoundTripAndDamagedValues)
{
    test::ConfigHome home;
    ProcessingSettings defaults;
    EXPECT_EQ(1, defaults.value(QStringLiteral("Check_T1")));
    EXPECT_EQ(0, defaults.value(QStringLiteral("Check_T2")));
    EXPECT_EQ(0, defaults.value(QStringLiteral("CheckFinish_Y")));
    EXPECT_EQ(1, defaults.value(QStringLiteral("SpinDay")));
    EXPECT_THROW(defaults.value(QStringLiteral("Port")), Error);

    {
        Settings store(QString::fromLatin1(kSettingsKey));
        ProcessingSettings s;
        ASSERT_TRUE(s.save(store) == false) << "a missing key is not created at close";
        ASSERT_TRUE(s.load(store)) << "but at start";
    }
    ProcessingSettings changed;
    changed.set(QStringLiteral("CheckDelta"), 0);
    changed.set(QStringLiteral("Check_T3"), 1);
    changed.set(QStringLiteral("RadioValue_Y"), 1);
    changed.set(QStringLiteral("SpinDay"), 25);
    {
        Settings store(QString::fromLatin1(kSettingsKey));
        ASSERT_TRUE(changed.save(store));
    }
    EXPECT_EQ(0, home.raw(QStringLiteral("CheckDelta")).toInt());
    EXPECT_EQ(25, home.raw(QStringLiteral("SpinDay")).toInt());
    ProcessingSettings back;
    Settings store(QString::fromLatin1(kSettingsKey));
    ASSERT_TRUE(back.load(store));
    EXPECT_TRUE(back == changed);

    // Out of the controls' limits: the default stays.
    home.put(QStringLiteral("SpinDay"), 32);
    home.put(QStringLiteral("RadioValue"), 2);
    ProcessingSettings damaged;
    ASSERT_TRUE(damaged.load(store));
    EXPECT_EQ(1, damaged.value(QStringLiteral("SpinDay")));
    EXPECT_EQ(0, damaged.value(QStringLiteral("RadioValue")));
}
