// The Kelvadi window on real tables: start-up, the route and point lists, adding, editing,
// deleting points and renaming a route, the settings kept between runs.
#include "FindPart.h"
#include "ProcessingTestSupport.h"
#include "ScriptedPrompter.h"

#include "ExportTestSupport.h"
#include "common/TAboutBox.h"
#include "processing/PointFields.h"
#include "processing/TFormAddPoint.h"
#include "processing/TFormEditPoint.h"
#include "processing/TFormMain.h"
#include "processing/Controls.h"
#include "store/dbf/DbfFile.h"
#include "store/dbf/LocalSql.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

using namespace tk;
using namespace tk::processing;
using Icon = Prompter::Icon;
using Buttons = Prompter::Buttons;
using Answer = Prompter::Answer;

using tk::test::part;

namespace {

QStringList column(const QTableView* list, int col)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->index(r, col).data().toString();
    return out;
}

QStringList row(const QTableView* list, int r)
{
    QStringList out;
    for (int c = 0; c < list->model()->columnCount(); ++c)
        out << list->model()->index(r, c).data().toString();
    return out;
}

QString selectedCaption(const QTableView* list)
{
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().data().toString() : QString();
}

void selectRows(QTableView* list, std::initializer_list<int> rows)
{
    list->selectionModel()->clearSelection();
    for (int r : rows)
        list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void selectRoute(QTableView* routes, const QString& name)
{
    const int r = int(column(routes, 0).indexOf(name));
    ASSERT_GE(r, 0) << name.toStdString();
    selectRows(routes, {r});
}

// A window with its dialogs on the current working directory, the account check on a manual clock.
struct Kelvadi {
    explicit Kelvadi(QDate today = QDate(2024, 5, 10)) : window(&prompter, &question, {today})
    {
        auto timer = std::make_unique<test::ManualShot>();
        shot = timer.get();
        edit = std::make_unique<TFormEditPoint>(window.routeTable(), window.prompter(), &window);
        add = std::make_unique<TFormAddPoint>(window.routeTable(), window.prompter(), std::move(timer), &window);
        window.setPointDialogs(add.get(), edit.get());
        routes = part<QTableView>(window, "ListEnum");
        points = part<QTableView>(window, "ListRoute");
    }
    ~Kelvadi() { EXPECT_TRUE(prompter.allAnswered() && question.allAnswered()) << "every expected question was asked"; }

    QAction* action(const char* name) { return window.action(name); }
    QString panel(int i) { return part<PanelBar>(window, "StatusEnum")->panelText(i); }

    test::ScriptedPrompter prompter;
    test::ScriptedQuestion question;
    TFormMain window;
    test::ManualShot* shot = nullptr;
    std::unique_ptr<TFormEditPoint> edit;
    std::unique_ptr<TFormAddPoint> add;
    QTableView* routes = nullptr;
    QTableView* points = nullptr;
};

void addRows(const QString& dir, const QStringList& values)
{
    store::LocalSql sql(dir);
    for (const QString& v : values)
        sql.execute({QStringLiteral("INSERT INTO Route(pers,street,house,number,ctype,subscriber,route) VALUES(") + v + QStringLiteral(")")});
}

} // namespace

TEST(FormMain, FirstStartInJanuaryOnEmptyTables)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    Kelvadi k(QDate(2024, 1, 15));
    EXPECT_EQ("Обработка данных", k.window.windowTitle());
    EXPECT_EQ(TabCalc, part<QTabWidget>(k.window, "PageControl1")->currentIndex());
    EXPECT_EQ(QDate(2023, 12, 1), part<QDateEdit>(k.window, "DTP1")->date());
    EXPECT_EQ(QDate(2024, 1, 1), part<QDateEdit>(k.window, "DTP2")->date());
    EXPECT_EQ(2024, part<QSpinBox>(k.window, "SpinYear")->value());

    EXPECT_EQ(0, k.routes->model()->rowCount());
    const QStringList panels = {"ТЕЛВ-1:  0", "ТЕЛВ-2:  0", "ВАКЛ-4:  0", "ВАКЛ-ДР:  0", "ВАКЛ-ПДР:  0"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(panels[i], k.panel(i));
    EXPECT_EQ(1, part<QComboBox>(k.window, "ComboRoute")->count()) << "only the empty entry";
    EXPECT_EQ(1, part<QComboBox>(k.window, "ComboStreet")->count());

    // The designed defaults, and the key made for them.
    EXPECT_TRUE(QFileInfo::exists(home.iniPath()));
    EXPECT_TRUE(part<QCheckBox>(k.window, "Check_T1")->isChecked());
    EXPECT_FALSE(part<QCheckBox>(k.window, "Check_T2")->isChecked());
    EXPECT_TRUE(part<QCheckBox>(k.window, "CheckDelta")->isChecked());
    EXPECT_TRUE(part<QSpinBox>(k.window, "SpinDay")->isHidden());
    EXPECT_TRUE(part<QLabel>(k.window, "LabelDay")->isHidden());
    for (const char* name : {"ActionAdd", "ActionRefresh"})
        EXPECT_TRUE(k.action(name)->isEnabled()) << name;
    for (const char* name : {"ActionEdit", "ActionDelete", "ActionRename", "ActionRouteExcel", "ActionCountExcel"})
        EXPECT_FALSE(k.action(name)->isEnabled()) << name;
}

TEST(FormMain, SettingsSurviveARestartAndTheUnsavedBoxesDoNot)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    home.put(QStringLiteral("RadioValue_Y"), 1);
    home.put(QStringLiteral("SpinDay"), 25);
    {
        Kelvadi k;
        EXPECT_FALSE(part<QSpinBox>(k.window, "SpinDay")->isHidden()) << "shown with RadioValue_Y = 1";
        EXPECT_EQ(25, part<QSpinBox>(k.window, "SpinDay")->value());
        part<QCheckBox>(k.window, "CheckStatus")->setChecked(false);
        part<QCheckBox>(k.window, "CheckFinish")->setChecked(true);
        part<QCheckBox>(k.window, "CheckPers")->setChecked(false);
        part<RadioGroup>(k.window, "RadioValue")->setIndex(1);
        part<QSpinBox>(k.window, "SpinYear")->setValue(2010);
        k.window.close();
    }
    EXPECT_EQ(0, home.raw(QStringLiteral("CheckStatus")).toInt());
    EXPECT_EQ(1, home.raw(QStringLiteral("CheckFinish")).toInt());
    EXPECT_EQ(1, home.raw(QStringLiteral("RadioValue")).toInt());
    EXPECT_FALSE(home.raw(QStringLiteral("CheckPers")).isValid()) << "not a setting";
    Kelvadi again;
    EXPECT_FALSE(part<QCheckBox>(again.window, "CheckStatus")->isChecked());
    EXPECT_TRUE(part<QCheckBox>(again.window, "CheckFinish")->isChecked());
    EXPECT_EQ(1, part<RadioGroup>(again.window, "RadioValue")->index());
    EXPECT_TRUE(part<QCheckBox>(again.window, "CheckPers")->isChecked());
    EXPECT_EQ(2024, part<QSpinBox>(again.window, "SpinYear")->value());
}

TEST(FormMain, FixtureRoutesPointsAndRename)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.copyFixtures(QStringLiteral("small"));
    Kelvadi k;
    EXPECT_EQ(7, k.routes->model()->rowCount());
    EXPECT_EQ(QStringList({"Южный-1", "4", "1", "3", "", "", ""}), row(k.routes, 6)) << "the last route";
    int total = 0;
    for (int i = 0; i < 5; ++i)
        total += k.panel(i).section(QStringLiteral(":  "), 1).toInt();
    EXPECT_EQ(26, total);
    EXPECT_EQ(8, part<QComboBox>(k.window, "ComboRoute")->count());

    selectRoute(k.routes, QStringLiteral("Маршрут 1"));
    EXPECT_EQ(4, k.points->model()->rowCount());
    EXPECT_TRUE(k.action("ActionRename")->isEnabled());
    for (const QString& account : column(k.points, 0))
        EXPECT_GE(account.size(), 9) << account.toStdString();

    const QString title = QStringLiteral("Переименовать маршрут");
    k.question.expect({title, QStringLiteral("Название"), QStringLiteral("Маршрут 1"), std::nullopt});
    k.action("ActionRename")->trigger();
    EXPECT_EQ("Маршрут 1", selectedCaption(k.routes));

    k.question.expect({title, QStringLiteral("Название"), QStringLiteral("Маршрут 1"), QStringLiteral("   ")});
    k.prompter.expectError(title, QStringLiteral("Название маршрута не может быть пустым."));
    k.action("ActionRename")->trigger();

    k.question.expect({title, QStringLiteral("Название"), QStringLiteral("Маршрут 1"), QStringLiteral("Маршрут 1'бис")});
    k.action("ActionRename")->trigger();
    EXPECT_TRUE(column(k.routes, 0).contains(QStringLiteral("Маршрут 1'бис")));
    store::LocalSql sql(wd.path());
    EXPECT_EQ(4, sql.select({QStringLiteral("SELECT * FROM Route WHERE route = :r")}, store::Params().text(QStringLiteral("r"), QStringLiteral("Маршрут 1'бис"))).size());
}

TEST(FormMain, AddingPointsWarnsAboutAKnownAccountTwoSecondsAfterTyping)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    addRows(wd.path(), {QStringLiteral("9876543210,'ЛЕНИНА','1',11,1,'','Север'")});
    Kelvadi k;
    selectRoute(k.routes, QStringLiteral("Север"));

    bool ran = false;
    QTimer::singleShot(0, k.add.get(), [&] {
        ran = true;
        PointFields* f = k.add->fields();
        EXPECT_EQ("ТЕЛВ-2", f->ComboType->currentText()) << "the type list filled at first use";
        EXPECT_EQ("Север", f->ComboRoute->currentText()) << "the selected route";
        EXPECT_FALSE(k.add->BtnAdd->isEnabled()) << "off until something changes";
        f->EditPers->setText(QStringLiteral("9876543210"));
        k.shot->advance(1999);
        EXPECT_FALSE(k.add->LabelExists->isVisible());
        k.shot->advance(1);
        EXPECT_TRUE(k.add->LabelExists->isVisible()) << "the account is on the table";
        EXPECT_TRUE(k.add->BtnAdd->isEnabled()) << "the warning does not block adding";

        // Two points in a row, the second on a route that does not exist yet.
        f->EditPers->setText(QStringLiteral("12345"));
        f->SpinNumber->setValue(77);
        k.add->BtnAdd->click();
        EXPECT_FALSE(k.add->BtnAdd->isEnabled());
        k.shot->advance(2000);
        EXPECT_TRUE(k.add->LabelExists->isVisible()) << "12345 was just added";
        f->EditPers->setText(QStringLiteral("abc"));
        k.shot->advance(2000);
        EXPECT_TRUE(k.add->LabelExists->isVisible()) << "a text that is not a number leaves the label";
        f->EditPers->setText(QStringLiteral("4294967297"));
        f->ComboRoute->setEditText(QStringLiteral("Новый"));
        k.add->BtnAdd->click();

        f->EditPers->setText(QStringLiteral("abc"));
        k.prompter.expectErrorStartingWith(QStringLiteral("Обработка данных"), QStringLiteral("«abc»"));
        k.add->BtnAdd->click();
        k.add->BtnExit->click();
    });
    k.action("ActionAdd")->trigger();
    ASSERT_TRUE(ran);

    EXPECT_EQ(QStringList({"Новый", "Север"}), column(k.routes, 0)) << "the new route is listed";
    EXPECT_EQ("Север", selectedCaption(k.routes)) << "selected again";
    EXPECT_EQ(QStringList({"9876543210", "000012345"}), column(k.points, 0));
    selectRoute(k.routes, QStringLiteral("Новый"));
    EXPECT_EQ(QStringList({"4294967297", "", "", "", "000077", "ТЕЛВ-2"}), row(k.points, 0));
}

TEST(FormMain, EditingAPointOntoAnotherRouteLeavesTheOldRouteSelected)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    addRows(wd.path(), {QStringLiteral("4294967396,'САДОВАЯ','12',101,1,'','А'"), QStringLiteral("2,'САДОВАЯ','14',102,0,'','А'"),
                        QStringLiteral("3,'МИРА','1',103,2,'','Б'")});
    Kelvadi k;

    // An edit within the route updates the row in place.
    selectRoute(k.routes, QStringLiteral("А"));
    selectRows(k.points, {1});
    ASSERT_TRUE(k.action("ActionEdit")->isEnabled());
    QTimer::singleShot(0, k.edit.get(), [&] {
        PointFields* f = k.edit->fields();
        EXPECT_EQ("000000002", f->EditPers->text());
        EXPECT_TRUE(f->EditPers->isReadOnly());
        EXPECT_EQ(0, f->ComboType->currentIndex());
        EXPECT_EQ(102, f->SpinNumber->value());
        f->EditHouse->setText(QStringLiteral("14/2"));
        f->ComboType->setCurrentIndex(4);
        k.edit->BtnOk->click();
    });
    k.action("ActionEdit")->trigger();
    EXPECT_EQ(QStringList({"000000002", "САДОВАЯ", "14/2", "", "102", "ВАКЛ-ПДР"}), row(k.points, 1));

    // A move to another route reloads the lists.
    selectRows(k.points, {0});
    QTimer::singleShot(0, k.edit.get(), [&] {
        PointFields* f = k.edit->fields();
        EXPECT_EQ("4294967396", f->EditPers->text());
        f->ComboRoute->setEditText(QStringLiteral("Б"));
        k.edit->BtnOk->click();
    });
    k.action("ActionEdit")->trigger();
    EXPECT_EQ("А", selectedCaption(k.routes));
    EXPECT_EQ(QStringList({"000000002"}), column(k.points, 0)) << "the moved point has gone";
    EXPECT_FALSE(k.action("ActionEdit")->isEnabled());
    EXPECT_FALSE(k.action("ActionDelete")->isEnabled());
    EXPECT_EQ(QStringList({"Б", "2", "", "1", "1", "", ""}), row(k.routes, 1));
}

TEST(FormMain, DeletingReportsEachFailedPointAndTheLastPointTakesTheRoute)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    addRows(wd.path(), {QStringLiteral("5,'МИРА','1',11,1,'','А'"), QStringLiteral("NULL,'МИРА','2',12,1,'','А'"),
                        QStringLiteral("6,'МИРА','3',13,1,'','Б'")});
    Kelvadi k;
    const QString title = QStringLiteral("Удаление точек учёта");
    const QString question = QStringLiteral("Вы подтверждаете удаление выбранных точек учета?");

    selectRoute(k.routes, QStringLiteral("А"));
    selectRows(k.points, {0, 1});
    k.prompter.expect(title, question, Icon::Question, Buttons::OkCancel, Answer::Cancel);
    k.action("ActionDelete")->trigger();
    EXPECT_EQ(2, k.points->model()->rowCount()) << "cancelled";

    k.prompter.expect(title, question, Icon::Question, Buttons::OkCancel, Answer::Ok);
    k.prompter.expectError(title, QStringLiteral("Точка учёта  не удалена.")); // the point without an account
    k.action("ActionDelete")->trigger();
    EXPECT_EQ(QStringList({""}), column(k.points, 0));
    EXPECT_FALSE(k.action("ActionDelete")->isEnabled());
    EXPECT_EQ("2", row(k.routes, 0)[1]) << "counts stay until the next reload";

    selectRoute(k.routes, QStringLiteral("Б"));
    selectRows(k.points, {0});
    k.prompter.expect(title, question, Icon::Question, Buttons::OkCancel, Answer::Ok);
    k.action("ActionDelete")->trigger();
    EXPECT_EQ(QStringList({"А"}), column(k.routes, 0)) << "the emptied route is gone";
    store::LocalSql sql(wd.path());
    EXPECT_EQ(1, sql.select({QStringLiteral("SELECT * FROM Route")}).size());
}

TEST(FormMain, StartsOnOldTablesAndWidensTheAccountColumn)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.copyFixtures(QStringLiteral("old"));
    {
        Kelvadi k;
        EXPECT_EQ(3, k.routes->model()->rowCount());
    }
    dbf::DbfFile f;
    f.open(wd.path() + QStringLiteral("/Route.dbf"), false);
    EXPECT_EQ(10, f.schema().fields.front().width);
}

TEST(FormMain, MissingTablesAreReportedAndTheWindowStillOpens)
{
    test::ConfigHome home;
    test::WorkDir wd;
    test::ScriptedPrompter p;
    p.expectErrorStartingWith(QStringLiteral("Обработка данных"), QString());
    p.expectErrorStartingWith(QStringLiteral("Обработка данных"), QString());
    p.expectErrorStartingWith(QStringLiteral("Обработка данных"), QString());
    test::ScriptedQuestion q;
    TFormMain w(&p, &q, {QDate(2024, 5, 10)});
    EXPECT_TRUE(p.allAnswered()) << "route list, streets and balance groups each say why";
    EXPECT_EQ("ТЕЛВ-1:  0", part<PanelBar>(w, "StatusEnum")->panelText(0));
}

TEST(FormMain, RouteGoesToASpreadsheetAsItsSixColumnsUnderItsTitle)
{
    test::ConfigHome home;
    test::ExportPlace place;
    test::WorkDir wd;
    wd.createTables();
    addRows(wd.path(), {QStringLiteral("9876543210,'ЛЕНИНА','12А',42,4,'Петров П.П.','Север'"),
                        QStringLiteral("12345,'МИРА','1',7,0,'','Север'"), QStringLiteral("5,'МИРА','2',8,0,'','Юг'")});
    Kelvadi k;
    EXPECT_FALSE(k.action("ActionRouteExcel")->isEnabled());
    selectRoute(k.routes, QStringLiteral("Север"));
    ASSERT_TRUE(k.action("ActionRouteExcel")->isEnabled());
    k.action("ActionRouteExcel")->trigger();

    const QStringList opened = place.opened(1);
    ASSERT_EQ(1, opened.size());
    const QJsonArray rows = test::readSheet(opened.front());
    ASSERT_EQ(4, rows.size());
    EXPECT_EQ(test::text(QStringLiteral("Маршрут: Север")), rows[0].toArray()[0]);
    const QJsonArray captions = rows[1].toArray();
    ASSERT_EQ(6, captions.size()) << "the type code rides along unexported";
    EXPECT_EQ(test::text(QStringLiteral("Тип счётчика")), captions[5]);
    const QJsonArray first = rows[2].toArray();
    EXPECT_EQ(test::number(9876543210.0), first[0]);
    EXPECT_EQ(test::text(QStringLiteral("12А")), first[2]);
    EXPECT_EQ(test::number(42), first[4]);
    EXPECT_EQ(test::text(QStringLiteral("ВАКЛ-ПДР")), first[5]);
}

TEST(FormMain, AboutBoxOpensFromTheHelpMenuOnceItIsThere)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    Kelvadi k;
    QAction* item = part<QAction>(k.window, "NAbout");
    EXPECT_FALSE(item->isEnabled());
    TAboutBox about(TAboutBox::Program::Processing, std::nullopt, &k.window);
    k.window.setAboutBox(&about);
    ASSERT_TRUE(item->isEnabled());
    bool shown = false;
    QTimer::singleShot(0, &about, [&] {
        shown = about.isVisible();
        EXPECT_EQ("Обработка данных", about.ProductName->text());
        about.OKButton->click();
    });
    item->trigger();
    EXPECT_TRUE(shown);
}
