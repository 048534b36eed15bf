// The main window's start-up and close: settings, the clock check, the exchange log, the ways
// the window gets closed.
#include "WindowParts.h"
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"

#include "reader/Engine.h"
#include "reader/SerialChannel.h"
#include "manager/SignalCloser.h"
#include "manager/TFormVorm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using tk::manager::StartupOptions;
using tk::manager::TFormVorm;
using tk::test::ConfigHome;
using tk::test::ScriptedPrompter;
using tk::test::WorkDir;

namespace {

std::unique_ptr<TFormVorm> makeWindow(ScriptedPrompter& prompter, QStringList args = {QStringLiteral("Vormer_2005")})
{
    return std::make_unique<TFormVorm>(&prompter, StartupOptions{std::move(args), {}, {}});
}

template <class W> W* control(TFormVorm& w, const char* name)
{
    W* c = w.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(nullptr, c) << name;
    return c;
}

TEST(FormVormSettings, FirstStartCreatesTheKeyAndShowsTheDefaults)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    EXPECT_TRUE(home.exists());

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(QSize(760, 428), w->size());
    EXPECT_EQ(QPoint(screen.x() + (screen.width() - 760) / 2, screen.y() + (screen.height() - 428) / 2), w->pos());
    EXPECT_FALSE(w->isMaximized());

    const char* tariffs[] = {"1", "2", "3", "2", "3", "2"};
    const QTime times[] = {QTime(0, 0), QTime(6, 30), QTime(8, 30), QTime(11, 30), QTime(17, 30), QTime(20, 30)};
    for (int z = 0; z < 6; ++z) {
        EXPECT_EQ(QString::fromLatin1(tariffs[z]), tk::test::tariffBoxOf(*w, int(size_t(z)))->currentText()) << z;
        EXPECT_EQ(times[z], tk::test::zoneTimeOf(*w, int(size_t(z)))->time()) << z;
        EXPECT_EQ(QStringLiteral("HH:mm"), tk::test::zoneTimeOf(*w, int(size_t(z)))->displayFormat());
    }
    EXPECT_TRUE(tk::test::part<QCheckBox>(*w, "CheckOneTarif")->isChecked());
    EXPECT_EQ(1, tk::test::part<QSpinBox>(*w, "SpinCountDay")->value());
    EXPECT_EQ(1, tk::test::part<QSpinBox>(*w, "SpinCountDay")->minimum());
    EXPECT_EQ(31, tk::test::part<QSpinBox>(*w, "SpinCountDay")->maximum());
    EXPECT_EQ(0, tk::test::part<QSpinBox>(*w, "SpinCountHour")->value());
    EXPECT_EQ(23, tk::test::part<QSpinBox>(*w, "SpinCountHour")->maximum());
    EXPECT_TRUE(tk::test::part<QCheckBox>(*w, "CheckSummer")->isChecked());
    EXPECT_EQ(QStringLiteral("Разрешить автопереход на на летнее время"), tk::test::part<QCheckBox>(*w, "CheckSummer")->text());
    for (QCheckBox* c : tk::test::indiBoxes(*w))
        EXPECT_FALSE(c->isChecked()) << c->text().toStdString();
    EXPECT_EQ(QStringLiteral("0"), tk::test::part<QLineEdit>(*w, "EditPassword")->text());
    EXPECT_EQ(1, w->channel().portNumber());
    EXPECT_TRUE(prompter.allAnswered());
}

TEST(FormVormSettings, StoredValuesAreShownAndWrittenBackAtClose)
{
    ConfigHome home;
    const std::vector<std::pair<const char*, QVariant>> stored = {
        {"Maximized", 0},        {"Width", 820},         {"Height", 500},       {"Left", 30},           {"Top", 40},
        {"Grid1", 120},          {"Grid2", 95},          {"Grid3", 140},        {"Port", 3},            {"Tarif_0", "3"},
        {"Time_0", "01:05:00"},  {"Tarif_1", "1"},       {"Time_1", "07:15:00"}, {"Tarif_2", "1"},     {"Time_2", "09:00:00"},
        {"Tarif_3", "3"},        {"Time_3", "12:45:00"}, {"Tarif_4", "2"},      {"Time_4", "18:00:00"}, {"Tarif_5", "1"},
        {"Time_5", "23:59:00"},  {"OneTarif", 0},        {"CountDay", 25},      {"CountHour", 7},       {"Summer", 0},
        {"Indi", 5},             {"Password", 4321},
    };
    for (const auto& [name, value] : stored)
        home.put(QString::fromLatin1(name), value);

    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    EXPECT_EQ(QRect(30, 40, 820, 500), QRect(w->pos(), w->size()));
    EXPECT_EQ(QStringLiteral("3"), tk::test::tariffBoxOf(*w, int(0))->currentText());
    EXPECT_EQ(QTime(7, 15), tk::test::zoneTimeOf(*w, int(1))->time());
    EXPECT_EQ(QTime(23, 59), tk::test::zoneTimeOf(*w, int(5))->time());
    EXPECT_FALSE(tk::test::part<QCheckBox>(*w, "CheckOneTarif")->isChecked());
    EXPECT_EQ(25, tk::test::part<QSpinBox>(*w, "SpinCountDay")->value());
    EXPECT_EQ(7, tk::test::part<QSpinBox>(*w, "SpinCountHour")->value());
    EXPECT_FALSE(tk::test::part<QCheckBox>(*w, "CheckSummer")->isChecked());
    // Indi 5: "Суммарная" and "Дата" only.
    EXPECT_TRUE(tk::test::indiBoxOf(*w, int(0))->isChecked());
    EXPECT_FALSE(tk::test::indiBoxOf(*w, int(1))->isChecked());
    EXPECT_TRUE(tk::test::indiBoxOf(*w, int(2))->isChecked());
    EXPECT_FALSE(tk::test::indiBoxOf(*w, int(3))->isChecked());
    EXPECT_EQ(QStringLiteral("Дата"), tk::test::indiBoxOf(*w, int(2))->text());
    EXPECT_EQ(QStringLiteral("4321"), tk::test::part<QLineEdit>(*w, "EditPassword")->text());
    EXPECT_EQ(3, w->channel().portNumber());
    w->show();
    const int heights[] = {120, 95, 140};
    for (int tab = 0; tab < 3; ++tab) {
        tk::test::part<QTabWidget>(*w, "PageControl1")->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(heights[tab], tk::test::readerGridOf(*w, int(size_t(tab)))->height()) << tab;
    }

    w->close();
    for (const auto& [name, value] : stored)
        EXPECT_EQ(value.toString(), home.raw(QString::fromLatin1(name)).toString()) << name;
}

TEST(FormVormSettings, ChangesOnThePageAreSavedAtClose)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    tk::test::tariffBoxOf(*w, int(4))->setCurrentIndex(0);
    tk::test::zoneTimeOf(*w, int(2))->setTime(QTime(10, 10));
    tk::test::indiBoxOf(*w, int(3))->setChecked(true);
    tk::test::indiBoxOf(*w, int(1))->setChecked(true);
    tk::test::part<QSpinBox>(*w, "SpinCountHour")->setValue(12);
    w->resize(700, 400);
    w->move(11, 22);
    w->close();
    EXPECT_EQ(QStringLiteral("1"), home.raw(QStringLiteral("Tarif_4")).toString());
    EXPECT_EQ(QStringLiteral("10:10:00"), home.raw(QStringLiteral("Time_2")).toString());
    EXPECT_EQ(10, home.raw(QStringLiteral("Indi")).toInt());
    EXPECT_EQ(12, home.raw(QStringLiteral("CountHour")).toInt());
    EXPECT_EQ(700, home.raw(QStringLiteral("Width")).toInt());
    EXPECT_EQ(400, home.raw(QStringLiteral("Height")).toInt());
    EXPECT_EQ(11, home.raw(QStringLiteral("Left")).toInt());
    EXPECT_EQ(22, home.raw(QStringLiteral("Top")).toInt());
    EXPECT_EQ(0, home.raw(QStringLiteral("Maximized")).toInt());
    EXPECT_EQ(81, home.raw(QStringLiteral("Grid1")).toInt());
}

TEST(FormVormSettings, PasswordField)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    // Typing is held to a number of 0..65535.
    tk::test::part<QLineEdit>(*w, "EditPassword")->clear();
    QTest::keyClicks(tk::test::part<QLineEdit>(*w, "EditPassword"), QStringLiteral("6a5x536"));
    EXPECT_EQ(QStringLiteral("6553"), tk::test::part<QLineEdit>(*w, "EditPassword")->text());
    // Letters put there some other way are saved as 0.
    tk::test::part<QLineEdit>(*w, "EditPassword")->setText(QStringLiteral("abc"));
    w->close();
    EXPECT_EQ(0, home.raw(QStringLiteral("Password")).toInt());
    EXPECT_TRUE(home.has(QStringLiteral("Password")));
}

TEST(FormVormSettings, MaximisedCloseKeepsTheNormalBoundsAndTheNextStartIsMaximised)
{
    ConfigHome home;
    home.put(QStringLiteral("Width"), 900);
    home.put(QStringLiteral("Height"), 600);
    home.put(QStringLiteral("Left"), 10);
    home.put(QStringLiteral("Top"), 20);
    ScriptedPrompter prompter;
    {
        auto w = makeWindow(prompter);
        w->setWindowState(Qt::WindowMaximized);
        w->close();
    }
    EXPECT_EQ(1, home.raw(QStringLiteral("Maximized")).toInt());
    EXPECT_EQ(900, home.raw(QStringLiteral("Width")).toInt());
    EXPECT_EQ(600, home.raw(QStringLiteral("Height")).toInt());
    EXPECT_EQ(10, home.raw(QStringLiteral("Left")).toInt());
    EXPECT_EQ(20, home.raw(QStringLiteral("Top")).toInt());

    auto again = makeWindow(prompter);
    EXPECT_TRUE(again->isMaximized());
}

TEST(FormVormSettings, PortGivenOnTheCommandLineIsOfferedSelectedAndRemembered)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    const QString device = QStringLiteral("/tmp/tk-test-no-such-pty");
    auto w = makeWindow(prompter, {QStringLiteral("Vormer_2005"), QStringLiteral("--port"), device});
    EXPECT_EQ(device, tk::test::part<QComboBox>(*w, "ComboPort")->currentText());
    const QAction* checked = nullptr;
    for (QAction* a : tk::test::part<QMenu>(*w, "NPort")->actions())
        if (a->isChecked())
            checked = a;
    ASSERT_NE(nullptr, checked);
    EXPECT_EQ(device, w->channel().device());
    w->close();
    EXPECT_EQ(device, home.raw(QStringLiteral("PortName")).toString());
    EXPECT_EQ(1, home.raw(QStringLiteral("Port")).toInt());
}

TEST(FormVormSettings, ClockEarlierThanTheProgramFileWarnsAndStartsNormally)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    const QDateTime built(QDate(2006, 5, 1), QTime(12, 0));
    prompter.expectError(QStringLiteral("TK4718EH"), QStringLiteral("Некорректное системное время."));
    TFormVorm w(&prompter, StartupOptions{{QStringLiteral("Vormer_2005")}, built.addSecs(-1), built});
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(0, tk::test::part<QTabWidget>(w, "PageControl1")->currentIndex());

    // At or after the program's date there is nothing to say (an unexpected message fails).
    TFormVorm same(&prompter, StartupOptions{{QStringLiteral("Vormer_2005")}, built, built});
    TFormVorm later(&prompter, StartupOptions{{QStringLiteral("Vormer_2005")}, built.addDays(400), built});
    EXPECT_EQ(1u, prompter.asked().size());
}

TEST(FormVormSettings, DebugWordWritesTheExchangeLogAtClose)
{
    ConfigHome home;
    WorkDir cwd;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter, {QStringLiteral("Vormer_2005"), QStringLiteral("DEBUG")});
    ASSERT_TRUE(w->debugMode());
    QStringList* log = w->engine().exchangeLog();
    ASSERT_NE(nullptr, log);
    log->append(QStringLiteral("1.250 Send: 00 02 80 71 "));
    log->append(QStringLiteral("2.750 Timeout"));
    w->close();
    EXPECT_EQ(nullptr, w->engine().exchangeLog()); // freed with the close

    QFile f(cwd.file(QStringLiteral("protocol.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_EQ(QByteArray("1.250 Send: 00 02 80 71 \n2.750 Timeout\n"), f.readAll());
}

TEST(FormVormSettings, WithoutTheDebugWordThereIsNoLog)
{
    ConfigHome home;
    WorkDir cwd;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter, {QStringLiteral("Vormer_2005"), QStringLiteral("debugging")});
    EXPECT_EQ(nullptr, w->engine().exchangeLog());
    w->close();
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("protocol.txt"))));
}

TEST(FormVormSettings, ExitItemClosesThroughTheCloseSequence)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    w->show();
    w->findChild<QAction*>(QStringLiteral("NExit"))->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(home.has(QStringLiteral("Maximized")));
}

TEST(FormVormSettings, StopSignalClosesThroughTheCloseSequence)
{
    ConfigHome home;
    ScriptedPrompter prompter;
    auto w = makeWindow(prompter);
    w->show();
    tk::manager::SignalCloser closer(w.get());
    ASSERT_TRUE(closer.active());
    std::raise(SIGTERM);
    QElapsedTimer t;
    t.start();
    while (w->isVisible() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(home.has(QStringLiteral("Maximized")));
}

} // namespace
