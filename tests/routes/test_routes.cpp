// The route codecs, the abbreviation lists and the route sources, without a reader.
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "StoreTestUtil.h"

#include "common/AddOns.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "reader/Frame.h"
#include "reader/StreetList.h"
#include "routes/Abbreviations.h"
#include "routes/RouteRecord.h"
#include "routes/RouteSources.h"
#include "routes/RouteState.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/StandardTables.h"

#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::routes;

namespace {

QStringList rowOf(const TextList& list, int r)
{
    QStringList out;
    for (int c = 0; c < list.columnCount(); ++c)
        out << list.cell(r, c);
    return out;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

TEST(HouseCode, TextToCodeAsTheReaderKeepsIt)
{
    struct Case {
        const char* text;
        int firmware;
        int number, suffix; // code = number % 256 + suffix * 256 + number / 256 * 65536
    };
    const Case cases[] = {
        {"12", 0x0601, 12, 0},      {"12/3", 0x0601, 12, 3},    {"12А", 0x0601, 12, 0xC0},
        {" 7 ", 0x0601, 7, 0},      {"5А", 0x0502, 5, 0xC0},    {"300/3", 0x0502, 300, 3},
        {"1234/5", 0x0502, 1234, 5}, {"300", 0x0502, 300, 0},   {"300", 0x0500, 300, 0},
        {"12/0", 0x0601, 12, '0'},  {"корп", 0x0601, 0, 0xEF}, {"", 0x0601, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.number % 256 + c.suffix * 256 + c.number / 256 * 65536, houseCode(QString::fromUtf8(c.text), c.firmware))
            << c.text << " firmware " << std::hex << c.firmware;
    // Below firmware 5.00 a plain number above 255 is kept as number div 10, building = last digit.
    EXPECT_EQ(25 + 7 * 256 + 1 * 65536, houseCode(QStringLiteral("257"), 0x0401));
}

TEST(RouteRecord, EachFirmwareFormWrittenAndReadBack)
{
    const Abbreviations abbr;
    reader::StreetList streets;
    streets.append(4, QStringLiteral("ЛЕНИНА"));
    struct Case {
        int firmware;
        QStringList entry;
        int street;
        const char* bytes; // db, meter BCD, type, … as the record form lays them out
        QStringList back;  // what a read of that record gives
    };
    const Case cases[] = {
        // 13 bytes, 8-bit house.
        {0x0401, {"0000000123", "ЛЕНИНА", "12/3", "000042", "ТЕЛВ-2"}, 0, "09 00 00 42 A0 0C 03 7B 00 00 00",
         {"123", "", "12/3", "000042", "ТЕЛВ-2"}},
        // 13 bytes with house bits 8-9 in the database byte.
        {0x0500, {"2147483648", "", "300", "123456", "вакл-4"}, 0, "49 12 34 56 A1 2C 00 00 00 00 80",
         {"-2147483648", "", "300", "123456", "ВАКЛ-4"}},
        // 15 bytes: street number, 14-bit house, 34-bit account.
        {0x0502, {"9999999999", "ЛЕНИНА", "1234/5", "100001", "ТЕЛВ-1"}, 4, "09 10 00 01 A2 04 84 D2 05 FF E3 0B 54",
         {"9999999999", "ЛЕНИНА", "1234/5", "100001", "ТЕЛВ-1"}},
        {0x0601, {"42", "", "5А", "7", "BAКЛ ПДР"}, 255, "09 00 00 07 A4 FF 00 05 C0 2A 00 00 00",
         {"42", "", "5А", "000007", "ВАКЛ-ПДР"}},
    };
    for (const Case& c : cases) {
        const QByteArray payload = routeRecordPayload(c.entry, 9, c.street, c.firmware, abbr);
        EXPECT_EQ(hex(c.bytes), payload) << "firmware " << std::hex << c.firmware;
        QByteArray frame = QByteArray(1, char(reader::ReadNext)) + QByteArray(1, char(payload.size() + 2)) + payload;
        const auto back = decodeRouteRecord(reinterpret_cast<const uint8_t*>(frame.constData()), int(frame.size()), streets);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(c.back, *back) << "firmware " << std::hex << c.firmware;
    }
}

TEST(RouteRecord, EntriesTheRecordCannotHoldAreErrorsNamingTheEntry)
{
    const Abbreviations abbr;
    const struct {
        QStringList entry;
        int firmware;
    } bad[] = {
        {{"1", "", "12", "12a", "ТЕЛВ-1"}, 0x0601},
        {{"1", "", "12", "1000000", "ТЕЛВ-1"}, 0x0601},
        {{"1", "", "16384", "1", "ТЕЛВ-1"}, 0x0601},
        {{"1", "", "1024", "1", "ТЕЛВ-1"}, 0x0501},
        {{"1", "", "256/1", "1", "ТЕЛВ-1"}, 0x0401},
        {{"1", "", "2560", "1", "ТЕЛВ-1"}, 0x0401},
    };
    for (const auto& b : bad) {
        try {
            routeRecordPayload(b.entry, 9, 0, b.firmware, abbr);
            ADD_FAILURE() << b.entry.join(';').toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("лиц. счет 1"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(13, routeRecordPayload({"1", "", "2559", "1", "ТЕЛВ-1"}, 9, 0, 0x0401, abbr).size() + 2);
}

TEST(RouteRecord, NamesAndStreetsAreKeptToTwelveCharacters)
{
    EXPECT_EQ(QByteArray(1, 9) + toCp1251(QStringLiteral("Северный рай")), routeNamePayload(9, QStringLiteral("Северный район")));
    EXPECT_EQ(QByteArray(1, 9) + QByteArray(12, '\0'), routeNamePayload(9, QString()));
    EXPECT_EQ(hex("05 04") + toCp1251(QStringLiteral("МИРА")) + QByteArray(8, '\0'),
              streetRecordPayload(4, QStringLiteral("МИРА")));
}

TEST(Abbreviations, TypeNamesMapToTheLastMatchingFamily)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Abbreviations abbr;
    const struct {
        const char* name;
        int code;
    } cases[] = {
        {"ТЕЛВ-1", 0xA2},  {"ТЕЛВ-2", 0xA0},   {"ВАКЛ-ПДР", 0xA4},   {"вакл-4", 0xA1}, {"TEЛВ-1П", 0xA2},
        {"BАКЛ ДР", 0xA3}, {"телв-1", 0},      {"счетчик", 0},      {"", 0},
        // Lines of two families in one name: the later family wins.
        {"ТЕЛВ-1П ВАКЛ-4", 0xA1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.code, abbr.typeCode(QString::fromUtf8(c.name))) << c.name;

    // An empty line never matches; a line of ours takes the name to its family.
    abbr.setLines(0, {QString(), QStringLiteral("счетчик")});
    EXPECT_EQ(0xA2, abbr.typeCode(QStringLiteral("Счетчик однофазный")));
    EXPECT_EQ(0, abbr.typeCode(QStringLiteral("что-то")));
    QLocale::setDefault(QLocale::c());
}

TEST(Abbreviations, FilesReplaceTheDefaultsAndAreWrittenBackInTheirEncoding)
{
    QTemporaryDir dir;
    Abbreviations abbr;
    abbr.setLines(2, {QStringLiteral("ВАКЛ-4М"), QStringLiteral("Вакл четыре")});
    abbr.save(dir.path());
    EXPECT_EQ(toCp1251(QStringLiteral("ВАКЛ-4М\r\nВакл четыре\r\n")), test::readAll(dir.filePath("Abbr_vakl.txt")));
    EXPECT_EQ(toCp1251(QStringLiteral("ТЕЛВ-2ПДР\r\nTEЛВ-2ПДР\r\nТЕЛВ-1-2П\r\nTEЛВ-1-2П\r\n")),
              test::readAll(dir.filePath("Abbr_telv.txt")));

    test::writeAll(dir.filePath("Abbr_lum.txt"), toCp1251(QStringLiteral("ОДНОФАЗНЫЙ\r\n\r\nЛУЧ")));
    QFile::remove(dir.filePath("Abbr_vakl_dr.txt"));
    Abbreviations loaded;
    loaded.load(dir.path());
    EXPECT_EQ(QStringList({"ОДНОФАЗНЫЙ", "", "ЛУЧ"}), loaded.lines(0));
    EXPECT_EQ(abbr.lines(2), loaded.lines(2));
    EXPECT_EQ(Abbreviations().lines(3), loaded.lines(3)) << "a missing file keeps the defaults";

    Abbreviations unwritable;
    unwritable.setLines(1, {QStringLiteral("ТЕЛВ ✓")});
    EXPECT_THROW(unwritable.save(dir.path()), Error);
}

class RouteSourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        vormadd_ = addons::Vormadd::load(QFileInfo(test::SimProcess::binaryPath(QStringLiteral("reader-sim"))).path());
    }
    void TearDown() override
    {
        EXPECT_TRUE(prompter_.allAnswered());
        QLocale::setDefault(QLocale::c());
    }

    QTemporaryDir dir_;
    test::ScriptedPrompter prompter_;
    std::unique_ptr<addons::Vormadd> vormadd_;
    Abbreviations abbr_;
    RouteState state_;
};

TEST_F(RouteSourcesTest, RouteFromTheTableIsPaddedAndNamedAsTheFixtureHoldsIt)
{
    test::copyFixtures(QStringLiteral("small"), dir_.path(), {QStringLiteral("Route.dbf")});
    store::LocalSql sql(dir_.path());
    RouteSources sources(sql, vormadd_.get(), abbr_, prompter_);
    const QStringList names = sources.routeNames();
    EXPECT_EQ(7, names.size());
    EXPECT_TRUE(names.contains(QStringLiteral("Д'АРКА-Центр")));

    int points = 0;
    bool padded = false;
    for (const QString& name : names) {
        sources.loadFromTable(name, state_);
        EXPECT_EQ(name, state_.name());
        for (int r = 0; r < state_.list().rowCount(); ++r) {
            const QStringList row = rowOf(state_.list(), r);
            EXPECT_EQ(10, row[ColAccount].size()) << row.join(';').toStdString();
            EXPECT_EQ(6, row[ColMeter].size()) << row.join(';').toStdString();
            EXPECT_NE(0, abbr_.typeCode(row[ColType])) << row.join(';').toStdString();
            padded = padded || row[ColAccount] == QStringLiteral("0000000123");
        }
        points += state_.list().rowCount();
    }
    EXPECT_EQ(26, points);
    EXPECT_TRUE(padded) << "account 123 shows as 0000000123";
    sources.loadFromTable(QStringLiteral("нет такого"), state_);
    EXPECT_EQ(0, state_.list().rowCount());
}

TEST_F(RouteSourcesTest, BadLinesOfARouteFileAreReportedByTheirOwnLineNumbers)
{
    const QString path = dir_.filePath("Участок 7.txt");
    test::writeAll(path, toCp1251(QStringLiteral("1000000001;Ленина;12;100001;ТЕЛВ-1\r\n"
                                                 "\r\n"
                                                 "1000000002;Ленина;12/2;10x002;ТЕЛВ-2\r\n"
                                                 "1000000003;Мира;7А;200017;ВАКЛ-4\r\n"
                                                 "1000000004;Мира;9;200018;Гидрометр\r\n"
                                                 "1000000005;Садовая переулок;3;400020;ВАКЛ-ПДР\r\n")));
    store::LocalSql sql(dir_.path());
    RouteSources sources(sql, vormadd_.get(), abbr_, prompter_);

    prompter_.expect("Ошибка в файле", "Ошибка в строке №3. Неверный номер счетчика. Продолжить загрузку ?",
                     Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    prompter_.expect("Ошибка в файле", "Ошибка в строке №5. Неверный тип счетчика. Продолжить загрузку ?",
                     Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    EXPECT_TRUE(sources.loadFromFile(path, state_));
    EXPECT_EQ(QStringLiteral("Участок 7"), state_.name());
    ASSERT_EQ(3, state_.list().rowCount());
    EXPECT_EQ(QStringList({"1000000003", "Мира", "7А", "200017", "ВАКЛ-4"}), rowOf(state_.list(), 1));
    EXPECT_EQ(QStringLiteral("Садовая пере"), state_.list().cell(2, ColStreet)) << "streets keep 12 characters";

    prompter_.expect("Ошибка в файле", "Ошибка в строке №3. Неверный номер счетчика. Продолжить загрузку ?",
                     Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::No);
    EXPECT_FALSE(sources.loadFromFile(path, state_));
    EXPECT_EQ(1, state_.list().rowCount()) << "the entries before the refused line stay";

    test::writeAll(path, QByteArray("1;A;1;1;\0\0\0", 11));
    EXPECT_THROW(sources.loadFromFile(path, state_), Error);
}

TEST(RouteSources, AMissingRouteTableIsAnErrorNotAnEmptyList)
{
    QTemporaryDir dir;
    store::LocalSql sql(dir.path());
    test::ScriptedPrompter prompter;
    Abbreviations abbr;
    RouteSources sources(sql, nullptr, abbr, prompter);
    EXPECT_THROW(sources.routeNames(), Error);
}
