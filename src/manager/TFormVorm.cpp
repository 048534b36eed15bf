#include "manager/TFormVorm.h"

#include "manager/ActionTable.h"
#include "common/DesktopOpen.h"
#include "reader/Engine.h"
#include "common/Error.h"
#include "manager/ExchangeActions.h"
#include "reader/FamilyRecords.h"
#include "manager/HeaderColor.h"
#include "manager/PanelStatusBar.h"
#include "manager/PasswordValidator.h"
#include "common/PrompterDialog.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingTables.h"
#include "store/reading/ReadingViews.h"
#include "common/Regional.h"
#include "reader/SerialChannel.h"
#include "common/Settings.h"
#include "reader/StatusDecoding.h"
#include "manager/StreetListModel.h"
#include "manager/TFormDelDate.h"
#include "reader/TFormStatus.h"
#include "common/TextGridModel.h"
#include "common/TextListModel.h"
#include "manager/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextStream>
#include <QThread>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace tk::manager {

QString applicationTitle()
{
    return QStringLiteral("ТК4718ЕН-менеджер");
}

namespace {

const QString kSettingsKey = QStringLiteral("TK4718EH");
const QColor kNavy(0, 0, 128);
const QColor kCream(255, 251, 240);
// The property of a reader-data grid that carries its status link.
const char* const kStatusLink = "statusLink";

QString withoutColon(QString caption)
{
    caption.remove(QLatin1Char(':'));
    return caption.trimmed();
}

QLineEdit* readOnlyField(const char* name, const QString& accessibleName, int width, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setAccessibleName(accessibleName);
    e->setFixedWidth(width);
    return e;
}

QTableView* readerGrid(const QString& name, TextGrid& grid, const QString& accessibleName, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(new TextGridModel(grid, v));
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAccessibleName(accessibleName);
    return v;
}

// A read-only report list: grid lines, whole rows selected.
QTableView* reportList(const QString& name, QAbstractItemModel* model, const QString& accessibleName, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    model->setParent(v);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setStretchLastSection(true);
    v->setAccessibleName(accessibleName);
    return v;
}

QStandardItemModel* listModel(const QStringList& titles)
{
    auto* m = new QStandardItemModel(0, int(titles.size()));
    m->setHorizontalHeaderLabels(titles);
    return m;
}

void setIfChanged(QLineEdit* e, const QString& text)
{
    if (e->text() != text)
        e->setText(text);
}

// The standard icon of each tool-bar action; the captions are in the hints and menus.
QIcon iconFor(const QString& name, QStyle* style)
{
    struct Pick {
        const char* prefix;
        QStyle::StandardPixmap pixmap;
    };
    static const Pick picks[] = {
        {"ActionConnect", QStyle::SP_MediaPlay},
        {"ActionDisconnect", QStyle::SP_MediaStop},
        {"ActionTime", QStyle::SP_BrowserReload},
        {"ActionReadList", QStyle::SP_FileDialogDetailedView},
        {"ActionFormatStreet", QStyle::SP_TrashIcon},
        {"ActionFormat", QStyle::SP_TrashIcon},
        {"ActionClearJournal", QStyle::SP_TrashIcon},
        {"ActionClearDiary", QStyle::SP_TrashIcon},
        {"ActionClear", QStyle::SP_DialogResetButton},
        {"ActionDb", QStyle::SP_DriveNetIcon},
        {"ActionExport", QStyle::SP_FileDialogListView},
        {"ActionExp", QStyle::SP_FileIcon},
        {"ActionWrite", QStyle::SP_DialogSaveButton},
        {"ActionErase", QStyle::SP_DialogDiscardButton},
        {"ActionRead", QStyle::SP_ArrowDown},
        {"ActionWizard", QStyle::SP_FileDialogStart},
        {"ActionRouteFromBd", QStyle::SP_DirOpenIcon},
        {"ActionLoadRoute", QStyle::SP_DialogOpenButton},
        {"ActionDestroyRoute", QStyle::SP_TrashIcon},
        {"ActionAbbr", QStyle::SP_FileDialogInfoView},
        {"ActionRouteExcel", QStyle::SP_FileDialogListView},
    };
    for (const Pick& p : picks)
        if (name.startsWith(QLatin1String(p.prefix)))
            return style->standardIcon(p.pixmap);
    return style->standardIcon(QStyle::SP_ArrowDown); // the family read actions
}

} // namespace

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

    createActions();
    createToolBar();
    createMenus();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("PanelMain"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(createHeaderPanel());
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setUsesScrollButtons(true);
    for (int f = 0; f < 6; ++f)
        PageControl1->addTab(createFamilyTab(f), familyName(static_cast<Family>(f)));
    PageControl1->addTab(createRoutesTab(), QStringLiteral("Маршруты"));
    PageControl1->addTab(createJournalTab(false), QStringLiteral("Журнал"));
    PageControl1->addTab(createJournalTab(true), QStringLiteral("Дневник"));
    PageControl1->addTab(createDatabasesTab(), QStringLiteral("Базы"));
    PageControl1->addTab(createSettingsTab(), QStringLiteral("Установки"));
    v->addWidget(PageControl1, 1);
    setCentralWidget(central);

    StatusBar1 = new PanelStatusBar(QStringLiteral("StatusBar1"), {250, 50}, this);
    setStatusBar(StatusBar1);

    connectEngine();
    connectStoreActions();

    loadSettings();
    buildPortList(settings_.port, settings_.portName);
    checkClock(options);
    // Old tables get their 10-digit account column before anything opens them. The upgrade says
    // nothing: a table it could not take keeps its old width until a later start.
    store::widenAccountColumns(QDir::currentPath());
    for (Family f : store::storedFamilies())
        openReadingTable(f);
    PageControl1->setCurrentIndex(TabTelv1);
    if (commandLine_.debug) {
        exchangeLog_ = std::make_unique<QStringList>();
        engine_->setExchangeLog(exchangeLog_.get());
    }
    colourHeaderPanel();

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

// ---- actions, menus, tool bars ----

QAction* TFormVorm::makeAction(const QString& name, const QString& caption, const QString& hint, bool enabled)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setEnabled(enabled);
    if (name.startsWith(QLatin1String("Action")))
        a->setIcon(iconFor(name, style()));
    actions_.insert(name, a);
    return a;
}

void TFormVorm::createActions()
{
    for (const ActionInfo& a : actionTable())
        makeAction(a.name, a.caption, a.hint, a.enabledAtStart);
    connect(action(QStringLiteral("ActionConnect")), &QAction::triggered, this, &TFormVorm::ActionConnectExecute);
    connect(action(QStringLiteral("ActionDisconnect")), &QAction::triggered, this, &TFormVorm::ActionDisconnectExecute);
}

void TFormVorm::createMenus()
{
    auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (n)
                m->addAction(action(QString::fromLatin1(n)));
            else
                m->addSeparator();
        }
    };
    QMenuBar* bar = menuBar();

    QMenu* reader = bar->addMenu(QStringLiteral("&Ридер"));
    reader->setObjectName(QStringLiteral("MenuReader"));
    NPort = reader->addMenu(QStringLiteral("Порт"));
    NPort->setObjectName(QStringLiteral("NPort"));
    add(reader, {"ActionConnect", "ActionDisconnect", nullptr, "ActionTime", "ActionReadList", nullptr});
    // Enabled once the status window is handed in.
    statusItem_ = reader->addAction(QStringLiteral("Расши&фровка статуса"));
    statusItem_->setObjectName(QStringLiteral("NStatus"));
    statusItem_->setEnabled(false);
    connect(statusItem_, &QAction::triggered, this, [this] {
        if (statusWindow_)
            statusWindow_->showAndFocus();
    });
    reader->addSeparator();
    QAction* exit = reader->addAction(QStringLiteral("В&ыход"));
    exit->setObjectName(QStringLiteral("NExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    static const char16_t* const familyMenus[] = {u"ТЕЛВ-&1", u"ТЕЛВ-&2", u"ВАК&Л-4", u"ВА&КЛ-ДР", u"ВАКЛ-&ПДР", u"ЖК&В"};
    static const char* const familyMenuNames[] = {"MenuTelv1", "MenuTelv2", "MenuVakl4", "MenuVaklDr", "MenuVaklPdr", "MenuZkv"};
    for (size_t f = 0; f < kFamilyActions.size(); ++f) {
        const FamilyActionNames& a = kFamilyActions[f];
        QMenu* m = bar->addMenu(QString::fromUtf16(familyMenus[f]));
        m->setObjectName(QString::fromLatin1(familyMenuNames[f]));
        add(m, {a.read, a.format, nullptr, a.clear});
        for (const char* n : {a.db, a.text, a.excel, a.write, a.erase})
            if (n)
                m->addAction(action(QString::fromLatin1(n)));
    }

    QMenu* routes = bar->addMenu(QStringLiteral("Мар&шруты"));
    routes->setObjectName(QStringLiteral("MenuRoutes"));
    add(routes, {"ActionWizard", nullptr, "ActionRouteFromBd", "ActionLoadRoute", "ActionWriteRoute", "ActionReadRoute",
                 "ActionDestroyRoute", nullptr, "ActionFormatStreet", nullptr, "ActionAbbr", "ActionRouteExcel"});
    QMenu* journal = bar->addMenu(QStringLiteral("&Журнал"));
    journal->setObjectName(QStringLiteral("MenuJournal"));
    add(journal, {"ActionReadJournal", "ActionExportJournal", "ActionClearJournal"});
    QMenu* diary = bar->addMenu(QStringLiteral("&Дневник"));
    diary->setObjectName(QStringLiteral("MenuDiary"));
    add(diary, {"ActionReadDiary", "ActionExportDiary", "ActionClearDiary"});
    QMenu* settings = bar->addMenu(QStringLiteral("&Установки"));
    settings->setObjectName(QStringLiteral("MenuSettings"));
    add(settings, {"ActionReadTarif", "ActionWriteTarif"});

    QMenu* help = bar->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("MenuHelp"));
    QAction* helpItem = help->addAction(QStringLiteral("&Справка"));
    helpItem->setObjectName(QStringLiteral("NHelp"));
    connect(helpItem, &QAction::triggered, this, &TFormVorm::openHelp);
    help->addSeparator();
    // The about box comes later; until then its item stays disabled.
    QAction* about = help->addAction(QStringLiteral("&О программе"));
    about->setObjectName(QStringLiteral("NAbout"));
    about->setEnabled(false);
}

void TFormVorm::createToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    ComboPort = new QComboBox(bar);
    ComboPort->setObjectName(QStringLiteral("ComboPort"));
    ComboPort->setEditable(false);
    ComboPort->setMinimumContentsLength(8);
    ComboPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboPort->setAccessibleName(QStringLiteral("Порт"));
    ComboPort->setToolTip(QStringLiteral("Порт"));
    bar->addWidget(ComboPort);
    connect(ComboPort, &QComboBox::activated, this, &TFormVorm::ComboPortChange);

    bar->addSeparator();
    bar->addAction(action(QStringLiteral("ActionConnect")));
    bar->addAction(action(QStringLiteral("ActionDisconnect")));
    bar->addSeparator();
    bar->addAction(action(QStringLiteral("ActionTime")));
    bar->addAction(action(QStringLiteral("ActionReadList")));
    bar->addSeparator();

    Gauge1 = new QProgressBar(bar);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setFixedWidth(260);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar { text-align: center; } QProgressBar::chunk { background-color: navy; }"));
    bar->addWidget(Gauge1);
}

QToolBar* TFormVorm::verticalToolBar(const QString& name, const QList<const char*>& actionNames)
{
    auto* bar = new QToolBar(name);
    bar->setObjectName(name);
    bar->setOrientation(Qt::Vertical);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const char* n : actionNames)
        if (n)
            bar->addAction(action(QString::fromLatin1(n)));
    return bar;
}

// ---- the header panel ----

QWidget* TFormVorm::createHeaderPanel()
{
    headerPanel_ = new QWidget;
    headerPanel_->setObjectName(QStringLiteral("PanelHeader"));
    headerPanel_->setFixedHeight(89);
    headerPanel_->setAutoFillBackground(true);
    auto* h = new QHBoxLayout(headerPanel_);
    h->setContentsMargins(2, 0, 2, 0);
    h->setSpacing(3);

    // A labelled read-only field; the label goes to the left, or to the right on the PC clock box.
    auto labelled = [](QGridLayout* g, int row, int col, const QString& caption, QLineEdit* e, bool labelRight) {
        auto* l = new QLabel(caption);
        l->setBuddy(e);
        l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        if (labelRight) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, kNavy);
            l->setPalette(p);
            g->addWidget(e, row, col);
            g->addWidget(l, row, col + 1);
        } else {
            g->addWidget(l, row, col);
            g->addWidget(e, row, col + 1);
        }
    };
    auto box = [h](const QString& title, const char* name) {
        auto* b = new QGroupBox(title);
        b->setObjectName(QString::fromLatin1(name));
        auto* g = new QGridLayout(b);
        g->setContentsMargins(3, 2, 3, 2);
        g->setVerticalSpacing(2);
        g->setHorizontalSpacing(3);
        h->addWidget(b);
        return g;
    };

    const QString version = QStringLiteral("Версия:");
    const QString build = QStringLiteral("Сборка:");
    QGridLayout* g = box(QStringLiteral(" Версия "), "GroupVersion");
    EditVersion = readOnlyField("EditVersion", withoutColon(version), 36, headerPanel_);
    EditBuild = readOnlyField("EditBuild", withoutColon(build), 36, headerPanel_);
    labelled(g, 0, 0, version, EditVersion, false);
    labelled(g, 1, 0, build, EditBuild, false);

    g = box(QStringLiteral(" Записи "), "GroupCounts");
    static const char* const countNames[] = {"EditTelv_1", "EditTelv_2", "EditVakl_4", "EditVaklDr", "EditVaklPdr", "Edit_ZKV"};
    std::array<QLineEdit*, 6> counts{};
    for (int f = 0; f < 6; ++f) {
        const QString name = familyName(static_cast<Family>(f));
        counts[size_t(f)] = readOnlyField(countNames[f], name, 36, headerPanel_);
        labelled(g, f % 2, (f / 2) * 2, name + QLatin1Char(':'), counts[size_t(f)], false);
    }
    EditTelv_1 = counts[0];
    EditTelv_2 = counts[1];
    EditVakl_4 = counts[2];
    EditVaklDr = counts[3];
    EditVaklPdr = counts[4];
    Edit_ZKV = counts[5];

    // Wide enough for the widest date and time the system's formats write (a month name, a
    // four-digit year, seconds, AM/PM).
    const QFontMetrics fm = headerPanel_->fontMetrics();
    int clockWidth = fm.horizontalAdvance(QStringLiteral("00.00.0000"));
    for (int month = 1; month <= 12; ++month)
        clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::shortDate(QDate(2026, month, 28))));
    clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::longTime(QTime(23, 59, 59))));
    clockWidth = std::max(clockWidth, fm.horizontalAdvance(regional::longTime(QTime(11, 59, 59))));
    clockWidth += 12;
    const QString date = QStringLiteral("Дата:");
    const QString time = QStringLiteral("Время:");
    const QString readerClock = QStringLiteral(" Дата / время ридера ");
    g = box(readerClock, "GroupReaderClock");
    EditDate = readOnlyField("EditDate", readerClock.trimmed() + QStringLiteral(": ") + withoutColon(date), clockWidth, headerPanel_);
    EditTime = readOnlyField("EditTime", readerClock.trimmed() + QStringLiteral(": ") + withoutColon(time), clockWidth, headerPanel_);
    labelled(g, 0, 0, date, EditDate, false);
    labelled(g, 1, 0, time, EditTime, false);

    const QString compDate = QStringLiteral(":Дата");
    const QString compTime = QStringLiteral(":Время");
    const QString pcClock = QStringLiteral(" Дата / время комп-а ");
    g = box(pcClock, "GroupPcClock");
    EditCompDate = readOnlyField("EditCompDate", pcClock.trimmed() + QStringLiteral(": ") + withoutColon(compDate), clockWidth, headerPanel_);
    EditCompTime = readOnlyField("EditCompTime", pcClock.trimmed() + QStringLiteral(": ") + withoutColon(compTime), clockWidth, headerPanel_);
    labelled(g, 0, 0, compDate, EditCompDate, true);
    labelled(g, 1, 0, compTime, EditCompTime, true);
    h->addStretch(1);
    return headerPanel_;
}

void TFormVorm::colourHeaderPanel()
{
    QPalette p = headerPanel_->palette();
    p.setColor(QPalette::Window, headerPanelColor(QApplication::palette().color(QPalette::Button)));
    headerPanel_->setPalette(p);
}

// ---- the tabs ----

QWidget* TFormVorm::createFamilyTab(int f)
{
    static const char* const statusNames[] = {"StatusBar2", "StatusBar3", "StatusBar8", "StatusBar7", "StatusBar10", "StatusBar11"};
    static const char16_t* const dbHints[] = {u"БД ТЕЛВ (1т)", u"БД ТЕЛВ (3т)", u"БД ВАКЛ", u"БД ВАКЛ", u"БД ВАКЛ"};
    const FamilyActionNames& a = kFamilyActions[size_t(f)];
    const QString family = familyName(static_cast<Family>(f));

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Tab_") + QString::fromLatin1(a.read));
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(verticalToolBar(QStringLiteral("ToolBar_") + QString::fromLatin1(a.read),
                                 {a.read, a.format, a.clear, a.db, a.text, a.excel, a.write}));
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    h->addLayout(right, 1);

    // Panel 0: the summary of the last read; panel 1: the record count of the local table.
    familyStatusBars[size_t(f)] = new PanelStatusBar(QString::fromLatin1(statusNames[f]), {300, 100}, page);
    right->addWidget(familyStatusBars[size_t(f)]);

    QTableView* grid = readerGrid(QStringLiteral("StringGrid%1").arg(f + 1), engine_->familyGrid(f), family, page);
    StringGrids[size_t(f)] = grid;
    grid->installEventFilter(this); // the Delete key
    if (familyInfo(Family(f)).statusModel >= 0)
        linkStatusCells(grid, Family(f));
    if (f == int(Family::Zkv)) {
        right->addWidget(grid, 1);
        return page;
    }

    auto* db = new QTableView(page);
    db->setObjectName(QStringLiteral("DBGrid%1").arg(f + 1));
    const QString hint = QString::fromUtf16(dbHints[f]);
    db->setToolTip(hint);
    db->setAccessibleName(hint);
    db->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette p = db->palette();
    p.setColor(QPalette::Base, kCream);
    db->setPalette(p);
    // Rows come from the file as the grid scrolls to them; all rows have the same height, so the
    // view never has to ask a million of them for theirs.
    db->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    db->verticalHeader()->setDefaultSectionSize(std::max(15, db->fontMetrics().height() + 4));
    db->setModel(views_->model(Family(f)));
    DBGrids[size_t(f)] = db;
    // Opening a table resets the view, and with it the column widths.
    connect(views_->model(Family(f)), &QAbstractItemModel::modelReset, db, [this, f] { applyTableColumnWidths(Family(f)); });
    connect(db, &QAbstractItemView::doubleClicked, this,
            [this, f](const QModelIndex& index) { tableRowDoubleClicked(Family(f), index); });

    auto* split = new QSplitter(Qt::Vertical, page);
    split->setObjectName(QStringLiteral("Splitter%1").arg(f + 1));
    split->setChildrenCollapsible(false);
    split->addWidget(grid);
    split->addWidget(db);
    // The reader-data grid keeps its height when the window grows; the local table takes the rest.
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    gridSplitters_[size_t(f)] = split;
    connect(split, &QSplitter::splitterMoved, this, [this, f, split] { gridHeights_[size_t(f)] = split->sizes().value(0); });
    right->addWidget(split, 1);
    return page;
}

QWidget* TFormVorm::createRoutesTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabRoutes"));
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(verticalToolBar(QStringLiteral("ToolBarRoutes"),
                                 {"ActionWizard", "ActionRouteFromBd", "ActionLoadRoute", "ActionWriteRoute", "ActionReadRoute",
                                  "ActionDestroyRoute", "ActionFormatStreet", "ActionAbbr", "ActionRouteExcel"}));

    auto* split = new QSplitter(Qt::Horizontal, page);
    split->setObjectName(QStringLiteral("SplitterRoutes"));
    split->setChildrenCollapsible(false);
    h->addWidget(split, 1);

    auto* left = new QWidget(split);
    auto* v = new QVBoxLayout(left);
    v->setContentsMargins(0, 0, 0, 0);
    StatusBar4 = new PanelStatusBar(QStringLiteral("StatusBar4"), {100}, left);
    v->addWidget(StatusBar4);

    auto* line = new QHBoxLayout;
    auto* routeNoLabel = new QLabel(QStringLiteral("Номер маршрута:"), left);
    SpinRoute = new QSpinBox(left);
    SpinRoute->setObjectName(QStringLiteral("SpinRoute"));
    SpinRoute->setRange(1, 55);
    SpinRoute->setValue(1);
    SpinRoute->setAccessibleName(withoutColon(routeNoLabel->text()));
    routeNoLabel->setBuddy(SpinRoute);
    auto* routeLabel = new QLabel(QStringLiteral("Маршрут:"), left);
    EditRoute = new QLineEdit(left);
    EditRoute->setObjectName(QStringLiteral("EditRoute"));
    EditRoute->setAccessibleName(withoutColon(routeLabel->text()));
    routeLabel->setBuddy(EditRoute);
    line->addWidget(routeNoLabel);
    line->addWidget(SpinRoute);
    line->addSpacing(12);
    line->addWidget(routeLabel);
    line->addWidget(EditRoute, 1);
    v->addLayout(line);

    routeModel = listModel({QStringLiteral("Лиц. счет"), QStringLiteral("Улица"), QStringLiteral("Дом"),
                            QStringLiteral("Счетчик"), QStringLiteral("Тип счетчика")});
    ListRoute = reportList(QStringLiteral("ListRoute"), routeModel, withoutColon(routeLabel->text()), left);
    ListRoute->setColumnWidth(0, 100);
    ListRoute->setColumnWidth(1, 100);
    ListRoute->setColumnWidth(3, 80);
    ListRoute->setColumnWidth(4, 80);
    v->addWidget(ListRoute, 1);

    auto* streets = new QGroupBox(QStringLiteral(" Список улиц"), split);
    streets->setObjectName(QStringLiteral("GroupStreets"));
    auto* sv = new QVBoxLayout(streets);
    sv->setContentsMargins(2, 2, 2, 2);
    streetModel_ = new StreetListModel(engine_->streets());
    ListStreet = reportList(QStringLiteral("ListStreet"), streetModel_, streets->title().trimmed(), streets);
    ListStreet->setColumnWidth(0, 30);
    ListStreet->setColumnWidth(1, 120);
    sv->addWidget(ListStreet);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);

    connect(SpinRoute, &QSpinBox::valueChanged, this,
            [this] { applyReaderActions(action(QStringLiteral("ActionTime"))->isEnabled()); });
    return page;
}

QWidget* TFormVorm::createJournalTab(bool diary)
{
    auto* page = new QWidget;
    page->setObjectName(diary ? QStringLiteral("TabDiary") : QStringLiteral("TabJournal"));
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    if (diary)
        h->addWidget(verticalToolBar(QStringLiteral("ToolBarDiary"), {"ActionReadDiary", "ActionExportDiary", "ActionClearDiary"}));
    else
        h->addWidget(
            verticalToolBar(QStringLiteral("ToolBarJournal"), {"ActionReadJournal", "ActionExportJournal", "ActionClearJournal"}));
    auto* v = new QVBoxLayout;
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    h->addLayout(v, 1);

    PanelStatusBar* bar = new PanelStatusBar(diary ? QStringLiteral("StatusBar6") : QStringLiteral("StatusBar5"), {100}, page);
    v->addWidget(bar);
    QTableView* grid = diary ? readerGrid(QStringLiteral("GridDiary"), engine_->diaryGrid(), QStringLiteral("Дневник"), page)
                             : readerGrid(QStringLiteral("GridJournal"), engine_->journalGrid(), QStringLiteral("Журнал"), page);
    grid->horizontalHeader()->setDefaultSectionSize(diary ? 80 : 70);
    grid->verticalHeader()->setDefaultSectionSize(std::max(15, grid->fontMetrics().height() + 4));
    v->addWidget(grid, 1);
    if (diary) {
        StatusBar6 = bar;
        GridDiary = grid;
    } else {
        StatusBar5 = bar;
        GridJournal = grid;
    }
    return page;
}

QWidget* TFormVorm::createDatabasesTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabDatabases"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(QStringLiteral("MemoDb"));
    memo->setReadOnly(true);
    memo->setPlainText(QStringLiteral("Номера БД в ридере: 0 - ТЕЛВ-2, 1 - ВАКЛ-4, 2 - ТЕЛВ-1, 3 - ВАКЛ-ДР, 4 - ВАКЛ-ПДР,5 - названия улиц, 6 -\n"
                                      "журнал, 7 - дневник, 8-62 - маршруты с 1 до 55, 63 - ЖКВ."));
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setMaximumHeight(memo->fontMetrics().lineSpacing() * 2 + 16);
    memo->setAccessibleName(memo->toPlainText().section(QLatin1Char(':'), 0, 0));
    v->addWidget(memo);
    ListDb = reportList(QStringLiteral("ListDb"), new TextListModel(engine_->databaseList()), memo->accessibleName(), page);
    v->addWidget(ListDb, 1);
    return page;
}

QWidget* TFormVorm::createSettingsTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSettings"));
    auto* h = new QHBoxLayout(page);

    auto* schedule = new QGroupBox(QStringLiteral(" Расписание : "), page);
    schedule->setObjectName(QStringLiteral("GroupSchedule"));
    auto* g = new QGridLayout(schedule);
    const QString zone = QStringLiteral("Зона");
    const QString tariff = QStringLiteral("Тариф");
    const QString time = QStringLiteral("Время");
    g->addWidget(new QLabel(zone, schedule), 0, 0);
    g->addWidget(new QLabel(tariff, schedule), 0, 1);
    g->addWidget(new QLabel(time, schedule), 0, 2);
    const ManagerSettings defaults;
    for (int z = 0; z < kZones; ++z) {
        auto* key = new QLabel(QString::number(z), schedule);
        // The tariff is picked from the list and never typed.
        auto* c = new QComboBox(schedule);
        c->setObjectName(QStringLiteral("ComboTarif_%1").arg(z));
        c->setEditable(false);
        c->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        c->setCurrentText(defaults.tariffs[size_t(z)]);
        c->setAccessibleName(QStringLiteral("%1 %2: %3").arg(zone).arg(z).arg(tariff));
        key->setBuddy(c);
        auto* t = new QTimeEdit(schedule);
        t->setObjectName(QStringLiteral("TimeZone_%1").arg(z));
        t->setDisplayFormat(QStringLiteral("HH:mm"));
        t->setTime(defaults.times[size_t(z)]);
        t->setAccessibleName(QStringLiteral("%1 %2: %3").arg(zone).arg(z).arg(time));
        g->addWidget(key, z + 1, 0);
        g->addWidget(c, z + 1, 1);
        g->addWidget(t, z + 1, 2);
        ComboTarif[size_t(z)] = c;
        TimeZone[size_t(z)] = t;
    }
    h->addWidget(schedule);

    auto* right = new QVBoxLayout;
    h->addLayout(right);
    CheckOneTarif = new QCheckBox(QStringLiteral("Работа по одному тарифу"), page);
    CheckOneTarif->setObjectName(QStringLiteral("CheckOneTarif"));
    CheckOneTarif->setChecked(defaults.oneTarif);
    right->addWidget(CheckOneTarif);

    auto* days = new QGridLayout;
    auto spin = [page, days](int row, const QString& caption, const char* name, int lo, int hi, int value) {
        auto* l = new QLabel(caption, page);
        auto* s = new QSpinBox(page);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(lo, hi);
        s->setValue(value);
        s->setAccessibleName(withoutColon(caption));
        l->setBuddy(s);
        days->addWidget(l, row, 0);
        days->addWidget(s, row, 1);
        return s;
    };
    SpinCountDay = spin(0, QStringLiteral("Расчетный день:"), "SpinCountDay", 1, 31, defaults.countDay);
    SpinCountHour = spin(1, QStringLiteral("Расчетный час:"), "SpinCountHour", 0, 23, defaults.countHour);
    days->setColumnStretch(2, 1);
    right->addLayout(days);

    CheckSummer = new QCheckBox(QStringLiteral("Разрешить автопереход на на летнее время"), page);
    CheckSummer->setObjectName(QStringLiteral("CheckSummer"));
    CheckSummer->setChecked(defaults.summer);
    right->addWidget(CheckSummer);

    auto* indi = new QGroupBox(QStringLiteral(" Индикация "), page);
    indi->setObjectName(QStringLiteral("GroupIndi"));
    auto* iv = new QVBoxLayout(indi);
    static const char16_t* const indiCaptions[] = {u"Суммарная", u"На 1-ое число", u"Дата", u"Время"};
    for (int b = 0; b < 4; ++b) {
        auto* c = new QCheckBox(QString::fromUtf16(indiCaptions[b]), indi);
        c->setObjectName(QStringLiteral("CheckIndi_%1").arg(b));
        iv->addWidget(c);
        CheckIndi[size_t(b)] = c;
    }

    auto* pass = new QHBoxLayout;
    auto* passLabel = new QLabel(QStringLiteral("Пароль:"), page);
    EditPassword = new QLineEdit(QString::number(defaults.password), page);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setValidator(new PasswordValidator(EditPassword));
    EditPassword->setMaxLength(5);
    EditPassword->setAccessibleName(withoutColon(passLabel->text()));
    passLabel->setBuddy(EditPassword);
    pass->addWidget(passLabel);
    pass->addWidget(EditPassword);
    pass->addStretch(1);
    right->addLayout(pass);

    // The buttons carry the settings actions: same caption, same enabling.
    auto* buttons = new QHBoxLayout;
    auto button = [this, page, buttons](const char* name, const char* actionName) {
        QAction* a = action(QString::fromLatin1(actionName));
        auto* b = new QPushButton(a->text(), page);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(a->toolTip());
        b->setEnabled(a->isEnabled());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::enabledChanged, b, &QWidget::setEnabled);
        buttons->addWidget(b);
    };
    button("BtnReadTarif", "ActionReadTarif");
    button("BtnWriteTarif", "ActionWriteTarif");
    buttons->addStretch(1);
    right->addLayout(buttons);
    right->addStretch(1);

    for (QComboBox* c : ComboTarif)
        connect(c, &QComboBox::currentIndexChanged, this, &TFormVorm::takeReaderSettings);
    for (QTimeEdit* t : TimeZone)
        connect(t, &QTimeEdit::timeChanged, this, &TFormVorm::takeReaderSettings);
    for (QCheckBox* c : {CheckOneTarif, CheckSummer, CheckIndi[0], CheckIndi[1], CheckIndi[2], CheckIndi[3]})
        connect(c, &QCheckBox::toggled, this, &TFormVorm::takeReaderSettings);
    for (QSpinBox* sp : {SpinCountDay, SpinCountHour})
        connect(sp, &QSpinBox::valueChanged, this, &TFormVorm::takeReaderSettings);
    connect(EditPassword, &QLineEdit::textChanged, this, &TFormVorm::takeReaderSettings);

    auto* third = new QVBoxLayout;
    third->addWidget(indi);
    third->addStretch(1);
    h->addLayout(third);
    return page;
}

// ---- the engine ----

void TFormVorm::connectEngine()
{
    reader::Engine* e = engine_.get();
    statusRepaint_ = new QTimer(this);
    statusRepaint_->setSingleShot(true);
    statusRepaint_->setInterval(kStatusRepaintMs);
    connect(statusRepaint_, &QTimer::timeout, this, [this] {
        if (StatusBar1->panelText(0) != pendingStatus_) {
            StatusBar1->setPanelText(0, pendingStatus_);
            statusRepaint_->start();
        }
    });
    connect(e, &reader::Engine::statusTextChanged, this, &TFormVorm::showStatusText);
    connect(e, &reader::Engine::headerChanged, this, &TFormVorm::showHeader);
    connect(e, &reader::Engine::gaugeChanged, this, &TFormVorm::showGauge);
    connect(e, &reader::Engine::readerActionsChanged, this, &TFormVorm::applyReaderActions);
    connect(e, &reader::Engine::exchangeActionsDisabled, this, &TFormVorm::DisableExchangeActions);
    connect(e, &reader::Engine::exchangeActionsEnabled, this, &TFormVorm::EnableExchangeActions);
    connect(e, &reader::Engine::linkChanged, this, &TFormVorm::setLinkControls);
    connect(e, &reader::Engine::tick, this, &TFormVorm::showTick);
    connect(e, &reader::Engine::showTab, PageControl1, &QTabWidget::setCurrentIndex);
    connect(e, &reader::Engine::settingsChanged, this, &TFormVorm::showReaderSettings);

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
        connect(action(QString::fromLatin1(name)), &QAction::triggered, e, start);

    // The family reads and clears, one action of each per family.
    static const char* const reads[] = {"ActionTelv_1", "ActionTelv_2", "ActionVakl", "ActionVaklDr",
                                        "ActionVaklPdr", "ActionZKV"};
    static const char* const clears[] = {"ActionFormat_1", "ActionFormat_2", "ActionFormat_4", "ActionFormat_Dr",
                                         "ActionFormat_Pdr", "ActionFormat_ZKV"};
    for (const FamilyInfo& f : kFamilies) {
        const Family family = f.family;
        connect(action(QString::fromLatin1(reads[int(family)])), &QAction::triggered, e,
                [e, family] { e->startReadFamily(family); });
        connect(action(QString::fromLatin1(clears[int(family)])), &QAction::triggered, e,
                [e, family] { e->startClearFamily(family); });
    }
}

// ---- the status window ----

void TFormVorm::setStatusWindow(reader::TFormStatus* window)
{
    statusWindow_ = window;
    statusItem_->setEnabled(window != nullptr);
}

void TFormVorm::linkStatusCells(QTableView* grid, Family family)
{
    grid->setProperty(kStatusLink, reader::statusColumn(family) + 32 * familyInfo(family).statusModel);
    // The tooltip follows the cell under the pointer, so the viewport reports every move.
    grid->viewport()->setMouseTracking(true);
    grid->viewport()->installEventFilter(this);
    connect(grid, &QAbstractItemView::doubleClicked, this,
            [this, grid](const QModelIndex& index) { statusCellDoubleClicked(grid, index); });
}

int TFormVorm::statusModelOf(const QTableView* grid)
{
    return grid->property(kStatusLink).toInt() / 32;
}

int TFormVorm::statusCellValue(const QTableView* grid, const QModelIndex& index)
{
    // The grid's title row is the view's header, so every index is a record or the empty last row.
    if (!index.isValid() || index.column() != grid->property(kStatusLink).toInt() % 32)
        return 0;
    return reader::statusValueOf(index.data(Qt::DisplayRole).toString());
}

bool TFormVorm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        for (size_t f = 0; f < StringGrids.size(); ++f)
            if (watched == StringGrids[f]) {
                DeleteGridRecord(Family(f));
                return true;
            }
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::ToolTip) {
        auto* viewport = qobject_cast<QWidget*>(watched);
        auto* grid = viewport ? qobject_cast<QTableView*>(viewport->parentWidget()) : nullptr;
        if (grid && grid->viewport() == viewport && grid->property(kStatusLink).isValid()) {
            if (event->type() == QEvent::MouseMove) {
                statusCellHovered(grid, static_cast<QMouseEvent*>(event)->position().toPoint());
            } else {
                statusCellTipWanted(grid, static_cast<QHelpEvent*>(event));
                return true; // the view would replace the tip with its model's (empty) one
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormVorm::statusCellHovered(QTableView* grid, const QPoint& pos)
{
    QString tip;
    const int value = statusCellValue(grid, grid->indexAt(pos));
    if (value > 0 && statusWindow_) {
        // The window follows the cell under the pointer, shown or not.
        statusWindow_->ShowStatus(value, statusModelOf(grid), false);
        tip = statusWindow_->text();
    }
    // A tip still on the screen goes when its text no longer fits the cell under the pointer;
    // Qt itself takes it away once the pointer leaves the cell it was shown for.
    QWidget* viewport = grid->viewport();
    if (tip != viewport->toolTip()) {
        QToolTip::hideText();
        viewport->setToolTip(tip);
    }
}

void TFormVorm::statusCellTipWanted(QTableView* grid, QHelpEvent* event)
{
    const QString tip = grid->viewport()->toolTip();
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return;
    }
    QToolTip::showText(event->globalPos(), tip, grid->viewport(), grid->visualRect(grid->indexAt(event->pos())));
}

void TFormVorm::statusCellDoubleClicked(QTableView* grid, const QModelIndex& index)
{
    const int value = statusCellValue(grid, index);
    if (value > 0 && statusWindow_)
        statusWindow_->ShowStatus(value, statusModelOf(grid), true);
}

void TFormVorm::ShowTableRowStatus(Family family, const QString& statusText)
{
    const int model = familyInfo(family).statusModel;
    if (model >= 0 && statusWindow_)
        statusWindow_->ShowStatus(reader::statusValueOf(statusText), model, true);
}

void TFormVorm::tableRowDoubleClicked(Family family, const QModelIndex& index)
{
    // A double-click off the rows (an empty table above all) gives no index.
    if (!views_->isOpen(family) || !index.isValid())
        return;
    const store::TitledTableModel* m = views_->model(family);
    const int status = m->columnOf("STATUS");
    ShowTableRowStatus(family, status < 0 ? QString() : m->index(index.row(), status).data().toString());
}

// ---- the local reading store ----

void TFormVorm::setDeleteDateDialog(TFormDelDate* dialog)
{
    delDate_ = dialog;
}

void TFormVorm::connectStoreActions()
{
    for (const FamilyInfo& info : kFamilies) {
        const Family f = info.family;
        const FamilyActionNames& a = kFamilyActions[size_t(f)];
        connect(action(QString::fromLatin1(a.clear)), &QAction::triggered, this, [this, f] { ActionClearExecute(f); });
        if (a.write)
            connect(action(QString::fromLatin1(a.write)), &QAction::triggered, this, [this, f] { ActionWriteExecute(f); });
        if (a.erase)
            connect(action(QString::fromLatin1(a.erase)), &QAction::triggered, this, [this, f] { ActionEraseExecute(f); });
    }
}

void TFormVorm::applyTableColumnWidths(Family family)
{
    QTableView* grid = DBGrids[size_t(family)];
    const store::TitledTableModel* m = views_->model(family);
    const int defaultWidth = grid->horizontalHeader()->defaultSectionSize();
    for (int c = 0; c < m->columnCount(); ++c) {
        const int w = m->widthOf(c);
        grid->setColumnWidth(c, w > 0 ? w : defaultWidth);
    }
}

void TFormVorm::openReadingTable(Family family)
{
    PanelStatusBar* bar = familyStatusBars[size_t(family)];
    if (views_->open(family)) {
        bar->setPanelText(1, QString::number(views_->rowCount(family).value_or(0)));
        bar->setPanelToolTip(1, QString());
    } else {
        // An empty grid would look like an empty table; the panel says nothing and tells why.
        bar->setPanelText(1, QString());
        bar->setPanelToolTip(1, views_->failure(family));
    }
}

void TFormVorm::ActionWriteExecute(Family family)
{
    PageControl1->setCurrentIndex(familyInfo(family).tab);
    SetWaitCursor(true, this);
    // The tab and the hourglass show before the window blocks for the write.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QThread::msleep(10);
    views_->close(family);
    const TextGrid& grid = engine_->familyGrid(int(family));
    const int records = grid.rowCount() - 2;
    showGauge(0, records);
    store_->write(family, grid, *prompter_, [this, records](int row) {
        showGauge(row, records);
        Gauge1->repaint();
    });
    showGauge(0, records);
    openReadingTable(family);
    SetWaitCursor(false, this);
}

void TFormVorm::ActionEraseExecute(Family family)
{
    if (!delDate_)
        return;
    delDate_->exec(); // the date is taken however the dialog was closed
    const store::ReadingTable* table = store::readingTable(family);
    if (prompter_->message(QStringLiteral("Удаление данных"),
                           QStringLiteral("Данные из таблицы \"") + table->shownName + QStringLiteral("\" будут удалены !"),
                           Prompter::Icon::Warning, Prompter::Buttons::OkCancel)
        != Prompter::Answer::Ok)
        return;
    PageControl1->setCurrentIndex(familyInfo(family).tab);
    views_->close(family);
    SetWaitCursor(true, this);
    try {
        store_->erase(family, delDate_->date());
    } catch (const Error& e) {
        SetWaitCursor(false, this);
        prompter_->error(applicationTitle(), e.message());
    }
    // Reopened whatever happened: a closed view would show an empty grid, as if the rows were gone.
    openReadingTable(family);
    SetWaitCursor(false, this);
}

void TFormVorm::ActionClearExecute(Family family)
{
    PageControl1->setCurrentIndex(familyInfo(family).tab);
    engine_->familyGrid(int(family)).clear();
    const FamilyActionNames& a = kFamilyActions[size_t(family)];
    for (const char* name : {a.write, a.excel})
        if (name)
            action(QString::fromLatin1(name))->setEnabled(false);
    clearedCounts_[size_t(family)] = engine_->header().gridCounts[size_t(family)];
    familyStatusBars[size_t(family)]->setPanelText(0, QStringLiteral("0"));
}

void TFormVorm::DeleteGridRecord(Family family)
{
    const QTableView* view = StringGrids[size_t(family)];
    TextGrid& grid = engine_->familyGrid(int(family));
    // The view's rows are the grid's rows from 1 on: its title row is the header.
    const QModelIndex current = view->currentIndex();
    const int row = current.row() + 1;
    if (grid.rowCount() <= 2 || !current.isValid() || row > grid.rowCount() - 2)
        return;
    if (prompter_->message(PageControl1->tabText(PageControl1->currentIndex()), QStringLiteral("Удалить строку из обменника?"),
                           Prompter::Icon::Question, Prompter::Buttons::OkCancel)
        == Prompter::Answer::Ok)
        grid.removeRecord(row);
}

void TFormVorm::takeReaderSettings()
{
    if (showingReaderSettings_)
        return;
    reader::ReaderSettings& r = engine_->settings();
    for (int z = 0; z < kZones; ++z)
        r.zones[size_t(z)] = {ComboTarif[size_t(z)]->currentText(), TimeZone[size_t(z)]->time()};
    r.oneTariff = CheckOneTarif->isChecked();
    r.billingDay = SpinCountDay->value();
    r.billingHour = SpinCountHour->value();
    r.summer = CheckSummer->isChecked();
    r.display = 0;
    for (int b = 0; b < 4; ++b)
        if (CheckIndi[size_t(b)]->isChecked())
            r.display |= 1 << b;
    r.password = EditPassword->text();
}

void TFormVorm::showReaderSettings()
{
    // The page shows what a settings read brought; while it does, its changes are not echoed back.
    showingReaderSettings_ = true;
    const reader::ReaderSettings& r = engine_->settings();
    for (int z = 0; z < kZones; ++z) {
        const int i = ComboTarif[size_t(z)]->findText(r.zones[size_t(z)].tariff);
        if (i >= 0)
            ComboTarif[size_t(z)]->setCurrentIndex(i);
        if (r.zones[size_t(z)].start.isValid())
            TimeZone[size_t(z)]->setTime(r.zones[size_t(z)].start);
    }
    CheckOneTarif->setChecked(r.oneTariff);
    SpinCountDay->setValue(r.billingDay);
    SpinCountHour->setValue(r.billingHour);
    CheckSummer->setChecked(r.summer);
    for (int b = 0; b < 4; ++b)
        CheckIndi[size_t(b)]->setChecked((r.display >> b) & 1);
    EditPassword->setText(r.password);
    showingReaderSettings_ = false;
    // A value the page cannot show (a tariff outside its list) is sent back as the page shows it.
    takeReaderSettings();
}

void TFormVorm::ActionConnectExecute()
{
    channel_->attach(engine_.get());
    if (!engine_->connectLink())
        channel_->detach();
}

void TFormVorm::ActionDisconnectExecute()
{
    channel_->detach();
    engine_->disconnectLink();
}

void TFormVorm::setLinkControls(bool up)
{
    action(QStringLiteral("ActionConnect"))->setEnabled(!up);
    action(QStringLiteral("ActionDisconnect"))->setEnabled(up);
    NPort->setEnabled(!up);
    NPort->menuAction()->setEnabled(!up);
    ComboPort->setEnabled(!up);
}

void TFormVorm::showHeader()
{
    const reader::HeaderPanel& hp = engine_->header();
    setIfChanged(EditVersion, hp.version);
    setIfChanged(EditBuild, hp.build);
    const std::array<QLineEdit*, 6> counts{EditTelv_1, EditTelv_2, EditVakl_4, EditVaklDr, EditVaklPdr, Edit_ZKV};
    for (size_t i = 0; i < counts.size(); ++i)
        setIfChanged(counts[i], hp.counts[i]);
    EditVaklPdr->setEnabled(hp.pdrZkvEnabled);
    Edit_ZKV->setEnabled(hp.pdrZkvEnabled);
    setIfChanged(EditDate, hp.readerDate);
    setIfChanged(EditTime, hp.readerTime);
    StatusBar5->setPanelText(0, hp.journalCount);
    StatusBar6->setPanelText(0, hp.diaryCount);
    for (size_t f = 0; f < familyStatusBars.size(); ++f) {
        if (clearedCounts_[f] && *clearedCounts_[f] == hp.gridCounts[f] && engine_->familyGrid(int(f)).recordCount() == 0)
            continue; // emptied here; the engine's count is of the records that went
        clearedCounts_[f].reset();
        familyStatusBars[f]->setPanelText(0, hp.gridCounts[f]);
    }
}

void TFormVorm::showStatusText(const QString& text)
{
    pendingStatus_ = text;
    if (statusRepaint_->isActive())
        return; // shown when the interval is up
    StatusBar1->setPanelText(0, text);
    statusRepaint_->start();
}

void TFormVorm::showGauge(int position, int maximum)
{
    // A maximum of 0 would turn the bar into a busy indicator; an empty bar is meant.
    const int max = std::max(maximum, 1);
    if (Gauge1->maximum() != max)
        Gauge1->setRange(0, max);
    Gauge1->setValue(std::clamp(position, 0, max));
}

void TFormVorm::showTick(const QDateTime& now)
{
    setIfChanged(EditCompDate, regional::shortDate(now.date()));
    setIfChanged(EditCompTime, regional::longTime(now.time()));
    StatusBar4->setPanelText(0, QString::number(routeRowCount()));
}

int TFormVorm::routeRowCount() const
{
    return routeModel->rowCount();
}

void TFormVorm::applyStates(const std::vector<std::pair<QString, bool>>& states)
{
    for (const auto& [name, on] : states) {
        if (QAction* a = actions_.value(name))
            a->setEnabled(on);
        else if (auto* w = findChild<QWidget*>(name))
            w->setEnabled(on);
        else
            qWarning("no action or control named %s", qPrintable(name));
    }
}

void TFormVorm::applyReaderActions(bool on)
{
    applyStates(reader::readerActionStates(on, engine_->firmwareWord(), routeRowCount()));
}

void TFormVorm::DisableExchangeActions()
{
    applyStates(exchangeActionsOff());
}

void TFormVorm::EnableExchangeActions()
{
    ExchangeView view;
    for (int f = 0; f < 6; ++f)
        view.familyGridRows[size_t(f)] = engine_->familyGrid(f).rowCount();
    view.journalRows = engine_->journalGrid().rowCount();
    view.diaryRows = engine_->diaryGrid().rowCount();
    view.routeNamed = !EditRoute->text().isEmpty();
    view.routeEntries = routeRowCount();
    // The spreadsheet export writes .xlsx files itself; there is no program to find first.
    view.spreadsheetAvailable = true;
    applyStates(exchangeActionsOn(view));
}

void TFormVorm::SetWaitCursor(bool busy, QWidget* control)
{
    setWaitCursor(busy, control);
}

// ---- port choice ----

void TFormVorm::buildPortList(int selected, const QString& selectedDevice)
{
    portList_ = reader::BuildPortList(selected, selectedDevice);
    if (!commandLine_.port.isEmpty())
        reader::addDevice(portList_, commandLine_.port);

    {
        const QSignalBlocker block(ComboPort);
        ComboPort->clear();
        ComboPort->addItems(portList_.comboLines);
        ComboPort->setCurrentIndex(portList_.selectedLine);
    }
    portGroup_ = new QActionGroup(this);
    portGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < int(portList_.items.size()); ++i) {
        QAction* item = NPort->addAction(portList_.items[size_t(i)].caption);
        item->setObjectName(QStringLiteral("NPort_%1").arg(i));
        item->setCheckable(true);
        item->setChecked(i == portList_.checkedItem);
        portGroup_->addAction(item);
        portItems_.append(item);
        connect(item, &QAction::triggered, this, [this, i] { PortClick(i); });
    }

    channel_->setPortNumber(selected);
    chosenDevice_ = selectedDevice;
    if (portList_.checkedItem >= 0)
        choosePortItem(portList_.checkedItem);
}

void TFormVorm::choosePortItem(int item)
{
    for (int i = 0; i < portItems_.size(); ++i)
        portItems_[i]->setChecked(i == item);
    if (item < 0)
        return;
    const reader::PortItem& p = portList_.items[size_t(item)];
    if (p.number > 0) {
        channel_->setDevice(p.device);
        channel_->setPortNumber(p.number);
        chosenDevice_.clear();
    } else {
        channel_->setDevice(p.device);
        chosenDevice_ = p.device;
    }
}

void TFormVorm::PortClick(int item)
{
    if (item < 0 || item >= int(portList_.items.size()))
        return;
    choosePortItem(item);
    const QSignalBlocker block(ComboPort);
    ComboPort->setCurrentIndex(reader::lineForItem(portList_, item));
}

void TFormVorm::ComboPortChange(int line)
{
    if (line < 0 || line >= portList_.comboLines.size())
        return;
    const QString text = portList_.comboLines[line];
    const int item = reader::itemForComboLine(portList_, line);
    if (item >= 0) {
        choosePortItem(item);
        return;
    }
    choosePortItem(-1);
    bool ok = false;
    const int n = text.mid(3).toInt(&ok);
    if (ok && n > 0) {
        channel_->setDevice(QString());
        channel_->setPortNumber(n);
        chosenDevice_.clear();
    }
}

// ---- start-up and close ----

void TFormVorm::loadSettings()
{
    Settings store(kSettingsKey);
    settings_.load(store); // an unopenable key leaves the defaults
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect r = restoredGeometry(settings_, available);
    resize(r.size());
    move(r.topLeft());
    if (settings_.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    for (int i = 0; i < 3; ++i)
        gridHeights_[size_t(i)] = settings_.gridHeights[size_t(i)];
    for (size_t i = 0; i < gridSplitters_.size(); ++i)
        gridSplitters_[i]->setSizes({gridHeights_[i], std::max(1, height())});
    applySettingsToControls(settings_);
    takeReaderSettings();
}

void TFormVorm::applySettingsToControls(const ManagerSettings& s)
{
    for (int z = 0; z < kZones; ++z) {
        ComboTarif[size_t(z)]->setCurrentText(s.tariffs[size_t(z)]);
        TimeZone[size_t(z)]->setTime(s.times[size_t(z)]);
    }
    CheckOneTarif->setChecked(s.oneTarif);
    SpinCountDay->setValue(s.countDay);
    SpinCountHour->setValue(s.countHour);
    CheckSummer->setChecked(s.summer);
    for (int b = 0; b < 4; ++b)
        CheckIndi[size_t(b)]->setChecked((s.indi >> b) & 1);
    EditPassword->setText(QString::number(s.password));
}

void TFormVorm::collectSettingsFromControls(ManagerSettings& s) const
{
    s.maximized = isMaximized();
    if (!s.maximized) {
        s.width = width();
        s.height = height();
        s.left = x();
        s.top = y();
    }
    for (int i = 0; i < 3; ++i)
        s.gridHeights[size_t(i)] = gridHeights_[size_t(i)];
    s.port = channel_->portNumber();
    s.portName = chosenDevice_;
    for (int z = 0; z < kZones; ++z) {
        s.tariffs[size_t(z)] = ComboTarif[size_t(z)]->currentText();
        s.times[size_t(z)] = TimeZone[size_t(z)]->time();
    }
    s.oneTarif = CheckOneTarif->isChecked();
    s.countDay = SpinCountDay->value();
    s.countHour = SpinCountHour->value();
    s.summer = CheckSummer->isChecked();
    s.indi = 0;
    for (int b = 0; b < 4; ++b)
        if (CheckIndi[size_t(b)]->isChecked())
            s.indi |= 1 << b;
    s.password = passwordFromText(EditPassword->text());
}

void TFormVorm::saveSettings()
{
    ManagerSettings s = settings_;
    collectSettingsFromControls(s);
    Settings store(kSettingsKey);
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
    taskList_.clear();
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
