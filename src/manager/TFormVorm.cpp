#include "manager/TFormVorm.h"

#include "common/DesktopOpen.h"
#include "common/Error.h"
#include "common/PrompterDialog.h"
#include "common/Settings.h"
#include "common/ToExcel.h"
#include "manager/ActionRules.h"
#include "manager/ExportActions.h"
#include "manager/FamilyTab.h"
#include "manager/Gauge.h"
#include "manager/HeaderView.h"
#include "manager/ListTabs.h"
#include "manager/MainActions.h"
#include "manager/PanelStatusBar.h"
#include "manager/PortChooser.h"
#include "manager/RouteActions.h"
#include "manager/RoutesTab.h"
#include "manager/SettingsPage.h"
#include "manager/StatusLink.h"
#include "manager/StoreActions.h"
#include "manager/TFormDelDate.h"
#include "manager/WaitCursor.h"
#include "reader/SerialChannel.h"
#include "routes/RouteSources.h"
#include "routes/RouteState.h"
#include "routes/RouteTransfer.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingTables.h"
#include "store/reading/ReadingViews.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

namespace tk::manager {

int tabShownAtStart(reader::Operation operation, Family family)
{
    using reader::Operation;
    switch (operation) {
    case Operation::ReadFamily: return familyInfo(family).tab;
    case Operation::WriteSettings: return TabSettings;
    case Operation::ReadJournal: return TabJournal;
    case Operation::ReadDiary: return TabDiary;
    case Operation::ReadList: return TabDatabases;
    case Operation::ClearStreets: return TabRoutes;
    default: return -1;
    }
}

TFormVorm::TFormVorm(Prompter* prompter, StartupOptions options, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormVorm"));
    setWindowTitle(applicationTitle());
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    commandLine_ = parseCommandLine(options.arguments);

    if (!prompter) {
        ownPrompter_ = std::make_unique<PrompterDialog>(this);
        prompter = ownPrompter_.get();
    }
    prompter_ = prompter;
    if (!options.addOns) {
        ownAddOns_ = addons::loadAddOns();
        options.addOns = &ownAddOns_;
    }
    addOns_ = options.addOns;
    channel_ = std::make_unique<reader::SerialChannel>();
    timers_ = std::make_unique<reader::QtTimerSource>();
    clock_ = std::make_unique<reader::SystemClock>();
    engine_ = std::make_unique<reader::Engine>(*channel_, *timers_, *clock_, *prompter_);
    timers_->setHandler([e = engine_.get()](reader::TimerId id) { e->onTimer(id); });

    // The help file is looked for where the program was started, not where it is installed.
    helpFile_ = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/Vormer_2005.chm"));
    // The tables are the working directory's, as the program finds it when it starts.
    store_ = std::make_unique<store::ReadingStore>(QDir::currentPath());
    views_ = std::make_unique<store::ReadingViews>(QDir::currentPath());
    routeState_ = std::make_unique<routes::RouteState>();
    routeSources_ = std::make_unique<routes::RouteSources>(store_->sql(), addOns_->vormadd.get(), abbreviations_, *prompter_);
    routeTransfer_ = new routes::RouteTransfer(*engine_, *routeState_, *routeSources_, abbreviations_);

    actions_ = new MainActions(this);
    const MainActions::MenuItems menus = actions_->buildMenus();
    ports_ = new PortChooser(*channel_, menus.port, this);
    Gauge1 = new Gauge(this);
    actions_->buildToolBar(ports_->comboBox(), Gauge1);
    statusLink_ = new StatusLink(menus.status, this);
    connect(menus.exit, &QAction::triggered, this, &QWidget::close);
    connect(menus.help, &QAction::triggered, this, &TFormVorm::openHelp);
    aboutItem_ = menus.about;
    aboutItem_->setEnabled(false); // until the about box is made
    connect(aboutItem_, &QAction::triggered, this, [this] {
        if (about_)
            about_->exec();
    });
    connect(action(QStringLiteral("ActionConnect")), &QAction::triggered, this, &TFormVorm::ActionConnectExecute);
    connect(action(QStringLiteral("ActionDisconnect")), &QAction::triggered, this, &TFormVorm::ActionDisconnectExecute);

    buildTabs();
    StatusBar1 = new PanelStatusBar(QStringLiteral("StatusBar1"), {250, 50}, this);
    setStatusBar(StatusBar1);
    operationText_ = new OperationText(StatusBar1);
    storeActions_ = new StoreActions(*engine_, *store_, familyTabs_, *actions_, *prompter_, *Gauge1,
                                     [this](Family f) { PageControl1->setCurrentIndex(familyInfo(f).tab); }, this);
    routeActions_ = new RouteActions(*routeState_, *routeSources_, *routeTransfer_, *actions_, *prompter_,
                                     [this] { PageControl1->setCurrentIndex(TabRoutes); },
                                     [this] {
                                         // With the link up the poll re-applies the exchange
                                         // enabling every cycle; without it, it is done here.
                                         if (!engine_->linkUp())
                                             EnableExchangeActions();
                                     },
                                     this);
    exportActions_ = new ExportActions(*engine_, *addOns_, *actions_, *prompter_, *Gauge1, this);
    connectEngine();

    loadSettings();
    ports_->build(settings_.port, settings_.portName, commandLine_.port);
    checkClock(options);
    // Old tables get their 10-digit account column before anything opens them. The upgrade says
    // nothing: a table it could not take keeps its old width until a later start.
    store::widenAccountColumns(QDir::currentPath());
    for (Family f : store::storedFamilies())
        familyTabs_[size_t(f)]->openTable();
    PageControl1->setCurrentIndex(familyInfo(Family::Telv1).tab);
    if (commandLine_.debug) {
        exchangeLog_ = std::make_unique<QStringList>();
        engine_->setExchangeLog(exchangeLog_.get());
    }
    header_->colour();

    engine_->startTicking();
    if (commandLine_.connect)
        QTimer::singleShot(0, this, [this] {
            QAction* connect = action(QStringLiteral("ActionConnect"));
            if (connect->isEnabled())
                connect->trigger();
        });
}

TFormVorm::~TFormVorm()
{
    // The views and their models go before the engine whose grids and lists they show.
    for (int f = 0; f < 6; ++f)
        engine_->familyGrid(f).setObserver({});
    engine_->journalGrid().setObserver({});
    engine_->diaryGrid().setObserver({});
    engine_->streets().setObserver({});
    engine_->databaseList().setObserver({});
    delete takeCentralWidget();
    channel_->detach();
    engine_.reset();
}

QAction* TFormVorm::action(const QString& name) const
{
    return actions_->action(name);
}

void TFormVorm::buildTabs()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelMain"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    header_ = new HeaderView(central);
    v->addWidget(header_);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setUsesScrollButtons(true);
    for (const FamilyInfo& info : kFamilies) {
        auto* tab = new FamilyTab(info.family, engine_->familyGrid(int(info.family)), *views_, *actions_, *statusLink_);
        familyTabs_[size_t(info.family)] = tab;
        const int index = PageControl1->addTab(tab, familyName(info.family));
        Q_ASSERT(index == info.tab);
    }
    routesTab_ = new RoutesTab(*routeState_, engine_->streets(), *actions_);
    journalTab_ = new JournalTab(false, engine_->journalGrid(), *actions_);
    diaryTab_ = new JournalTab(true, engine_->diaryGrid(), *actions_);
    settingsPage_ = new SettingsPage(*actions_);
    const std::pair<QWidget*, const char16_t*> others[] = {
        {routesTab_, u"Маршруты"}, {journalTab_, u"Журнал"},   {diaryTab_, u"Дневник"},
        {new DatabasesTab(engine_->databaseList()), u"Базы"}, {settingsPage_, u"Установки"},
    };
    for (const auto& [page, title] : others)
        PageControl1->addTab(page, QString::fromUtf16(title));
    Q_ASSERT(PageControl1->indexOf(settingsPage_) == TabSettings);
    v->addWidget(PageControl1, 1);
    setCentralWidget(central);
}

void TFormVorm::connectEngine()
{
    reader::Engine* e = engine_.get();
    connect(e, &reader::Engine::statusTextChanged, operationText_, &OperationText::show);
    connect(e, &reader::Engine::headerChanged, this, &TFormVorm::showHeader);
    connect(e, &reader::Engine::gaugeChanged, Gauge1, &Gauge::showProgress);
    connect(e, &reader::Engine::readerActionsChanged, this, &TFormVorm::applyReaderActions);
    connect(e, &reader::Engine::exchangeActionsDisabled, this, &TFormVorm::DisableExchangeActions);
    connect(e, &reader::Engine::exchangeActionsEnabled, this, &TFormVorm::EnableExchangeActions);
    connect(e, &reader::Engine::linkChanged, this, &TFormVorm::setLinkControls);
    connect(e, &reader::Engine::tick, this, &TFormVorm::showTick);
    connect(e, &reader::Engine::operationStarted, this, [this](reader::Operation operation, Family family) {
        const int tab = tabShownAtStart(operation, family);
        if (tab >= 0)
            PageControl1->setCurrentIndex(tab);
    });
    connect(e, &reader::Engine::settingsReadDone, this, [this] { PageControl1->setCurrentIndex(TabSettings); });

    // The settings page edits the engine's copy of the reader settings; a settings read replaces
    // it and the page shows the result, and a value the page cannot show (a tariff outside its
    // list) is sent back as the page shows it.
    connect(settingsPage_, &SettingsPage::edited, e, [this] { engine_->settings() = settingsPage_->values(); });
    connect(e, &reader::Engine::settingsChanged, this, [this] {
        settingsPage_->setValues(engine_->settings());
        engine_->settings() = settingsPage_->values();
    });
    connect(routeTransfer_, &routes::RouteTransfer::started, this, [this] {
        PageControl1->setCurrentIndex(TabRoutes);
        routesTab_->lockRouteNumber();
    });
    connect(routesTab_, &RoutesTab::routeNumberChanged, this,
            [this] { applyReaderActions(action(QStringLiteral("ActionTime"))->isEnabled()); });

    // The operations the engine runs itself: each sets its first step after its confirmation.
    const std::pair<const char*, void (reader::Engine::*)()> operations[] = {
        {"ActionTime", &reader::Engine::startClockSync},
        {"ActionReadTarif", &reader::Engine::startReadSettings},
        {"ActionWriteTarif", &reader::Engine::startWriteSettings},
        {"ActionReadJournal", &reader::Engine::startReadJournal},
        {"ActionClearJournal", &reader::Engine::startClearJournal},
        {"ActionReadDiary", &reader::Engine::startReadDiary},
        {"ActionClearDiary", &reader::Engine::startClearDiary},
        {"ActionReadList", &reader::Engine::startReadList},
        {"ActionFormatStreet", &reader::Engine::startClearStreets},
    };
    for (const auto& [name, start] : operations)
        connect(actions_->action(name), &QAction::triggered, e, start);
    // The family reads and clears, one action of each per family.
    for (const FamilyInfo& f : kFamilies) {
        const Family family = f.family;
        const FamilyActionNames& names = kFamilyActions[size_t(family)];
        connect(actions_->action(names.read), &QAction::triggered, e, [e, family] { e->startReadFamily(family); });
        connect(actions_->action(names.format), &QAction::triggered, e, [e, family] { e->startClearFamily(family); });
    }
}

// ---- what the engine shows ----

void TFormVorm::showHeader()
{
    const reader::HeaderPanel& hp = engine_->header();
    header_->showHeader(hp);
    journalTab_->showReaderCount(hp.journalCount);
    diaryTab_->showReaderCount(hp.diaryCount);
    for (FamilyTab* tab : familyTabs_)
        tab->showReadCount(hp.gridCounts[size_t(tab->family())]);
}

void TFormVorm::showTick(const QDateTime& now)
{
    header_->showPcClock(now);
    routesTab_->showRouteCount();
}

void TFormVorm::setLinkControls(bool up)
{
    action(QStringLiteral("ActionConnect"))->setEnabled(!up);
    action(QStringLiteral("ActionDisconnect"))->setEnabled(up);
    ports_->setLinkUp(up);
}

void TFormVorm::applyReaderActions(bool on)
{
    actions_->applyStates(readerActionStates(on, engine_->firmwareWord(), routesTab_->routeRowCount()));
}

void TFormVorm::DisableExchangeActions()
{
    actions_->applyStates(exchangeActionsOff());
    spreadsheetAvailable_.reset(); // looked at again when the exchange ends
}

void TFormVorm::EnableExchangeActions()
{
    ExchangeView view;
    for (int f = 0; f < 6; ++f)
        view.familyGridRows[size_t(f)] = engine_->familyGrid(f).rowCount();
    view.journalRows = engine_->journalGrid().rowCount();
    view.diaryRows = engine_->diaryGrid().rowCount();
    view.routeNamed = routesTab_->routeNamed();
    view.routeEntries = routesTab_->routeRowCount();
    // The poll re-applies the enabling every cycle; whether a spreadsheet can be made (settings,
    // the folder on disk) is looked up once per exchange, not per cycle.
    if (!spreadsheetAvailable_)
        spreadsheetAvailable_ = ExcelAvailable();
    view.spreadsheetAvailable = *spreadsheetAvailable_;
    actions_->applyStates(exchangeActionsOn(view));
}

void TFormVorm::SetWaitCursor(bool busy, QWidget* control)
{
    setWaitCursor(busy, control);
}

void TFormVorm::ActionConnectExecute()
{
    channel_->attach(engine_.get());
    try {
        engine_->connectLink();
    } catch (const Error& e) {
        channel_->detach();
        prompter_->error(applicationTitle(), e.message());
    }
}

void TFormVorm::ActionDisconnectExecute()
{
    channel_->detach();
    engine_->disconnectLink();
}

void TFormVorm::setStatusWindow(reader::TFormStatus* window)
{
    statusLink_->setWindow(window);
}

void TFormVorm::setDeleteDateDialog(TFormDelDate* dialog)
{
    storeActions_->setDeleteDateDialog(dialog);
}

void TFormVorm::setRouteDialogs(routes::TFormRouteList* routeList, routes::TFormAlternative* alternative,
                                routes::TFormAbbr* abbr)
{
    routeActions_->setDialogs(routeList, alternative, abbr);
}

void TFormVorm::setFolderChooser(TFormSelDir* dialog)
{
    exportActions_->setFolderChooser(dialog);
}

void TFormVorm::setAboutBox(TAboutBox* box)
{
    about_ = box;
    aboutItem_->setEnabled(box != nullptr);
    if (box)
        connect(box, &QObject::destroyed, aboutItem_, [item = aboutItem_] { item->setEnabled(false); });
}

void TFormVorm::ShowTableRowStatus(Family family, const QString& statusText)
{
    statusLink_->showStatus(family, statusText);
}

// ---- start-up and close ----

void TFormVorm::loadSettings()
{
    Settings store(QString::fromLatin1(kSettingsKey));
    settings_.load(store); // an unopenable key leaves the defaults
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect r = restoredGeometry(settings_, available);
    resize(r.size());
    move(r.topLeft());
    if (settings_.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    for (FamilyTab* tab : familyTabs_) {
        const size_t f = size_t(tab->family());
        tab->setGridHeight(f < settings_.gridHeights.size() ? settings_.gridHeights[f] : tab->gridHeight(), height());
    }
    settingsPage_->setValues(settings_.readerSettings());
    engine_->settings() = settingsPage_->values();
}

void TFormVorm::saveSettings()
{
    ManagerSettings s = settings_;
    s.maximized = isMaximized();
    if (!s.maximized) {
        s.width = width();
        s.height = height();
        s.left = x();
        s.top = y();
    }
    for (size_t f = 0; f < s.gridHeights.size(); ++f)
        s.gridHeights[f] = familyTabs_[f]->gridHeight();
    s.port = ports_->portNumber();
    s.portName = ports_->deviceName();
    s.setReaderSettings(settingsPage_->values());
    Settings store(QString::fromLatin1(kSettingsKey));
    try {
        s.save(store);
    } catch (const Error&) {
        // The window closes whatever happens; a store that refuses values keeps the old ones.
    }
}

void TFormVorm::checkClock(const StartupOptions& options)
{
    const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();
    const QDateTime built = options.programFileTime.isValid()
        ? options.programFileTime
        : QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
    if (built.isValid() && now < built)
        prompter_->message(QStringLiteral("TK4718EH"), QStringLiteral("Некорректное системное время."), Prompter::Icon::Error,
                           Prompter::Buttons::Ok);
}

void TFormVorm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        runCloseSequence();
    }
    QMainWindow::closeEvent(event);
}

void TFormVorm::runCloseSequence()
{
    views_->closeAll();
    saveSettings();
    channel_->detach();
    if (engine_->linkUp())
        engine_->disconnectLink();
    channel_->close();
    writeExchangeLog();
    routeState_->clearTask();
}

void TFormVorm::writeExchangeLog()
{
    if (!exchangeLog_)
        return;
    QFile f(QDir::current().filePath(QStringLiteral("protocol.txt")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream out(&f);
        for (const QString& line : *exchangeLog_)
            out << line << '\n';
    }
    engine_->setExchangeLog(nullptr);
    exchangeLog_.reset();
}

void TFormVorm::openHelp()
{
    if (!openWithDesktop(helpFile_))
        prompter_->error(QStringLiteral("Справка"),
                         QStringLiteral("Не удалось открыть файл справки ") + helpFile_ + QStringLiteral("."));
}

} // namespace tk::manager
