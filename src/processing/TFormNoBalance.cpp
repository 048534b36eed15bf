#include "processing/TFormNoBalance.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "processing/ProcessingSettings.h"
#include "processing/Reports.h"
#include "processing/SubMeterBoxes.h"
#include "processing/TFormBalance.h"

#include <QLabel>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::processing {

TFormNoBalance::TFormNoBalance(store::LocalSql& sql, Prompter& prompter, QWidget* parent)
    : QDialog(parent), sql_(sql), prompter_(prompter)
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

void TFormNoBalance::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    refill();
}

void TFormNoBalance::refill()
{
    for (QPlainTextEdit* box : SubMeters->boxes)
        box->clear();
    try {
        const auto lists = outOfBalance(sql_);
        for (int c = 0; c < kTypeCount; ++c)
            SubMeters->boxes[size_t(c)]->setPlainText(lists[size_t(c)].join(QLatin1Char('\n')));
    } catch (const Error& e) {
        prompter_.error(applicationTitle(), e.message());
    }
    for (int c = 0; c < kTypeCount; ++c)
        SubMeters->counts[size_t(c)]->setText(QString::number(lineCount(SubMeters->boxes[size_t(c)]->toPlainText())));
}

} // namespace tk::processing
