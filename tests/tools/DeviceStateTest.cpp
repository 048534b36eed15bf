// The emulator's state file: what is saved loads back the same, a broken file is refused with
// a message that names the file and the place, and the shipped demo content is sound.
#include "DeviceState.h"
#include "SimTestUtil.h"

#include "common/Cp1251.h"
#include "common/Error.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tk::sim;
using namespace tk::sim::test;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath(QStringLiteral("state.json"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

TEST(DeviceState, SavedStateLoadsBackUnchanged)
{
    DeviceState s;
    s.version = 0x05;
    s.build = 0x02;
    s.clockOffsetMs = -86'400'123;
    s.tariffs = TariffSchedule{{{1, 0x00, 0x00}, {2, 0x06, 0x30}, {3, 0x08, 0x30},
                                {2, 0x11, 0x30}, {3, 0x17, 0x30}, {2, 0x2A, 0x99}}}; // raw, even when invalid
    s.billingHour = 0x23;
    s.billingDay = 0x31;
    s.summerFlag = 0x00;
    s.displayMode = 0x0F;
    s.password = 65535;
    s.databases[5].records = {hexBytes("01 D1 C0 C4 CE C2 C0 DF 00 00 00 00 00"), hexBytes("02 00")};
    s.databases[8].name = tk::toCp1251(QStringLiteral("Центр")) + QByteArray(7, '\0');
    s.databases[9].name = QByteArray(12, '\0');                  // named, but blank
    s.databases[10].name = hexBytes("41 01 42 00 00 00 00 00 00 00 00 98"); // no text form
    s.databases[11].capacity = 3;
    s.databases[63].records = {QByteArray(kMaxRecordSize, '\xFF')};

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.json"));
    s.save(path);
    EXPECT_EQ(DeviceState::load(path), s);

    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains(QStringLiteral("\"name\": \"Центр\"").toUtf8())) << "names readable where they can be";
    EXPECT_TRUE(text.contains("\"nameHex\": \"41 01 42")) << text.constData();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("state.json")})
        << "no temporary file left beside it";
}

TEST(DeviceState, MissingKeysTakeTheDefaults)
{
    QTemporaryDir dir;
    const DeviceState s = DeviceState::load(writeFile(dir, R"({"databases": {"9": {"name": ""}}})"));
    DeviceState expected;
    expected.databases[9].name = QByteArray(12, '\0');
    EXPECT_EQ(s, expected);
}

TEST(DeviceState, BrokenFileIsRefusedWithFileAndPlace)
{
    const struct {
        const char* json;
        const char* message; // after "<file>: "
    } cases[] = {
        {R"({"version": "06",)", "not valid JSON at byte"},
        {R"([1, 2])", "the top level must be an object"},
        {R"({"verison": "06"})", "verison: unknown key"},
        {R"({"version": "6"})", "version: \"6\" is not a string of hex byte pairs"},
        {R"({"version": 6})", "version: expected a string of hex byte pairs"},
        {R"({"build": "01 02"})", "build: expected one byte"},
        {R"({"password": 65536})", "password: 65536 is outside 0..65535"},
        {R"({"clockOffsetMs": 1.5})", "clockOffsetMs: expected an integer"},
        {R"({"tariffs": ["01 00 00"]})", "tariffs: expected \"single\" or an array of six zones"},
        {R"({"tariffs": ["01 00 00","02 06 30","03 08 30","02 11 30","03 17 30","02 20"]})", "tariffs[5]: a zone is three bytes"},
        {R"({"databases": [1]})", "databases: expected an object keyed by database number"},
        {R"({"databases": {"64": {}}})", "databases.64: a database number is 0..63"},
        {R"({"databases": {"07": {}}})", "databases.07: a database number is 0..63"},
        {R"({"databases": {"5": {"record": []}}})", "databases.5.record: unknown key"},
        {R"({"databases": {"5": {"records": ["01 ZZ"]}}})", "databases.5.records[0]: \"01 ZZ\" is not a string of hex byte pairs"},
        {R"({"databases": {"5": {"records": ["01", ""]}}})", "databases.5.records[1]: a record is 1..252 bytes, not 0"},
        {R"({"databases": {"5": {"records": ["01", "02"], "capacity": 1}}})", "databases.5.records: 2 records exceed the capacity 1"},
        {R"({"databases": {"8": {"name": "ОченьДлинноеИмя"}}})", "databases.8.name: \"ОченьДлинноеИмя\" is 15 bytes"},
        {R"({"databases": {"8": {"name": "Ω"}}})", "databases.8.name: \"Ω\" has characters that Windows-1251 cannot hold"},
        {R"({"databases": {"8": {"nameHex": "41 42"}}})", "databases.8.nameHex: a name is exactly 12 bytes, not 2"},
        {R"({"databases": {"8": {"name": "A", "nameHex": "41"}}})", "databases.8: give either \"name\" or \"nameHex\""},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const QString path = writeFile(dir, QByteArray(c.json));
        try {
            DeviceState::load(path);
            ADD_FAILURE() << "loaded";
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().startsWith(path + QStringLiteral(": ") + QString::fromUtf8(c.message)))
                << e.message().toStdString();
        }
    }
    const QString missing = dir.filePath(QStringLiteral("absent.json"));
    try {
        DeviceState::load(missing);
        ADD_FAILURE() << "loaded a missing file";
    } catch (const tk::Error& e) {
        EXPECT_TRUE(e.message().startsWith(missing + QStringLiteral(": cannot read"))) << e.message().toStdString();
    }
}

TEST(DeviceState, DemoContentHoldsRecordsOfTheLengthsTheManagerReads)
{
    const DeviceState s = DeviceState::load(QStringLiteral(TK_READERSIM_DEMO));
    ASSERT_EQ(s.firmwareWord(), 0x0601);
    ASSERT_TRUE(s.tariffs.has_value());

    // Frame length L = record + function, length and database bytes.
    const QSet<int> meter3 = {37, 44};
    const QMap<int, QSet<int>> lengths = {
        {0, meter3}, {1, meter3}, {2, {21, 23}}, {3, meter3}, {4, meter3}, {5, {16}},
        {6, {21, 24, 27}}, {7, {13, 25, 28, 32}}, {63, {26, 32}},
    };
    auto isBcd = [](uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; };
    for (int db = 0; db < kDatabaseCount; ++db) {
        const QSet<int> allowed = db >= 8 && db <= 62 ? QSet<int>{15} : lengths.value(db);
        for (const QByteArray& r : s.databases[db].records) {
            EXPECT_TRUE(allowed.contains(int(r.size()) + 3)) << "db " << db << ": " << show(r);
            if (db != 5) { // every other record starts with a meter or module number
                EXPECT_TRUE(isBcd(r[0]) && isBcd(r[1]) && isBcd(r[2])) << "db " << db << ": " << show(r);
            }
        }
    }
    for (int db : {0, 1, 2, 3, 4, 5, 6, 7, 8})
        EXPECT_FALSE(s.databases[db].records.isEmpty()) << "db " << db;
    EXPECT_FALSE(s.databases[8].name.isEmpty());
    EXPECT_FALSE(s.databases[9].name.isEmpty());

    // Streets are numbered 1..255, each once, with names the manager can show.
    QSet<int> numbers;
    for (const QByteArray& r : s.databases[5].records) {
        const int n = uint8_t(r[0]);
        EXPECT_TRUE(n >= 1 && !numbers.contains(n)) << n;
        numbers.insert(n);
    }
    EXPECT_EQ(tk::fromCp1251(s.databases[5].records[0].mid(1, 7)), QStringLiteral("САДОВАЯ"));
}

} // namespace
