#include "manager/RoutesTab.h"

#include "manager/Controls.h"
#include "manager/MainActions.h"
#include "manager/PanelStatusBar.h"
#include "manager/StreetListModel.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace tk::manager {

RoutesTab::RoutesTab(reader::StreetList& streets, const MainActions& actions, QWidget* parent) : QWidget(parent)
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

    routeModel_ = new QStandardItemModel(0, 5);
    routeModel_->setHorizontalHeaderLabels({QStringLiteral("Лиц. счет"), QStringLiteral("Улица"), QStringLiteral("Дом"),
                                            QStringLiteral("Счетчик"), QStringLiteral("Тип счетчика")});
    QTableView* list = reportList(QStringLiteral("ListRoute"), routeModel_, withoutColon(routeLabel->text()), left);
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

    connect(SpinRoute, &QSpinBox::valueChanged, this, &RoutesTab::routeNumberChanged);
}

int RoutesTab::routeRowCount() const
{
    return routeModel_->rowCount();
}

bool RoutesTab::routeNamed() const
{
    return !EditRoute->text().isEmpty();
}

void RoutesTab::showRouteCount()
{
    StatusBar4->setPanelText(0, QString::number(routeRowCount()));
}

} // namespace tk::manager
