// Fault rules of the emulated reader, as a test sees them through DeviceCore.
#include "DeviceCore.h"
#include "SimTestUtil.h"

#include <gtest/gtest.h>

using namespace tk::sim;
using namespace tk::sim::test;

namespace {

const QByteArray kVersion = frameOf("00 02");
const QByteArray kClock = frameOf("01 02");
const QByteArray kVersionReply = frameOf("00 04 06 01");

bool answers(DeviceCore& core, const QByteArray& request) { return core.handle(request).has_value(); }

TEST(Faults, SilenceForTheFirstRequestsThenAnswers)
{
    DeviceCore core;
    core.faults().add(FaultRule::silenceFirst(2));
    EXPECT_FALSE(answers(core, kClock));
    EXPECT_FALSE(answers(core, kVersion));
    EXPECT_EQ(show(core.handle(kVersion)), show(kVersionReply));
    EXPECT_TRUE(core.faults().rules().empty()) << "a used-up rule is dropped";
}

TEST(Faults, SilenceForAFunctionLastsUntilCleared)
{
    DeviceCore core;
    core.faults().add(FaultRule::silenceFunction(1));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(answers(core, kClock));
    EXPECT_TRUE(answers(core, kVersion));
    core.faults().clear();
    EXPECT_TRUE(answers(core, kClock));
}

TEST(Faults, UnplugSilencesEverythingAndPlugRemovesOnlyThat)
{
    DeviceCore core;
    core.faults().add(FaultRule::silenceFunction(1));
    core.faults().unplug();
    core.faults().unplug(); // one plug undoes any number of unplugs
    EXPECT_TRUE(core.faults().unplugged());
    EXPECT_FALSE(answers(core, kVersion));
    core.faults().plug();
    EXPECT_FALSE(core.faults().unplugged());
    EXPECT_TRUE(answers(core, kVersion));
    EXPECT_FALSE(answers(core, kClock)) << "the function's silence stays";
}

TEST(Faults, BadCrcSpoilsTheNextRepliesThatAreSent)
{
    DeviceCore core;
    core.faults().add(FaultRule::silenceFirst(1));
    core.faults().add(FaultRule::badCrc(2));
    EXPECT_FALSE(answers(core, kVersion)) << "a silent request uses up no bad reply";
    for (int i = 0; i < 2; ++i) {
        const QByteArray r = *core.handle(kVersion);
        EXPECT_EQ(show(r.left(4)), "00 04 06 01") << "the content is the real reply";
        EXPECT_FALSE(tk::reader::CheckReplyCrc(reinterpret_cast<const uint8_t*>(r.constData()), int(r.size())));
    }
    EXPECT_EQ(show(core.handle(kVersion)), show(kVersionReply));
}

TEST(Faults, ErrorAnswerForAFunctionAndDatabase)
{
    DeviceCore core;
    core.faults().add(FaultRule::error(tk::reader::WriteRecord, MemoryFull, uint8_t(9), 1));
    core.faults().add(FaultRule::error(tk::reader::GetCount, RefusedData));
    core.faults().add(FaultRule::error(tk::reader::GetVersion, WrongLength, uint8_t(0)));
    const QByteArray into8 = frameOf("08 0F 08 00 00 42 A0 01 00 0C 00 01 00 00 00");
    const QByteArray into9 = frameOf("08 0F 09 00 00 42 A0 01 00 0C 00 01 00 00 00");

    EXPECT_EQ(show(core.handle(into8)), show(frameOf("08 03 08"))) << "another database";
    EXPECT_EQ(show(core.handle(into9)), show(frameOf("88 03 05")));
    EXPECT_TRUE(core.state().databases[9].records.isEmpty()) << "a refused write stores nothing";
    EXPECT_EQ(show(core.handle(into9)), show(frameOf("08 03 09"))) << "the rule was for one request";

    for (const char* count : {"03 03 00", "03 03 05"})
        EXPECT_EQ(show(core.handle(frameOf(count))), show(frameOf("83 03 04"))) << "persistent, any database";
    EXPECT_EQ(show(core.handle(kVersion)), show(kVersionReply)) << "a database rule never hits a request without one";
}

TEST(Faults, DamagedRequestGetsItsChecksumErrorBeforeAnInjectedOne)
{
    DeviceCore core;
    core.faults().add(FaultRule::error(tk::reader::GetVersion, RefusedData, {}, 1));
    QByteArray damaged = kVersion;
    damaged[2] = char(damaged[2] ^ 0x10);
    EXPECT_EQ(show(core.handle(damaged)), show(frameOf("80 03 03")));
    EXPECT_EQ(show(core.handle(kVersion)), show(frameOf("80 03 04"))) << "the injected error is still due";
    EXPECT_EQ(show(core.handle(kVersion)), show(kVersionReply));
}

TEST(Faults, TimingFaultsShapeTheTransmission)
{
    DeviceCore core;
    core.faults().add(FaultRule::delay(30));
    core.faults().add(FaultRule::splitBytes(5));
    FaultRule garbage = FaultRule::garbageBefore(hexBytes("AA BB"));
    garbage.remaining = 1;
    core.faults().add(garbage);

    const auto first = core.respond(kVersion);
    ASSERT_TRUE(first);
    EXPECT_EQ(show(first->bytes), "AA BB " + show(kVersionReply));
    EXPECT_EQ(first->delayMs, 30);
    EXPECT_EQ(first->byteGapMs, 5);
    EXPECT_EQ(show(core.handle(kVersion)), show(kVersionReply)) << "garbage only once";
}

} // namespace
