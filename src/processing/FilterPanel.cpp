#include "processing/FilterPanel.h"

#include "common/Regional.h"
#include "processing/Controls.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace tk::processing {

namespace {

QDateEdit* datePicker(const char* name, QWidget* parent)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setCalendarPopup(true);
    d->setDisplayFormat(regional::shortDateFormat());
    return d;
}

QComboBox* editableCombo(const char* name, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumWidth(120);
    return c;
}

} // namespace

FilterPanel::FilterPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PanelFilter"));
    setFixedHeight(53);
    setAutoFillBackground(true);
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(8, 4, 8, 4);
    DTP1 = datePicker("DTP1", this);
    DTP2 = datePicker("DTP2", this);
    ComboStreet = editableCombo("ComboStreet", this);
    ComboHouse = editableCombo("ComboHouse", this);
    ComboHouse->setMinimumWidth(70);
    h->addWidget(labelFor(QStringLiteral("С"), DTP1, this));
    DTP1->setAccessibleName(QStringLiteral("Начало периода"));
    h->addWidget(DTP1);
    h->addSpacing(6);
    h->addWidget(labelFor(QStringLiteral("По"), DTP2, this));
    DTP2->setAccessibleName(QStringLiteral("Конец периода"));
    h->addWidget(DTP2);
    h->addSpacing(12);
    h->addWidget(labelFor(QStringLiteral("Улица:"), ComboStreet, this));
    h->addWidget(ComboStreet);
    h->addSpacing(6);
    h->addWidget(labelFor(QStringLiteral("Дом:"), ComboHouse, this));
    h->addWidget(ComboHouse);
    h->addSpacing(12);
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 1);
    Gauge1->setValue(0);
    Gauge1->setAccessibleName(QStringLiteral("Ход выполнения"));
    QSizePolicy keep = Gauge1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Gauge1->setSizePolicy(keep);
    Gauge1->hide();
    h->addWidget(Gauge1, 1);

    connect(ComboStreet, &QComboBox::editTextChanged, this, &FilterPanel::streetTextChanged);
}

void FilterPanel::setPeriod(const Period& p)
{
    DTP1->setDate(p.from);
    DTP2->setDate(p.to);
}

Filter FilterPanel::filter() const
{
    return {DTP1->date(), DTP2->date(), ComboStreet->currentText(), ComboHouse->currentText()};
}

void FilterPanel::setStreets(const QStringList& streets)
{
    const QSignalBlocker quiet(ComboStreet);
    ComboHouse->clear();
    ComboStreet->clear();
    ComboStreet->addItem(QString());
    ComboStreet->addItems(streets);
}

void FilterPanel::clearHouses()
{
    ComboHouse->clear();
}

void FilterPanel::setHouses(const QStringList& houses)
{
    ComboHouse->clear();
    ComboHouse->addItem(QString());
    ComboHouse->addItems(houses);
}

void FilterPanel::colour()
{
    const QColor face = QApplication::palette().color(QPalette::Button);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(shiftChannel(face.red(), kPanelRedPercent), face.green(), face.blue()));
    setPalette(p);
}

} // namespace tk::processing
