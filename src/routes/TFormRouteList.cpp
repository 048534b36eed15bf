#include "routes/TFormRouteList.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::routes {

TFormRouteList::TFormRouteList(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormRouteList"));
    setWindowTitle(QStringLiteral("Выбор маршрутов"));
    setModal(true);
    resize(300, 360);
    auto* v = new QVBoxLayout(this);
    ListRoute = new QListWidget(this);
    ListRoute->setObjectName(QStringLiteral("ListRoute"));
    ListRoute->setAccessibleName(windowTitle());
    v->addWidget(ListRoute, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(BtnOk);
    buttons->addWidget(cancel);
    v->addLayout(buttons);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListRoute, &QListWidget::itemSelectionChanged, this,
            [this] { BtnOk->setEnabled(!ListRoute->selectedItems().isEmpty()); });
    connect(ListRoute, &QListWidget::itemDoubleClicked, this, [this] {
        if (BtnOk->isEnabled())
            accept();
    });
    BtnOk->setEnabled(false);
}

void TFormRouteList::setRoutes(const QStringList& names)
{
    ListRoute->clear();
    ListRoute->addItems(names);
    if (ListRoute->count() > 0)
        ListRoute->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    BtnOk->setEnabled(false);
}

void TFormRouteList::setMultiSelect(bool multi)
{
    ListRoute->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

QStringList TFormRouteList::selectedRoutes() const
{
    QStringList out;
    for (int i = 0; i < ListRoute->count(); ++i)
        if (ListRoute->item(i)->isSelected())
            out << ListRoute->item(i)->text();
    return out;
}

} // namespace tk::routes
