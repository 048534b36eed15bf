#include "manager/SettingsPage.h"

#include "manager/Controls.h"
#include "manager/MainActions.h"
#include "manager/PasswordValidator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace tk::manager {

SettingsPage::SettingsPage(const MainActions& actions, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSettings"));
    auto* h = new QHBoxLayout(this);

    auto* schedule = new QGroupBox(QStringLiteral(" Расписание : "), this);
    schedule->setObjectName(QStringLiteral("GroupSchedule"));
    auto* g = new QGridLayout(schedule);
    const QString zone = QStringLiteral("Зона");
    const QString tariff = QStringLiteral("Тариф");
    const QString time = QStringLiteral("Время");
    g->addWidget(new QLabel(zone, schedule), 0, 0);
    g->addWidget(new QLabel(tariff, schedule), 0, 1);
    g->addWidget(new QLabel(time, schedule), 0, 2);
    for (int z = 0; z < kZones; ++z) {
        auto* key = new QLabel(QString::number(z), schedule);
        // The tariff is picked from the list and never typed.
        auto* c = new QComboBox(schedule);
        c->setObjectName(QStringLiteral("ComboTarif_%1").arg(z));
        c->setEditable(false);
        c->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        c->setAccessibleName(QStringLiteral("%1 %2: %3").arg(zone).arg(z).arg(tariff));
        key->setBuddy(c);
        auto* t = new QTimeEdit(schedule);
        t->setObjectName(QStringLiteral("TimeZone_%1").arg(z));
        t->setDisplayFormat(QStringLiteral("HH:mm"));
        t->setAccessibleName(QStringLiteral("%1 %2: %3").arg(zone).arg(z).arg(time));
        g->addWidget(key, z + 1, 0);
        g->addWidget(c, z + 1, 1);
        g->addWidget(t, z + 1, 2);
        ComboTarif[size_t(z)] = c;
        TimeZone[size_t(z)] = t;
    }
    h->addWidget(schedule);

    auto* right = new QVBoxLayout;
    h->addLayout(right);
    CheckOneTarif = new QCheckBox(QStringLiteral("Работа по одному тарифу"), this);
    CheckOneTarif->setObjectName(QStringLiteral("CheckOneTarif"));
    right->addWidget(CheckOneTarif);

    auto* days = new QGridLayout;
    auto spin = [this, days](int row, const QString& caption, const char* name, int lo, int hi) {
        auto* l = new QLabel(caption, this);
        auto* s = new QSpinBox(this);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(lo, hi);
        s->setAccessibleName(withoutColon(caption));
        l->setBuddy(s);
        days->addWidget(l, row, 0);
        days->addWidget(s, row, 1);
        return s;
    };
    SpinCountDay = spin(0, QStringLiteral("Расчетный день:"), "SpinCountDay", 1, 31);
    SpinCountHour = spin(1, QStringLiteral("Расчетный час:"), "SpinCountHour", 0, 23);
    days->setColumnStretch(2, 1);
    right->addLayout(days);

    CheckSummer = new QCheckBox(QStringLiteral("Разрешить автопереход на на летнее время"), this);
    CheckSummer->setObjectName(QStringLiteral("CheckSummer"));
    right->addWidget(CheckSummer);

    auto* indi = new QGroupBox(QStringLiteral(" Индикация "), this);
    indi->setObjectName(QStringLiteral("GroupIndi"));
    auto* iv = new QVBoxLayout(indi);
    static const char16_t* const indiCaptions[] = {u"Суммарная", u"На 1-ое число", u"Дата", u"Время"};
    for (int b = 0; b < 4; ++b) {
        auto* c = new QCheckBox(QString::fromUtf16(indiCaptions[b]), indi);
        c->setObjectName(QStringLiteral("CheckIndi_%1").arg(b));
        iv->addWidget(c);
        CheckIndi[size_t(b)] = c;
    }

    auto* pass = new QHBoxLayout;
    auto* passLabel = new QLabel(QStringLiteral("Пароль:"), this);
    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setValidator(new PasswordValidator(EditPassword));
    EditPassword->setMaxLength(5);
    EditPassword->setAccessibleName(withoutColon(passLabel->text()));
    passLabel->setBuddy(EditPassword);
    pass->addWidget(passLabel);
    pass->addWidget(EditPassword);
    pass->addStretch(1);
    right->addLayout(pass);

    // The buttons carry the settings actions: same caption, same enabling.
    auto* buttons = new QHBoxLayout;
    auto button = [this, &actions, buttons](const char* name, const char* actionName) {
        QAction* a = actions.action(actionName);
        auto* b = new QPushButton(a->text(), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(a->toolTip());
        b->setEnabled(a->isEnabled());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::enabledChanged, b, &QWidget::setEnabled);
        buttons->addWidget(b);
    };
    button("BtnReadTarif", "ActionReadTarif");
    button("BtnWriteTarif", "ActionWriteTarif");
    buttons->addStretch(1);
    right->addLayout(buttons);
    right->addStretch(1);

    auto* third = new QVBoxLayout;
    third->addWidget(indi);
    third->addStretch(1);
    h->addLayout(third);

    setValues(reader::ReaderSettings());

    auto changed = [this] {
        if (!showing_)
            emit edited();
    };
    for (QComboBox* c : ComboTarif)
        connect(c, &QComboBox::currentIndexChanged, this, changed);
    for (QTimeEdit* t : TimeZone)
        connect(t, &QTimeEdit::timeChanged, this, changed);
    for (QCheckBox* c : {CheckOneTarif, CheckSummer, CheckIndi[0], CheckIndi[1], CheckIndi[2], CheckIndi[3]})
        connect(c, &QCheckBox::toggled, this, changed);
    for (QSpinBox* sp : {SpinCountDay, SpinCountHour})
        connect(sp, &QSpinBox::valueChanged, this, changed);
    connect(EditPassword, &QLineEdit::textChanged, this, changed);
}

reader::ReaderSettings SettingsPage::values() const
{
    reader::ReaderSettings r;
    for (int z = 0; z < kZones; ++z)
        r.zones[size_t(z)] = {ComboTarif[size_t(z)]->currentText(), TimeZone[size_t(z)]->time()};
    r.oneTariff = CheckOneTarif->isChecked();
    r.billingDay = SpinCountDay->value();
    r.billingHour = SpinCountHour->value();
    r.summer = CheckSummer->isChecked();
    r.display = 0;
    for (int b = 0; b < 4; ++b)
        if (CheckIndi[size_t(b)]->isChecked())
            r.display |= 1 << b;
    r.password = EditPassword->text();
    return r;
}

void SettingsPage::setValues(const reader::ReaderSettings& r)
{
    showing_ = true;
    for (int z = 0; z < kZones; ++z) {
        const int i = ComboTarif[size_t(z)]->findText(r.zones[size_t(z)].tariff);
        if (i >= 0)
            ComboTarif[size_t(z)]->setCurrentIndex(i);
        if (r.zones[size_t(z)].start.isValid())
            TimeZone[size_t(z)]->setTime(r.zones[size_t(z)].start);
    }
    CheckOneTarif->setChecked(r.oneTariff);
    SpinCountDay->setValue(r.billingDay);
    SpinCountHour->setValue(r.billingHour);
    CheckSummer->setChecked(r.summer);
    for (int b = 0; b < 4; ++b)
        CheckIndi[size_t(b)]->setChecked((r.display >> b) & 1);
    EditPassword->setText(r.password);
    showing_ = false;
}

} // namespace tk::manager
