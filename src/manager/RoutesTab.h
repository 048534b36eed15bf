#pragma once
// The tab "Маршруты": the route number and name, the route list, and the reader's street list.
// The controls show the route state and edit it.
#include <QWidget>

class QLineEdit;
class QSpinBox;

namespace tk::reader {
class StreetList;
}
namespace tk::routes {
class RouteState;
}

namespace tk::manager {

class MainActions;
class PanelStatusBar;

class RoutesTab : public QWidget {
    Q_OBJECT
public:
    RoutesTab(routes::RouteState& state, reader::StreetList& streets, const MainActions& actions, QWidget* parent = nullptr);

    int routeRowCount() const;
    bool routeNamed() const;
    // Panel 0 of the tab's status bar: the entries of the route list.
    void showRouteCount();
    // While a route operation runs the route number stays as it is.
    void lockRouteNumber();

signals:
    void routeNumberChanged(int number);

private:
    routes::RouteState& state_;
    PanelStatusBar* StatusBar4 = nullptr;
    QSpinBox* SpinRoute = nullptr;
    QLineEdit* EditRoute = nullptr;
};

} // namespace tk::manager
