#include "EngineHarness.h"

#include "common/Error.h"
#include "common/Families.h"
#include "reader/ReaderClock.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace tk;
using namespace tk::reader;
using namespace tk::test;

namespace {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

QString countOf(const Harness& h, Family f)
{
    return h.engine.header().counts[size_t(f)];
}

} // namespace

TEST_F(EngineTest, PollRunsItsStepsInOrderWithTheirTexts)
{
    Harness h;
    h.engine.connectLink();
    ASSERT_TRUE(h.engine.linkUp());

    struct Step {
        const char* request;
        const char16_t* status;
        uint8_t function;
        const char* reply;
    } cycle[] = {
        {"00 02 80 71", u"Запрос версии", GetVersion, "06 01"},
        {"03 03 02 00 F1", u"Запрос числа записей ТЕЛВ (1 тариф)", GetCount, "02 07 00"},
        {"03 03 00", u"Запрос числа записей ТЕЛВ (3 тарифа)", GetCount, "00 F4 01"},
        {"03 03 01", u"Запрос числа записей ВАКЛ-4", GetCount, "01 00 00"},
        {"03 03 03", u"Запрос числа записей ВАКЛ-ДР", GetCount, "03 02 00"},
        {"03 03 04", u"Запрос числа записей ВАКЛ-ПДР", GetCount, "04 03 00"},
        {"03 03 3F", u"Запрос числа записей ЖКВ", GetCount, "3F 04 00"},
        {"03 03 05", u"Запрос числа улиц в БД", GetCount, "05 00 00"},
        {"01 02 81 E1", u"Запрос времени", GetClock, "00 30 23 31 12 01"},
        {"00 02 80 71", u"Запрос версии", GetVersion, "06 01"},
    };
    for (const Step& s : cycle) {
        // The function code goes alone with Mark parity; the rest follows 10 ms later with Space.
        const auto& first = h.port.writes.back();
        EXPECT_EQ(Parity::Mark, first.parity);
        EXPECT_EQ(1, first.bytes.size());
        h.time.advance(9);
        EXPECT_EQ(Parity::Mark, h.port.writes.back().parity) << "tail sent before 10 ms";
        h.time.advance(1);
        EXPECT_EQ(Parity::Space, h.port.writes.back().parity);
        EXPECT_TRUE(h.lastRequest().startsWith(hex(s.request))) << s.request;
        EXPECT_EQ(QString::fromUtf16(s.status).toStdString(), h.engine.statusText().toStdString());
        h.engine.onReceived(buildFrame(s.function, hex(s.reply)));
    }

    const HeaderPanel& hp = h.engine.header();
    EXPECT_EQ("6", hp.version.toStdString());
    EXPECT_EQ("1", hp.build.toStdString());
    EXPECT_EQ(0x0601, h.engine.firmwareWord());
    EXPECT_EQ("7", countOf(h, Family::Telv1).toStdString());
    EXPECT_EQ("500", countOf(h, Family::Telv2).toStdString());
    EXPECT_EQ("0", countOf(h, Family::Vakl4).toStdString());
    EXPECT_EQ("2", countOf(h, Family::VaklDr).toStdString());
    EXPECT_EQ("3", countOf(h, Family::VaklPdr).toStdString());
    EXPECT_EQ("4", countOf(h, Family::Zkv).toStdString());
    EXPECT_EQ("31.12.2004", hp.readerDate.toStdString());
    EXPECT_EQ("23:30:00", hp.readerTime.toStdString());
    EXPECT_TRUE(h.engine.readerActionsOn());
}

TEST_F(EngineTest, FirmwareSixOneOffersTheNewFamiliesAndSixZeroDoesNot)
{
    for (const auto& [build, offered] : {std::pair{0x00, false}, std::pair{0x01, true}}) {
        Harness h;
        h.engine.connectLink();
        h.answerPoll(0x06, uint8_t(build));
        EXPECT_EQ(offered, h.engine.header().pdrZkvEnabled) << build;
        EXPECT_EQ(offered, !countOf(h, Family::VaklPdr).isEmpty()) << build;
        EXPECT_EQ(offered, !countOf(h, Family::Zkv).isEmpty()) << build;
        EXPECT_EQ(0x0600 + build, h.engine.firmwareWord());
    }
}

TEST_F(EngineTest, ActionPressedMidPollIsSentAfterTheOutstandingReply)
{
    Harness h;
    h.engine.connectLink();
    h.reply(GetVersion, hex("06 01"));
    h.reply(GetCount, hex("02 00 00"));
    h.reply(GetCount, hex("00 00 00"));
    h.reply(GetCount, hex("01 00 00"));
    // Now waiting for the count of database 3.
    h.completeSend();
    ASSERT_TRUE(h.lastRequest().startsWith(hex("03 03 03")));
    const size_t before = h.requestCount();
    h.engine.startClockSync();
    EXPECT_FALSE(h.engine.readerActionsOn());
    h.completeSend();
    EXPECT_EQ(before, h.requestCount()) << "an action never talks to the port itself";

    h.engine.onReceived(buildFrame(GetCount, hex("03 09 00")));
    EXPECT_EQ("9", countOf(h, Family::VaklDr).toStdString()) << "the outstanding reply is still shown";
    const QByteArray expectedClock = buildFrame(SetClock, encodeReaderClock(h.time.now()));
    h.completeSend();
    EXPECT_EQ(expectedClock, h.lastRequest());
    EXPECT_EQ("Установка времени", h.engine.statusText().toStdString());

    h.reply(SetClock);
    h.completeSend();
    EXPECT_EQ(buildFrame(GetVersion), h.lastRequest()) << "the chain returns to the poll";
}

TEST_F(EngineTest, ClockImageBothWays)
{
    const QDateTime wednesday(QDate(2005, 6, 15), QTime(14, 7, 9));
    EXPECT_EQ(hex("09 07 14 55 66 01"), encodeReaderClock(wednesday));
    const QByteArray image = encodeReaderClock(QDateTime(QDate(2099, 12, 31), QTime(23, 59, 58)));
    EXPECT_EQ(QDate(2099, 12, 31), readerClockDate(reinterpret_cast<const uint8_t*>(image.constData())));

    // A month that reads 13 empties the date and keeps the time.
    Harness h;
    h.engine.connectLink();
    h.answerPoll();
    ASSERT_EQ("31.12.2004", h.engine.header().readerDate.toStdString());
    h.answerPollUpToClock();
    h.reply(GetClock, hex("05 04 03 02 13 01"));
    EXPECT_TRUE(h.engine.header().readerDate.isEmpty());
    EXPECT_EQ("03:04:05", h.engine.header().readerTime.toStdString());
}

TEST_F(EngineTest, UnansweredRequestRepeatsEvery1500msUntilTheReaderAnswers)
{
    Harness h;
    h.engine.connectLink();
    h.answerPoll();
    h.reply(GetVersion, hex("06 01"));
    h.completeSend();
    const QByteArray waiting = h.lastRequest();
    const size_t before = h.requestCount();
    const int logBefore = int(h.log.size());
    h.engine.streets().append(1, "САДОВАЯ");

    // Sent 10 ms ago; every 1500 ms from each send the same request goes out again.
    h.time.advance(kReplyTimeoutMs - kSendSplitMs - 1);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(before + size_t(i) - 1, h.requestCount());
        h.time.advance(1);
        EXPECT_EQ(before + size_t(i), h.requestCount());
        h.time.advance(kReplyTimeoutMs - 1);
        EXPECT_EQ(waiting, h.lastRequest());
    }
    int timeouts = 0;
    for (int i = logBefore; i < h.log.size(); ++i)
        timeouts += h.log[i].endsWith(" Timeout");
    EXPECT_EQ(3, timeouts);
    EXPECT_EQ(0, h.engine.streets().size()) << "a time-out empties the street list";

    // The reader answers again: the poll goes on from the same step.
    h.engine.onReceived(buildFrame(GetCount, hex("02 05 00")));
    EXPECT_EQ("5", countOf(h, Family::Telv1).toStdString());
    h.completeSend();
    EXPECT_TRUE(h.lastRequest().startsWith(hex("03 03 00")));
}

TEST_F(EngineTest, TimeoutCountsFromTheLastChunkOfAnIncompleteReply)
{
    Harness h;
    h.engine.connectLink();
    h.completeSend();
    h.time.advance(1000);
    const QByteArray reply = buildFrame(GetVersion, hex("06 01"));
    h.engine.onReceived(reply.left(3));
    const size_t sent = h.requestCount();
    h.time.advance(kReplyTimeoutMs - 1);
    EXPECT_EQ(sent, h.requestCount()) << "the time-out runs from the third byte, not from the request";
    h.time.advance(1);
    EXPECT_EQ(sent + 1, h.requestCount());
}

TEST_F(EngineTest, BadRepliesRepeatTheStepAndNeverStopThePoll)
{
    Harness h;
    h.engine.connectLink();
    h.answerPoll();
    h.reply(GetVersion, hex("06 01"));
    h.completeSend();
    const QByteArray waiting = h.lastRequest(); // the count of database 2

    QByteArray badCrc = buildFrame(GetCount, hex("02 01 00"));
    badCrc[3] = char(badCrc[3] ^ 0x10);
    const QByteArray cases[] = {
        badCrc,
        buildFrame(0x83, QByteArray(1, 1)),            // unknown function
        buildFrame(0x83, QByteArray(1, 4)),            // refused data outside the chains that handle it
        buildFrame(0x83, QByteArray(1, 9)),            // a code the reader does not document
        buildFrame(0x07, hex("01 02 03")),             // a function never sent
        buildFrame(GetCount, hex("02")),               // too short to carry a count
        buildFrame(0x1F, QByteArray(253, char(0xAA))), // the longest frame, of no known function
    };
    for (const QByteArray& bad : cases) {
        const size_t sent = h.requestCount();
        h.replyRaw(bad);
        EXPECT_EQ(sent + 1, h.requestCount()) << bad.toHex().left(16).constData();
        h.completeSend();
        EXPECT_EQ(waiting, h.lastRequest());
    }
    EXPECT_TRUE(h.log.filter(" Bad CheckSum").size() == 1);
    EXPECT_EQ(1, h.log.filter(" Error: Unknown function").size());
    EXPECT_EQ(1, h.log.filter(" Error: Incorect data").size());
    EXPECT_EQ(1, h.log.filter(QString::fromUtf8(" Error: Error code №9")).size());

    // Garbage that never completes a frame ends in the time-out and the same request.
    const size_t sent = h.requestCount();
    h.engine.onReceived(hex("55"));
    h.time.advance(kReplyTimeoutMs);
    EXPECT_EQ(sent + 1, h.requestCount());
    h.completeSend();
    EXPECT_EQ(waiting, h.lastRequest());
    h.engine.onReceived(buildFrame(GetCount, hex("02 0C 00")));
    EXPECT_EQ("12", countOf(h, Family::Telv1).toStdString());
}

TEST_F(EngineTest, MemoryFullReturnsToThePollWithItsMessage)
{
    Harness h;
    h.engine.connectLink();
    h.reply(GetVersion, hex("06 01"));
    h.prompter.expectError("Ошибка при записи БД ридера", "Недостаточно памяти ридера.");
    h.replyRaw(buildFrame(0x83, QByteArray(1, 5)));
    EXPECT_TRUE(h.prompter.allAnswered());
    h.completeSend();
    EXPECT_EQ(buildFrame(GetVersion), h.lastRequest());
    EXPECT_EQ(1, h.log.filter(" Error: Memory full").size());
}

TEST_F(EngineTest, StreetCountDifferentFromTheListReadsTheStreetBase)
{
    Harness h;
    h.engine.connectLink();
    h.reply(GetVersion, hex("06 01"));
    for (int db : {2, 0, 1, 3, 4, 63})
        h.reply(GetCount, bytes({db, 0, 0}));
    ASSERT_EQ(0, h.engine.streets().size());
    h.reply(GetCount, hex("05 03 00"));
    EXPECT_FALSE(h.engine.readerActionsOn());

    const auto street = [](int n, const char* name) {
        QByteArray r;
        r.append(char(5)).append(char(n));
        QByteArray text = QByteArray::fromHex(name);
        text.resize(12, '\0');
        return r + text;
    };
    h.completeSend();
    EXPECT_EQ(buildFrame(ReadFirst, QByteArray(1, 5)), h.lastRequest());
    EXPECT_EQ("Чтение данных БД \"Улицы\"", h.engine.statusText().toStdString());
    h.reply(ReadFirst, street(1, "D1C0C4CEC2C0DF")); // САДОВАЯ in Windows-1251
    h.completeSend();
    EXPECT_EQ(buildFrame(ReadNext, QByteArray(1, 5)), h.lastRequest());
    h.reply(ReadNext, street(2, "CCC8D0C001")); // МИРА and a control byte that is dropped
    h.completeSend();
    EXPECT_EQ(buildFrame(ReadNext, QByteArray(1, 5)), h.lastRequest()) << "the clock is not due yet";
    h.time.advance(kTickMs); // now it is
    h.engine.onReceived(buildFrame(ReadNext, street(7, "CBC5CDC8CDC0")));
    h.completeSend();
    EXPECT_EQ(buildFrame(GetClock), h.lastRequest()) << "a due clock read is inserted";
    EXPECT_EQ("Запрос времени", h.engine.statusText().toStdString());
    h.reply(GetClock, hex("00 30 23 31 12 01"));
    h.completeSend();
    EXPECT_EQ(buildFrame(ReadNext, QByteArray(1, 5)), h.lastRequest());
    h.reply(ReadNext, QByteArray(1, 5)); // no more records
    h.completeSend();
    EXPECT_EQ(buildFrame(GetVersion), h.lastRequest()) << "the read ends in the poll";

    const StreetList& s = h.engine.streets();
    ASSERT_EQ(3, s.size());
    EXPECT_EQ("САДОВАЯ", s.nameOf(1).toStdString());
    EXPECT_EQ("МИРА", s.nameOf(2).toStdString());
    EXPECT_EQ("ЛЕНИНА", s.nameOf(7).toStdString());
    EXPECT_EQ(1, s.numberOf(" садовая "));
    EXPECT_EQ(-1, s.numberOf("ЛЕСНАЯ"));

    // The next cycle finds the counts equal and reads the clock.
    h.reply(GetVersion, hex("06 01"));
    EXPECT_TRUE(h.engine.readerActionsOn());
    for (int db : {2, 0, 1, 3, 4, 63})
        h.reply(GetCount, bytes({db, 0, 0}));
    h.reply(GetCount, hex("05 03 00"));
    h.completeSend();
    EXPECT_EQ(buildFrame(GetClock), h.lastRequest());
}

TEST_F(EngineTest, DisconnectMidChainEmptiesTheHeaderAndIgnoresLateBytes)
{
    Harness h;
    h.engine.connectLink();
    h.answerPoll();
    h.engine.startClockSync();
    QSignalSpy enabled(&h.engine, &Engine::exchangeActionsEnabled);
    h.engine.disconnectLink();
    EXPECT_FALSE(h.port.open_);
    EXPECT_FALSE(h.engine.linkUp());
    EXPECT_EQ(1, enabled.count());
    EXPECT_TRUE(h.engine.header().version.isEmpty());
    EXPECT_TRUE(h.engine.header().readerDate.isEmpty());
    for (const QString& c : h.engine.header().counts)
        EXPECT_TRUE(c.isEmpty());
    EXPECT_TRUE(h.engine.statusText().isEmpty());
    EXPECT_EQ(0, h.engine.gaugePosition());

    const size_t sent = h.requestCount();
    h.engine.onReceived(buildFrame(GetVersion, hex("06 01")));
    h.time.advance(10 * kReplyTimeoutMs);
    EXPECT_EQ(sent, h.requestCount()) << "nothing is sent while the link is down";
    EXPECT_EQ(StepSetClock, h.engine.stepNo()) << "the step is kept";
    EXPECT_EQ(0x0601, h.engine.firmwareWord());
}

TEST_F(EngineTest, PortThatCannotBeOpenedShowsTheReasonAndStaysDown)
{
    Harness h;
    h.port.openError = "/dev/ttyUSB7: No such file or directory";
    try {
        h.engine.connectLink();
        ADD_FAILURE() << "an open failure is an error";
    } catch (const Error& e) {
        EXPECT_EQ(QStringLiteral("/dev/ttyUSB7: No such file or directory"), e.message());
    }
    EXPECT_FALSE(h.engine.linkUp());
    EXPECT_TRUE(h.port.writes.empty());
    EXPECT_TRUE(h.prompter.allAnswered());
}

TEST_F(EngineTest, ExchangeLogLinesHaveTheirExactForm)
{
    Harness h;
    h.time.advance(7 * 1000 + 42); // 10:00:07.042
    h.engine.connectLink();
    h.completeSend();
    h.engine.onReceived(hex("00 04"));
    h.engine.onReceived(hex("06 01 83 85"));
    h.engine.onLineError(8);
    ASSERT_GE(h.log.size(), 4);
    EXPECT_EQ("7.042 Send: 00 02 80 71 ", h.log[0].toStdString());
    EXPECT_EQ("7.052 Receive: 00 04 ", h.log[1].toStdString());
    EXPECT_EQ("7.052 Receive: 06 01 83 85 ", h.log[2].toStdString());
    EXPECT_EQ("7.052 Send: 03 03 02 00 F1 ", h.log[3].toStdString());
    EXPECT_EQ(QString::fromUtf8("7.052 Error № 8").toStdString(), h.log.back().toStdString());
    const QRegularExpression line(R"(^\d{1,2}\.\d{3} (Send|Receive): ([0-9A-F]{2} )+$)");
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(line.match(h.log[i]).hasMatch()) << h.log[i].toStdString();
}
