#pragma once
// The tab "Маршруты": the route number and name, the route list, and the reader's street list.
#include <QWidget>

class QLineEdit;
class QSpinBox;
class QStandardItemModel;
class QTableView;

namespace tk::reader {
class StreetList;
}

namespace tk::manager {

class MainActions;
class PanelStatusBar;

class RoutesTab : public QWidget {
    Q_OBJECT
public:
    RoutesTab(reader::StreetList& streets, const MainActions& actions, QWidget* parent = nullptr);

    int routeRowCount() const;
    bool routeNamed() const;
    // Panel 0 of the tab's status bar: the entries of the route list.
    void showRouteCount();

signals:
    void routeNumberChanged(int number);

private:
    PanelStatusBar* StatusBar4 = nullptr;
    QSpinBox* SpinRoute = nullptr;
    QLineEdit* EditRoute = nullptr;
    QStandardItemModel* routeModel_ = nullptr;
};

} // namespace tk::manager
