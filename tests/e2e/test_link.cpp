// The manager's window against the emulator over a real pseudo-terminal: what a person sees.
#include "WindowParts.h"
#include "reader/Engine.h"
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "manager/TFormVorm.h"
#include "Workplace.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(work.valid()); }

    // A reader content written for the test; the emulator runs unpaced.
    QString writeState(const QByteArray& json)
    {
        const QString path = work.filePath("reader.json");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(json);
        return path;
    }

    static QString text(QLineEdit* e) { return e ? e->text() : QStringLiteral("<missing>"); }

    Workplace work;
};

const QByteArray kReader = R"({
    "version": "06", "build": "01",
    "databases": {
        "0": {"records": ["00", "01", "02"]},
        "2": {"records": ["00"]},
        "5": {"records": ["01 D1 C0 C4 CE C2 C0 DF 00 00 00 00 00"]},
        "6": {"records": ["000123A00503010000020000030000780000", "000123A00503010000020000030000780000"]}
    }
})";

} // namespace

TEST_F(EndToEnd, ConnectPollsTheReaderIntoTheHeaderAndDisconnectEmptiesIt)
{
    SimProcess sim({"--state", writeState(kReader)});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    ScriptedPrompter prompter;
    manager::StartupOptions options;
    options.arguments = {"Vormer_2005", "--port", sim.pty()};
    manager::TFormVorm w(&prompter, options);
    w.show();
    EXPECT_EQ(sim.pty(), tk::test::part<QComboBox>(w, "ComboPort")->currentText()) << "the pty appears in the drop-down";

    w.action("ActionConnect")->trigger();
    ASSERT_TRUE(w.engine().linkUp());
    EXPECT_FALSE(w.action("ActionConnect")->isEnabled());
    EXPECT_TRUE(w.action("ActionDisconnect")->isEnabled());
    EXPECT_FALSE(tk::test::part<QComboBox>(w, "ComboPort")->isEnabled());

    // One whole cycle: the street base is read once (its count differs), then the clock.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !tk::test::part<QLineEdit>(w, "EditDate")->text().isEmpty() && w.action("ActionTime")->isEnabled(); }, 10000));
    EXPECT_EQ("6", text(tk::test::part<QLineEdit>(w, "EditVersion")).toStdString());
    EXPECT_EQ("1", text(tk::test::part<QLineEdit>(w, "EditBuild")).toStdString());
    EXPECT_EQ("1", text(tk::test::part<QLineEdit>(w, "EditTelv_1")).toStdString());
    EXPECT_EQ("3", text(tk::test::part<QLineEdit>(w, "EditTelv_2")).toStdString());
    EXPECT_EQ("0", text(tk::test::part<QLineEdit>(w, "EditVakl_4")).toStdString());
    EXPECT_EQ("0", text(tk::test::part<QLineEdit>(w, "Edit_ZKV")).toStdString());
    EXPECT_EQ(1, w.engine().streets().size());
    EXPECT_EQ("САДОВАЯ", w.engine().streets().nameOf(1).toStdString());
    const QDate readerDate = QLocale().toDate(tk::test::part<QLineEdit>(w, "EditDate")->text(), QLocale().dateFormat(QLocale::ShortFormat));
    EXPECT_LE(std::abs(readerDate.daysTo(QDate::currentDate())), 1) << tk::test::part<QLineEdit>(w, "EditDate")->text().toStdString();
    EXPECT_TRUE(w.action("ActionTime")->isEnabled()) << "the version reply enables the reader actions";
    EXPECT_TRUE(w.action("ActionVaklPdr")->isEnabled()) << "firmware 6.01";
    EXPECT_FALSE(tk::test::part<QLineEdit>(w, "EditCompTime")->text().isEmpty()) << "the PC clock ticks beside it";

    // The poll goes on: the reader's clock keeps moving.
    const QString firstTime = tk::test::part<QLineEdit>(w, "EditTime")->text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tk::test::part<QLineEdit>(w, "EditTime")->text() != firstTime; }, 5000));

    w.action("ActionDisconnect")->trigger();
    EXPECT_FALSE(w.engine().linkUp());
    EXPECT_TRUE(tk::test::part<QLineEdit>(w, "EditVersion")->text().isEmpty());
    EXPECT_TRUE(tk::test::part<QLineEdit>(w, "EditDate")->text().isEmpty());
    EXPECT_TRUE(tk::test::part<QLineEdit>(w, "EditTime")->text().isEmpty());
    EXPECT_TRUE(w.action("ActionConnect")->isEnabled());
    EXPECT_FALSE(w.action("ActionTime")->isEnabled());
    EXPECT_TRUE(tk::test::part<QComboBox>(w, "ComboPort")->isEnabled());
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(EndToEnd, UnpluggedReaderIsAskedAgainAndThePollResumes)
{
    SimProcess sim({"--state", writeState(kReader)});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    ScriptedPrompter prompter;
    manager::StartupOptions options;
    options.arguments = {"Vormer_2005", "--port", sim.pty(), "--connect", "debug"};
    auto w = std::make_unique<manager::TFormVorm>(&prompter, options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->engine().linkUp() && !tk::test::part<QLineEdit>(*w, "EditDate")->text().isEmpty(); }, 10000))
        << "--connect establishes the link at start";

    ASSERT_TRUE(sim.command("unplug"));
    const QStringList& log = *w->engine().exchangeLog();
    const int before = int(log.size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.mid(before).filter(" Timeout").size() >= 2; }, 6000));
    ASSERT_TRUE(sim.command("plug"));
    tk::test::part<QLineEdit>(*w, "EditDate")->clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !tk::test::part<QLineEdit>(*w, "EditDate")->text().isEmpty(); }, 8000)) << "the poll resumes";

    w->close(); // the close sequence writes the exchange log
    w.reset();
    QFile protocol(work.filePath("protocol.txt"));
    ASSERT_TRUE(protocol.open(QIODevice::ReadOnly)) << "protocol.txt in the working directory";
    const QStringList lines = QString::fromUtf8(protocol.readAll()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression send(R"(^\d{1,2}\.\d{3} Send: ([0-9A-F]{2} )+$)");
    const QRegularExpression receive(R"(^\d{1,2}\.\d{3} Receive: ([0-9A-F]{2} )+$)");
    int sends = 0, receives = 0, timeouts = 0;
    for (const QString& l : lines) {
        sends += send.match(l).hasMatch();
        receives += receive.match(l).hasMatch();
        timeouts += l.endsWith(" Timeout");
    }
    EXPECT_GT(sends, 10);
    EXPECT_GT(receives, 10);
    EXPECT_GE(timeouts, 2);
    EXPECT_TRUE(lines.front().contains(" Send: 00 02 80 71 ")) << lines.front().toStdString();
}

TEST_F(EndToEnd, PortThatCannotBeOpenedShowsTheReasonAndLeavesTheLinkDown)
{
    ScriptedPrompter prompter;
    manager::StartupOptions options;
    const QString missing = work.filePath("no-such-port");
    options.arguments = {"Vormer_2005", "--port", missing};
    manager::TFormVorm w(&prompter, options);
    prompter.expectErrorStartingWith("ТК4718ЕН-менеджер", missing + ": ");
    w.ActionConnectExecute();
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_FALSE(w.engine().linkUp());
    EXPECT_TRUE(w.action("ActionConnect")->isEnabled());
}

TEST_F(EndToEnd, BadRepliesOnTheLineNeverStopThePoll)
{
    SimProcess sim({"--state", writeState(kReader)});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    ScriptedPrompter prompter;
    manager::StartupOptions options;
    options.arguments = {"Vormer_2005", "--port", sim.pty(), "--connect", "debug"};
    manager::TFormVorm w(&prompter, options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.action("ActionTime")->isEnabled(); }, 10000));

    // Each fault in turn. Faults that spoil every reply are lifted once the manager has seen them
    // a few times; then, and under the others, the poll must get through to the reader's clock.
    const struct {
        const char* command;
        const char* seen; // lifted after three such log lines; nullptr: stays on
    } faults[] = {
        {"garbage FF 00 13 37", " Bad CheckSum"}, // bytes before every reply
        {"split 3", nullptr},                    // every reply one byte at a time
        {"bad-crc 3", nullptr},                  // three replies with a wrong CRC
        {"error 3 4", " Error: Incorect data"},  // every count refused
        {"error 1 9", " Error: Error code №9"},  // the clock answered with an undocumented code
        {"silence-next 2", nullptr},             // two requests unanswered: the time-out repeats them
    };
    const QStringList& log = *w.engine().exchangeLog();
    for (const auto& f : faults) {
        ASSERT_TRUE(sim.command("clear-faults"));
        const int from = int(log.size());
        ASSERT_TRUE(sim.command(f.command)) << f.command;
        if (f.seen) {
            const QString seen = QString::fromUtf8(f.seen);
            ASSERT_TRUE(QTest::qWaitFor([&] { return log.mid(from).filter(seen).size() >= 3; }, 8000)) << f.command;
            ASSERT_TRUE(sim.command("clear-faults"));
        }
        tk::test::part<QLineEdit>(w, "EditTime")->clear();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !tk::test::part<QLineEdit>(w, "EditTime")->text().isEmpty(); }, 8000)) << f.command;
        EXPECT_TRUE(w.engine().linkUp());
    }
    ASSERT_TRUE(sim.command("clear-faults"));
    EXPECT_GE(log.filter(" Bad CheckSum").size(), 3);
    EXPECT_GE(log.filter(QString::fromUtf8(" Error: Error code №9")).size(), 1);
    EXPECT_GE(log.filter(" Timeout").size(), 2);
    EXPECT_TRUE(prompter.allAnswered());
}
