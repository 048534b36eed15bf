// The line model in front of the emulated reader: finding requests in a byte stream and the
// timing of what goes back, on a clock the test moves.
#include "Wire.h"
#include "SimTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tk::sim;
using namespace tk::sim::test;

namespace {

struct Chunk {
    int64_t atUs;
    QByteArray bytes;
};
struct Write {
    int64_t atUs;
    std::string bytes;
    bool operator==(const Write&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Write& w) { return os << w.atUs << "us: " << w.bytes; }

// Feeds the chunks at their times and visits every moment the wire asks for until untilUs,
// collecting what it gives to be written.
std::vector<Write> run(Wire& wire, const std::vector<Chunk>& chunks, int64_t untilUs)
{
    std::vector<Write> writes;
    int64_t now = 0;
    auto serviceUntil = [&](int64_t end) {
        for (int guard = 0; guard < 10'000; ++guard) {
            const QByteArray out = wire.service(now);
            if (!out.isEmpty())
                writes.push_back({now, show(out)});
            const auto next = wire.nextDueUs();
            if (!next || *next > end)
                return;
            EXPECT_GT(*next, now) << "the wire asked to be woken for nothing";
            now = *next;
        }
    };
    for (const Chunk& c : chunks) {
        serviceUntil(c.atUs);
        now = c.atUs;
        wire.received(c.bytes, now);
    }
    serviceUntil(untilUs);
    return writes;
}

const QByteArray kVersion = frameOf("00 02");
const std::string kVersionReply = show(frameOf("00 04 06 01"));

TEST(Wire, FindsRequestsByLengthAndCrcInTheStream)
{
    const std::string clockReply = show(frameOf("01 08 00 00 12 01 C1 00")); // Saturday 1 January 2000
    const struct {
        const char* name;
        std::vector<Chunk> chunks;
        std::vector<Write> writes;
    } cases[] = {
        {"a request alone", {{0, kVersion}}, {{0, kVersionReply}}},
        {"a stray byte before it", {{0, hexBytes("FF") + kVersion}}, {{0, kVersionReply}}},
        {"a stray byte whose successor reads as a long length",
         {{0, hexBytes("07 F0") + kVersion}}, {{0, kVersionReply}}},
        {"two requests in one chunk", {{0, kVersion + frameOf("01 02")}}, {{0, kVersionReply + " " + clockReply}}},
        {"the first byte alone and the rest 10 ms later",
         {{0, kVersion.left(1)}, {10'000, kVersion.mid(1)}}, {{10'000, kVersionReply}}},
        {"a damaged request is passed over",
         {{0, hexBytes("00 02 80 70")}, {50'000, kVersion}}, {{50'000, kVersionReply}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceCore core({}, [] { return QDateTime(QDate(2000, 1, 1), QTime(12, 0, 0)); });
        Wire wire(core);
        EXPECT_EQ(run(wire, c.chunks, 1'000'000), c.writes);
        EXPECT_EQ(wire.pendingInput(), 0);
    }
}

TEST(Wire, PartialFrameIsDroppedAfter200msWithoutBytes)
{
    DeviceCore core;
    Wire wire(core);
    wire.received(kVersion.left(1), 0);
    wire.received(kVersion.mid(1, 2), 150'000); // a new byte restarts the wait
    wire.service(349'999);
    EXPECT_EQ(wire.pendingInput(), 3);
    EXPECT_EQ(wire.nextDueUs(), 350'000);
    wire.service(350'000);
    EXPECT_EQ(wire.pendingInput(), 0);
    EXPECT_EQ(wire.nextDueUs(), std::nullopt);
}

TEST(Wire, PacesRequestAndReplyAtTheBaudRate)
{
    DeviceCore core;
    Wire wire(core, 9600);
    const int64_t byteUs = 1146; // 11 bits at 9600 baud, rounded up
    // The request is acted on once its four bytes could have arrived; each reply byte goes
    // out when it could have crossed the line.
    std::vector<Write> expected;
    const QByteArray reply = frameOf("00 04 06 01");
    for (int i = 0; i < reply.size(); ++i)
        expected.push_back({1'000 + 4 * byteUs + (i + 1) * byteUs, show(reply.mid(i, 1))});
    EXPECT_EQ(run(wire, {{1'000, kVersion}}, 1'000'000), expected);

    // Sent in two halves 10 ms apart, as the manager sends: the request has crossed the line
    // when the three bytes written at 10 ms have, not when four byte times from the first are up.
    Wire split(core, 9600);
    expected.clear();
    for (int i = 0; i < reply.size(); ++i)
        expected.push_back({10'000 + 3 * byteUs + (i + 1) * byteUs, show(reply.mid(i, 1))});
    EXPECT_EQ(run(split, {{0, kVersion.left(1)}, {10'000, kVersion.mid(1)}}, 1'000'000), expected);
}

TEST(Wire, ReplyDelayAndByteSplittingFromTheFaults)
{
    DeviceCore core;
    core.faults().add(FaultRule::delay(30));
    core.faults().add(FaultRule::splitBytes(5));
    Wire wire(core);
    std::vector<Write> expected;
    const QByteArray reply = frameOf("00 04 06 01");
    for (int i = 0; i < reply.size(); ++i)
        expected.push_back({30'000 + i * 5'000, show(reply.mid(i, 1))});
    EXPECT_EQ(run(wire, {{0, kVersion}}, 1'000'000), expected);
}

TEST(Wire, DropLosesWhatIsInFlight)
{
    DeviceCore core;
    core.faults().add(FaultRule::delay(30));
    Wire wire(core);
    wire.received(kVersion + kVersion.left(2), 0);
    EXPECT_TRUE(wire.service(10'000).isEmpty());
    EXPECT_EQ(wire.pendingOutput(), 6);
    wire.drop();
    EXPECT_EQ(wire.pendingOutput(), 0);
    EXPECT_EQ(wire.pendingInput(), 0);
    EXPECT_TRUE(wire.service(100'000).isEmpty());
}

} // namespace
