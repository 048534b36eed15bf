#include "processing/PointsTab.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "common/ToExcel.h"
#include "processing/Controls.h"
#include "processing/MeterTypes.h"
#include "processing/PointFields.h"
#include "processing/PointText.h"
#include "processing/ProcessingActions.h"
#include "processing/ProcessingSettings.h"
#include "processing/RouteList.h"
#include "processing/RouteTable.h"
#include "processing/TFormAddPoint.h"
#include "processing/TFormEditPoint.h"
#include "processing/TextQuestion.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace tk::processing {

namespace {

// The type code travels with each point row in its first cell, not as a column of its own.
constexpr int kTypeRole = Qt::UserRole + 1;

enum PointColumn { ColAccount, ColStreet, ColHouse, ColSubscriber, ColNumber, ColType };

const QString kDeleteTitle = QStringLiteral("Удаление точек учёта");

} // namespace

PointsTab::PointsTab(RouteTable& table, Prompter& prompter, TextQuestion& question, const ProcessingActions& actions,
                     QWidget* parent)
    : QWidget(parent), table_(table), prompter_(prompter), question_(question), actions_(actions)
{
    setObjectName(QStringLiteral("TabPoints"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBarPoints"),
                                         {"ActionRename", "ActionAdd", "ActionEdit", "ActionDelete", "ActionRouteExcel"}));

    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("SplitterPoints"));
    split->setChildrenCollapsible(false);
    h->addWidget(split, 1);

    auto* top = new QWidget(split);
    auto* tv = new QVBoxLayout(top);
    tv->setContentsMargins(0, 0, 0, 0);
    tv->setSpacing(0);
    std::vector<std::pair<QString, int>> routeColumns = {{QStringLiteral("Маршрут"), 150}, {QStringLiteral("Счетчиков"), 80}};
    for (int c = 0; c < kTypeCount; ++c)
        routeColumns.push_back({typeName(c), 70});
    ListEnum = reportList("ListEnum", QStringLiteral("Маршруты"), routeColumns, false, true, top);
    ListEnum->setMinimumHeight(62);
    routes_ = listModel(ListEnum);
    tv->addWidget(ListEnum, 1);
    StatusEnum = new PanelBar("StatusEnum", {120, 120, 120, 120, 120, 50}, top);
    tv->addWidget(StatusEnum);

    ListRoute = reportList("ListRoute", QStringLiteral("Точки учёта"),
                           {{QStringLiteral("Лицевой счёт"), 100}, {QStringLiteral("Улица"), 100}, {QStringLiteral("Дом"), 0},
                            {QStringLiteral("Абонент"), 100}, {QStringLiteral("№ счётчика"), 100}, {QStringLiteral("Тип счётчика"), 100}},
                           true, false, split);
    points_ = listModel(ListRoute);
    split->addWidget(ListRoute);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({62 + StatusEnum->sizeHint().height() + 60, 300});

    ListEnum->setContextMenuPolicy(Qt::ActionsContextMenu);
    ListEnum->addAction(actions.action("ActionRename"));
    ListRoute->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const char* name : {"ActionAdd", "ActionEdit", "ActionDelete"})
        ListRoute->addAction(actions.action(name));

    connect(ListEnum->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PointsTab::routeSelectionChanged);
    connect(ListRoute->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PointsTab::pointSelectionChanged);
    const std::pair<const char*, void (PointsTab::*)()> handlers[] = {
        {"ActionAdd", &PointsTab::ActionAddExecute},
        {"ActionEdit", &PointsTab::ActionEditExecute},
        {"ActionDelete", &PointsTab::ActionDeleteExecute},
        {"ActionRename", &PointsTab::ActionRenameExecute},
        {"ActionRouteExcel", &PointsTab::ActionRouteExcelExecute},
    };
    for (const auto& [name, handler] : handlers)
        connect(actions.action(name), &QAction::triggered, this, [this, handler = handler] { guarded([&] { (this->*handler)(); }); });
}

void PointsTab::guarded(const std::function<void()>& operation)
{
    // An error no step of the operation handles ends the operation and is shown as it is.
    try {
        operation();
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
    }
}

void PointsTab::setDialogs(TFormAddPoint* add, TFormEditPoint* edit)
{
    add_ = add;
    edit_ = edit;
}

void PointsTab::LoadRouteList()
{
    points_->removeRows(0, points_->rowCount());
    routes_->removeRows(0, routes_->rowCount());
    // The list is rebuilt even when the table cannot be read, so that nothing stale stays on show.
    RouteSummary summary;
    QString failure;
    try {
        summary = summarizeRoutes(table_.routesWithCounts());
    } catch (const Error& e) {
        failure = e.message();
    }
    for (const RouteEntry& e : summary.entries) {
        QList<QStandardItem*> row;
        for (const QString& cell : e.cells())
            row << new QStandardItem(cell);
        routes_->appendRow(row);
    }
    for (const char* name : {"ActionRename", "ActionEdit", "ActionDelete", "ActionRouteExcel"})
        actions_.action(name)->setEnabled(false);
    for (int c = 0; c < kTypeCount; ++c)
        StatusEnum->setPanelText(c, typePanelText(c, summary.perType[size_t(c)]));
    emit routeNamesLoaded(summary.names());
    if (!failure.isEmpty())
        throw Error(failure);
}

void PointsTab::LoadRoutePoints(const QString& route)
{
    points_->removeRows(0, points_->rowCount());
    setPointActions(false, false);
    for (const PointRow& p : table_.pointsOfRoute(route)) {
        QList<QStandardItem*> row;
        for (const QString& cell : {p.account, p.street, p.house, p.subscriber, p.number, p.typeName})
            row << new QStandardItem(cell);
        row.front()->setData(p.type, kTypeRole);
        points_->appendRow(row);
    }
}

QString PointsTab::selectedRoute() const
{
    const QModelIndexList rows = ListEnum->selectionModel()->selectedRows();
    return rows.size() == 1 ? routes_->item(rows.front().row(), 0)->text() : QString();
}

QStringList PointsTab::routeNames() const
{
    QStringList names;
    for (int r = 0; r < routes_->rowCount(); ++r)
        names << routes_->item(r, 0)->text();
    return names;
}

bool PointsTab::selectRoute(const QString& name)
{
    for (int r = 0; r < routes_->rowCount(); ++r) {
        if (routes_->item(r, 0)->text() == name) {
            ListEnum->selectionModel()->select(routes_->index(r, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            ListEnum->setCurrentIndex(routes_->index(r, 0));
            return true;
        }
    }
    return false;
}

void PointsTab::routeSelectionChanged()
{
    const int selected = int(ListEnum->selectionModel()->selectedRows().size());
    const QString route = selectedRoute();
    if (!route.isEmpty())
        guarded([&] { LoadRoutePoints(route); });
    actions_.action("ActionRename")->setEnabled(selected == 1);
    actions_.action("ActionRouteExcel")->setEnabled(selected == 1 && exportAvailable_ && exportAvailable_());
}

void PointsTab::pointSelectionChanged()
{
    const int selected = int(ListRoute->selectionModel()->selectedRows().size());
    setPointActions(selected == 1, selected >= 1);
}

void PointsTab::setPointActions(bool edit, bool remove)
{
    actions_.action("ActionEdit")->setEnabled(edit);
    actions_.action("ActionDelete")->setEnabled(remove);
}

void PointsTab::ActionAddExecute()
{
    if (!add_)
        return;
    PointFields* f = add_->fields();
    f->prepareTypes();
    const QString remembered = selectedRoute();
    f->setRoutes(routeNames(), remembered);
    add_->exec();
    LoadRouteList();
    if (!remembered.isEmpty() && selectRoute(remembered))
        LoadRoutePoints(remembered);
}

void PointsTab::ActionEditExecute()
{
    const QModelIndexList selected = ListRoute->selectionModel()->selectedRows();
    if (!edit_ || selected.size() != 1)
        return;
    const int row = selected.front().row();
    PointFields* f = edit_->fields();
    f->prepareTypes();
    const QString remembered = selectedRoute();
    f->setRoutes(routeNames(), remembered);
    PointRow p;
    p.account = points_->item(row, ColAccount)->text();
    p.street = points_->item(row, ColStreet)->text();
    p.house = points_->item(row, ColHouse)->text();
    p.subscriber = points_->item(row, ColSubscriber)->text();
    p.number = points_->item(row, ColNumber)->text();
    p.type = points_->item(row, ColAccount)->data(kTypeRole).toInt();
    f->setPoint(p);
    if (edit_->exec() != QDialog::Accepted)
        return;

    const int type = f->ComboType->currentIndex();
    points_->item(row, ColStreet)->setText(f->EditStreet->text());
    points_->item(row, ColHouse)->setText(f->EditHouse->text());
    points_->item(row, ColSubscriber)->setText(f->EditSubscriber->text());
    points_->item(row, ColNumber)->setText(QString::number(f->SpinNumber->value()));
    points_->item(row, ColType)->setText(typeName(type));
    points_->item(row, ColAccount)->setData(type, kTypeRole);

    if (f->ComboRoute->currentText() == remembered)
        return;
    // The point moved to another route: the lists are reloaded, and the point is looked for
    // again in the route that stays selected.
    const QString account = f->EditPers->text();
    LoadRouteList();
    if (!selectRoute(remembered)) {
        setPointActions(false, false);
        return;
    }
    for (int r = 0; r < points_->rowCount(); ++r) {
        if (points_->item(r, ColAccount)->text() == account) {
            ListRoute->selectionModel()->select(points_->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            setPointActions(true, true);
            return;
        }
    }
    setPointActions(false, false);
}

void PointsTab::ActionDeleteExecute()
{
    if (prompter_.message(kDeleteTitle, QStringLiteral("Вы подтверждаете удаление выбранных точек учета?"), Prompter::Icon::Question,
                          Prompter::Buttons::OkCancel)
        != Prompter::Answer::Ok)
        return;
    for (int r = points_->rowCount() - 1; r >= 0; --r) {
        if (!ListRoute->selectionModel()->isRowSelected(r, {}))
            continue;
        const QString caption = points_->item(r, ColAccount)->text();
        try {
            table_.remove(accountFromText(caption));
            points_->removeRow(r);
        } catch (const Error&) {
            prompter_.error(kDeleteTitle, QStringLiteral("Точка учёта ") + caption + QStringLiteral(" не удалена."));
        }
    }
    setPointActions(false, false);
    if (points_->rowCount() == 0)
        LoadRouteList();
}

void PointsTab::ActionRouteExcelExecute()
{
    const QString route = selectedRoute();
    if (route.isEmpty())
        return;
    // The six shown columns; the type code each row carries is not one of them.
    const StringGrid grid = ListViewToGrid(*points_, points_->columnCount());
    GridToExcel(grid, QStringLiteral("Маршрут: ") + route);
}

void PointsTab::ActionRenameExecute()
{
    const QModelIndexList rows = ListEnum->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return;
    QStandardItem* entry = routes_->item(rows.front().row(), 0);
    const QString title = QStringLiteral("Переименовать маршрут");
    const auto name = question_.askText(title, QStringLiteral("Название"), entry->text());
    if (!name)
        return;
    // An empty name would hide every point of the route: such points are listed nowhere.
    if (name->trimmed().isEmpty()) {
        prompter_.error(title, QStringLiteral("Название маршрута не может быть пустым."));
        return;
    }
    try {
        table_.rename(entry->text(), *name);
    } catch (const Error& e) {
        prompter_.error(title, e.message());
        return;
    }
    entry->setText(*name);
}

} // namespace tk::processing
