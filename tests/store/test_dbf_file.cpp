// The file codec: the fixtures of an independent dBASE writer read back as that writer's
// readers decoded them, files we write have the documented layout, bad files and values
// that do not fit are refused with a message naming what is wrong.
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "StoreTestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>

using namespace tk::dbf;
using tk::test::fixtures;

namespace {

QJsonObject expectedTables()
{
    const QJsonDocument doc = QJsonDocument::fromJson(tk::test::readAll(fixtures() + "/expected.json"));
    return doc.object().value("tables").toObject();
}

void expectValue(const Value& v, const QJsonValue& want, const std::string& where)
{
    if (want.isNull()) {
        EXPECT_EQ(v.kind, Value::Kind::Null) << where;
    } else if (want.isDouble()) {
        const double w = want.toDouble();
        const double got = v.kind == Value::Kind::Integer ? double(v.i) : v.d;
        EXPECT_TRUE(v.kind == Value::Kind::Integer || v.kind == Value::Kind::Real) << where;
        EXPECT_NEAR(got, w, 1e-9 * std::max(1.0, std::fabs(w))) << where;
        if (w == std::floor(w) && std::fabs(w) < 1e15 && v.kind == Value::Kind::Integer) {
            EXPECT_EQ(v.i, (long long)w) << where;
        }
    } else {
        EXPECT_TRUE(v.kind == Value::Kind::Text || v.kind == Value::Kind::Date) << where;
        EXPECT_EQ(QString::fromStdString(v.text), want.toString()) << where;
    }
}

} // namespace

TEST(DbfFile, EveryFixtureReadsAsTheIndependentReadersDecodedIt)
{
    const QJsonObject tables = expectedTables();
    ASSERT_GE(tables.size(), 20);
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        const std::string tname = it.key().toStdString();
        const QJsonObject t = it.value().toObject();
        DbfFile f;
        f.open(fixtures() + "/" + it.key(), false);
        const Schema& s = f.schema();
        EXPECT_EQ(s.version, t["version"].toInt()) << tname;
        EXPECT_EQ(s.languageDriver, t["ldid"].toInt()) << tname;
        EXPECT_EQ(s.codePage, CodePage::Cp1251) << tname;
        ASSERT_EQ(int(f.recordCount()), t["records"].toInt()) << tname;
        const QJsonArray fields = t["fields"].toArray();
        ASSERT_EQ(s.fields.size(), std::size_t(fields.size())) << tname;
        for (int i = 0; i < fields.size(); ++i) {
            const QJsonArray fd = fields[i].toArray();
            EXPECT_EQ(s.fields[i].name, fd[0].toString().toStdString()) << tname;
            EXPECT_EQ(s.fields[i].type, fd[1].toString().toStdString()[0]) << tname;
            EXPECT_EQ(s.fields[i].width, fd[2].toInt()) << tname;
            EXPECT_EQ(s.fields[i].decimals, fd[3].toInt()) << tname;
        }
        // Live rows and the deleted record numbers.
        QList<int> deleted;
        int live = 0;
        Value v;
        for (std::uint32_t r = 0; r < f.recordCount(); ++r) {
            const char* raw = f.record(r);
            if (DbfFile::isDeleted(raw))
                deleted.append(int(r));
            else
                ++live;
            for (const Field& fld : s.fields) // every field of every record decodes
                decodeField(fld, s.codePage, raw, v, {f.name(), long(r)});
        }
        EXPECT_EQ(live, t["rows"].toInt()) << tname;
        QList<int> wantDeleted;
        for (const auto& d : t["deleted_recnos"].toArray())
            wantDeleted.append(d.toInt());
        EXPECT_EQ(deleted, wantDeleted) << tname;
        for (const char* key : {"samples", "deleted_samples"}) {
            for (const auto& sv : t[key].toArray()) {
                const QJsonObject sample = sv.toObject();
                const int recno = sample["recno"].toInt();
                const char* raw = f.record(std::uint32_t(recno));
                const QJsonObject values = sample["values"].toObject();
                for (auto vi = values.begin(); vi != values.end(); ++vi) {
                    const int idx = s.fieldIndex(vi.key().toStdString());
                    ASSERT_GE(idx, 0) << tname << " " << vi.key().toStdString();
                    decodeField(s.fields[std::size_t(idx)], s.codePage, raw, v, {f.name(), recno});
                    expectValue(v, vi.value(), tname + " rec " + std::to_string(recno) + " " + vi.key().toStdString());
                }
            }
        }
    }
}

namespace {

// A little reader of our own, independent of the codec, for checking written files.
struct RawTable {
    QByteArray b;
    int u8(int i) const { return static_cast<unsigned char>(b[i]); }
    int u16(int i) const { return u8(i) | (u8(i + 1) << 8); }
    long u32(int i) const { return u16(i) | (long(u16(i + 2)) << 16); }
    QByteArray field(int rec, int offset, int width) const
    {
        return b.mid(u16(8) + rec * u16(10) + offset, width);
    }
};

Schema sampleSchema()
{
    Schema s;
    s.fields = {{"PERS", 'N', 10, 0, 0}, {"STREET", 'C', 12, 0, 0}, {"DATE_MEAS", 'D', 8, 0, 0},
                {"MEAS_1", 'N', 12, 3, 0}, {"OK", 'L', 1, 0, 0}};
    return s;
}

void appendRow(DbfFile& f, const std::vector<Value>& values)
{
    const Schema& s = f.schema();
    std::string rec(std::size_t(s.recordLength), ' ');
    for (std::size_t i = 0; i < values.size(); ++i)
        encodeField(s.fields[i], s.codePage, values[i], rec.data(), f.name());
    f.writeRecord(f.recordCount(), rec.data());
}

} // namespace

TEST(DbfFile, WrittenTableHasTheDocumentedLayout)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Out.dbf");
    DbfFile::create(path, sampleSchema());
    {
        DbfFile f;
        f.open(path, true);
        appendRow(f, {Value::integer(9999999999LL), Value::textValue("Зелёная"), Value::date("2024-02-29"),
                      Value::real(530000.125), Value::integer(1)});
        appendRow(f, {Value::null(), Value::null(), Value::null(), Value::null(), Value::null()});
    }
    RawTable t{tk::test::readAll(path)};
    EXPECT_EQ(t.u8(0), 0x03);
    EXPECT_EQ(t.u8(29), 0xC9);
    EXPECT_EQ(t.u32(4), 2);
    EXPECT_EQ(t.u16(8), 32 + 5 * 32 + 1);
    EXPECT_EQ(t.u16(10), 1 + 10 + 12 + 8 + 12 + 1);
    EXPECT_EQ(t.b[t.u16(8) - 1], char(0x0D));
    EXPECT_EQ(t.b.mid(32, 4), QByteArray("PERS"));
    EXPECT_EQ(t.b[32 + 11], 'N');
    EXPECT_EQ(t.u8(32 + 16), 10);
    EXPECT_EQ(t.b.size(), t.u16(8) + 2 * t.u16(10) + 1) << "records then exactly one end mark";
    EXPECT_EQ(t.b.back(), char(0x1A));
    EXPECT_EQ(t.field(0, 0, 1), QByteArray(" "));
    EXPECT_EQ(t.field(0, 1, 10), QByteArray("9999999999"));
    EXPECT_EQ(t.field(0, 11, 12), QByteArray("\xC7\xE5\xEB\xB8\xED\xE0\xFF     ")); // Windows-1251
    EXPECT_EQ(t.field(0, 23, 8), QByteArray("20240229"));
    EXPECT_EQ(t.field(0, 31, 12), QByteArray("  530000.125"));
    EXPECT_EQ(t.field(0, 43, 1), QByteArray("T"));
    EXPECT_EQ(t.field(1, 1, 42), QByteArray(42, ' ')) << "NULL is blanks in every type";
    const QDate today = QDate::currentDate();
    EXPECT_EQ(t.u8(1) + 1900, today.year());
    EXPECT_EQ(t.u8(2), today.month());
}

TEST(DbfFile, ValueThatDoesNotFitIsRefusedNamingTableColumnAndValue)
{
    const Schema s = sampleSchema();
    struct Case { int field; Value value; const char* message; };
    const std::vector<Case> cases = {
        {0, Value::integer(12345678901LL), "T.dbf, column PERS (width 10): 12345678901 does not fit"},
        {0, Value::real(12.5), "T.dbf, column PERS holds whole numbers only; 12.5 has decimals"},
        {0, Value::textValue("12a"), "T.dbf, column PERS: \"12a\" is not a number"},
        {1, Value::textValue("ПЕР.ШКОЛЬНЫЙX"), "T.dbf, column STREET (12 characters): \"ПЕР.ШКОЛЬНЫЙX\" is too long"},
        {1, Value::textValue("日本"), "which code page 1251 cannot store"},
        {2, Value::textValue("2023-02-29"), "T.dbf, column DATE_MEAS: \"2023-02-29\" is not a date"},
        {3, Value::real(0.0005), "T.dbf, column MEAS_1 holds 3 decimals; 0.0005 has more"},
        {3, Value::real(123456789.0), "T.dbf, column MEAS_1 (width 12): 123456789 does not fit"},
        {4, Value::integer(2), "T.dbf, column OK: 2 is not a logical value"},
    };
    Schema laid = s;
    makeHeader(laid, 2024, 1, 1);
    for (const Case& c : cases) {
        std::string rec(std::size_t(laid.recordLength), '#');
        const std::string before = rec;
        try {
            encodeField(laid.fields[std::size_t(c.field)], CodePage::Cp1251, c.value, rec.data(), "T.dbf");
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.message().toStdString();
        }
        EXPECT_EQ(rec, before) << "a refused value writes nothing";
    }
    // Values that do fit exactly.
    std::string rec(std::size_t(laid.recordLength), ' ');
    encodeField(laid.fields[0], CodePage::Cp1251, Value::real(9999999999.0), rec.data(), "T.dbf");
    encodeField(laid.fields[1], CodePage::Cp1251, Value::textValue("ПЕР.ШКОЛЬНЫЙ"), rec.data(), "T.dbf");
    encodeField(laid.fields[3], CodePage::Cp1251, Value::real(99999999.999), rec.data(), "T.dbf");
    EXPECT_EQ(rec.substr(1, 10), "9999999999");
    EXPECT_EQ(rec.substr(31, 12), "99999999.999");
}

TEST(DbfFile, BadFilesAreRefusedNamingTheFileAndTheFault)
{
    const QByteArray good = tk::test::readAll(fixtures() + "/small/Balance.dbf");
    ASSERT_GT(good.size(), 200);
    const int headerLen = (unsigned char)good[8] | ((unsigned char)good[9] << 8);
    struct Case { const char* what; std::function<QByteArray(QByteArray)> mutate; const char* message; };
    const std::vector<Case> cases = {
        {"empty file", [](QByteArray) { return QByteArray(); }, "less than a table header"},
        {"cut in the header", [](QByteArray b) { return b.left(40); }, "header length 193 is larger than the file (40 bytes)"},
        {"cut in the records", [&](QByteArray b) { return b.left(headerLen + 50); }, "the header counts 17 records but the file is truncated"},
        {"count larger than the file", [](QByteArray b) { b[4] = char(200); return b; }, "the header counts 200 records"},
        {"dBASE 7", [](QByteArray b) { b[0] = char(0x8C); return b; }, "version byte 0x8c (dBASE 7) is not supported"},
        {"FoxPro", [](QByteArray b) { b[0] = char(0x30); return b; }, "version byte 0x30 (Visual FoxPro)"},
        {"header length too short", [](QByteArray b) { b[8] = char(100); b[9] = 0; return b; }, "header length 100 does not match the field descriptors"},
        {"header length off by one", [](QByteArray b) { b[8] = char(b[8] - 1); return b; }, "does not match the field descriptors"},
        // One byte longer: every record would be read one byte late, flags from the record before.
        {"header length one too long", [](QByteArray b) { b[8] = char(b[8] + 1); return b; },
         "header length 194 does not match the field descriptors (5 columns and the end-of-header mark take 193 bytes)"},
        {"garbage descriptor type", [](QByteArray b) { b[32 + 32 + 11] = 'X'; return b; }, "column TYPE_M has type 'X', which is not supported"},
        {"garbage descriptor name", [](QByteArray b) { b[32] = char(0xFF); return b; }, "field descriptor 1 has no valid column name"},
        {"impossible width", [](QByteArray b) { b[32 + 16] = 0; return b; }, "column NUMBER_M of type N has an impossible size"},
        {"record length", [](QByteArray b) { b[10] = char(b[10] + 1); return b; }, "record length 21 does not match the columns (they need 20 bytes)"},
        {"unknown code page", [](QByteArray b) { b[29] = char(0x57); return b; }, "language driver 0x57"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath("Balance.dbf");
        tk::test::writeAll(path, c.mutate(good));
        DbfFile f;
        try {
            f.open(path, false);
            ADD_FAILURE() << "opened: " << c.what;
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().startsWith("Balance.dbf: ")) << c.what << ": " << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.message)) << c.what << ": " << e.message().toStdString();
        }
    }
    // A record with bytes other than a number's in an N field opens, and decoding it names
    // the place. A NUL where the last digit was must not read as a number one digit shorter.
    struct Bad { QByteArray bytes; const char* message; };
    const std::vector<Bad> bad = {
        {"12x456", "Balance.dbf, record 3, column NUMBER_M: \"12x456\" is not a number"},
        {QByteArray("12345\0", 6), "Balance.dbf, record 3, column NUMBER_M: \"12345\\x00\" is not a number"},
        {QByteArray("\0" "23456", 6), "Balance.dbf, record 3, column NUMBER_M: \"\\x0023456\" is not a number"},
    };
    for (const Bad& c : bad) {
        QByteArray b = good;
        b.replace(headerLen + 1 + 2 * 20, 6, c.bytes);
        const QString path = dir.filePath("Balance.dbf");
        tk::test::writeAll(path, b);
        DbfFile f;
        f.open(path, false);
        Value v;
        try {
            decodeField(f.schema().fields[0], f.schema().codePage, f.record(2), v, {f.name(), 2});
            ADD_FAILURE() << "decoded " << c.message;
        } catch (const tk::Error& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST(DbfFile, Code866TextReadsAndWritesInItsOwnCodePage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Dos.dbf");
    Schema s;
    s.languageDriver = 0x26;
    s.codePage = CodePage::Cp866;
    s.fields = {{"STREET", 'C', 12, 0, 0}};
    DbfFile::create(path, s);
    {
        DbfFile f;
        f.open(path, true);
        appendRow(f, {Value::textValue("Ёлочная №5")});
    }
    const QByteArray bytes = tk::test::readAll(path);
    EXPECT_EQ((unsigned char)bytes[29], 0x26);
    const int hl = (unsigned char)bytes[8] | ((unsigned char)bytes[9] << 8);
    EXPECT_EQ(bytes.mid(hl + 1, 10), QByteArray("\xF0\xAB\xAE\xE7\xAD\xA0\xEF \xFC" "5"));
    DbfFile f;
    f.open(path, false);
    Value v;
    decodeField(f.schema().fields[0], f.schema().codePage, f.record(0), v, {f.name(), 0});
    EXPECT_EQ(v.text, "Ёлочная №5");
}

namespace {

// Puts LC_NUMERIC in a locale with a decimal comma, as a Qt program on a Russian desktop
// runs (QCoreApplication sets the locale from the environment). Generates the locale when
// the system has its source but not its compiled form. Returns false when neither works.
bool useDecimalCommaLocale(QTemporaryDir& scratch)
{
    for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',')
            return true;
    const QString out = scratch.filePath("ru_RU.UTF-8");
    if (QProcess::execute("localedef", {"-i", "ru_RU", "-f", "UTF-8", out}) > 1) // 1: warnings only
        return false;
    qputenv("LOCPATH", scratch.path().toLocal8Bit());
    const bool ok = std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") && std::localeconv()->decimal_point[0] == ',';
    qunsetenv("LOCPATH");
    return ok;
}

} // namespace

TEST(DbfFile, NumbersReadAndWriteAlikeWhateverTheProcessLocale)
{
    QTemporaryDir scratch;
    if (!useDecimalCommaLocale(scratch))
        GTEST_SKIP() << "no locale with a decimal comma on this system";
    struct Restore { ~Restore() { std::setlocale(LC_NUMERIC, "C"); } } restore;
    const Field f{"MEAS_1", 'N', 12, 3, 1};
    Value v;
    decodeField(f, CodePage::Cp1251, "   530000.125", v, {"T.dbf", 0});
    EXPECT_EQ(v.kind, Value::Kind::Real);
    EXPECT_EQ(v.d, 530000.125);
    std::string rec(13, '#');
    encodeField(f, CodePage::Cp1251, Value::real(-0.5), rec.data(), "T.dbf");
    EXPECT_EQ(rec.substr(1), "      -0.500");
    encodeField(f, CodePage::Cp1251, Value::textValue("12.25"), rec.data(), "T.dbf");
    EXPECT_EQ(rec.substr(1), "      12.250");
}

TEST(DbfFile, TableCutShortUnderAnOpenFileIsReportedOnTheNextLook)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    DbfFile f;
    f.open(path, false);
    ASSERT_EQ(f.refresh(), DbfFile::Refresh::Same);
    for (int size : {10, 100}) {
        QFile::resize(path, size);
        try {
            f.refresh();
            ADD_FAILURE() << "a table cut to " << size << " bytes still reads";
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().startsWith("Balance.dbf: ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::number(size))) << e.message().toStdString();
        }
    }
}

// The scan that builds indexes must see what record() sees, the statement's held changes
// and appends included, every record once and in order.
TEST(DbfFile, RunScanSeesTheStatementsHeldChangesInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Runs.dbf");
    DbfFile::create(path, sampleSchema());
    DbfFile f;
    f.open(path, true);
    for (int r = 0; r < 10; ++r)
        appendRow(f, {Value::integer(r)});
    ASSERT_TRUE(f.lockForWrite(1000));
    f.beginChanges();
    std::string rec(std::size_t(f.schema().recordLength), ' ');
    for (std::uint32_t r : {0u, 3u, 4u, 9u, 10u, 11u}) {
        encodeField(f.schema().fields[0], f.schema().codePage, Value::integer(1000 + r), rec.data(), f.name());
        f.change(r, rec.data());
    }
    auto pers = [&](const char* raw) {
        Value v;
        tk::dbf::decodeField(f.schema().fields[0], f.schema().codePage, raw, v, {f.name(), 0});
        return v.i;
    };
    std::vector<long long> seen;
    f.forEachRun([&](std::uint32_t first, std::uint32_t n, const char* base) {
        EXPECT_EQ(first, seen.size());
        for (std::uint32_t i = 0; i < n; ++i)
            seen.push_back(pers(base + std::size_t(i) * std::size_t(f.schema().recordLength)));
    });
    const std::vector<long long> expected = {1000, 1, 2, 1003, 1004, 5, 6, 7, 8, 1009, 1010, 1011};
    EXPECT_EQ(seen, expected);
    f.rollbackChanges();
    f.os().unlock(tk::dbf::LockSlot::Data);
}
