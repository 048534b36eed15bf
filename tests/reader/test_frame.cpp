#include "common/Bcd.h"
#include "reader/Frame.h"

#include <gtest/gtest.h>

using namespace tk;
using namespace tk::reader;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

RxCollector::State collect(const QByteArray& bytes)
{
    RxCollector rx;
    rx.append(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()));
    return rx.state();
}

} // namespace

TEST(FrameCodec, CrcAndExampleFrames)
{
    EXPECT_EQ(0x4B37, crc16(reinterpret_cast<const uint8_t*>("123456789"), 9));
    EXPECT_EQ(hex("00 02 80 71"), buildFrame(GetVersion));
    EXPECT_EQ(hex("03 03 02 00 F1"), buildFrame(GetCount, QByteArray(1, 2)));
    EXPECT_EQ(hex("01 02 81 E1"), buildFrame(GetClock));
    EXPECT_EQ("00 02 80 71 ", hexBytes(hex("00 02 80 71")).toStdString());
}

TEST(FrameCodec, ClassifiesCompleteReplies)
{
    QByteArray errorAnswer = buildFrame(0x83, QByteArray(1, 3));
    QByteArray errorWithBadCrc = errorAnswer;
    errorWithBadCrc[errorWithBadCrc.size() - 1] = char(errorWithBadCrc.back() ^ 0x01);
    QByteArray normalBadCrc = buildFrame(GetVersion, hex("06 01"));
    normalBadCrc[4] = char(normalBadCrc[4] ^ 0x80);

    struct Case {
        const char* what;
        QByteArray bytes;
        RxCollector::State state;
    } cases[] = {
        {"normal", buildFrame(GetVersion, hex("06 01")), RxCollector::State::Normal},
        {"error answer", errorAnswer, RxCollector::State::ErrorAnswer},
        {"bit 7 with a wrong CRC is a bad CRC", errorWithBadCrc, RxCollector::State::BadCrc},
        {"wrong CRC", normalBadCrc, RxCollector::State::BadCrc},
        {"length byte below 2", hex("00 01 00"), RxCollector::State::BadCrc},
        {"only two bytes", hex("00 04"), RxCollector::State::Incomplete},
        {"one byte short", buildFrame(GetVersion, hex("06 01")).chopped(1), RxCollector::State::Incomplete},
    };
    for (const Case& c : cases)
        EXPECT_EQ(int(c.state), int(collect(c.bytes))) << c.what;
}

TEST(FrameCodec, ByteByByteReplyCompletesOnItsLastByte)
{
    const QByteArray reply = buildFrame(0x00, hex("06 01")); // 00 04 06 01 + CRC
    RxCollector rx;
    for (int i = 0; i < reply.size(); ++i) {
        ASSERT_FALSE(rx.complete()) << "complete before byte " << i + 1;
        rx.append(reinterpret_cast<const uint8_t*>(reply.constData()) + i, 1);
        if (i == 2) {
            EXPECT_EQ(4, rx.length());
        }
    }
    EXPECT_EQ(int(RxCollector::State::Normal), int(rx.state()));
}

TEST(FrameCodec, TrailingAndOverlongBytesAreDroppedWithoutOverrun)
{
    QByteArray stream = buildFrame(GetVersion, hex("06 01")) + hex("AA BB CC");
    RxCollector rx;
    EXPECT_EQ(6, rx.append(reinterpret_cast<const uint8_t*>(stream.constData()), int(stream.size())));
    EXPECT_EQ(int(RxCollector::State::Normal), int(rx.state()));
    EXPECT_EQ(0, rx.append(reinterpret_cast<const uint8_t*>(stream.constData()), 3)) << "a complete reply takes no more";

    // The longest frame the length byte allows is 257 bytes; garbage claiming it ends as a bad CRC
    // however many bytes follow, and the buffer never grows past its size.
    QByteArray garbage(4000, char(0xFF));
    RxCollector big;
    const int taken = big.append(reinterpret_cast<const uint8_t*>(garbage.constData()), int(garbage.size()));
    EXPECT_EQ(257, taken);
    EXPECT_EQ(int(RxCollector::State::BadCrc), int(big.state()));
    EXPECT_LE(big.count(), kRxBufferSize);
}

TEST(FrameCodec, ErrorTextsAndBcd)
{
    const std::pair<int, const char*> texts[] = {
        {1, " Error: Unknown function"}, {2, " Error: Incorrect length"}, {3, " Error: Bad CheckSum"},
        {4, " Error: Incorect data"},    {5, " Error: Memory full"},      {17, " Error: Error code №17"},
    };
    for (const auto& [code, text] : texts)
        EXPECT_EQ(QString::fromUtf8(text).toStdString(), errorAnswerText(code).toStdString());

    EXPECT_EQ(59, BcdToByte(0x59));
    EXPECT_EQ(20, BcdToByte(0x1A)) << "nibbles are not checked";
    EXPECT_EQ(0x07, ByteToBcd(7));
    EXPECT_EQ(0x99, ByteToBcd(99));
}
