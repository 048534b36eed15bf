#include "reader/FamilyRecords.h"

#include "EngineHarness.h"
#include "reader/StreetList.h"

#include <QLocale>

using namespace tk;
using namespace tk::reader;
using tk::test::hex;

namespace {

class FamilyRecords : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        streets.append(3, "САДОВАЯ");
        names[8] = "Центр";
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // payload from the database byte on; the CRC is not looked at by the decoders.
    std::optional<FamilyRecord> decode(Family f, const char* payload, int year = 2006)
    {
        QByteArray frame = QByteArray(1, char(ReadFirst)) + QByteArray(1, '\0') + hex(payload);
        frame[1] = char(frame.size());
        return decodeFamilyRecord(f, reinterpret_cast<const uint8_t*>(frame.constData()), int(frame.size()), year,
                                  streets, names);
    }

    StreetList streets;
    reader::DbNames names;
};

} // namespace

TEST_F(FamilyRecords, Telv1BothForms)
{
    // L = 21: reading 40 9C 00 00 = 40000 / 4000; route 8 with house bits 1 (house 256 + 12, suffix 3).
    auto r = decode(Family::Telv1, "02 00 12 34 05 08 15 06 40 9C 00 00 48 0C 03 8A 87 01 00");
    ASSERT_TRUE(r);
    EXPECT_EQ(QStringList({"100234", "", "268/3", "001234", "15.06.2004", "08:05", "", "10,000", "Центр"}), r->cells);
    EXPECT_EQ(-1, r->routeDbToName);

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ("10.000", decode(Family::Telv1, "02 00 12 34 05 08 15 06 40 9C 00 00 00 0C 00 00 00 00 00")->cells[7].toStdString());
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));

    // L = 23: a 33-bit account, a street of the base, suffix А (0xC0), an unnamed route 9.
    r = decode(Family::Telv1, "02 00 12 34 05 08 15 06 40 9C 00 00 09 03 40 0C C0 00 00 00 00");
    ASSERT_TRUE(r);
    EXPECT_EQ("4294967296", r->cells[0].toStdString());
    EXPECT_EQ("САДОВАЯ", r->cells[1].toStdString());
    EXPECT_EQ("12А", r->cells[2].toStdString());
    EXPECT_EQ("", r->cells[8].toStdString());
    EXPECT_EQ(9, r->routeDbToName) << "the route's name is asked for";
    r = decode(Family::Telv1, "02 00 12 34 05 08 15 06 40 9C 00 00 FF 03 40 0C C0 00 00 00 00");
    EXPECT_EQ(-1, r->routeDbToName) << "database 255 has no name to ask for";
    EXPECT_EQ("САДОВАЯ", r->cells[1].toStdString());
}

TEST_F(FamilyRecords, MultiTariffShortForm)
{
    // bit 16 byte 0x71, registers 0; check sum 7, corrections 2, work time 5B 09 00, difference FE.
    auto r = decode(Family::Telv2,
                    "00 00 00 42 30 12 31 12 05 71 00 00 00 00 00 00 00 00 00 00 00 00 07 02 5B 09 00 FE 00 00 00 "
                    "00 00 00 00");
    ASSERT_TRUE(r);
    EXPECT_EQ(QStringList({"", "", "", "000042", "31.12.2004", "12:30", "5", "65536", "0", "0", "65536", "65536",
                           "65536", "7", "19:57", "2", "-2", ""}),
              r->cells);
    EXPECT_EQ("31.12.2005", decode(Family::Telv2,
                                   "00 00 00 42 30 12 71 12 05 00 00 00 00 00 00 00 00 00 00 00 00 00 07 02 5B 09 00 "
                                   "FE 00 00 00 00 00 00 00")->cells[4].toStdString())
        << "year bits 1 in January 2006";
}

TEST_F(FamilyRecords, MultiTariffLongFormAndTheRouteCondition)
{
    // Route database 5 is no route: account, street, house and route stay empty although set.
    const char* notRoute = "01 00 00 43 30 12 15 06 05 01 00 00 02 00 00 03 00 00 04 00 00 05 00 00 06 00 00 "
                           "09 01 10 00 00 7F 05 03 40 0C C0 FF FF FF FF";
    auto r = decode(Family::Vakl4, notRoute);
    ASSERT_TRUE(r);
    for (int col : {0, 1, 2, 17})
        EXPECT_EQ("", r->cells[col].toStdString()) << col;
    EXPECT_EQ("1", r->cells[7].toStdString());
    EXPECT_EQ("6", r->cells[12].toStdString());
    EXPECT_EQ("0:08", r->cells[14].toStdString());
    EXPECT_EQ("127", r->cells[16].toStdString());

    const char* onRoute = "01 00 00 43 30 12 15 06 05 01 00 00 02 00 00 03 00 00 04 00 00 05 00 00 06 00 00 "
                          "09 01 10 00 00 7F 08 03 40 00 00 FF FF FF FF";
    r = decode(Family::Vakl4, onRoute);
    ASSERT_TRUE(r);
    EXPECT_EQ("8589934591", r->cells[0].toStdString());
    EXPECT_EQ("САДОВАЯ", r->cells[1].toStdString());
    EXPECT_EQ("", r->cells[2].toStdString()) << "house 0 is not shown";
    EXPECT_EQ("Центр", r->cells[17].toStdString());
}

TEST_F(FamilyRecords, InvalidDatesAndEveryByteValue)
{
    auto r = decode(Family::Telv1, "02 00 12 34 05 08 31 02 40 9C 00 00 00 0C 00 8A 87 01 00");
    ASSERT_TRUE(r);
    EXPECT_EQ(std::vector<QString>{"001234"}, r->invalidDates) << "31 February";
    EXPECT_EQ("", r->cells[4].toStdString());
    EXPECT_EQ("10,000", r->cells[7].toStdString()) << "the rest of the record is kept";

    // Records of every length and byte value decode or are refused without reading past the end.
    for (Family f : {Family::Telv1, Family::Telv2, Family::Zkv}) {
        for (int length = 3; length <= 255; ++length) {
            for (uint8_t fill : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x99)}) {
                std::vector<uint8_t> frame(size_t(length), fill);
                frame[0] = ReadFirst;
                frame[1] = uint8_t(length);
                const auto rec = decodeFamilyRecord(f, frame.data(), length, 2026, streets, names);
                EXPECT_EQ(isRecordLength(f, length), rec.has_value());
            }
        }
    }
}

TEST_F(FamilyRecords, ZkvBothForms)
{
    // First contact 10:20:30 on 15.06, last 11:00:05 on 16.06 (year bits 2 → 2006).
    auto r = decode(Family::Zkv,
                    "3F 12 34 56 30 20 10 95 06 10 27 00 03 05 00 11 96 06 20 4E 00 04 E8 03");
    ASSERT_TRUE(r);
    EXPECT_EQ(QStringList({"123456", "15.06.2006 10:20:30", "16.06.2006 11:00:05", "10000", "20000", "3", "4",
                           "1000", "", "", "", ""}),
              r->cells);
    r = decode(Family::Zkv,
               "3F 12 34 56 30 20 10 95 06 00 00 00 01 05 00 11 96 06 FF FF FF FF 01 00 02 00 03 00 04 00");
    ASSERT_TRUE(r);
    EXPECT_EQ("16777216", r->cells[3].toStdString());
    EXPECT_EQ("4294967295", r->cells[4].toStdString()) << "unsigned";
    EXPECT_EQ("", r->cells[7].toStdString());
    EXPECT_EQ(QStringList({"1", "2", "3", "4"}), r->cells.mid(8));
}
