#include "processing/TFormMain.h"

#include "common/DesktopOpen.h"
#include "common/Error.h"
#include "common/PrompterDialog.h"
#include "common/Settings.h"
#include "common/ToExcel.h"
#include "processing/BalanceTab.h"
#include "processing/Controls.h"
#include "processing/FilterPanel.h"
#include "processing/PointsTab.h"
#include "processing/ProcessingActions.h"
#include "processing/ReportTabs.h"
#include "processing/RouteTable.h"
#include "processing/TFormBalance.h"
#include "processing/TFormMemo.h"
#include "processing/TFormNoBalance.h"
#include "processing/TextQuestionDialog.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QProgressBar>
#include <QTableView>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tk::processing {

TFormMain::TFormMain(Prompter* prompter, TextQuestion* question, StartupOptions options, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(applicationTitle());
    resize(800, 480);
    if (!prompter) {
        ownPrompter_ = std::make_unique<PrompterDialog>(this);
        prompter = ownPrompter_.get();
    }
    prompter_ = prompter;
    if (!question) {
        ownQuestion_ = std::make_unique<TextQuestionDialog>(this);
        question = ownQuestion_.get();
    }
    question_ = question;

    // The help file is the reader manager's, looked for where the program was started.
    helpFile_ = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/Vormer_2005.chm"));
    // The tables are the working directory's, as the program finds it when it starts.
    sql_ = std::make_unique<store::LocalSql>(QDir::currentPath());
    routes_ = std::make_unique<RouteTable>(*sql_);

    actions_ = new ProcessingActions(this);
    const ProcessingActions::MenuItems menus = actions_->buildMenus();
    connect(menus.exit, &QAction::triggered, this, &QWidget::close);
    connect(menus.help, &QAction::triggered, this, &TFormMain::openHelp);
    connect(menus.about, &QAction::triggered, this, [this] {
        if (about_)
            about_->exec();
    });
    menus.about->setEnabled(false); // until the about box is there
    buildTabs();
    // The balance dialogs come after the main window; their actions wait for them.
    for (const char* name : {"ActionBalance", "ActionNoBalance"})
        action(name)->setEnabled(false);

    const QDate today = options.today.isValid() ? options.today : QDate::currentDate();
    yearTab_->SpinYear->setValue(today.year());
    filter_->setPeriod(initialPeriod(today));

    ProcessingSettings settings;
    Settings store(QString::fromLatin1(kSettingsKey));
    settings.load(store); // an unopenable key leaves the designed state
    applySettings(settings);
    yearTab_->showDay();

    ActionRefreshExecute();
    filter_->colour();
    PageControl1->setCurrentIndex(TabCalc);
    upgradeAccountColumn();
}

TFormMain::~TFormMain() = default;

void TFormMain::buildTabs()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelMain"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    filter_ = new FilterPanel(central);
    v->addWidget(filter_);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    pointsTab_ = new PointsTab(*routes_, *prompter_, *question_, *actions_);
    readingsTab_ = new ReadingsTab(*actions_);
    calcTab_ = new CalcTab(*actions_);
    balanceTab_ = new BalanceTab(*sql_, *actions_);
    yearTab_ = new YearTab(*actions_);
    const std::pair<QWidget*, const char16_t*> tabs[] = {
        {pointsTab_, u"Точки учёта"}, {readingsTab_, u"Показания"}, {calcTab_, u"Расчёт"},
        {balanceTab_, u"Баланс"},     {yearTab_, u"Годовой отчет"},
    };
    for (const auto& [page, title] : tabs)
        PageControl1->addTab(page, QString::fromUtf16(title));
    v->addWidget(PageControl1, 1);
    setCentralWidget(central);

    pointsTab_->setExportAvailable(&ExcelAvailable);
    connect(pointsTab_, &PointsTab::routeNamesLoaded, yearTab_, &YearTab::setRoutes);
    connect(filter_, &FilterPanel::streetTextChanged, this, [this] { reporting([this] { LoadHouses(); }); });
    connect(yearTab_, &YearTab::routeTextChanged, this, [this] { reporting([this] { LoadHouses(); }); });
    connect(action("ActionRefresh"), &QAction::triggered, this, &TFormMain::ActionRefreshExecute);
    balanceTab_->setExportAvailable(&ExcelAvailable);
    connect(action("ActionCount"), &QAction::triggered, this, &TFormMain::ActionCountExecute);
    connect(action("ActionCalc"), &QAction::triggered, this, &TFormMain::ActionCalcExecute);
    connect(action("ActionCountYear"), &QAction::triggered, this, &TFormMain::ActionCountYearExecute);
    connect(action("ActionBalance"), &QAction::triggered, this, &TFormMain::ActionBalanceExecute);
    connect(action("ActionCountBalance"), &QAction::triggered, this, &TFormMain::ActionCountBalanceExecute);
    connect(action("ActionNoBalance"), &QAction::triggered, this, &TFormMain::ActionNoBalanceExecute);
    connect(action("ActionCountExcel"), &QAction::triggered, this, [this] { exportReport(readingsTab_->StringCount); });
    connect(action("ActionCalcExcel"), &QAction::triggered, this, [this] { exportReport(calcTab_->StringCalc); });
    connect(action("ActionYearExcel"), &QAction::triggered, this, [this] { exportReport(yearTab_->StringYear); });
    connect(action("ActionBalanceExcel"), &QAction::triggered, this, [this] {
        reporting([this] { GridToExcel(balanceTab_->resultGrid(), balanceTab_->exportTitle()); });
    });
}

void TFormMain::setBalanceDialogs(TFormBalance* balance, TFormNoBalance* noBalance, TFormMemo* memo)
{
    balanceDialog_ = balance;
    noBalanceDialog_ = noBalance;
    if (balance)
        balance->setMemo(memo);
    action("ActionBalance")->setEnabled(balance != nullptr);
    action("ActionNoBalance")->setEnabled(noBalance != nullptr);
}

ReportInputs TFormMain::reportInputs() const
{
    ReportInputs in;
    const Filter f = filter_->filter();
    in.from = f.from;
    in.to = f.to;
    in.street = f.street;
    in.house = f.house;
    in.year = yearTab_->SpinYear->value();
    in.route = yearTab_->ComboRoute->currentText();
    in.settings = currentSettings();
    in.readingsPers = findChild<QCheckBox*>(QStringLiteral("CheckPers"))->isChecked();
    in.readingsStreet = findChild<QCheckBox*>(QStringLiteral("CheckStreet"))->isChecked();
    in.readingsHouse = findChild<QCheckBox*>(QStringLiteral("CheckHouse"))->isChecked();
    return in;
}

Progress TFormMain::gauge()
{
    return [g = filter_->Gauge1](int position, int maximum) {
        g->setRange(0, std::max(maximum, 1));
        g->setValue(std::min(position, std::max(maximum, 1)));
        g->repaint();
    };
}

void TFormMain::runReport(QTableView* view, const char* excelAction, const std::function<void(ReportGrid&)>& compute)
{
    ReportGrid grid;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        compute(grid);
    } catch (const Error& e) {
        QGuiApplication::restoreOverrideCursor();
        filter_->Gauge1->hide();
        showReport(view, std::move(grid)); // the rows computed so far stay
        prompter_->error(applicationTitle(), e.message());
        return;
    }
    QGuiApplication::restoreOverrideCursor();
    showReport(view, std::move(grid));
    if (excelAction)
        action(excelAction)->setEnabled(ExcelAvailable());
}

void TFormMain::exportReport(QTableView* view)
{
    const ReportGrid& grid = shownReport(view);
    reporting([&] { GridToExcel(grid.toStringGrid(), grid.title); });
}

void TFormMain::ActionCountExecute()
{
    const ReportInputs in = reportInputs();
    filter_->Gauge1->show();
    runReport(readingsTab_->StringCount, "ActionCountExcel", [&](ReportGrid& g) { readingsReport(*sql_, in, g, gauge()); });
    filter_->Gauge1->hide();
}

void TFormMain::ActionCalcExecute()
{
    const ReportInputs in = reportInputs();
    runReport(calcTab_->StringCalc, "ActionCalcExcel", [&](ReportGrid& g) { consumptionReport(*sql_, in, g); });
}

void TFormMain::ActionCountYearExecute()
{
    const ReportInputs in = reportInputs();
    runReport(yearTab_->StringYear, "ActionYearExcel", [&](ReportGrid& g) { yearlyReport(*sql_, in, g); });
}

void TFormMain::ActionBalanceExecute()
{
    if (!balanceDialog_)
        return;
    if (const auto g = balanceTab_->singleSelectedGroup())
        balanceDialog_->setGroup(g->caption, g->type, g->kent);
    balanceDialog_->exec();
    reporting([this] { LoadBalanceList(); });
}

void TFormMain::ActionCountBalanceExecute()
{
    const ReportInputs in = reportInputs();
    const std::vector<BalanceGroup> groups = balanceTab_->selectedGroups();
    ReportGrid grid;
    filter_->Gauge1->show();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        balanceReport(*sql_, groups, in.from, in.to, grid, gauge());
    } catch (const Error& e) {
        QGuiApplication::restoreOverrideCursor();
        filter_->Gauge1->hide();
        balanceTab_->showResult(grid);
        prompter_->error(applicationTitle(), e.message());
        return;
    }
    QGuiApplication::restoreOverrideCursor();
    filter_->Gauge1->hide();
    balanceTab_->showResult(grid);
}

void TFormMain::ActionNoBalanceExecute()
{
    if (noBalanceDialog_)
        noBalanceDialog_->exec();
}

QAction* TFormMain::action(const char* name) const
{
    return actions_->action(name);
}

void TFormMain::setPointDialogs(TFormAddPoint* add, TFormEditPoint* edit)
{
    pointsTab_->setDialogs(add, edit);
}

void TFormMain::setAboutBox(QDialog* about)
{
    about_ = about;
    findChild<QAction*>(QStringLiteral("NAbout"))->setEnabled(about != nullptr);
}

void TFormMain::reporting(const std::function<void()>& step)
{
    try {
        step();
    } catch (const Error& e) {
        prompter_->error(applicationTitle(), e.message());
    }
}

void TFormMain::LoadRouteList()
{
    pointsTab_->LoadRouteList();
}

void TFormMain::LoadStreets()
{
    filter_->setStreets({});
    filter_->setStreets(routes_->streets());
}

void TFormMain::LoadHouses()
{
    filter_->clearHouses();
    filter_->setHouses(routes_->housesOfStreet(filter_->ComboStreet->currentText()));
}

void TFormMain::LoadBalanceList()
{
    balanceTab_->LoadBalanceList();
}

void TFormMain::ActionRefreshExecute()
{
    // Each list is loaded on its own, so that a missing table empties only its own list.
    reporting([this] { LoadRouteList(); });
    reporting([this] { LoadStreets(); });
    reporting([this] { LoadBalanceList(); });
}

void TFormMain::upgradeAccountColumn()
{
    // Old route tables get their 10-digit account column. The upgrade says nothing: a table it
    // cannot take (missing, in use elsewhere) keeps its old width until a later start.
    try {
        const QString path = sql_->tablePath(QStringLiteral("Route"));
        if (!path.isEmpty())
            dbf::widenAccountColumn(path);
    } catch (const Error&) {
    }
}

ProcessingSettings TFormMain::currentSettings() const
{
    ProcessingSettings s;
    for (const SettingInfo& info : settingsTable()) {
        const QString name = QString::fromLatin1(info.name);
        if (auto* c = findChild<QCheckBox*>(name))
            s.set(name, c->isChecked() ? 1 : 0);
        else if (auto* r = findChild<RadioGroup*>(name))
            s.set(name, r->index());
        else if (auto* spin = findChild<QSpinBox*>(name))
            s.set(name, spin->value());
    }
    return s;
}

void TFormMain::applySettings(const ProcessingSettings& s)
{
    for (const SettingInfo& info : settingsTable()) {
        const QString name = QString::fromLatin1(info.name);
        if (auto* c = findChild<QCheckBox*>(name))
            c->setChecked(s.flag(name));
        else if (auto* r = findChild<RadioGroup*>(name))
            r->setIndex(s.value(name));
        else if (auto* spin = findChild<QSpinBox*>(name))
            spin->setValue(s.value(name));
    }
}

void TFormMain::saveSettings()
{
    Settings store(QString::fromLatin1(kSettingsKey));
    try {
        currentSettings().save(store);
    } catch (const Error&) {
        // The window closes whatever happens; a store that refuses values keeps the old ones.
    }
}

void TFormMain::openHelp()
{
    if (!openWithDesktop(helpFile_))
        prompter_->error(applicationTitle(), QStringLiteral("Не удалось открыть справку ") + helpFile_ + QLatin1Char('.'));
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        saveSettings();
    }
    QMainWindow::closeEvent(event);
}

} // namespace tk::processing
