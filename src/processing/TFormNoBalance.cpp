#include "processing/TFormNoBalance.h"

#include "processing/SubMeterBoxes.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

TFormNoBalance::TFormNoBalance(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormNoBalance"));
    setWindowTitle(QStringLiteral("Счётчики вне баланса"));
    auto* v = new QVBoxLayout(this);
    SubMeters = new SubMeterBoxes(this);
    for (QPlainTextEdit* box : SubMeters->boxes)
        box->setMinimumHeight(300);
    v->addWidget(SubMeters);
    BtnExit = new QPushButton(QStringLiteral("Выход"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));
    v->addWidget(BtnExit, 0, Qt::AlignRight);
    v->setSizeConstraint(QLayout::SetFixedSize);
    connect(BtnExit, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace tk::processing
