// The main window built offscreen: its actions, menus and controls, and how it follows the engine.
#include "WindowParts.h"
#include "ExportTestSupport.h"
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"

#include "reader/Engine.h"
#include "common/Families.h"
#include "manager/PanelStatusBar.h"
#include "common/Regional.h"
#include "reader/SerialChannel.h"
#include "manager/TFormVorm.h"
#include "routes/RouteState.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

using tk::manager::PanelStatusBar;
using tk::manager::TFormVorm;

namespace {

class FormVormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = std::make_unique<TFormVorm>(&prompter_, tk::manager::StartupOptions{{QStringLiteral("Vormer_2005")}, {}, {}});
    }
    void TearDown() override
    {
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }

    QAction* action(const char* name) const { return window_->findChild<QAction*>(QString::fromLatin1(name)); }
    template <class W> W* control(const char* name) const
    {
        W* w = window_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(nullptr, w) << name;
        return w;
    }
    static QStringList columns(const QTableView* v)
    {
        QStringList out;
        for (int c = 0; c < v->model()->columnCount(); ++c)
            out << v->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        return out;
    }
    // A menu as its entries: an action's objectName, a submenu's title, "-" for a separator.
    static QStringList entries(const QMenu* m)
    {
        QStringList out;
        for (const QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? a->menu()->title() : a->objectName());
        return out;
    }

    tk::test::ConfigHome home_;
    tk::test::ScriptedPrompter prompter_;
    std::unique_ptr<TFormVorm> window_;
};

TEST_F(FormVormTest, EveryActionHasItsCaptionHintAndStartState)
{
    struct Row {
        const char* name;
        const char* caption;
        const char* hint;
        bool enabled;
    };
    const Row rows[] = {
        {"ActionTelv_1", "Считать данные из ридера", "Считать данные ТЕЛВ-1", false},
        {"ActionTelv_2", "Считать данные из ридера", "Считать данные ТЕЛВ-2", false},
        {"ActionVakl", "Считать данные из ридера", "Считать данные ВАКЛ-4", false},
        {"ActionVaklDr", "Считать данные из ридера", "Считать данные ВАКЛ-ДР", false},
        {"ActionVaklPdr", "Считать данные из ридера", "Считать данные ВАКЛ-ПДР", false},
        {"ActionZKV", "Считать данные из ридера", "Считать данные ЖКВ", false},
        {"ActionFormat_1", "Очистить данные ридера", "Очистить ТЕЛВ-1", false},
        {"ActionFormat_2", "Очистить данные ридера", "Очистить ТЕЛВ-2", false},
        {"ActionFormat_4", "Очистить данные ридера", "Очистить ВАКЛ-4", false},
        {"ActionFormat_Dr", "Очистить данные ридера", "Очистить ВАКЛ-ДР", false},
        {"ActionFormat_Pdr", "Очистить данные ридера", "Очистить ВАКЛ-ПДР", false},
        {"ActionFormat_ZKV", "Очистить данные ридера", "Очистить ЖКВ", false},
        {"ActionClear_1", "&Очистить обменник", "Очистить обменник ТЕЛВ-1", true},
        {"ActionClear_2", "&Очистить обменник", "Очистить обменник ТЕЛВ-2", true},
        {"ActionClear_4", "&Очистить обменник", "Очистить обменник ВАКЛ-4", true},
        {"ActionClear_Dr", "&Очистить обменник", "Очистить обменник ВАКЛ-ДР", true},
        {"ActionClear_Pdr", "&Очистить обменник", "Очистить обменник ВАКЛ-ПДР", true},
        {"ActionClear_Zkv", "&Очистить обменник", "Очистить обменник ЖКВ", true},
        {"ActionDbTelv_1", "Экспорт в СУДБ", "Экспорт в СУДБ", false},
        {"ActionDbTelv_2", "Экспорт в СУДБ", "Экспорт в СУДБ", false},
        {"ActionDbVakl", "Экспорт в СУДБ", "Экспорт в СУДБ", false},
        {"ActionDbVaklDr", "Экспорт в СУДБ", "Экспорт в СУДБ", false},
        {"ActionDbVaklPdr", "Экспорт в СУДБ", "Экспорт в СУДБ", false},
        {"ActionExpTelv_1", "Экспорт в &текстовый файл", "Экспорт в текстовый файл", false},
        {"ActionExpTelv", "Экспорт в &текстовый файл", "Экспорт в текстовый файл", false},
        {"ActionExpVakl", "Экспорт в &текстовый файл", "Экспорт в текстовый файл", false},
        {"ActionExpvaklDr", "Экспорт в &текстовый файл", "Экспорт в текстовый файл", false},
        {"ActionExpvaklPDr", "Экспорт в &текстовый файл", "Экспорт в текстовый файл", false},
        {"ActionExportTelv_1", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionExportTelv_2", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionExportVakl", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionExportVaklDr", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionExportVaklPdr", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionExportZkv", "&Экспорт в Excel", "Экспорт в Excel", false},
        {"ActionWrite_1", "&Записать в БД", "Записать в БД ТЕЛВ-1", false},
        {"ActionWrite_2", "&Записать в БД", "Записать в БД ТЕЛВ-2", false},
        {"ActionWrite_4", "&Записать в БД", "Записать в БД ВАКЛ-4", false},
        {"ActionWrite_Dr", "&Записать в БД", "Записать в БД ВАКЛ-ДР", false},
        {"ActionWrite_Pdr", "&Записать в БД", "Записать в БД ВАКЛ-ПДР", false},
        {"ActionErase_1", "Очистить &БД", "Очистить БД ТЕЛВ-1", true},
        {"ActionErase_2", "Очистить &БД", "Очистить БД ТЕЛВ-2", true},
        {"ActionErase_4", "Очистить &БД", "Очистить БД ВАКЛ-4", true},
        {"ActionErase_Dr", "Очистить &БД", "Очистить БД ВАКЛ-ДР", true},
        {"ActionErase_PDr", "Очистить &БД", "Очистить БД ВАКЛ-ПДР", true},
        {"ActionConnect", "&Установить связь", "Установить связь", true},
        {"ActionDisconnect", "&Разорвать связь", "Разорвать связь", false},
        {"ActionTime", "&Синхронизовать время", "Синхронизовать время", false},
        {"ActionReadList", "Прочитать список &баз", "Прочитать список баз из ридера", false},
        {"ActionReadTarif", "&Прочитать", "Прочитать установки", false},
        {"ActionWriteTarif", "&Записать", "Записать установки", false},
        {"ActionReadJournal", "&Прочитать", "Прочитать журнал", false},
        {"ActionExportJournal", "&Экспорт", "Экспорт журнала", false},
        {"ActionClearJournal", "&Очистить", "Очистить журнал", false},
        {"ActionReadDiary", "&Прочитать", "Прочитать дневник", false},
        {"ActionExportDiary", "&Экспорт", "Экспорт дневника", false},
        {"ActionClearDiary", "&Очистить", "Очистить дневник", false},
        {"ActionWizard", "За&грузить задание", "Загрузить задание", false},
        {"ActionRouteFromBd", "Загрузить из &БД", "Загрузить маршрут из БД", true},
        {"ActionLoadRoute", "Загрузить из &файла", "Загрузить маршрут из файла", true},
        {"ActionWriteRoute", "&Записать в ридер", "Записать маршрут в ридер", false},
        {"ActionReadRoute", "&Прочитать из ридера", "Прочитать маршрут из ридера", false},
        {"ActionDestroyRoute", "&Удалить из ридера", "Удалить маршрут из ридера", false},
        {"ActionFormatStreet", "Очистить БД \"Улицы\"", "Очистить БД \"Улицы\"", false},
        {"ActionAbbr", "&Аббревиатуры", "Аббревиатуры", true},
        {"ActionRouteExcel", "&Экспорт в Excel", "Экспорт в Excel", false},
    };
    for (const Row& r : rows) {
        const QList<QAction*> found = window_->findChildren<QAction*>(QString::fromLatin1(r.name));
        ASSERT_EQ(1, found.size()) << r.name;
        EXPECT_EQ(QString::fromUtf8(r.caption), found[0]->text()) << r.name;
        EXPECT_EQ(QString::fromUtf8(r.hint), found[0]->toolTip()) << r.name;
        EXPECT_EQ(r.enabled, found[0]->isEnabled()) << r.name;
    }
}

TEST_F(FormVormTest, MenusInOrder)
{
    const std::vector<std::pair<const char*, QStringList>> expected = {
        {"&Ридер", {"Порт", "ActionConnect", "ActionDisconnect", "-", "ActionTime", "ActionReadList", "-", "NStatus", "-", "NExit"}},
        {"ТЕЛВ-&1", {"ActionTelv_1", "ActionFormat_1", "-", "ActionClear_1", "ActionDbTelv_1", "ActionExpTelv_1",
                     "ActionExportTelv_1", "ActionWrite_1", "ActionErase_1"}},
        {"ТЕЛВ-&2", {"ActionTelv_2", "ActionFormat_2", "-", "ActionClear_2", "ActionDbTelv_2", "ActionExpTelv",
                     "ActionExportTelv_2", "ActionWrite_2", "ActionErase_2"}},
        {"ВАК&Л-4", {"ActionVakl", "ActionFormat_4", "-", "ActionClear_4", "ActionDbVakl", "ActionExpVakl", "ActionExportVakl",
                     "ActionWrite_4", "ActionErase_4"}},
        {"ВА&КЛ-ДР", {"ActionVaklDr", "ActionFormat_Dr", "-", "ActionClear_Dr", "ActionDbVaklDr", "ActionExpvaklDr",
                      "ActionExportVaklDr", "ActionWrite_Dr", "ActionErase_Dr"}},
        {"ВАКЛ-&ПДР", {"ActionVaklPdr", "ActionFormat_Pdr", "-", "ActionClear_Pdr", "ActionDbVaklPdr", "ActionExpvaklPDr",
                       "ActionExportVaklPdr", "ActionWrite_Pdr", "ActionErase_PDr"}},
        {"ЖК&В", {"ActionZKV", "ActionFormat_ZKV", "-", "ActionClear_Zkv", "ActionExportZkv"}},
        {"Мар&шруты", {"ActionWizard", "-", "ActionRouteFromBd", "ActionLoadRoute", "ActionWriteRoute", "ActionReadRoute",
                       "ActionDestroyRoute", "-", "ActionFormatStreet", "-", "ActionAbbr", "ActionRouteExcel"}},
        {"&Журнал", {"ActionReadJournal", "ActionExportJournal", "ActionClearJournal"}},
        {"&Дневник", {"ActionReadDiary", "ActionExportDiary", "ActionClearDiary"}},
        {"&Установки", {"ActionReadTarif", "ActionWriteTarif"}},
        {"&?", {"NHelp", "-", "NAbout"}},
    };
    const QList<QAction*> top = window_->menuBar()->actions();
    ASSERT_EQ(expected.size(), size_t(top.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_NE(nullptr, top[qsizetype(i)]->menu()) << i;
        EXPECT_EQ(QString::fromUtf8(expected[i].first), top[qsizetype(i)]->menu()->title());
        EXPECT_EQ(expected[i].second, entries(top[qsizetype(i)]->menu())) << expected[i].first;
    }
    EXPECT_EQ(QStringLiteral("Расши&фровка статуса"), action("NStatus")->text());
    EXPECT_EQ(QStringLiteral("В&ыход"), action("NExit")->text());
    EXPECT_EQ(QStringLiteral("&Справка"), action("NHelp")->text());
    EXPECT_EQ(QStringLiteral("&О программе"), action("NAbout")->text());
    // A window built without the status window and the about box (as here) offers neither,
    // rather than items that do nothing.
    EXPECT_FALSE(action("NStatus")->isEnabled());
    EXPECT_FALSE(action("NAbout")->isEnabled());
    EXPECT_EQ(control<QMenu>("NPort")->title(), QStringLiteral("Порт"));
}

TEST_F(FormVormTest, FrameTabsAndTheirControls)
{
    EXPECT_EQ(QStringLiteral("FormVorm"), window_->objectName());
    EXPECT_EQ(QStringLiteral("ТК4718ЕН-менеджер"), window_->windowTitle());
    EXPECT_EQ(QSize(480, 360), window_->minimumSize());

    auto* tabs = control<QTabWidget>("PageControl1");
    const QStringList titles = {"ТЕЛВ-1", "ТЕЛВ-2", "ВАКЛ-4", "ВАКЛ-ДР", "ВАКЛ-ПДР", "ЖКВ",
                                "Маршруты", "Журнал", "Дневник", "Базы", "Установки"};
    ASSERT_EQ(titles.size(), tabs->count());
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_EQ(titles[i], tabs->tabText(i));
    EXPECT_EQ(QTabWidget::South, tabs->tabPosition());
    EXPECT_EQ(0, tabs->currentIndex());

    auto* top = control<QToolBar>("ToolBar1");
    QStringList topItems;
    for (QAction* a : top->actions())
        topItems << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(QStringList({"", "-", "ActionConnect", "ActionDisconnect", "-", "ActionTime", "ActionReadList", "-", ""}), topItems);
    EXPECT_EQ(260, control<QProgressBar>("Gauge1")->width());
    EXPECT_EQ(89, control<QWidget>("PanelHeader")->height());

    for (const char* name : {"EditVersion", "EditBuild", "EditTelv_1", "EditTelv_2", "EditVakl_4", "EditVaklDr", "EditVaklPdr",
                             "Edit_ZKV", "EditDate", "EditTime", "EditCompDate", "EditCompTime"}) {
        auto* e = control<QLineEdit>(name);
        EXPECT_TRUE(e->isReadOnly()) << name;
        EXPECT_FALSE(e->accessibleName().isEmpty()) << name;
    }

    // Reader-data grids show the engine's grids with their titles; the local-table grids their hints.
    EXPECT_EQ(QStringLiteral("лиц.счет"), columns(control<QTableView>("StringGrid1")).value(0));
    EXPECT_EQ(QStringLiteral("маршрут"), columns(control<QTableView>("StringGrid1")).value(8));
    EXPECT_EQ(18, columns(control<QTableView>("StringGrid5")).size());
    EXPECT_EQ(QStringLiteral("номер"), columns(control<QTableView>("StringGrid6")).value(0));
    const char* hints[] = {"БД ТЕЛВ (1т)", "БД ТЕЛВ (3т)", "БД ВАКЛ", "БД ВАКЛ", "БД ВАКЛ"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(QString::fromUtf8(hints[i]), control<QTableView>(qPrintable(QStringLiteral("DBGrid%1").arg(i + 1)))->toolTip());
    EXPECT_EQ(QStringLiteral("счетчик"), columns(control<QTableView>("GridJournal")).value(0));
    EXPECT_EQ(8, columns(control<QTableView>("GridDiary")).size());

    // Family tool bars, read to write; ЖКВ only what it has.
    QStringList telv2, zkv;
    for (QAction* a : control<QToolBar>("ToolBar_ActionTelv_2")->actions())
        telv2 << a->objectName();
    for (QAction* a : control<QToolBar>("ToolBar_ActionZKV")->actions())
        zkv << a->objectName();
    EXPECT_EQ(QStringList({"ActionTelv_2", "ActionFormat_2", "ActionClear_2", "ActionDbTelv_2", "ActionExpTelv",
                           "ActionExportTelv_2", "ActionWrite_2"}),
              telv2);
    EXPECT_EQ(QStringList({"ActionZKV", "ActionFormat_ZKV", "ActionClear_Zkv", "ActionExportZkv"}), zkv);

    for (const char* name : {"StatusBar2", "StatusBar3", "StatusBar8", "StatusBar7", "StatusBar10", "StatusBar11", "StatusBar4",
                             "StatusBar5", "StatusBar6"})
        control<PanelStatusBar>(name);
    auto* main = control<PanelStatusBar>("StatusBar1");
    ASSERT_EQ(2, main->panelCount());

    auto* spin = control<QSpinBox>("SpinRoute");
    EXPECT_EQ(1, spin->minimum());
    EXPECT_EQ(55, spin->maximum());
    EXPECT_EQ(1, spin->value());
    control<QLineEdit>("EditRoute");
    EXPECT_EQ(QStringList({"Лиц. счет", "Улица", "Дом", "Счетчик", "Тип счетчика"}), columns(control<QTableView>("ListRoute")));
    EXPECT_EQ(QStringList({"№", "Название"}), columns(control<QTableView>("ListStreet")));
    EXPECT_EQ(QStringList({"№ ", "Название", "Записи"}), columns(control<QTableView>("ListDb")));
    EXPECT_EQ(QStringLiteral("Номера БД в ридере: 0 - ТЕЛВ-2, 1 - ВАКЛ-4, 2 - ТЕЛВ-1, 3 - ВАКЛ-ДР, 4 - ВАКЛ-ПДР,5 - названия улиц, 6 -\n"
                             "журнал, 7 - дневник, 8-62 - маршруты с 1 до 55, 63 - ЖКВ."),
              control<QPlainTextEdit>("MemoDb")->toPlainText());
    EXPECT_TRUE(control<QPlainTextEdit>("MemoDb")->isReadOnly());
}

TEST_F(FormVormTest, TariffsArePickedNotTyped)
{
    for (int z = 0; z < 6; ++z) {
        auto* c = control<QComboBox>(qPrintable(QStringLiteral("ComboTarif_%1").arg(z)));
        EXPECT_FALSE(c->isEditable());
        ASSERT_EQ(3, c->count());
        EXPECT_EQ(QStringLiteral("1"), c->itemText(0));
        EXPECT_EQ(QStringLiteral("3"), c->itemText(2));
    }
}

TEST_F(FormVormTest, LinkStateSwitchesThePortControls)
{
    tk::reader::Engine& engine = window_->engine();
    emit engine.linkChanged(true);
    EXPECT_FALSE(action("ActionConnect")->isEnabled());
    EXPECT_TRUE(action("ActionDisconnect")->isEnabled());
    EXPECT_FALSE(control<QComboBox>("ComboPort")->isEnabled());
    EXPECT_FALSE(control<QMenu>("NPort")->menuAction()->isEnabled());

    emit engine.linkChanged(false);
    EXPECT_TRUE(action("ActionConnect")->isEnabled());
    EXPECT_FALSE(action("ActionDisconnect")->isEnabled());
    EXPECT_TRUE(control<QComboBox>("ComboPort")->isEnabled());
    EXPECT_TRUE(control<QMenu>("NPort")->menuAction()->isEnabled());
}

TEST_F(FormVormTest, ReaderActionsFollowTheEngineAndTheRouteList)
{
    tk::reader::Engine& engine = window_->engine();
    engine.setReaderActions(true);
    EXPECT_TRUE(action("ActionTime")->isEnabled());
    EXPECT_TRUE(action("ActionReadTarif")->isEnabled());
    EXPECT_TRUE(control<QWidget>("BtnReadTarif")->isEnabled()); // the settings page's button follows its action
    EXPECT_FALSE(action("ActionWriteRoute")->isEnabled());      // the route list is empty
    EXPECT_FALSE(action("ActionVaklPdr")->isEnabled());         // no version reply yet

    // A route in the list: a change of the route number re-applies the reader actions.
    window_->routeState().list().append({"0000000042", "ЛЕСНАЯ", "7", "123456", "ТЕЛВ-2"});
    control<QSpinBox>("SpinRoute")->setValue(5);
    EXPECT_TRUE(action("ActionWriteRoute")->isEnabled());

    engine.setReaderActions(false);
    EXPECT_FALSE(action("ActionTime")->isEnabled());
    EXPECT_FALSE(action("ActionWriteRoute")->isEnabled());
    EXPECT_FALSE(control<QWidget>("BtnReadTarif")->isEnabled());
    control<QSpinBox>("SpinRoute")->setValue(6); // with the reader actions off it stays off
    EXPECT_FALSE(action("ActionWriteRoute")->isEnabled());
}

TEST_F(FormVormTest, ExchangeEnablingLooksAtEachFamilysOwnGrid)
{
    const tk::test::ExportPlace spreadsheets; // spreadsheet files can be made
    tk::reader::Engine& engine = window_->engine();
    emit engine.exchangeActionsDisabled();
    EXPECT_FALSE(action("ActionClear_1")->isEnabled());
    EXPECT_FALSE(action("ActionLoadRoute")->isEnabled());

    engine.familyGrid(int(tk::Family::Vakl4)).appendRecord({QStringLiteral("42")});
    engine.journalGrid().appendRecord({QStringLiteral("000123")});
    tk::test::part<QLineEdit>(*window_, "EditRoute")->setText(QStringLiteral("Маршрут 1"));
    emit engine.exchangeActionsEnabled();
    EXPECT_TRUE(action("ActionClear_1")->isEnabled());
    EXPECT_TRUE(action("ActionWrite_4")->isEnabled());
    EXPECT_TRUE(action("ActionExportVakl")->isEnabled());
    EXPECT_FALSE(action("ActionWrite_2")->isEnabled());
    EXPECT_FALSE(action("ActionWrite_1")->isEnabled());
    EXPECT_TRUE(action("ActionExportJournal")->isEnabled());
    EXPECT_FALSE(action("ActionExportDiary")->isEnabled());
    EXPECT_FALSE(action("ActionRouteExcel")->isEnabled()); // named, but no entries
}

TEST_F(FormVormTest, TickShowsThePcClockAndTheRouteCount)
{
    const QDateTime now(QDate(2006, 3, 14), QTime(9, 45, 7));
    emit window_->engine().tick(now);
    EXPECT_EQ(tk::regional::shortDate(now.date()), control<QLineEdit>("EditCompDate")->text());
    EXPECT_EQ(QStringLiteral("09:45:07"), control<QLineEdit>("EditCompTime")->text());
    EXPECT_EQ(QStringLiteral("0"), control<PanelStatusBar>("StatusBar4")->panelText(0));
}

TEST_F(FormVormTest, EngineStatusAndGaugeReachTheWindow)
{
    tk::reader::Engine& engine = window_->engine();
    emit engine.statusTextChanged(QStringLiteral("Запрос версии"));
    EXPECT_EQ(QStringLiteral("Запрос версии"), control<PanelStatusBar>("StatusBar1")->panelText(0));
    engine.setGauge(3, 12);
    EXPECT_EQ(12, control<QProgressBar>("Gauge1")->maximum());
    EXPECT_EQ(3, control<QProgressBar>("Gauge1")->value());
    engine.setGauge(0, 0); // an empty count must not turn the gauge into a busy indicator
    EXPECT_LT(0, control<QProgressBar>("Gauge1")->maximum());
}

TEST_F(FormVormTest, StreetListShowsTheEnginesStreets)
{
    window_->engine().streets().append(5, QStringLiteral("САДОВАЯ"));
    QAbstractItemModel* m = control<QTableView>("ListStreet")->model();
    ASSERT_EQ(1, m->rowCount());
    EXPECT_EQ(QStringLiteral("5"), m->index(0, 0).data().toString());
    EXPECT_EQ(QStringLiteral("САДОВАЯ"), m->index(0, 1).data().toString());
}

TEST_F(FormVormTest, DatabaseListShowsTheEnginesList)
{
    window_->engine().databaseList().append({QStringLiteral("8"), QStringLiteral("ЛЕСНАЯ 1"), QStringLiteral("12")});
    QAbstractItemModel* m = control<QTableView>("ListDb")->model();
    ASSERT_EQ(1, m->rowCount());
    EXPECT_EQ(QStringLiteral("ЛЕСНАЯ 1"), m->index(0, 1).data().toString());
    EXPECT_EQ(QStringLiteral("12"), m->index(0, 2).data().toString());
}

TEST_F(FormVormTest, SettingsPageAndTheEnginesReaderSettingsStayTogether)
{
    tk::reader::Engine& engine = window_->engine();
    // What the page shows is what a settings write sends.
    tk::test::tariffBoxOf(*window_, int(2))->setCurrentIndex(0);
    tk::test::zoneTimeOf(*window_, int(4))->setTime(QTime(18, 15));
    tk::test::indiBoxOf(*window_, int(3))->setChecked(true);
    tk::test::part<QSpinBox>(*window_, "SpinCountDay")->setValue(20);
    tk::test::part<QLineEdit>(*window_, "EditPassword")->setText(QStringLiteral("777"));
    const tk::reader::ReaderSettings& r = engine.settings();
    EXPECT_EQ(QStringLiteral("1"), r.zones[2].tariff);
    EXPECT_EQ(QTime(18, 15), r.zones[4].start);
    EXPECT_EQ(8, r.display);
    EXPECT_EQ(20, r.billingDay);
    EXPECT_EQ(777, r.passwordValue());

    // What a settings read brings is shown.
    engine.settings().zones[0] = {QStringLiteral("3"), QTime(1, 30)};
    engine.settings().oneTariff = false;
    engine.settings().billingHour = 22;
    engine.settings().summer = false;
    engine.settings().display = 5;
    engine.settings().password = QStringLiteral("4660");
    emit engine.settingsChanged();
    EXPECT_EQ(QStringLiteral("3"), tk::test::tariffBoxOf(*window_, int(0))->currentText());
    EXPECT_EQ(QTime(1, 30), tk::test::zoneTimeOf(*window_, int(0))->time());
    EXPECT_FALSE(tk::test::part<QCheckBox>(*window_, "CheckOneTarif")->isChecked());
    EXPECT_EQ(22, tk::test::part<QSpinBox>(*window_, "SpinCountHour")->value());
    EXPECT_FALSE(tk::test::part<QCheckBox>(*window_, "CheckSummer")->isChecked());
    EXPECT_TRUE(tk::test::indiBoxOf(*window_, int(0))->isChecked());
    EXPECT_TRUE(tk::test::indiBoxOf(*window_, int(2))->isChecked());
    EXPECT_FALSE(tk::test::indiBoxOf(*window_, int(3))->isChecked());
    EXPECT_EQ(QStringLiteral("4660"), tk::test::part<QLineEdit>(*window_, "EditPassword")->text());

    // A tariff the pick list does not hold leaves the page and the settings as the page shows them.
    engine.settings().zones[1].tariff = QStringLiteral("7");
    emit engine.settingsChanged();
    EXPECT_EQ(QStringLiteral("2"), tk::test::tariffBoxOf(*window_, int(1))->currentText());
    EXPECT_EQ(QStringLiteral("2"), engine.settings().zones[1].tariff);
}

TEST_F(FormVormTest, ReaderOperationsStartFromTheirActions)
{
    tk::reader::Engine& engine = window_->engine();
    engine.setReaderActions(true);
    const int before = engine.stepNo();

    prompter_.expect(QStringLiteral("Очистка ридера"), QStringLiteral("Данные в БД ридера \"Журнал\" будут уничтожены !"),
                     tk::Prompter::Icon::Warning, tk::Prompter::Buttons::OkCancel, tk::Prompter::Answer::Cancel);
    action("ActionClearJournal")->trigger();
    EXPECT_EQ(before, engine.stepNo());
    EXPECT_TRUE(action("ActionTime")->isEnabled());

    action("ActionReadList")->trigger();
    EXPECT_EQ(tk::reader::StepListName, engine.stepNo());
    EXPECT_EQ(tk::manager::TabDatabases, tk::test::part<QTabWidget>(*window_, "PageControl1")->currentIndex());
    EXPECT_FALSE(action("ActionTime")->isEnabled());
    EXPECT_FALSE(action("ActionClear_1")->isEnabled()); // data actions off while it runs
}

TEST_F(FormVormTest, HeaderPanelIsTintedFromTheButtonFace)
{
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor panel = control<QWidget>("PanelHeader")->palette().color(QPalette::Window);
    EXPECT_EQ(face.red(), panel.red());
    EXPECT_EQ(std::min(255, face.green() + face.green() * 2 / 100), panel.green());
    EXPECT_EQ(face.blue() - face.blue() * 4 / 100, panel.blue());
}

TEST_F(FormVormTest, HelpFileIsLookedForInTheStartDirectory)
{
    EXPECT_EQ(QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/Vormer_2005.chm")), window_->helpFile());
}

} // namespace
