// The window's rules that need no window: exchange-action enabling, the header tint, the
// command line and the password field's validation.
#include "manager/CommandLine.h"
#include "manager/ActionRules.h"
#include "manager/HeaderColor.h"
#include "manager/PasswordValidator.h"

#include <gtest/gtest.h>

#include <map>

using namespace tk::manager;

namespace {

std::map<QString, bool> asMap(const ActionStates& states)
{
    std::map<QString, bool> m;
    for (const auto& [name, on] : states) {
        EXPECT_FALSE(m.count(name)) << "named twice: " << name.toStdString();
        m[name] = on;
    }
    return m;
}

TEST(ReaderActions, FirmwareSixOneOffersTheNewFamiliesAndAStoppedLinkOffersNothing)
{
    for (const auto& [firmware, newOffered] : {std::pair{0x0600, false}, std::pair{0x0601, true}}) {
        const auto on = asMap(readerActionStates(true, firmware, 0));
        EXPECT_EQ(25u, on.size());
        for (const auto& [name, enabled] : on) {
            const bool newFamily = name == "ActionVaklPdr" || name == "ActionZKV" || name == "ActionFormat_Pdr"
                || name == "ActionFormat_ZKV";
            const bool expected = newFamily ? newOffered : name != "ActionWriteRoute"; // no route rows
            EXPECT_EQ(expected, enabled) << name.toStdString() << " firmware " << firmware;
        }
    }
    EXPECT_FALSE(asMap(readerActionStates(true, 0x0501, 1))[QStringLiteral("ActionFormatStreet")]);
    EXPECT_TRUE(asMap(readerActionStates(true, 0x0502, 1))[QStringLiteral("ActionWriteRoute")]);
    for (const auto& [name, on] : readerActionStates(false, 0x0601, 5))
        EXPECT_FALSE(on) << name.toStdString();
}

TEST(ExchangeActions, DisableTurnsOffTheDataAndExportActionsOnly)
{
    const auto off = asMap(exchangeActionsOff());
    for (const auto& [name, on] : off)
        EXPECT_FALSE(on) << name.toStdString();
    // 6 clear + 5 write + 6 spreadsheet + 5 text + 5 DBMS + 5 route and list exports.
    EXPECT_EQ(32u, off.size());
    for (const char* n : {"ActionClear_Zkv", "ActionExportZkv", "ActionExpvaklPDr", "ActionDbVaklPdr", "ActionWrite_Pdr",
                          "ActionLoadRoute", "ActionRouteFromBd", "ActionExportJournal", "ActionExportDiary", "ActionRouteExcel"})
        EXPECT_TRUE(off.count(QString::fromLatin1(n))) << n;
    // Reading, clearing the reader and erasing the local table are not exchange-dependent here.
    for (const char* n : {"ActionTelv_1", "ActionFormat_1", "ActionErase_1", "SpinRoute"})
        EXPECT_FALSE(off.count(QString::fromLatin1(n))) << n;
}

TEST(ExchangeActions, EnableFollowsWhatTheGridsHold)
{
    struct Case {
        const char* what;
        ExchangeView view;
        std::map<const char*, bool> expected;
    };
    ExchangeView empty;
    ExchangeView telv2Records = empty;
    telv2Records.familyGridRows[1] = 3; // titles, one record, the empty last row
    ExchangeView zkvRecords = empty;
    zkvRecords.familyGridRows[5] = 5;
    ExchangeView noSheet = telv2Records;
    noSheet.spreadsheetAvailable = false;
    ExchangeView lists = empty;
    lists.journalRows = 3;
    lists.diaryRows = 2;
    ExchangeView namedRoute = empty;
    namedRoute.routeNamed = true;
    namedRoute.routeEntries = 4;
    ExchangeView unnamedRoute = namedRoute;
    unnamedRoute.routeNamed = false;
    ExchangeView emptyRoute = namedRoute;
    emptyRoute.routeEntries = 0;

    const Case cases[] = {
        {"empty grids", empty,
         {{"ActionClear_1", true}, {"ActionClear_Zkv", true}, {"ActionLoadRoute", true}, {"ActionRouteFromBd", true},
          {"SpinRoute", true}, {"ActionWrite_2", false}, {"ActionExpTelv", false}, {"ActionDbTelv_2", false},
          {"ActionExportTelv_2", false}, {"ActionExportJournal", false}, {"ActionExportDiary", false}, {"ActionRouteExcel", false}}},
        {"one ТЕЛВ-2 record", telv2Records,
         {{"ActionWrite_2", true}, {"ActionExpTelv", true}, {"ActionDbTelv_2", true}, {"ActionExportTelv_2", true},
          {"ActionWrite_1", false}, {"ActionExportVakl", false}}},
        {"ЖКВ records: only its spreadsheet export", zkvRecords, {{"ActionExportZkv", true}, {"ActionWrite_Pdr", false}}},
        {"no spreadsheet", noSheet, {{"ActionWrite_2", true}, {"ActionExportTelv_2", false}}},
        {"journal with a record, diary without", lists, {{"ActionExportJournal", true}, {"ActionExportDiary", false}}},
        {"named route with entries", namedRoute, {{"ActionRouteExcel", true}}},
        {"route without a name", unnamedRoute, {{"ActionRouteExcel", false}}},
        {"named route without entries", emptyRoute, {{"ActionRouteExcel", false}}},
    };
    for (const Case& c : cases) {
        const auto on = asMap(exchangeActionsOn(c.view));
        for (const auto& [name, state] : c.expected) {
            const auto it = on.find(QString::fromLatin1(name));
            ASSERT_NE(on.end(), it) << c.what << ": " << name;
            EXPECT_EQ(state, it->second) << c.what << ": " << name;
        }
    }
}

TEST(ExchangeActions, EnableCoversWhatDisableTurnedOff)
{
    const auto off = asMap(exchangeActionsOff());
    const auto on = asMap(exchangeActionsOn({}));
    for (const auto& [name, state] : off)
        EXPECT_TRUE(on.count(name)) << name.toStdString();
}

TEST(HeaderColor, ChannelsShiftByTheirPercentTruncatingTowardZero)
{
    const struct {
        int v, percent, expected;
    } cases[] = {
        {100, 2, 102}, {100, -4, 96}, {49, 2, 49}, // 98/100 truncates to 0
        {49, -4, 48},                               // -196/100 truncates to -1, not -2
        {250, 2, 255},                              // clamped
        {0, -4, 0},   {255, 0, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, tk::shiftChannel(c.v, c.percent)) << c.v << " " << c.percent;
    EXPECT_EQ(QColor(240, 244, 231), headerPanelColor(QColor(240, 240, 240)));
    EXPECT_EQ(QColor(212, 208, 192), headerPanelColor(QColor(212, 204, 200)));
    EXPECT_EQ(QColor(255, 255, 245), headerPanelColor(QColor(255, 255, 255)));
}

TEST(CommandLine, Words)
{
    const struct {
        QStringList args;
        bool debug, connect;
        QString port;
    } cases[] = {
        {{"Vormer_2005"}, false, false, {}},
        {{"Vormer_2005", "DEBUG"}, true, false, {}},
        {{"Vormer_2005", "x", "Debug", "y"}, true, false, {}},
        {{"/opt/debug"}, false, false, {}}, // a word must be "debug" itself
        {{"debug"}, true, false, {}},       // the program path is a word too
        {{"Vormer_2005", "--debug"}, false, false, {}},
        {{"Vormer_2005", "--port", "/dev/pts/4", "--connect"}, false, true, "/dev/pts/4"},
        {{"Vormer_2005", "--port=/dev/ttyUSB0"}, false, false, "/dev/ttyUSB0"},
        {{"Vormer_2005", "--port"}, false, false, {}},
    };
    for (const auto& c : cases) {
        const CommandLine cl = parseCommandLine(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(c.debug, cl.debug) << what;
        EXPECT_EQ(c.connect, cl.connect) << what;
        EXPECT_EQ(c.port, cl.port) << what;
    }
}

TEST(PasswordValidator, AcceptsOnlyNumbersUpTo65535)
{
    PasswordValidator v;
    const struct {
        const char* text;
        QValidator::State state;
    } cases[] = {
        {"", QValidator::Intermediate}, {"0", QValidator::Acceptable},   {"65535", QValidator::Acceptable},
        {"00042", QValidator::Acceptable}, {"65536", QValidator::Invalid}, {"99999", QValidator::Invalid},
        {"123456", QValidator::Invalid}, {"12a", QValidator::Invalid},    {"-1", QValidator::Invalid},
        {" 1", QValidator::Invalid},
    };
    for (const auto& c : cases) {
        QString text = QString::fromLatin1(c.text);
        int pos = 0;
        EXPECT_EQ(c.state, v.validate(text, pos)) << c.text;
    }
}

} // namespace
