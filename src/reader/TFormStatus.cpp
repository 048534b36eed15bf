#include "reader/TFormStatus.h"

#include "reader/StatusDecoding.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tk::reader {

namespace {

const QColor kCream(255, 251, 240);

// Typing into the spin box goes through its editor, which a plain QSpinBox keeps to itself.
class ValueSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    QLineEdit* editor() const { return lineEdit(); }
};

} // namespace

TFormStatus::TFormStatus(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormStatus"));
    setWindowTitle(QStringLiteral("Расшифровка статуса"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(false);

    LabelStatus = new QLabel(QStringLiteral("Статус: "), this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    auto* spin = new ValueSpinBox(this);
    SpinStatus = spin;
    SpinStatus->setObjectName(QStringLiteral("SpinStatus"));
    // Wide enough for the largest value of any model, so that nothing moves when the limit does.
    int largest = 0;
    for (int m = 0; m < kStatusModelCount; ++m)
        largest = std::max(largest, statusLargestValue(m));
    SpinStatus->setRange(0, largest);
    SpinStatus->setMinimumWidth(SpinStatus->sizeHint().width());
    SpinStatus->setMaximum(statusLargestValue(-1));
    // Text that is no number counts as 0, so leaving the box with such text shows 0 as well.
    SpinStatus->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    SpinStatus->setAccessibleName(LabelStatus->text().trimmed());
    LabelStatus->setBuddy(SpinStatus);

    ComboModel = new QComboBox(this);
    ComboModel->setObjectName(QStringLiteral("ComboModel"));
    ComboModel->setEditable(false);
    ComboModel->addItems(statusModelNames());
    ComboModel->setCurrentIndex(-1);
    ComboModel->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    MemoStatus = new QPlainTextEdit(this);
    MemoStatus->setObjectName(QStringLiteral("MemoStatus"));
    MemoStatus->setReadOnly(true);
    MemoStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = MemoStatus->palette();
    p.setColor(QPalette::Base, kCream);
    MemoStatus->setPalette(p);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->setSpacing(6);
    auto* top = new QHBoxLayout;
    top->addWidget(LabelStatus);
    top->addWidget(SpinStatus);
    top->addSpacing(12);
    top->addWidget(ComboModel, 1);
    v->addLayout(top);
    v->addWidget(MemoStatus, 1);

    setFixedSize(345, 140);
    if (const QScreen* s = screen()) {
        const QRect g = s->geometry();
        move(g.x() + g.width() - frameGeometry().width(), g.y());
    }

    // Steps and set values arrive as value changes; typed text that is not (yet) a number only as
    // a change of the editor's text.
    connect(SpinStatus, &QSpinBox::valueChanged, this, &TFormStatus::userChanged);
    connect(spin->editor(), &QLineEdit::textChanged, this, &TFormStatus::userChanged);
    connect(ComboModel, &QComboBox::currentIndexChanged, this, &TFormStatus::userChanged);
}

void TFormStatus::ShowStatus(int value, int model, bool bringToFront)
{
    {
        // The limit follows the model only when the user changes something; here the value is
        // held to the bounds the box has now.
        const bool was = std::exchange(settingByProgram_, true);
        SpinStatus->setValue(std::clamp(value, SpinStatus->minimum(), SpinStatus->maximum()));
        ComboModel->setCurrentIndex(model >= 0 && model < ComboModel->count() ? model : -1);
        settingByProgram_ = was;
    }
    rebuild();
    if (bringToFront)
        showAndFocus();
}

void TFormStatus::showAndFocus()
{
    show();
    raise();
    activateWindow();
}

QString TFormStatus::text() const
{
    return MemoStatus->toPlainText();
}

void TFormStatus::userChanged()
{
    if (settingByProgram_)
        return;
    rebuild();
    // Lowering the limit below the value moves the value, which comes back here and rebuilds
    // the text for the value the box then shows.
    SpinStatus->setMaximum(statusLargestValue(ComboModel->currentIndex()));
}

void TFormStatus::rebuild()
{
    MemoStatus->clear();
    const int model = ComboModel->currentIndex();
    if (model < 0)
        return;
    MemoStatus->setPlainText(statusLines(model, statusValueOf(SpinStatus->cleanText())).join(QLatin1Char('\n')));
}

} // namespace tk::reader
