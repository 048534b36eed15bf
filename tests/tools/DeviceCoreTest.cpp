// The emulated reader's command set, driven frame by frame in-process.
#include "DeviceCore.h"
#include "SimTestUtil.h"

#include "common/Cp1251.h"

#include <gtest/gtest.h>

using namespace tk::sim;
using namespace tk::sim::test;

namespace {

QByteArray name12(const QString& text)
{
    QByteArray b = tk::toCp1251(text);
    return b + QByteArray(kNameSize - b.size(), '\0');
}

DeviceState sampleState()
{
    DeviceState s;
    s.version = 0x06;
    s.build = 0x01;
    s.databases[0].records = {hexBytes("11 22"), hexBytes("33 44 55")};
    s.databases[2].records = {hexBytes("66")};
    s.databases[8].name = name12(QStringLiteral("Центр"));
    s.databases[8].records = {hexBytes("77 88")};
    s.tariffs = TariffSchedule{{{1, 0x00, 0x00}, {2, 0x06, 0x30}, {3, 0x08, 0x30},
                                {2, 0x11, 0x30}, {3, 0x17, 0x30}, {2, 0x20, 0x30}}};
    s.billingHour = 0x00;
    s.billingDay = 0x01;
    s.summerFlag = 0x80;
    s.displayMode = 0x05;
    s.password = 1234;
    return s;
}

class DeviceCoreTest : public ::testing::Test {
protected:
    DeviceCoreTest() : core(sampleState(), [this] { return host; }) {}

    // Both sides as hex without the CRC, so that a failure shows the frames side by side.
    std::string ask(const char* request) { return show(core.handle(frameOf(request))); }
    static std::string reply(const char* frame) { return show(frameOf(frame)); }

    struct Exchange {
        const char* request;
        const char* reply;
        const char* note;
    };
    void run(std::initializer_list<Exchange> exchanges)
    {
        for (const Exchange& e : exchanges) {
            SCOPED_TRACE(std::string(e.note) + ": " + e.request);
            EXPECT_EQ(ask(e.request), reply(e.reply));
        }
    }

    QDateTime host{QDate(2005, 6, 15), QTime(14, 7, 9)};
    DeviceCore core;
};

TEST_F(DeviceCoreTest, AnswersTheCommandSetInOrder)
{
    run({
        {"00 02", "00 04 06 01", "version"},
        {"03 03 00", "03 05 00 02 00", "count of db 0"},
        {"03 03 3F", "03 05 3F 00 00", "count of an empty db"},
        {"0A 03 08", "0A 0F 08 D6 E5 ED F2 F0 00 00 00 00 00 00 00", "name of a named db"},
        {"0A 03 09", "0A 03 09", "name of an unnamed db"},
        {"0C 02", "0C 14 01 00 00 02 06 30 03 08 30 02 11 30 03 17 30 02 20 30", "six zones"},
        {"0D 02", "0D 02", "set single tariff"},
        {"0C 02", "0C 02", "single tariff read back"},
        {"0D 14 02 00 00 01 07 00 03 07 01 01 12 00 02 22 59 03 23 00", "0D 02", "set six zones"},
        {"0C 02", "0C 14 02 00 00 01 07 00 03 07 01 01 12 00 02 22 59 03 23 00", "zones read back"},
        {"0E 02", "0E 04 00 01", "billing hour and day"},
        {"0F 04 23 31", "0F 02", "set billing 23 h, day 31"},
        {"0E 02", "0E 04 23 31", "billing read back"},
        {"10 02", "10 03 80", "summer flag"},
        {"11 03 00", "11 02", "summer switching off"},
        {"10 02", "10 03 00", "summer flag read back"},
        {"12 02", "12 03 05", "display mode"},
        {"13 03 0F", "13 02", "set display bits"},
        {"12 02", "12 03 0F", "display read back"},
        {"14 02", "14 04 D2 04", "password 1234"},
        {"15 04 39 30", "15 02", "set password 12345"},
        {"14 02", "14 04 39 30", "password read back"},
        {"09 03 00", "09 03 00", "clear db 0"},
        {"03 03 00", "03 05 00 00 00", "cleared db counts 0"},
    });
}

TEST_F(DeviceCoreTest, RefusesWhatTheReaderCannotTakeAndKeepsItsState)
{
    run({
        {"05 02", "85 03 01", "unused code 5"},
        {"07 03 00", "87 03 01", "unused code 7"},
        {"16 02", "96 03 01", "code above the set"},
        {"80 02", "80 03 01", "code with bit 7"},
        {"00 03 00", "80 03 02", "version with a payload"},
        {"03 02", "83 03 02", "count without a db"},
        {"01 03 00", "81 03 02", "clock with a payload"},
        {"02 07 00 00 00 01 01", "82 03 02", "clock image one byte short"},
        {"08 04 08 00", "88 03 02", "record of no known form"},
        {"0B 04 08 00", "8B 03 02", "name of one byte"},
        {"0D 05 01 00 00", "8D 03 02", "one tariff zone"},
        {"15 03 01", "95 03 02", "one password byte"},
        {"03 03 40", "83 03 04", "count of db 64"},
        {"04 03 FF", "84 03 04", "read of db 255"},
        {"09 03 40", "89 03 04", "clear of db 64"},
        {"0A 03 40", "8A 03 04", "name of db 64"},
        {"0B 0F 3F 41 00 00 00 00 00 00 00 00 00 00 00", "8B 03 04", "name for db 63"},
        {"0B 03 3F", "8B 03 04", "delete of db 63"},
        {"0F 04 24 01", "8F 03 04", "billing hour 24"},
        {"0F 04 1A 01", "8F 03 04", "billing hour not BCD"},
        {"0F 04 00 00", "8F 03 04", "billing day 0"},
        {"0F 04 00 32", "8F 03 04", "billing day 32"},
        {"0D 14 01 00 00 02 06 30 03 06 30 02 11 30 03 17 30 02 20 30", "8D 03 04", "zone time repeated"},
        {"0D 14 01 00 00 02 06 30 03 05 30 02 11 30 03 17 30 02 20 30", "8D 03 04", "zone time going back"},
        {"0D 14 01 00 00 04 06 30 03 08 30 02 11 30 03 17 30 02 20 30", "8D 03 04", "tariff 4"},
        {"0D 14 01 00 00 02 06 60 03 08 30 02 11 30 03 17 30 02 20 30", "8D 03 04", "minute 60"},
        {"11 03 01", "91 03 04", "summer flag other than 00/80"},
        {"13 03 10", "93 03 04", "display bit 4"},
        // Nothing above changed the settings.
        {"0C 02", "0C 14 01 00 00 02 06 30 03 08 30 02 11 30 03 17 30 02 20 30", "zones kept"},
        {"0E 02", "0E 04 00 01", "billing kept"},
        {"10 02", "10 03 80", "summer flag kept"},
        {"12 02", "12 03 05", "display kept"},
        {"14 02", "14 04 D2 04", "password kept"},
        {"0A 03 3F", "0A 03 3F", "db 63 still unnamed"},
    });
}

TEST_F(DeviceCoreTest, DamagedRequestGetsChecksumErrorAndChangesNothing)
{
    QByteArray badCrc = frameOf("15 04 39 30");
    badCrc[badCrc.size() - 1] = char(badCrc[badCrc.size() - 1] ^ 0x01);
    EXPECT_EQ(show(core.handle(badCrc)), reply("95 03 03"));
    EXPECT_EQ(show(core.handle(frameOf("03 03 00").left(4))), reply("83 03 03")) << "frame cut short";
    EXPECT_EQ(show(core.handle(frameOf("00 02") + char(0))), reply("80 03 03")) << "byte beyond L + 2";
    EXPECT_EQ(core.state().password, 1234);
}

TEST(ClockImage, EncodesTheExampleAndReadsItBack)
{
    const QDateTime wednesday(QDate(2005, 6, 15), QTime(14, 7, 9), Qt::UTC);
    EXPECT_EQ(show(clockImage(wednesday)), "09 07 14 55 66 01");
    EXPECT_EQ(parseClockImage(hexBytes("09 07 14 55 66 01")), wednesday);
    // Sunday counts 0, and the last year of the range.
    EXPECT_EQ(show(clockImage(QDateTime(QDate(2099, 12, 27), QTime(23, 59, 58), Qt::UTC))), "58 59 23 E7 12 18");
}

TEST_F(DeviceCoreTest, SetClockMovesTheReaderClockWhichThenRunsWithTheHost)
{
    // Saturday 2 January 2010, 03:04:05.
    EXPECT_EQ(ask("02 08 05 04 03 82 C1 02"), reply("02 02"));
    EXPECT_EQ(ask("01 02"), reply("01 08 05 04 03 82 C1 02"));
    host = host.addSecs(61);
    EXPECT_EQ(ask("01 02"), reply("01 08 06 05 03 82 C1 02"));
    EXPECT_EQ(core.readerTime(), QDateTime(QDate(2010, 1, 2), QTime(3, 5, 6), Qt::UTC));
}

TEST_F(DeviceCoreTest, RefusesClockImagesThatAreNoValidTime)
{
    // Each differs from the valid 09 07 14 55 66 01 in one field.
    const struct {
        const char* request;
        const char* note;
    } cases[] = {
        {"02 08 60 07 14 55 66 01", "second 60"},
        {"02 08 09 5A 14 55 66 01", "minute not BCD"},
        {"02 08 09 07 24 55 66 01", "hour 24"},
        {"02 08 09 07 14 40 66 01", "day 0"},
        {"02 08 09 07 14 70 62 01", "30 February"},
        {"02 08 09 07 14 55 73 01", "month 13"},
        {"02 08 09 07 14 55 26 01", "Monday for a Wednesday"},
        {"02 08 09 07 14 55 66 19", "year beyond 2099"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        EXPECT_EQ(ask(c.request), reply("82 03 04"));
    }
    EXPECT_EQ(core.state().clockOffsetMs, 0);
    EXPECT_EQ(ask("01 02"), reply("01 08 09 07 14 55 66 01"));
}

TEST_F(DeviceCoreTest, ReadFirstAndReadNextKeepOneCursorPerDatabase)
{
    run({
        {"04 03 00", "04 05 00 11 22", "first of db 0"},
        {"04 03 02", "04 04 02 66", "first of db 2"},
        {"06 03 00", "06 06 00 33 44 55", "db 0 goes on where it was"},
        {"06 03 00", "06 03 00", "no more records"},
        {"06 03 00", "06 03 00", "and stays at the end"},
        {"06 03 02", "06 03 02", "db 2 at its end"},
        {"04 03 00", "04 05 00 11 22", "ReadFirst starts again"},
        {"04 03 05", "04 03 05", "empty db"},
    });
}

TEST_F(DeviceCoreTest, WriteRecordStoresStreetsAndRouteRecords)
{
    run({
        {"08 10 05 01 D1 C0 C4 CE C2 C0 DF 00 00 00 00 00", "08 03 05", "street 1"},
        {"08 10 05 02 CC C8 D0 C0 00 00 00 00 00 00 00 00", "08 03 05", "street 2"},
        {"08 10 05 01 CB C5 CD C8 CD C0 00 00 00 00 00 00", "08 03 05", "street 1 again"},
        {"03 03 05", "03 05 05 02 00", "a street number names one street"},
        {"04 03 05", "04 10 05 01 CB C5 CD C8 CD C0 00 00 00 00 00 00", "renamed in place"},
        {"08 0F 0A 00 00 42 A0 01 00 0C 00 01 00 00 00", "08 03 0A", "route record, db without a name"},
        {"03 03 0A", "03 05 0A 01 00", "stored"},
        {"0A 03 0A", "0A 03 0A", "and still without a name"},
        {"08 0D 0A 00 00 42 A0 0C 00 01 00 00 00", "88 03 02", "13-byte form on firmware 6.01"},
        {"08 10 0A 01 41 00 00 00 00 00 00 00 00 00 00 00", "88 03 02", "street form into a route"},
        {"08 0F 05 00 00 42 A0 01 00 0C 00 01 00 00 00", "88 03 02", "route form into the streets"},
        {"08 10 05 00 41 00 00 00 00 00 00 00 00 00 00 00", "88 03 04", "street number 0"},
        {"08 0F 00 00 00 42 A0 01 00 0C 00 01 00 00 00", "88 03 04", "into meter data"},
        {"08 0F 3F 00 00 42 A0 01 00 0C 00 01 00 00 00", "88 03 04", "into sensor data"},
        {"08 0F 48 00 00 42 A0 01 00 0C 00 01 00 00 00", "88 03 04", "db 72"},
    });
}

TEST_F(DeviceCoreTest, FullDatabaseAnswersMemoryFull)
{
    core.state().databases[12].capacity = 1;
    core.state().databases[5].capacity = 1;
    run({
        {"08 0F 0C 00 00 42 A0 01 00 0C 00 01 00 00 00", "08 03 0C", "the one place"},
        {"08 0F 0C 00 00 43 A0 01 00 0C 00 01 00 00 00", "88 03 05", "no second"},
        {"08 10 05 01 41 00 00 00 00 00 00 00 00 00 00 00", "08 03 05", "street 1 fills the streets"},
        {"08 10 05 01 42 00 00 00 00 00 00 00 00 00 00 00", "08 03 05", "renaming needs no place"},
        {"08 10 05 02 43 00 00 00 00 00 00 00 00 00 00 00", "88 03 05", "a new street does"},
    });
    EXPECT_EQ(core.state().databases[12].records.size(), 1);
}

TEST(DeviceCoreFirmware, RecordFormFollowsTheFirmware)
{
    const struct {
        uint8_t version, build;
        const char* request;
        const char* reply;
        int landsIn; // -1: refused
    } cases[] = {
        {0x05, 0x01, "08 0D 48 00 00 42 A0 0C 00 01 00 00 00", "08 03 48", 8}, // house bits over db 8
        {0x05, 0x01, "08 0F 08 00 00 42 A0 01 00 0C 00 01 00 00 00", "88 03 02", -1},
        {0x05, 0x01, "08 10 05 01 41 00 00 00 00 00 00 00 00 00 00 00", "88 03 04", -1}, // no street base
        {0x04, 0x00, "08 0D 48 00 00 42 A0 0C 00 01 00 00 00", "88 03 04", -1}, // 72 is no db here
        {0x05, 0x02, "08 0F 08 00 00 42 A0 01 00 0C 00 01 00 00 00", "08 03 08", 8},
        {0x05, 0x99, "08 0F 3F 00 00 42 A0 01 00 0C 00 01 00 00 00", "08 03 3F", 63}, // route 56 before 6.00
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        DeviceState s;
        s.version = c.version;
        s.build = c.build;
        DeviceCore core(s);
        EXPECT_EQ(show(core.handle(frameOf(c.request))), show(frameOf(c.reply)));
        for (int db = 0; db < kDatabaseCount; ++db)
            EXPECT_EQ(core.state().databases[db].records.size(), db == c.landsIn ? 1 : 0) << "db " << db;
    }
}

TEST_F(DeviceCoreTest, SetDbNameNamesOrDeletesAndClearDbKeepsTheName)
{
    run({
        {"0B 0F 0A D0 E5 EA E0 00 00 00 00 00 00 00 00", "0B 03 0A", "name db 10"},
        {"0A 03 0A", "0A 0F 0A D0 E5 EA E0 00 00 00 00 00 00 00 00", "named"},
        {"08 0F 0A 00 00 42 A0 01 00 0C 00 01 00 00 00", "08 03 0A", "a record"},
        {"0B 03 0A", "0B 03 0A", "delete db 10"},
        {"0A 03 0A", "0A 03 0A", "no name"},
        {"03 03 0A", "03 05 0A 00 00", "no records"},
        {"0B 0F 0B 00 00 00 00 00 00 00 00 00 00 00 00", "0B 03 0B", "twelve zero bytes"},
        {"0A 03 0B", "0A 0F 0B 00 00 00 00 00 00 00 00 00 00 00 00", "are still a name"},
        {"09 03 08", "09 03 08", "clear db 8"},
        {"0A 03 08", "0A 0F 08 D6 E5 ED F2 F0 00 00 00 00 00 00 00", "keeps its name"},
        {"03 03 08", "03 05 08 00 00", "loses its records"},
    });
}

} // namespace
