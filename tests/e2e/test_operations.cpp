// Reader operations started from the manager's window against the emulator on a pty, with the
// demo reader content: what the user sees in the grids and what the reader holds afterwards.
#include "ManagerOnSim.h"
#include "reader/Engine.h"
#include "common/Families.h"
#include "manager/PanelStatusBar.h"
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "manager/TFormVorm.h"
#include "Workplace.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

class Operations : public ManagerOnSim {
protected:
    void SetUp() override { start(); }
};

} // namespace

TEST_F(Operations, EveryFamilyReadFillsItsGridWithTheReadersRecords)
{
    const std::pair<const char*, int> reads[] = {
        {"ActionTelv_1", 2}, {"ActionTelv_2", 2}, {"ActionVakl", 2},
        {"ActionVaklDr", 1}, {"ActionVaklPdr", 1}, {"ActionZKV", 1},
    };
    for (const auto& read : reads)
        ASSERT_TRUE(run(read.first)) << read.first;
    for (size_t i = 0; i < std::size(reads); ++i) {
        QAbstractItemModel* model = tk::test::readerGridOf(*w, int(i))->model();
        EXPECT_EQ(reads[i].second + 1, model->rowCount()) << reads[i].first << ": records and the empty last row";
        EXPECT_FALSE(model->index(0, i == size_t(Family::Zkv) ? 0 : 3).data().toString().isEmpty()) << reads[i].first;
        EXPECT_EQ(QString::number(reads[i].second), tk::test::familyStatusBarOf(*w, int(i))->panelText(0)) << reads[i].first;
    }
    EXPECT_TRUE(w->action("ActionWrite_2")->isEnabled()) << "a filled grid can be written";
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(Operations, SettingsWrittenFromThePageReachTheReaderAndReadBack)
{
    ASSERT_TRUE(run("ActionReadTarif"));
    EXPECT_EQ(manager::TabSettings, tk::test::part<QTabWidget>(*w, "PageControl1")->currentIndex()) << "the password read shows the page";
    EXPECT_FALSE(tk::test::part<QCheckBox>(*w, "CheckOneTarif")->isChecked());
    EXPECT_EQ(QTime(6, 30), tk::test::zoneTimeOf(*w, int(1))->time());
    EXPECT_EQ("1234", tk::test::part<QLineEdit>(*w, "EditPassword")->text().toStdString());
    for (QCheckBox* c : tk::test::indiBoxes(*w))
        EXPECT_TRUE(c->isChecked()) << "display bits 0F";

    tk::test::zoneTimeOf(*w, int(2))->setTime(QTime(9, 15));
    tk::test::tariffBoxOf(*w, int(5))->setCurrentIndex(tk::test::tariffBoxOf(*w, int(5))->findText("1"));
    tk::test::part<QSpinBox>(*w, "SpinCountDay")->setValue(25);
    tk::test::part<QSpinBox>(*w, "SpinCountHour")->setValue(23);
    tk::test::part<QCheckBox>(*w, "CheckSummer")->setChecked(false);
    tk::test::indiBoxOf(*w, int(1))->setChecked(false);
    tk::test::part<QLineEdit>(*w, "EditPassword")->setText("51234");
    ASSERT_TRUE(run("ActionWriteTarif"));

    const QJsonObject s = savedState();
    EXPECT_EQ("03 09 15", s["tariffs"].toArray().at(2).toString().toStdString());
    EXPECT_EQ("01 20 30", s["tariffs"].toArray().at(5).toString().toStdString());
    EXPECT_EQ("25", s["billingDay"].toString().toStdString());
    EXPECT_EQ("23", s["billingHour"].toString().toStdString());
    EXPECT_EQ("00", s["summerFlag"].toString().toStdString());
    EXPECT_EQ("0D", s["displayMode"].toString().toStdString());
    EXPECT_EQ(51234, s["password"].toInt());
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(Operations, JournalDiaryAndDatabaseListAreReadIntoTheirTabs)
{
    ASSERT_TRUE(run("ActionReadJournal"));
    EXPECT_EQ(manager::TabJournal, tk::test::part<QTabWidget>(*w, "PageControl1")->currentIndex());
    EXPECT_EQ(4, tk::test::part<QTableView>(*w, "GridJournal")->model()->rowCount()) << "three records and the empty last row";
    EXPECT_EQ("3", tk::test::part<tk::manager::PanelStatusBar>(*w, "StatusBar5")->panelText(0).toStdString());

    ASSERT_TRUE(run("ActionReadDiary"));
    EXPECT_EQ(4, tk::test::part<QTableView>(*w, "GridDiary")->model()->rowCount());

    ASSERT_TRUE(run("ActionReadList", 30000));
    EXPECT_EQ(manager::TabDatabases, tk::test::part<QTabWidget>(*w, "PageControl1")->currentIndex());
    QAbstractItemModel* list = tk::test::part<QTableView>(*w, "ListDb")->model();
    QStringList named;
    for (int r = 0; r < list->rowCount(); ++r)
        named << list->index(r, 0).data().toString() + "=" + list->index(r, 1).data().toString() + ":"
                + list->index(r, 2).data().toString();
    EXPECT_EQ(QStringList({"8=Центр:5", "9=Заречье:0"}), named);
    EXPECT_TRUE(prompter.allAnswered());
}
