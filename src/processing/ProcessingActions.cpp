#include "processing/ProcessingActions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

namespace tk::processing {

const std::vector<ActionInfo>& actionTable()
{
    static const std::vector<ActionInfo> table = {
        {"ActionAdd", u"&Добавить", u"Добавить точку учёта", true},
        {"ActionEdit", u"&Изменить", u"Изменить точку учёта", false},
        {"ActionDelete", u"&Удалить", u"Удалить точки учёта", false},
        {"ActionRename", u"&Переименовать маршрут", u"Переименовать маршрут", false},
        {"ActionRouteExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
        {"ActionRefresh", u"&Обновить", u"Обновить", true},
        {"ActionCount", u"&Запрос", u"Запрос", true},
        {"ActionCountExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
        {"ActionCalc", u"&Запрос", u"Запрос", true},
        {"ActionCalcExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
        {"ActionBalance", u"&Счётчики баланса", u"Счётчики баланса", true},
        {"ActionCountBalance", u"&Расчёт баланса", u"Расчёт баланса", false},
        {"ActionBalanceExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
        {"ActionNoBalance", u"&Вне баланса", u"Вне баланса", true},
        {"ActionCountYear", u"&Запрос", u"Запрос", true},
        {"ActionYearExcel", u"&Экспорт в Excel", u"Экспорт в Excel", false},
    };
    return table;
}

namespace {

QIcon iconFor(const QString& name, QStyle* style)
{
    struct Pick {
        const char* name;
        QStyle::StandardPixmap pixmap;
    };
    static const Pick picks[] = {
        {"ActionAdd", QStyle::SP_FileDialogNewFolder},   {"ActionEdit", QStyle::SP_FileDialogDetailedView},
        {"ActionDelete", QStyle::SP_TrashIcon},          {"ActionRename", QStyle::SP_FileLinkIcon},
        {"ActionRouteExcel", QStyle::SP_FileDialogListView}, {"ActionRefresh", QStyle::SP_BrowserReload},
        {"ActionBalance", QStyle::SP_FileDialogContentsView}, {"ActionCountBalance", QStyle::SP_MediaPlay},
        {"ActionBalanceExcel", QStyle::SP_FileDialogListView},
    };
    for (const Pick& p : picks)
        if (name == QLatin1String(p.name))
            return style->standardIcon(p.pixmap);
    return {};
}

} // namespace

ProcessingActions::ProcessingActions(QMainWindow* window) : QObject(window), window_(window)
{
    for (const ActionInfo& info : actionTable()) {
        const QString name = QString::fromLatin1(info.name);
        auto* a = new QAction(QString::fromUtf16(info.caption), window);
        a->setObjectName(name);
        a->setToolTip(QString::fromUtf16(info.hint));
        a->setStatusTip(QString::fromUtf16(info.hint));
        a->setEnabled(info.enabledAtStart);
        a->setIcon(iconFor(name, window->style()));
        actions_.insert(name, a);
    }
}

QToolBar* ProcessingActions::verticalToolBar(const QString& name, std::initializer_list<const char*> actionNames) const
{
    auto* bar = new QToolBar(name);
    bar->setObjectName(name);
    bar->setOrientation(Qt::Vertical);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const char* n : actionNames)
        bar->addAction(action(n));
    return bar;
}

ProcessingActions::MenuItems ProcessingActions::buildMenus()
{
    auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (n)
                m->addAction(action(n));
            else
                m->addSeparator();
        }
    };
    auto menu = [this](const char16_t* title, const char* name) {
        QMenu* m = window_->menuBar()->addMenu(QString::fromUtf16(title));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [](QMenu* m, const char16_t* caption, const char* name) {
        QAction* a = m->addAction(QString::fromUtf16(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    MenuItems items;
    QMenu* points = menu(u"&Точки учёта", "MenuPoints");
    add(points, {"ActionRename", nullptr, "ActionAdd", "ActionEdit", "ActionDelete", nullptr, "ActionRouteExcel", nullptr});
    items.exit = item(points, u"В&ыход", "NExit");
    add(menu(u"&Показания", "MenuCount"), {"ActionCount", nullptr, "ActionCountExcel"});
    add(menu(u"&Расчёт", "MenuCalc"), {"ActionCalc", nullptr, "ActionCalcExcel"});
    add(menu(u"&Баланс", "MenuBalance"),
        {"ActionBalance", "ActionCountBalance", nullptr, "ActionBalanceExcel", nullptr, "ActionNoBalance"});
    add(menu(u"&Годовой отчет", "MenuYear"), {"ActionCountYear", nullptr, "ActionYearExcel"});
    add(menu(u"&Вид", "MenuView"), {"ActionRefresh"});
    QMenu* help = menu(u"&?", "MenuHelp");
    items.help = item(help, u"&Справка", "NHelp");
    help->addSeparator();
    items.about = item(help, u"&О программе", "NAbout");
    return items;
}

} // namespace tk::processing
