#pragma once
// The tab "Точки учёта": the route list with its meter counts per type and the status panels,
// and the point list of the selected route; adding, editing, deleting points and renaming a route.
#include <QWidget>
#include <functional>

class QStandardItemModel;
class QTableView;

namespace tk {
class Prompter;
}

namespace tk::processing {

class PanelBar;
class ProcessingActions;
class RouteTable;
class TextQuestion;
class TFormAddPoint;
class TFormEditPoint;

class PointsTab : public QWidget {
    Q_OBJECT
public:
    PointsTab(RouteTable& table, Prompter& prompter, TextQuestion& question, const ProcessingActions& actions,
              QWidget* parent = nullptr);

    void setDialogs(TFormAddPoint* add, TFormEditPoint* edit);
    // Whether a route can go to a spreadsheet at all; asked on every change of the route selection.
    void setExportAvailable(std::function<bool()> available) { exportAvailable_ = std::move(available); }

    // Reloads the route list and the status panels; announces the route names.
    void LoadRouteList();
    void LoadRoutePoints(const QString& route);

    void ActionAddExecute();
    void ActionEditExecute();
    void ActionDeleteExecute();
    void ActionRenameExecute();
    void ActionRouteExcelExecute();

    // The one selected route; empty when none or several are selected.
    QString selectedRoute() const;
    QTableView* pointList() const { return ListRoute; }

signals:
    void routeNamesLoaded(const QStringList& names);

private:
    void guarded(const std::function<void()>& operation);
    QStringList routeNames() const;
    bool selectRoute(const QString& name); // exact caption; false when there is none
    void routeSelectionChanged();
    void pointSelectionChanged();
    void setPointActions(bool edit, bool remove);

    RouteTable& table_;
    Prompter& prompter_;
    TextQuestion& question_;
    const ProcessingActions& actions_;
    TFormAddPoint* add_ = nullptr;
    TFormEditPoint* edit_ = nullptr;
    std::function<bool()> exportAvailable_;

    QTableView* ListEnum = nullptr;
    PanelBar* StatusEnum = nullptr;
    QTableView* ListRoute = nullptr;
    QStandardItemModel* routes_ = nullptr;
    QStandardItemModel* points_ = nullptr;
};

} // namespace tk::processing
