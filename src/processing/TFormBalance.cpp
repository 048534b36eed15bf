#include "processing/TFormBalance.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "processing/BalanceGroups.h"
#include "processing/Controls.h"
#include "processing/MeterTypes.h"
#include "processing/ProcessingSettings.h"
#include "processing/SingleShot.h"
#include "processing/SubMeterBoxes.h"
#include "processing/TFormMemo.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

namespace {

// A whole number as the dialog reads its fields: 0 when the text is not one.
qint64 wholeNumber(const QString& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

} // namespace

int lineCount(const QString& text)
{
    if (text.isEmpty())
        return 0;
    qsizetype n = text.count(QLatin1Char('\n')) + 1;
    if (text.endsWith(QLatin1Char('\n')))
        --n; // a final line break starts no line of its own
    return int(n);
}

TFormBalance::TFormBalance(store::LocalSql& sql, Prompter& prompter, std::unique_ptr<SingleShot> timer, QWidget* parent)
    : QDialog(parent), sql_(sql), prompter_(prompter), timer_(std::move(timer))
{
    if (!timer_)
        timer_ = std::make_unique<QtSingleShot>();
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

    timer_->setHandler([this] {
        timer_->stop();
        loadGroup();
    });
    connect(EditNumber, &QLineEdit::textChanged, this, [this] {
        timer_->start(500);
        applyRule();
    });
    connect(ComboType, &QComboBox::currentIndexChanged, this, [this] {
        timer_->start(500);
        applyRule();
    });
    connect(EditKent, &QLineEdit::textChanged, this, &TFormBalance::applyRule);
    connect(BtnWrite, &QPushButton::clicked, this, &TFormBalance::BtnWriteClick);
}

TFormBalance::~TFormBalance() = default;

void TFormBalance::setGroup(const QString& number, int type, const QString& kent)
{
    EditNumber->setText(number);
    ComboType->setCurrentIndex(type >= 0 && type < kTypeCount ? type : 0);
    EditKent->setText(kent);
}

void TFormBalance::applyRule()
{
    BtnWrite->setEnabled(wholeNumber(EditNumber->text()) >= 1 && wholeNumber(EditKent->text()) > 0);
}

void TFormBalance::loadGroup()
{
    for (QPlainTextEdit* box : SubMeters->boxes)
        box->clear();
    try {
        const GroupContent g = processing::loadGroup(sql_, wholeNumber(EditNumber->text()), ComboType->currentIndex());
        for (int c = 0; c < kTypeCount; ++c)
            SubMeters->boxes[size_t(c)]->setPlainText(g.subMeters[size_t(c)].join(QLatin1Char('\n')));
        if (!g.kent.isEmpty())
            EditKent->setText(g.kent);
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
    }
    for (int c = 0; c < kTypeCount; ++c)
        SubMeters->counts[size_t(c)]->setText(QString::number(lineCount(SubMeters->boxes[size_t(c)]->toPlainText())));
}

void TFormBalance::BtnWriteClick()
{
    BtnWrite->setEnabled(false);
    std::array<QStringList, kTypeCount> boxes;
    int total = 0;
    for (int c = 0; c < kTypeCount; ++c) {
        const QString text = SubMeters->boxes[size_t(c)]->toPlainText();
        boxes[size_t(c)] = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
        total += lineCount(text);
    }
    Gauge->setRange(0, std::max(total, 1));
    Gauge->setValue(0);
    Gauge->show();
    bool written = false;
    try {
        writeGroup(sql_, wholeNumber(EditNumber->text()), ComboType->currentIndex(), wholeNumber(EditKent->text()), boxes,
                   [this](int done, int) {
                       Gauge->setValue(done);
                       Gauge->repaint();
                   });
        written = true;
    } catch (const Error& e) {
        prompter_.error(windowTitle(), e.message());
    }
    Gauge->hide();
    BtnWrite->setEnabled(true);
    if (written)
        showShared();
}

void TFormBalance::showShared()
{
    QStringList lines;
    try {
        lines = sharedSubMeterLines(sql_);
    } catch (const Error& e) {
        prompter_.error(windowTitle(), e.message());
        return;
    }
    if (lines.isEmpty() || !memo_)
        return;
    memo_->setWindowTitle(QStringLiteral("Счетчики в нескольких балансах"));
    memo_->Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    memo_->exec();
}

} // namespace tk::processing
