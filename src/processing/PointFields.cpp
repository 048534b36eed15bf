#include "processing/PointFields.h"

#include "processing/Controls.h"
#include "processing/MeterTypes.h"
#include "processing/PointText.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tk::processing {

namespace {

QLineEdit* field(const char* name, int maxLength, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    return e;
}

} // namespace

PointFields::PointFields(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PointFields"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    EditPers = field("EditPers", 10, this);
    EditStreet = field("EditStreet", 12, this);
    EditHouse = field("EditHouse", 6, this);
    form->addRow(labelFor(QStringLiteral("Лицевой счёт:"), EditPers, this), EditPers);
    form->addRow(labelFor(QStringLiteral("Улица:"), EditStreet, this), EditStreet);
    form->addRow(labelFor(QStringLiteral("Дом:"), EditHouse, this), EditHouse);
    v->addLayout(form);

    auto* meter = new QGroupBox(QStringLiteral(" Счётчик "), this);
    meter->setObjectName(QStringLiteral("GroupMeter"));
    auto* mf = new QFormLayout(meter);
    SpinNumber = new QSpinBox(meter);
    SpinNumber->setObjectName(QStringLiteral("SpinNumber"));
    SpinNumber->setRange(0, 999999);
    SpinNumber->setValue(1);
    ComboType = new QComboBox(meter);
    ComboType->setObjectName(QStringLiteral("ComboType"));
    mf->addRow(labelFor(QStringLiteral("Номер:"), SpinNumber, meter), SpinNumber);
    mf->addRow(labelFor(QStringLiteral("Тип:"), ComboType, meter), ComboType);
    v->addWidget(meter);

    auto* form2 = new QFormLayout;
    EditSubscriber = field("EditSubscriber", 32, this);
    ComboRoute = new QComboBox(this);
    ComboRoute->setObjectName(QStringLiteral("ComboPointRoute"));
    ComboRoute->setEditable(true);
    ComboRoute->setInsertPolicy(QComboBox::NoInsert);
    form2->addRow(labelFor(QStringLiteral("Абонент:"), EditSubscriber, this), EditSubscriber);
    form2->addRow(labelFor(QStringLiteral("Маршрут:"), ComboRoute, this), ComboRoute);
    v->addLayout(form2);
    EditSubscriber->setMinimumWidth(220);

    for (QLineEdit* e : {EditStreet, EditHouse, EditSubscriber})
        connect(e, &QLineEdit::textChanged, this, &PointFields::edited);
    connect(SpinNumber, &QSpinBox::valueChanged, this, &PointFields::edited);
    connect(ComboType, &QComboBox::currentIndexChanged, this, &PointFields::edited);
    connect(ComboRoute, &QComboBox::currentTextChanged, this, &PointFields::edited);
}

void PointFields::prepareTypes()
{
    if (ComboType->count() > 0)
        return;
    for (const QString& name : typeNames())
        ComboType->addItem(name);
    ComboType->setCurrentIndex(1);
}

void PointFields::setRoutes(const QStringList& names, const QString& current)
{
    ComboRoute->clear();
    ComboRoute->addItems(names);
    ComboRoute->setCurrentIndex(-1);
    ComboRoute->setEditText(current);
}

void PointFields::setPoint(const PointRow& p)
{
    EditPers->setText(p.account);
    EditStreet->setText(p.street);
    EditHouse->setText(p.house);
    EditSubscriber->setText(p.subscriber);
    bool ok = false;
    const int number = p.number.toInt(&ok);
    SpinNumber->setValue(ok ? number : 0);
    ComboType->setCurrentIndex(p.type >= 0 && p.type < ComboType->count() ? p.type : -1);
}

MeteringPoint PointFields::point() const
{
    MeteringPoint p;
    p.account = accountFromText(EditPers->text());
    p.street = EditStreet->text();
    p.house = EditHouse->text();
    p.number = SpinNumber->value();
    p.type = ComboType->currentIndex();
    p.subscriber = EditSubscriber->text();
    p.route = ComboRoute->currentText();
    return p;
}

bool PointFields::complete() const
{
    return ComboType->currentIndex() >= 0 && SpinNumber->value() >= 1 && !ComboRoute->currentText().isEmpty();
}

} // namespace tk::processing
