#include "manager/RoutesTab.h"

#include "manager/Controls.h"
#include "manager/MainActions.h"
#include "manager/PanelStatusBar.h"
#include "manager/StreetListModel.h"
#include "common/TextListModel.h"
#include "routes/RouteRecord.h"
#include "routes/RouteState.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace tk::manager {

RoutesTab::RoutesTab(routes::RouteState& state, reader::StreetList& streets, const MainActions& actions, QWidget* parent)
    : QWidget(parent), state_(state)
{
    setObjectName(QStringLiteral("TabRoutes"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(actions.verticalToolBar(QStringLiteral("ToolBarRoutes"),
                                         {"ActionWizard", "ActionRouteFromBd", "ActionLoadRoute", "ActionWriteRoute", "ActionReadRoute",
                                          "ActionDestroyRoute", "ActionFormatStreet", "ActionAbbr", "ActionRouteExcel"}));

    auto* split = new QSplitter(Qt::Horizontal, this);
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
    SpinRoute->setRange(routes::kFirstRoute, routes::kLastRoute);
    SpinRoute->setValue(state_.number());
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

    QTableView* list =
        reportList(QStringLiteral("ListRoute"), new TextListModel(state_.list()), withoutColon(routeLabel->text()), left);
    list->setColumnWidth(0, 100);
    list->setColumnWidth(1, 100);
    list->setColumnWidth(3, 80);
    list->setColumnWidth(4, 80);
    v->addWidget(list, 1);

    auto* streetBox = new QGroupBox(QStringLiteral(" Список улиц"), split);
    streetBox->setObjectName(QStringLiteral("GroupStreets"));
    auto* sv = new QVBoxLayout(streetBox);
    sv->setContentsMargins(2, 2, 2, 2);
    QTableView* streetList =
        reportList(QStringLiteral("ListStreet"), new StreetListModel(streets), streetBox->title().trimmed(), streetBox);
    streetList->setColumnWidth(0, 30);
    streetList->setColumnWidth(1, 120);
    sv->addWidget(streetList);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);

    EditRoute->setText(state_.name());
    connect(EditRoute, &QLineEdit::textEdited, &state_, &routes::RouteState::setName);
    connect(&state_, &routes::RouteState::nameChanged, EditRoute, [this](const QString& name) {
        if (EditRoute->text() != name)
            EditRoute->setText(name);
    });
    connect(SpinRoute, &QSpinBox::valueChanged, &state_, &routes::RouteState::setNumber);
    connect(&state_, &routes::RouteState::numberChanged, SpinRoute, &QSpinBox::setValue);
    connect(SpinRoute, &QSpinBox::valueChanged, this, &RoutesTab::routeNumberChanged);
}

int RoutesTab::routeRowCount() const
{
    return state_.list().rowCount();
}

bool RoutesTab::routeNamed() const
{
    return !state_.name().isEmpty();
}

void RoutesTab::lockRouteNumber()
{
    SpinRoute->setEnabled(false);
}

void RoutesTab::showRouteCount()
{
    StatusBar4->setPanelText(0, QString::number(routeRowCount()));
}

} // namespace tk::manager
