#include "processing/TFormEditPoint.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "processing/PointFields.h"
#include "processing/ProcessingSettings.h"
#include "processing/RouteTable.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

TFormEditPoint::TFormEditPoint(RouteTable& table, Prompter& prompter, QWidget* parent)
    : QDialog(parent), table_(table), prompter_(prompter)
{
    setObjectName(QStringLiteral("FormEditPoint"));
    setWindowTitle(QStringLiteral("Изменение точки учёта"));
    auto* v = new QVBoxLayout(this);
    fields_ = new PointFields(this);
    fields_->EditPers->setReadOnly(true);
    v->addWidget(fields_);
    auto* buttons = new QHBoxLayout;
    BtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    v->addLayout(buttons);
    v->setSizeConstraint(QLayout::SetFixedSize);

    connect(fields_, &PointFields::edited, this, &TFormEditPoint::applyRule);
    connect(BtnOk, &QPushButton::clicked, this, &TFormEditPoint::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormEditPoint::showEvent(QShowEvent* event)
{
    BtnOk->setEnabled(false);
    QDialog::showEvent(event);
}

void TFormEditPoint::applyRule()
{
    BtnOk->setEnabled(fields_->complete());
}

void TFormEditPoint::BtnOkClick()
{
    if (!BtnOk->isEnabled())
        return;
    try {
        table_.edit(fields_->point());
    } catch (const Error& e) {
        // The dialog stays open with what was typed, so the user can correct it or cancel.
        prompter_.error(applicationTitle(), e.message());
        return;
    }
    accept();
}

} // namespace tk::processing
