#include "processing/TFormBalance.h"

#include "processing/Controls.h"
#include "processing/MeterTypes.h"
#include "processing/SubMeterBoxes.h"

#include <QComboBox>
#include <QLabel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

TFormBalance::TFormBalance(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormBalance"));
    setWindowTitle(QStringLiteral("Счётчики баланса"));
    auto* v = new QVBoxLayout(this);
    auto* main = new QGroupBox(QStringLiteral(" Счётчик баланса "), this);
    main->setObjectName(QStringLiteral("GroupMain"));
    auto* h = new QHBoxLayout(main);
    EditNumber = new QLineEdit(main);
    EditNumber->setObjectName(QStringLiteral("EditNumber"));
    ComboType = new QComboBox(main);
    ComboType->setObjectName(QStringLiteral("ComboType"));
    for (int c = 0; c < kTypeCount; ++c)
        ComboType->addItem(balanceLabel(c));
    EditKent = new QLineEdit(QStringLiteral("1"), main);
    EditKent->setObjectName(QStringLiteral("EditKent"));
    for (auto [caption, control] : {std::pair<const char16_t*, QWidget*>{u"Номер:", EditNumber}, {u"Тип:", ComboType},
                                    {u"К-ент трансф.:", EditKent}}) {
        h->addWidget(labelFor(QString::fromUtf16(caption), control, main));
        h->addWidget(control);
    }
    v->addWidget(main);
    SubMeters = new SubMeterBoxes(this);
    v->addWidget(SubMeters);
    auto* buttons = new QHBoxLayout;
    BtnWrite = new QPushButton(QStringLiteral("Записать"), this);
    BtnWrite->setObjectName(QStringLiteral("BtnWrite"));
    BtnWrite->setEnabled(false);
    Gauge = new QProgressBar(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setTextVisible(true);
    QSizePolicy keep = Gauge->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Gauge->setSizePolicy(keep);
    Gauge->hide();
    BtnExit = new QPushButton(QStringLiteral("Выход"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));
    buttons->addWidget(BtnWrite);
    buttons->addWidget(Gauge, 1);
    buttons->addWidget(BtnExit);
    v->addLayout(buttons);
    v->setSizeConstraint(QLayout::SetFixedSize);
    connect(BtnExit, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace tk::processing
