#include "manager/Controls.h"

#include "common/TextGridModel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace tk::manager {

QString withoutColon(QString caption)
{
    caption.remove(QLatin1Char(':'));
    return caption.trimmed();
}

QLineEdit* readOnlyField(const char* name, const QString& accessibleName, int width, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setAccessibleName(accessibleName);
    e->setFixedWidth(width);
    return e;
}

QTableView* readerGrid(const QString& name, TextGrid& grid, const QString& accessibleName, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(new TextGridModel(grid, v));
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAccessibleName(accessibleName);
    return v;
}

QTableView* reportList(const QString& name, QAbstractItemModel* model, const QString& accessibleName, QWidget* parent)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    model->setParent(v);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setStretchLastSection(true);
    v->setAccessibleName(accessibleName);
    return v;
}

void setIfChanged(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace tk::manager
