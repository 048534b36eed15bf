// The route tab's actions in the window, without a reader: loading from the route table, the
// task's limit, the abbreviation dialog.
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"
#include "WindowParts.h"

#include "common/Cp1251.h"
#include "manager/TFormVorm.h"
#include "routes/RouteState.h"
#include "routes/TFormAbbr.h"
#include "routes/TFormAlternative.h"
#include "routes/TFormRouteList.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"
#include "store/reading/ReadingStore.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

class RouteActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbf::createTable(work_.file("Route.dbf"), dbf::standardTable(QStringLiteral("Route"))->schema);
        window_ = std::make_unique<manager::TFormVorm>(&prompter_, manager::StartupOptions{{QStringLiteral("Vormer_2005")}, {}, {}});
        routeList_ = new routes::TFormRouteList(window_.get());
        alternative_ = new routes::TFormAlternative(window_.get());
        abbr_ = new routes::TFormAbbr(window_->abbreviations(), work_.path(), prompter_, window_.get());
        window_->setRouteDialogs(routeList_, alternative_, abbr_);
    }
    void TearDown() override
    {
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }
    void addPoints(const QString& route, int count)
    {
        for (int i = 0; i < count; ++i)
            window_->readingStore().sql().execute(
                {QStringLiteral("INSERT INTO Route (pers, street, house, number, ctype, subscriber, route)"),
                 QStringLiteral("VALUES (:p, 'МИРА', '1', :n, 1, '', :r)")},
                store::Params().integer("p", i + 1).integer("n", i + 1).text("r", route));
    }
    void chooseAll()
    {
        whenShown<routes::TFormRouteList>(window_.get(), [](routes::TFormRouteList* d) {
            d->findChild<QListWidget*>("ListRoute")->selectAll();
            d->findChild<QPushButton*>("BtnOk")->click();
        });
    }

    ConfigHome home_;
    WorkDir work_;
    ScriptedPrompter prompter_;
    std::unique_ptr<manager::TFormVorm> window_;
    routes::TFormRouteList* routeList_ = nullptr;
    routes::TFormAlternative* alternative_ = nullptr;
    routes::TFormAbbr* abbr_ = nullptr;
};

} // namespace

TEST_F(RouteActionsTest, RouteFromTheTableFillsTheTabWhileTheLinkIsDown)
{
    addPoints(QStringLiteral("Центр"), 3);
    whenShown<routes::TFormRouteList>(window_.get(), [](routes::TFormRouteList* d) {
        auto* list = d->findChild<QListWidget*>("ListRoute");
        EXPECT_EQ(1, list->count());
        EXPECT_FALSE(d->findChild<QPushButton*>("BtnOk")->isEnabled()) << "nothing chosen yet";
        list->item(0)->setSelected(true);
        d->findChild<QPushButton*>("BtnOk")->click();
    });
    window_->action("ActionRouteFromBd")->trigger();
    EXPECT_EQ(QStringLiteral("Центр"), part<QLineEdit>(*window_, "EditRoute")->text());
    EXPECT_EQ(3, window_->routeState().list().rowCount());
    EXPECT_EQ(QStringLiteral("0000000002"), window_->routeState().list().cell(1, 0));
    EXPECT_FALSE(window_->action("ActionWriteRoute")->isEnabled()) << "no link, nothing to write to";

    // The name typed by hand is the route's name.
    part<QLineEdit>(*window_, "EditRoute")->clear();
    QTest::keyClicks(part<QLineEdit>(*window_, "EditRoute"), QStringLiteral("Sever 2"));
    EXPECT_EQ(QStringLiteral("Sever 2"), window_->routeState().name());
}

TEST_F(RouteActionsTest, TaskOfMoreRoutesThanSlotsIsRefusedBeforeAnythingHappens)
{
    for (int r = 1; r <= 56; ++r)
        addPoints(QStringLiteral("Р%1").arg(r, 2, 10, QLatin1Char('0')), 1);
    whenShown<routes::TFormAlternative>(window_.get(),
                                        [](routes::TFormAlternative* d) { d->findChild<QPushButton*>("BtnTable")->click(); });
    chooseAll();
    prompter_.expectError("Загрузка задания", "В ридер можно загрузить не более 55 маршрутов; выбрано 56.");
    window_->action("ActionWizard")->setEnabled(true);
    window_->action("ActionWizard")->trigger();
    EXPECT_LE(window_->engine().stepNo(), reader::StepClock);
    EXPECT_TRUE(window_->routeState().taskList().isEmpty());
}

TEST_F(RouteActionsTest, AbbreviationsAreWrittenOnlyByOkButEditsMapAtOnce)
{
    const QString dr = QStringLiteral("Abbr_vakl_dr.txt");
    whenShown<routes::TFormAbbr>(window_.get(), [](routes::TFormAbbr* d) {
        d->findChild<QPlainTextEdit*>("MemoAbbr_3")->setPlainText(QStringLiteral("ВАКЛ-ДР\nТрёхфазный"));
        d->findChild<QPushButton*>("BtnCancel")->click();
    });
    window_->action("ActionAbbr")->trigger();
    EXPECT_FALSE(QFile::exists(work_.file(dr)));
    EXPECT_EQ(0xA3, window_->abbreviations().typeCode(QStringLiteral("трёхфазный счетчик")));

    whenShown<routes::TFormAbbr>(window_.get(), [](routes::TFormAbbr* d) { d->findChild<QPushButton*>("BtnOk")->click(); });
    window_->action("ActionAbbr")->trigger();
    QFile f(work_.file(dr));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(toCp1251(QStringLiteral("ВАКЛ-ДР\r\nТрёхфазный\r\n")), f.readAll());
    EXPECT_TRUE(QFile::exists(work_.file("Abbr_lum.txt"))) << "Ok writes all five";
}

TEST_F(RouteActionsTest, RouteFileIsReadThroughTheAddOnWithItsBadLinesReported)
{
    const QString path = work_.file("Заречье.txt");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(toCp1251(QStringLiteral("1000000001;Ленина;12;100001;ТЕЛВ-1\r\n"
                                    "1000000002;Ленина;12/2;100002;Гидрометр\r\n"
                                    "1000000003;Мира;7А;200017;BAКЛ-4\r\n")));
    f.close();
    prompter_.answerFile(path);
    prompter_.expect("Ошибка в файле", "Ошибка в строке №2. Неверный тип счетчика. Продолжить загрузку ?",
                     Prompter::Icon::Error, Prompter::Buttons::YesNo, Prompter::Answer::Yes);
    const QString cwd = QDir::currentPath();
    window_->action("ActionLoadRoute")->trigger();
    EXPECT_EQ(cwd, QDir::currentPath());
    EXPECT_EQ(QStringLiteral("Заречье"), part<QLineEdit>(*window_, "EditRoute")->text());
    ASSERT_EQ(2, window_->routeState().list().rowCount());
    EXPECT_EQ(QStringLiteral("BAКЛ-4"), window_->routeState().list().cell(1, 4));
    EXPECT_EQ(manager::TabRoutes, part<QTabWidget>(*window_, "PageControl1")->currentIndex());

    // Cancelled: nothing changes.
    prompter_.answerFile(QString());
    window_->action("ActionLoadRoute")->trigger();
    EXPECT_EQ(2, window_->routeState().list().rowCount());
}
