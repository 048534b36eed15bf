#include "manager/RouteActions.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "common/TextListModel.h"
#include "common/ToExcel.h"
#include "manager/MainActions.h"
#include "manager/ManagerSettings.h"
#include "manager/WaitCursor.h"
#include "routes/RouteRecord.h"
#include "routes/RouteSources.h"
#include "routes/RouteState.h"
#include "routes/RouteTransfer.h"
#include "routes/TFormAbbr.h"
#include "routes/TFormAlternative.h"
#include "routes/TFormRouteList.h"

#include <QAction>
#include <QDir>

namespace tk::manager {

namespace {
const QString kTaskTitle = QStringLiteral("Загрузка задания");
} // namespace

RouteActions::RouteActions(routes::RouteState& state, routes::RouteSources& sources, routes::RouteTransfer& transfer,
                           const MainActions& actions, Prompter& prompter, std::function<void()> showTab,
                           std::function<void()> routeLoaded, QWidget* window)
    : QObject(window), state_(state), sources_(sources), transfer_(transfer), actions_(actions), prompter_(prompter),
      showTab_(std::move(showTab)), routeLoaded_(std::move(routeLoaded)), window_(window)
{
    const std::pair<const char*, void (RouteActions::*)()> handlers[] = {
        {"ActionLoadRoute", &RouteActions::ActionLoadRouteExecute},
        {"ActionRouteFromBd", &RouteActions::ActionRouteFromBdExecute},
        {"ActionWizard", &RouteActions::ActionWizardExecute},
        {"ActionAbbr", &RouteActions::ActionAbbrExecute},
        {"ActionRouteExcel", &RouteActions::ActionRouteExcelExecute},
    };
    for (const auto& [name, handler] : handlers)
        connect(actions.action(name), &QAction::triggered, this, handler);
    connect(actions.action("ActionWriteRoute"), &QAction::triggered, &transfer_, &routes::RouteTransfer::startWrite);
    connect(actions.action("ActionReadRoute"), &QAction::triggered, &transfer_, &routes::RouteTransfer::startRead);
    connect(actions.action("ActionDestroyRoute"), &QAction::triggered, &transfer_, &routes::RouteTransfer::startDestroy);
}

void RouteActions::setDialogs(routes::TFormRouteList* routeList, routes::TFormAlternative* alternative,
                              routes::TFormAbbr* abbr)
{
    routeList_ = routeList;
    alternative_ = alternative;
    abbr_ = abbr;
}

void RouteActions::loaded()
{
    actions_.action("ActionWriteRoute")
        ->setEnabled(actions_.action("ActionDisconnect")->isEnabled() && state_.list().rowCount() > 0);
    routeLoaded_();
}

bool RouteActions::offerRoutes(bool multi)
{
    if (!routeList_)
        return false;
    try {
        routeList_->setRoutes(sources_.routeNames());
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
        return false;
    }
    routeList_->setMultiSelect(multi);
    return routeList_->exec() == QDialog::Accepted && !routeList_->selectedRoutes().isEmpty();
}

void RouteActions::ActionLoadRouteExecute()
{
    const QString path = prompter_.openFile(QStringLiteral("Загрузить маршрут из файла"), QString());
    if (!path.isEmpty()) {
        showTab_();
        try {
            sources_.loadFromFile(path, state_);
        } catch (const Error& e) {
            prompter_.error(applicationTitle(), e.message());
        }
    }
    loaded();
}

void RouteActions::ActionRouteFromBdExecute()
{
    if (!offerRoutes(false))
        return;
    try {
        sources_.loadFromTable(routeList_->selectedRoutes().first(), state_);
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
    }
    loaded();
}

void RouteActions::ActionWizardExecute()
{
    if (!alternative_)
        return;
    const auto source = alternative_->choose();
    if (!source)
        return;
    QStringList entries;
    QString confirmation;
    if (*source == routes::RouteState::TaskSource::Table) {
        if (!offerRoutes(true))
            return;
        entries = routeList_->selectedRoutes();
        confirmation = QStringLiteral("Все имеющиеся в ридере данные будут уничтожены. В ридер будут занесены новые данные из базы данных.");
    } else {
        entries = prompter_.openFiles(QStringLiteral("Загрузить маршруты из файлов"), QString());
        if (entries.isEmpty())
            return;
        confirmation = QStringLiteral("Все имеющиеся в ридере данные будут уничтожены. В ридер будут занесены новые данные из выбранных файлов.");
    }
    // Each route has a slot of its own: a longer task is refused before anything is erased.
    if (entries.size() > routes::kLastRoute) {
        prompter_.error(kTaskTitle, QStringLiteral("В ридер можно загрузить не более %1 маршрутов; выбрано %2.")
                                        .arg(routes::kLastRoute)
                                        .arg(entries.size()));
        return;
    }
    if (!prompter_.confirm(kTaskTitle, confirmation, Prompter::Icon::Question))
        return;
    state_.setTask(*source, entries);
    transfer_.startTask();
}

void RouteActions::ActionAbbrExecute()
{
    if (abbr_)
        abbr_->exec();
}

void RouteActions::ActionRouteExcelExecute()
{
    try {
        const Busy busy(window_);
        const TextListModel model(state_.list());
        GridToExcel(ListViewToGrid(model, routes::kRouteColumns), QStringLiteral("Маршрут ") + state_.name());
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message()); // the hourglass is gone by now
    }
}

} // namespace tk::manager
