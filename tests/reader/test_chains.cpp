// Reader operations run against the emulated reader's device core with a manual clock.
#include "CoreHarness.h"

#include "common/Bcd.h"
#include "common/Cp1251.h"
#include "common/Families.h"

#include <QLocale>

using namespace tk;
using namespace tk::reader;
using namespace tk::test;

namespace {

class Chains : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        ASSERT_TRUE(h.connectAndPoll());
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    static QByteArray name12(const char* text)
    {
        QByteArray n = toCp1251(QString::fromUtf8(text));
        n.resize(12, '\0');
        return n;
    }

    CoreHarness h;
};

} // namespace

TEST_F(Chains, SettingsWrittenAreWhatTheReaderGetsAndReadBackTheSame)
{
    ReaderSettings& s = h.engine.settings();
    s.oneTariff = false;
    s.zones = {{{"1", QTime(0, 0)}, {"2", QTime(7, 0)}, {"3", QTime(9, 15)},
                {"1", QTime(12, 0)}, {"3", QTime(18, 45)}, {"2", QTime(23, 30)}}};
    s.billingDay = 25;
    s.billingHour = 23;
    s.summer = false;
    s.display = 5;
    s.password = "51234";
    const ReaderSettings written = s;

    h.engine.startWriteSettings();
    EXPECT_FALSE(h.engine.readerActionsOn());
    ASSERT_TRUE(h.runChain());
    const sim::DeviceState& st = h.core.state();
    ASSERT_TRUE(st.tariffs.has_value());
    EXPECT_EQ(0x07, (*st.tariffs)[1].hour);
    EXPECT_EQ(0x15, (*st.tariffs)[2].minute);
    EXPECT_EQ(3, (*st.tariffs)[4].tariff);
    EXPECT_EQ(0x23, st.billingHour);
    EXPECT_EQ(0x25, st.billingDay);
    EXPECT_EQ(0x00, st.summerFlag);
    EXPECT_EQ(5, st.displayMode);
    EXPECT_EQ(51234, st.password);

    s = ReaderSettings{};
    h.engine.startReadSettings();
    ASSERT_TRUE(h.runChain());
    EXPECT_FALSE(s.oneTariff);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(written.zones[k].tariff, s.zones[k].tariff) << k;
        EXPECT_EQ(written.zones[k].start, s.zones[k].start) << k;
    }
    EXPECT_EQ(25, s.billingDay);
    EXPECT_EQ(23, s.billingHour);
    EXPECT_FALSE(s.summer);
    EXPECT_EQ(5, s.display);
    EXPECT_EQ("51234", s.password.toStdString());

    // Single-tariff operation travels as an empty schedule and reads back as the check box alone.
    s.oneTariff = true;
    h.engine.startWriteSettings();
    ASSERT_TRUE(h.runChain());
    EXPECT_FALSE(h.core.state().tariffs.has_value());
    s.oneTariff = false;
    s.zones[0].tariff = "3";
    h.engine.startReadSettings();
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(s.oneTariff);
    EXPECT_EQ("3", s.zones[0].tariff.toStdString()) << "the schedule is left as it was";
}

TEST_F(Chains, RefusedSummerFlagShowsItsMessageAndGoesOnWithTheDisplayMode)
{
    h.core.faults().add(sim::FaultRule::error(SetSummerFlag, 4));
    h.engine.settings().display = 9;
    h.prompter.expectError("Запись установок",
                           "Ошибка при записи флага автоперехода на летнее время. Не знаю что и посоветовать.");
    h.engine.startWriteSettings();
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.prompter.allAnswered());
    EXPECT_EQ(9, h.core.state().displayMode);
    EXPECT_EQ(1u, h.link.count(SetSummerFlag)) << "a refused setting is not sent again";
    EXPECT_EQ(1u, h.link.count(SetPassword));
}

TEST_F(Chains, InvalidZoneTimeStopsFillingTheSchedule)
{
    sim::TariffSchedule bad{};
    for (int k = 0; k < 6; ++k)
        bad[size_t(k)] = {uint8_t(1 + k % 3), ByteToBcd(2 * k), 0x00};
    bad[3].hour = 0x25; // 25 o'clock
    h.core.state().tariffs = bad;
    h.prompter.expectError("Чтение установок", "Получены некорректные данные тарифного расписания.");
    h.engine.startReadSettings();
    ASSERT_TRUE(h.runChain());
    const ReaderSettings& s = h.engine.settings();
    EXPECT_EQ(QTime(4, 0), s.zones[2].start);
    EXPECT_EQ(QTime(11, 30), s.zones[3].start) << "zones from the bad one on keep their values";
    EXPECT_EQ(1u, h.link.count(GetPassword)) << "the chain goes on with the billing day";
}

TEST_F(Chains, JournalReadFillsTheGridSkipsUnknownLengthsAndReportsTheShortfall)
{
    h.core.state().databases[6].records = {
        QByteArray::fromHex("000123A00503010000020000030000780000"),
        QByteArray::fromHex("000123A00603010000020000030000780000"),
        QByteArray::fromHex("0099"), // a length of no journal record
        QByteArray::fromHex("000456A00703010000020000030000780000"),
    };
    h.engine.journalGrid().appendRecord({"stale"});
    h.prompter.expect("Чтение журнала", "Считаны данные о 3 записях  из 4.", Prompter::Icon::Warning,
                      Prompter::Buttons::Ok, Prompter::Answer::Ok);
    h.engine.startReadJournal();
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.prompter.allAnswered());
    TextGrid& g = h.engine.journalGrid();
    ASSERT_EQ(3, g.recordCount()) << "the read replaces what the grid held";
    EXPECT_EQ("000123", g.cell(1, 0).toStdString());
    EXPECT_EQ("", g.cell(2, 0).toStdString());
    EXPECT_EQ("000456", g.cell(3, 0).toStdString());
    EXPECT_EQ("4", h.engine.header().journalCount.toStdString());
}

TEST_F(Chains, EmptyJournalEndsAfterItsCount)
{
    h.engine.startReadJournal();
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(0u, h.link.count(ReadFirst));
    EXPECT_EQ(0, h.engine.journalGrid().recordCount());
    EXPECT_EQ("0", h.engine.header().journalCount.toStdString());
}

TEST_F(Chains, DatabaseListAsksEveryNameAndTheCountsOfNamedOnes)
{
    auto& dbs = h.core.state().databases;
    for (int db : {0, 1, 2, 3, 4, 5, 6, 7, 9})
        dbs[size_t(db)].name = name12(db == 9 ? "Маршрут 2" : "БД");
    dbs[9].records = {QByteArray(12, '\1'), QByteArray(12, '\2')};
    const size_t start = h.link.requests.size();
    h.engine.startReadList();
    ASSERT_TRUE(h.runChain());
    // The requests of the chain: from its start to the version request that resumes the poll.
    size_t names = 0, counts = 0;
    for (size_t i = start; i < h.link.requests.size(); ++i) {
        const uint8_t fn = uint8_t(h.link.requests[i].at(0));
        if (fn == GetVersion && names > 0)
            break;
        names += fn == GetDbName;
        counts += fn == GetCount && names > 0;
    }
    EXPECT_EQ(64u, names);
    EXPECT_EQ(9u, counts);
    const TextList& list = h.engine.databaseList();
    ASSERT_EQ(9, list.rowCount());
    EXPECT_EQ("9", list.cell(8, 0).toStdString());
    EXPECT_EQ("Маршрут 2", list.cell(8, 1).toStdString());
    EXPECT_EQ("2", list.cell(8, 2).toStdString());
    EXPECT_EQ("Маршрут 2", h.engine.dbNames()[9].toStdString());
    EXPECT_EQ(0, h.engine.gaugePosition()) << "the poll's version reply resets the gauge";
}

TEST_F(Chains, ClearsAskFirstAndCancelSendsNothing)
{
    h.core.state().databases[7].records = {QByteArray(10, '\0')};
    h.prompter.expect("Очистка ридера", "Данные в БД ридера \"Дневник\" будут уничтожены !",
                      Prompter::Icon::Warning, Prompter::Buttons::OkCancel, Prompter::Answer::Cancel);
    h.engine.startClearDiary();
    EXPECT_TRUE(h.engine.readerActionsOn()) << "Cancel changes nothing";
    h.time.advance(3000);
    EXPECT_EQ(0u, h.link.count(ClearDb));

    h.prompter.expect("Очистка ридера", "Данные в БД ридера \"Дневник\" будут уничтожены !",
                      Prompter::Icon::Warning, Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    h.engine.startClearDiary();
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.core.state().databases[7].records.isEmpty());

    h.core.state().databases[5].records = {name12("САДОВАЯ").prepend(char(1))};
    ASSERT_TRUE(h.runUntil([&] { return h.engine.streets().size() == 1; }));
    h.prompter.expect("Очистка ридера", "Данные в БД ридера \"Улицы\" !", Prompter::Icon::Warning,
                      Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    h.engine.startClearStreets();
    EXPECT_EQ(0, h.engine.streets().size()) << "the list is emptied at once";
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.core.state().databases[5].records.isEmpty());
    EXPECT_TRUE(h.prompter.allAnswered());
}

namespace {

// A 37-byte ТЕЛВ-2 record body (from frame offset 3) for meter n on route database routeDb.
QByteArray telv2Record(int n, int routeDb)
{
    QByteArray r = QByteArray::fromHex("000000" "3012" "1506" "05" "00" "010002000300040005000600" "07" "02"
                                       "5B0900" "FE" "00" "0C" "00" "8A870100");
    r[0] = char(ByteToBcd(n / 10000 % 100));
    r[1] = char(ByteToBcd(n / 100 % 100));
    r[2] = char(ByteToBcd(n % 100));
    r[27] = char(routeDb);
    return r;
}

} // namespace

TEST_F(Chains, LongFamilyReadInsertsAClockReadAboutEvery500ms)
{
    auto& records = h.core.state().databases[0].records;
    for (int i = 0; i < 500; ++i)
        records.append(telv2Record(i, 0));
    ASSERT_TRUE(h.runUntil([&] { return h.engine.header().counts[size_t(Family::Telv2)] == "500"; }));

    const size_t start = h.link.requests.size();
    const int64_t t0 = h.time.elapsedMs();
    h.engine.startReadFamily(Family::Telv2);
    ASSERT_TRUE(h.runChain(120000));
    const int64_t took = h.time.elapsedMs() - t0;

    TextGrid& grid = h.engine.familyGrid(int(Family::Telv2));
    ASSERT_EQ(500, grid.recordCount());
    EXPECT_EQ("000499", grid.cell(500, 3).toStdString());
    EXPECT_EQ("500", h.engine.header().gridCounts[size_t(Family::Telv2)].toStdString());
    size_t clocks = 0, reads = 0;
    for (size_t i = start; i < h.link.requests.size(); ++i) {
        const uint8_t fn = uint8_t(h.link.requests[i].at(0));
        if (fn == GetVersion)
            break;
        clocks += fn == GetClock;
        reads += fn == ReadNext;
    }
    EXPECT_EQ(500u, reads) << "499 records after the first, and the one that ends the read";
    const double expected = double(took) / kTickMs;
    EXPECT_NEAR(expected, double(clocks), 2.0) << "read took " << took << " ms";
}

TEST_F(Chains, RouteNamesAreAskedOnceAndAnUnnamedRouteEachTime)
{
    auto& dbs = h.core.state().databases;
    dbs[8].name = name12("Центр");
    dbs[1].records = {telv2Record(1, 8), telv2Record(2, 8), telv2Record(3, 9), telv2Record(4, 9)};
    ASSERT_TRUE(h.runUntil([&] { return h.engine.header().counts[size_t(Family::Vakl4)] == "4"; }));
    const size_t names = h.link.count(GetDbName);
    h.engine.startReadFamily(Family::Vakl4);
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(3u, h.link.count(GetDbName) - names) << "route 8 once, the unnamed route 9 for each record";
    TextGrid& grid = h.engine.familyGrid(int(Family::Vakl4));
    EXPECT_EQ("Центр", grid.cell(1, 17).toStdString());
    EXPECT_EQ("Центр", grid.cell(2, 17).toStdString());
    EXPECT_EQ("", grid.cell(3, 17).toStdString());
}

TEST_F(Chains, ZkvReadShorterThanItsCountShowsTheSensorSummary)
{
    const QByteArray sensor = QByteArray::fromHex("123456302010950610270003050011960620" "4E0004E803");
    h.core.state().databases[63].records = {sensor, sensor, sensor, QByteArray::fromHex("0000")};
    ASSERT_TRUE(h.runUntil([&] { return h.engine.header().counts[size_t(Family::Zkv)] == "4"; }));
    h.prompter.expect("Чтение БД ЖКВ", "Считаны данные о 3 датчиков  из 4.", Prompter::Icon::Warning,
                      Prompter::Buttons::Ok, Prompter::Answer::Ok);
    h.engine.startReadFamily(Family::Zkv);
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.prompter.allAnswered());
    EXPECT_EQ(3, h.engine.familyGrid(int(Family::Zkv)).recordCount());

    // A second read appends: every record is listed twice.
    h.prompter.expect("Чтение БД ЖКВ", "Считаны данные о 6 датчиков  из 4.", Prompter::Icon::Warning,
                      Prompter::Buttons::Ok, Prompter::Answer::Ok);
    h.engine.startReadFamily(Family::Zkv);
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(6, h.engine.familyGrid(int(Family::Zkv)).recordCount());
}

TEST_F(Chains, FamilyClearAsksWithTheFamilyName)
{
    h.core.state().databases[2].records = {QByteArray(18, '\0')};
    h.prompter.expect("Очистка ридера", "Данные в БД ридера ТЕЛВ-1 будут уничтожены !", Prompter::Icon::Warning,
                      Prompter::Buttons::OkCancel, Prompter::Answer::Ok);
    h.engine.startClearFamily(Family::Telv1);
    ASSERT_TRUE(h.runChain());
    EXPECT_TRUE(h.core.state().databases[2].records.isEmpty());
}

namespace {

// A chain owned outside the engine, as the route transfers are: the name and count of one
// route database, with its own refusal handling and a street list it keeps over time-outs.
class RouteProbe : public Chain {
public:
    explicit RouteProbe(Engine& engine) : engine_(engine) {}

    static constexpr int kName = 300, kCount = 301;
    int db = 9;
    int count = -1;
    int refusals = 0;
    bool keepStreets = true;

    void start()
    {
        engine_.prepareChain(true);
        engine_.setStepNo(kName);
    }
    bool ownsStep(int step) const override { return step == kName || step == kCount; }
    Request request(int step) override
    {
        const QByteArray payload(1, char(db));
        return step == kName ? Request{GetDbName, payload, QStringLiteral("Запрос названия маршрута")}
                             : Request{GetCount, payload, QStringLiteral("Запрос числа записей маршрута")};
    }
    void onReply(const RxCollector& reply) override
    {
        if (engine_.stepNo() == kName && reply.function() == GetDbName)
            engine_.setStepNo(reply.length() == 15 ? kCount : StepVersion);
        else if (engine_.stepNo() == kCount && reply.function() == GetCount && reply.at(2) == db) {
            count = reply.at(3) | (reply.at(4) << 8);
            engine_.setStepNo(StepVersion);
        }
    }
    void onRefused() override
    {
        ++refusals;
        engine_.setStepNo(StepVersion);
    }
    bool keepsStreetsOnTimeout(int) const override { return keepStreets; }

private:
    Engine& engine_;
};

} // namespace

TEST_F(Chains, ChainPluggedInFromOutsideOwnsItsStepsAndSharesTheEnginesReplyHandling)
{
    RouteProbe probe(h.engine);
    h.engine.addChain(probe);
    h.core.state().databases[9].name = name12("ЛЕСНАЯ-2");
    h.core.state().databases[9].records = {QByteArray(10, '\1'), QByteArray(10, '\2')};
    QStringList statuses;
    QObject::connect(&h.engine, &Engine::statusTextChanged, [&](const QString& s) { statuses << s; });

    probe.start();
    EXPECT_FALSE(h.engine.readerActionsOn());
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(2, probe.count);
    EXPECT_EQ(QStringLiteral("ЛЕСНАЯ-2"), h.engine.dbNames()[9].trimmed()) << "names go into DbNames for every chain";
    EXPECT_TRUE(statuses.contains(QStringLiteral("Запрос числа записей маршрута")));

    // A refusal at its step is the chain's to handle; the engine does not repeat the request.
    h.core.faults().add(sim::FaultRule::error(GetCount, 4, uint8_t(9), 1));
    probe.count = -1;
    probe.start();
    ASSERT_TRUE(h.runChain());
    EXPECT_EQ(1, probe.refusals);
    EXPECT_EQ(-1, probe.count);
}

TEST_F(Chains, TimeOutAtAChainStepKeepsTheStreetListOnlyWhenTheChainSaysSo)
{
    h.core.state().databases[5].records = {name12("САДОВАЯ").prepend(char(1))};
    ASSERT_TRUE(h.runUntil([&] { return h.engine.streets().size() == 1 && h.engine.stepNo() == StepVersion; }));

    RouteProbe probe(h.engine);
    h.engine.addChain(probe);
    for (const bool keep : {true, false}) {
        probe.keepStreets = keep;
        ASSERT_TRUE(h.runUntil([&] { return h.engine.stepNo() == StepVersion; }));
        h.core.faults().add(sim::FaultRule::silenceFirst(1));
        probe.start();
        // The outstanding poll reply, then the chain's first request goes unanswered.
        ASSERT_TRUE(h.runUntil([&] { return h.engine.stepNo() == RouteProbe::kName; }));
        h.time.advance(kReplyTimeoutMs + 50);
        EXPECT_EQ(keep ? 1 : 0, h.engine.streets().size()) << "keep " << keep;
        ASSERT_TRUE(h.runChain());
    }
}
