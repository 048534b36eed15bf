#include "manager/MainActions.h"

#include "manager/ActionTable.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

namespace tk::manager {

namespace {

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

MainActions::MainActions(QMainWindow* window) : QObject(window), window_(window)
{
    for (const ActionInfo& info : actionTable()) {
        auto* a = new QAction(info.caption, window);
        a->setObjectName(info.name);
        a->setToolTip(info.hint);
        a->setStatusTip(info.hint);
        a->setEnabled(info.enabledAtStart);
        a->setIcon(iconFor(info.name, window->style()));
        actions_.insert(info.name, a);
    }
}

void MainActions::applyStates(const ActionStates& states) const
{
    for (const auto& [name, on] : states) {
        if (QAction* a = actions_.value(name))
            a->setEnabled(on);
        else if (auto* w = window_->findChild<QWidget*>(name))
            w->setEnabled(on);
        else
            qWarning("no action or control named %s", qPrintable(name));
    }
}

QToolBar* MainActions::verticalToolBar(const QString& name, std::initializer_list<const char*> actionNames) const
{
    auto* bar = new QToolBar(name);
    bar->setObjectName(name);
    bar->setOrientation(Qt::Vertical);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const char* n : actionNames)
        if (n)
            bar->addAction(action(n));
    return bar;
}

void MainActions::buildToolBar(QWidget* portChoice, QWidget* gauge)
{
    QToolBar* bar = window_->addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addWidget(portChoice);
    bar->addSeparator();
    bar->addAction(action("ActionConnect"));
    bar->addAction(action("ActionDisconnect"));
    bar->addSeparator();
    bar->addAction(action("ActionTime"));
    bar->addAction(action("ActionReadList"));
    bar->addSeparator();
    bar->addWidget(gauge);
}

MainActions::MenuItems MainActions::buildMenus()
{
    auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (n)
                m->addAction(action(n));
            else
                m->addSeparator();
        }
    };
    auto item = [](QMenu* m, const QString& caption, const char* name) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenuBar* bar = window_->menuBar();
    MenuItems items;

    QMenu* reader = bar->addMenu(QStringLiteral("&Ридер"));
    reader->setObjectName(QStringLiteral("MenuReader"));
    items.port = reader->addMenu(QStringLiteral("Порт"));
    items.port->setObjectName(QStringLiteral("NPort"));
    add(reader, {"ActionConnect", "ActionDisconnect", nullptr, "ActionTime", "ActionReadList", nullptr});
    items.status = item(reader, QStringLiteral("Расши&фровка статуса"), "NStatus");
    reader->addSeparator();
    items.exit = item(reader, QStringLiteral("В&ыход"), "NExit");

    static const char16_t* const familyMenus[] = {u"ТЕЛВ-&1", u"ТЕЛВ-&2", u"ВАК&Л-4", u"ВА&КЛ-ДР", u"ВАКЛ-&ПДР", u"ЖК&В"};
    static const char* const familyMenuNames[] = {"MenuTelv1", "MenuTelv2", "MenuVakl4", "MenuVaklDr", "MenuVaklPdr", "MenuZkv"};
    for (size_t f = 0; f < kFamilyActions.size(); ++f) {
        const FamilyActionNames& a = kFamilyActions[f];
        QMenu* m = bar->addMenu(QString::fromUtf16(familyMenus[f]));
        m->setObjectName(QString::fromLatin1(familyMenuNames[f]));
        add(m, {a.read, a.format, nullptr, a.clear});
        for (const char* n : {a.db, a.text, a.excel, a.write, a.erase})
            if (n)
                m->addAction(action(n));
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
    items.help = item(help, QStringLiteral("&Справка"), "NHelp");
    help->addSeparator();
    items.about = item(help, QStringLiteral("&О программе"), "NAbout");
    return items;
}

} // namespace tk::manager
