#include "processing/SubMeterBoxes.h"

#include "processing/Controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tk::processing {

SubMeterBoxes::SubMeterBoxes(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox(QStringLiteral(" Абонентские счётчики "), this);
    group->setObjectName(QStringLiteral("GroupSubMeters"));
    outer->addWidget(group);
    auto* grid = new QGridLayout(group);
    for (int c = 0; c < kTypeCount; ++c) {
        auto* box = new QPlainTextEdit(group);
        box->setObjectName(QStringLiteral("MemoType%1").arg(c));
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        box->setFixedWidth(90);
        auto* count = new QLabel(group);
        count->setObjectName(QStringLiteral("LabelCount%1").arg(c));
        count->setAlignment(Qt::AlignCenter);
        grid->addWidget(labelFor(balanceLabel(c), box, group), 0, c);
        grid->addWidget(box, 1, c);
        grid->addWidget(count, 2, c);
        boxes[size_t(c)] = box;
        counts[size_t(c)] = count;
    }
}

} // namespace tk::processing
