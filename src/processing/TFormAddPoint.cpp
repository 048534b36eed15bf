#include "processing/TFormAddPoint.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "processing/PointFields.h"
#include "processing/PointText.h"
#include "processing/ProcessingSettings.h"
#include "processing/RouteTable.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

TFormAddPoint::TFormAddPoint(RouteTable& table, Prompter& prompter, std::unique_ptr<SingleShot> timer, QWidget* parent)
    : QDialog(parent), table_(table), prompter_(prompter), timer_(std::move(timer))
{
    setObjectName(QStringLiteral("FormAddPoint"));
    setWindowTitle(QStringLiteral("Добавление точек учёта"));
    if (!timer_)
        timer_ = std::make_unique<QtSingleShot>();
    timer_->setHandler([this] { checkAccount(); });

    auto* v = new QVBoxLayout(this);
    fields_ = new PointFields(this);
    v->addWidget(fields_);
    LabelExists = new QLabel(QStringLiteral("Такой лицевой счёт уже существует"), this);
    LabelExists->setObjectName(QStringLiteral("LabelExists"));
    QPalette red = LabelExists->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    LabelExists->setPalette(red);
    LabelExists->hide();
    // The label's room is kept while it is hidden, so that the dialog does not jump.
    QSizePolicy keep = LabelExists->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    LabelExists->setSizePolicy(keep);
    v->addWidget(LabelExists);

    auto* buttons = new QHBoxLayout;
    BtnAdd = new QPushButton(QStringLiteral("Добавить"), this);
    BtnAdd->setObjectName(QStringLiteral("BtnAdd"));
    BtnAdd->setDefault(true);
    BtnExit = new QPushButton(QStringLiteral("Выход"), this);
    BtnExit->setObjectName(QStringLiteral("BtnExit"));
    buttons->addStretch();
    buttons->addWidget(BtnAdd);
    buttons->addWidget(BtnExit);
    v->addLayout(buttons);
    v->setSizeConstraint(QLayout::SetFixedSize);

    connect(fields_, &PointFields::edited, this, &TFormAddPoint::applyRule);
    connect(fields_->EditPers, &QLineEdit::textChanged, this, [this] {
        timer_->start(kCheckDelayMs);
        applyRule();
    });
    connect(BtnAdd, &QPushButton::clicked, this, &TFormAddPoint::BtnAddClick);
    connect(BtnExit, &QPushButton::clicked, this, &QDialog::reject);
}

TFormAddPoint::~TFormAddPoint() = default;

void TFormAddPoint::showEvent(QShowEvent* event)
{
    BtnAdd->setEnabled(false);
    LabelExists->hide();
    QDialog::showEvent(event);
}

void TFormAddPoint::applyRule()
{
    BtnAdd->setEnabled(fields_->complete());
}

void TFormAddPoint::checkAccount()
{
    timer_->stop();
    // The check is a hint while typing: a text that is no account, or a table that cannot be
    // read just now, leaves the label as it was.
    if (const auto account = parseAccount(fields_->EditPers->text())) {
        try {
            LabelExists->setVisible(table_.accountCount(*account) != 0);
        } catch (const Error&) {
        }
    }
    applyRule();
}

void TFormAddPoint::BtnAddClick()
{
    if (!BtnAdd->isEnabled())
        return;
    try {
        table_.add(fields_->point());
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
        return;
    }
    BtnAdd->setEnabled(false);
}

} // namespace tk::processing
