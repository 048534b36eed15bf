#pragma once
// The handlers of the route tab's actions: loading a route from the route table or a route
// file, writing it into the reader, reading and deleting a slot, the task, the abbreviation
// lists and the spreadsheet export of the route list.
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tk {
class Prompter;
}
namespace tk::routes {
class RouteSources;
class RouteState;
class RouteTransfer;
class TFormAbbr;
class TFormAlternative;
class TFormRouteList;
} // namespace tk::routes

namespace tk::manager {

class MainActions;

class RouteActions : public QObject {
    Q_OBJECT
public:
    // showTab brings the route tab to the front; routeLoaded runs after a route was loaded into
    // the list (the window re-applies what depends on it).
    RouteActions(routes::RouteState& state, routes::RouteSources& sources, routes::RouteTransfer& transfer,
                 const MainActions& actions, Prompter& prompter, std::function<void()> showTab,
                 std::function<void()> routeLoaded, QWidget* window);

    // The dialogs are made after the main window and held weakly; without one its action does
    // nothing.
    void setDialogs(routes::TFormRouteList* routeList, routes::TFormAlternative* alternative, routes::TFormAbbr* abbr);

    void ActionLoadRouteExecute();
    void ActionRouteFromBdExecute();
    void ActionWizardExecute();
    void ActionAbbrExecute();
    void ActionRouteExcelExecute();

private:
    // After a load: "Записать в ридер" follows the route list while the link is up, and the window
    // re-applies what depends on the list.
    void loaded();
    // The route names of the table in the chooser; false (and a message) when it cannot be read.
    bool offerRoutes(bool multi);

    routes::RouteState& state_;
    routes::RouteSources& sources_;
    routes::RouteTransfer& transfer_;
    const MainActions& actions_;
    Prompter& prompter_;
    std::function<void()> showTab_;
    std::function<void()> routeLoaded_;
    QWidget* window_;
    QPointer<routes::TFormRouteList> routeList_;
    QPointer<routes::TFormAlternative> alternative_;
    QPointer<routes::TFormAbbr> abbr_;
};

} // namespace tk::manager
