// The controls of reader-sim: command-line options and stdin commands become fault rules, and
// a wrong one is refused with its reason.
#include "Control.h"

#include "common/Error.h"

#include <gtest/gtest.h>

using namespace tk::sim;

namespace {

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const tk::Error& e) {
        return e.message().toStdString();
    }
    return "(accepted)";
}

TEST(Control, CommandsBecomeRules)
{
    const struct {
        const char* line;
        Command::Kind kind;
        const char* rule; // describe() of the rule added, for AddFault
        const char* text;
    } cases[] = {
        {"unplug", Command::Kind::Unplug, "", "unplug"},
        {"  plug ", Command::Kind::Plug, "", "plug"},
        {"clear-faults", Command::Kind::ClearFaults, "", "clear-faults"},
        {"save", Command::Kind::Save, "", "save"},
        {"quit", Command::Kind::Quit, "", "quit"},
        {"silence-next 3", Command::Kind::AddFault, "silence x3", "silence-next 3"},
        {"silence-fn 0x01", Command::Kind::AddFault, "silence fn 1", "silence-fn 0x01"},
        {"bad-crc  2", Command::Kind::AddFault, "bad-crc x2", "bad-crc 2"},
        {"error 8 5", Command::Kind::AddFault, "error code 5 fn 8", "error 8 5"},
        {"error 8 4 9", Command::Kind::AddFault, "error code 4 fn 8 db 9", "error 8 4 9"},
        {"error 8 4 9 x1", Command::Kind::AddFault, "error code 4 fn 8 db 9 x1", "error 8 4 9 x1"},
        {"error 3 4 x2", Command::Kind::AddFault, "error code 4 fn 3 x2", "error 3 4 x2"},
        {"delay 250", Command::Kind::AddFault, "delay 250 ms", "delay 250"},
        {"split 3", Command::Kind::AddFault, "split 3 ms", "split 3"},
        {"garbage FF 00", Command::Kind::AddFault, "garbage FF 00", "garbage FF 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Command cmd = parseCommand(QString::fromLatin1(c.line));
        EXPECT_EQ(cmd.kind, c.kind);
        EXPECT_EQ(cmd.text.toStdString(), c.text);
        if (c.kind == Command::Kind::AddFault) {
            EXPECT_EQ(cmd.rule.describe().toStdString(), c.rule);
        }
    }
}

TEST(Control, WrongCommandsAreRefusedWithTheReason)
{
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {"unplugg", "unknown command \"unplugg\""},
        {"unplug now", "usage: unplug"},
        {"silence-next", "usage: silence-next N"},
        {"silence-next 0", "silence-next: 0 is outside 1..1000000"},
        {"silence-fn 256", "silence-fn: 256 is outside 0..255"},
        {"bad-crc two", "bad-crc: \"two\" is not a number"},
        {"error 8", "usage: error FN CODE [DB] [xN]"},
        {"error 8 5 9 1", "usage: error FN CODE [DB] [xN]"},
        {"error 8 5 x0", "error count: 0 is outside 1..1000000"},
        {"error 8 5 64x", "error database: \"64x\" is not a number"},
        {"garbage F", "garbage: \"F\" is not a string of hex byte pairs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorOf([&] { parseCommand(QString::fromLatin1(c.line)); }), c.error) << c.line;
}

TEST(Control, OptionsOfTheProgram)
{
    const Options o = parseOptions({"--state", "s.json", "--baud=9600", "--reply-delay", "40", "--split-bytes", "2",
                                    "--silence-first", "1", "--silence-fn", "9", "--bad-crc", "3",
                                    "--error", "8:5", "--error", "8:4:10", "--garbage", "AA", "--link", "/tmp/r",
                                    "--no-stdin"});
    EXPECT_EQ(o.statePath, "s.json");
    EXPECT_EQ(o.linkPath, "/tmp/r");
    EXPECT_EQ(o.baud, 9600);
    EXPECT_FALSE(o.readCommands);
    QStringList rules;
    for (const FaultRule& r : o.faults)
        rules << r.describe();
    EXPECT_EQ(rules.join(" | ").toStdString(),
              "delay 40 ms | split 2 ms | silence x1 | silence fn 9 | bad-crc x3 | error code 5 fn 8"
              " | error code 4 fn 8 db 10 | garbage AA");

    EXPECT_EQ(errorOf([] { parseOptions({"--bud", "9600"}); }), "unknown option \"--bud\"");
    EXPECT_EQ(errorOf([] { parseOptions({"--state"}); }), "--state needs a value");
    EXPECT_EQ(errorOf([] { parseOptions({"--baud", "-1"}); }), "--baud: -1 is outside 0..10000000");
    EXPECT_EQ(errorOf([] { parseOptions({"--error", "8"}); }), "--error: \"8\" is not FN:CODE or FN:CODE:DB");
}

} // namespace
