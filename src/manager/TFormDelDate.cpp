#include "manager/TFormDelDate.h"

#include "common/Regional.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::manager {

TFormDelDate::TFormDelDate(QWidget* owner, const QDate& today) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormDelDate"));
    setWindowTitle(QStringLiteral("Удаление записей из БД"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto* v = new QVBoxLayout(this);
    auto* line = new QHBoxLayout;
    Label1 = new QLabel(QStringLiteral("По"), this);
    DateTimePicker1 = new QDateEdit(this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(regional::shortDateFormat());
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setAccessibleName(Label1->text());
    Label1->setBuddy(DateTimePicker1);
    line->addWidget(Label1);
    line->addWidget(DateTimePicker1, 1);
    v->addLayout(line);

    BtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnOk);
    buttons->addStretch(1);
    v->addLayout(buttons);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

    setDate(QDate(today.year() - 1, 12, 31));
    // A fixed dialog border: the size the contents need, no resizing.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QDate TFormDelDate::date() const
{
    return DateTimePicker1->date();
}

void TFormDelDate::setDate(const QDate& d)
{
    DateTimePicker1->setDate(d);
}

} // namespace tk::manager
