#include "reader/ReaderLists.h"

#include "EngineHarness.h"
#include "common/Regional.h"

#include <QLocale>

using namespace tk;
using namespace tk::reader;
using tk::test::hex;

namespace {

// A reply frame (without its CRC, which the decoders do not look at) from its payload.
QByteArray reply(const QByteArray& payload)
{
    QByteArray f;
    f.append(char(ReadFirst)).append(char(payload.size() + 2)).append(payload);
    return f;
}

std::optional<QStringList> journal(const QByteArray& payload, RepeatSuppression& r)
{
    const QByteArray f = reply(payload);
    return decodeJournalRecord(reinterpret_cast<const uint8_t*>(f.constData()), int(f.size()), r);
}

std::optional<QStringList> diary(const QByteArray& payload, RepeatSuppression& r)
{
    const QByteArray f = reply(payload);
    return decodeDiaryRecord(reinterpret_cast<const uint8_t*>(f.constData()), int(f.size()), r);
}

class ReaderLists : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

} // namespace

TEST_F(ReaderLists, JournalRecordsOfEachLength)
{
    struct Case {
        const char* what;
        const char* payload; // from the database byte on
        QStringList cells;
    } cases[] = {
        {"24-bit registers as integers, work time of 120 half-minutes",
         "06 00 01 23 A0 05 03 01 00 00 02 00 00 03 00 00 78 00 00",
         {"000123", "ТЕЛВ-2", "03.05", "1", "2", "3", "1:0"}},
        {"signed 32-bit counts / 4000",
         "06 00 04 56 A1 1F 12 A0 0F 00 00 FF FF FF FF 00 00 00 80 6A 09 00",
         {"000456", "ВАКЛ-4", "12.31", "1,000", "0,000", "-536870,912", "20:5"}},
        {"40-bit counts / 4000",
         "06 99 99 99 A4 09 01 00 00 00 00 01 00 00 00 00 00 A0 0F 00 00 00 00 00 00",
         {"999999", "ВАКЛ-ПДР", "01.09", "1073741,824", "0,000", "1,000", "0:0"}},
    };
    for (const Case& c : cases) {
        RepeatSuppression r;
        const auto cells = journal(hex(c.payload), r);
        ASSERT_TRUE(cells) << c.what;
        EXPECT_EQ(c.cells, *cells) << c.what;
    }
    RepeatSuppression r;
    EXPECT_FALSE(journal(hex("06"), r)) << "the end of the journal";
    EXPECT_FALSE(journal(hex("06 00 01 23 A0 05"), r)) << "a length of no record";
}

TEST_F(ReaderLists, RepeatedMeterShowsItsNumberAndTypeOnce)
{
    const char* p123 = "06 00 01 23 A0 05 03 01 00 00 02 00 00 03 00 00 78 00 00";
    const char* p456 = "06 00 04 56 A0 05 03 01 00 00 02 00 00 03 00 00 78 00 00";
    const char* p456Vakl = "06 00 04 56 A1 05 03 01 00 00 02 00 00 03 00 00 78 00 00";
    RepeatSuppression s;
    QStringList shown;
    for (const char* p : {p123, p123, p123, p456, p456Vakl}) {
        const auto c = journal(hex(p), s);
        shown << c->at(0) + "|" + c->at(1);
    }
    EXPECT_EQ(QStringList({"000123|ТЕЛВ-2", "|", "|", "000456|ТЕЛВ-2", "000456|ВАКЛ-4"}), shown);
}

TEST_F(ReaderLists, DiaryRecordsOfEachLength)
{
    RepeatSuppression r;
    const auto short13 = diary(hex("07 00 12 34 A2 07 45 09 14 03 C8"), r);
    ASSERT_TRUE(short13);
    EXPECT_EQ(QStringList({"001234", "ТЕЛВ-1", "7", "14.03 09:45", "200", "", "", ""}), *short13);

    const auto l25 = diary(hex("07 00 12 34 A2 08 45 09 14 03 A0 0F 00 00 40 1F 00 00 00 00 00 00 05"), r);
    ASSERT_TRUE(l25);
    EXPECT_EQ(QStringList({"", "", "8", "14.03 09:45", "5", "1,000", "2,000", "0,000"}), *l25);

    const auto l32 = diary(
        hex("07 00 12 34 A2 09 45 09 14 03 00 00 00 00 01 A0 0F 00 00 00 00 00 00 00 00 34 12 00 00 00"), r);
    ASSERT_TRUE(l32);
    EXPECT_EQ("4660", l32->at(4).toStdString()) << "status of two bytes";
    EXPECT_EQ("1073741,824", l32->at(5).toStdString());
    EXPECT_FALSE(diary(hex("07"), r));
}

TEST_F(ReaderLists, NamesNumbersAndTypes)
{
    const QByteArray f = reply(hex("09 20 CC E0 F0 F8 F0 F3 F2 20 31 00 00"));
    EXPECT_EQ("Маршрут 1", decodeDbName(reinterpret_cast<const uint8_t*>(f.constData())).toStdString());
    EXPECT_EQ("001234", meterNumberText(reinterpret_cast<const uint8_t*>(hex("00 12 34").constData())).toStdString());
    EXPECT_EQ("", meterTypeName(0xA5).toStdString());
    EXPECT_EQ("-0,001", regional::quartersOfMilli(-3).toStdString()) << "halves round away from zero";
    EXPECT_EQ("2305843009213693,952", regional::quartersOfMilli(std::numeric_limits<qint64>::max()).toStdString());
}
