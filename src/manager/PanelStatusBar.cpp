#include "manager/PanelStatusBar.h"

#include <QLabel>

namespace tk::manager {

PanelStatusBar::PanelStatusBar(const QString& objectName, std::vector<int> widths, QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(objectName);
    setSizeGripEnabled(false);
    for (size_t i = 0; i < widths.size(); ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(objectName + QStringLiteral("_%1").arg(i));
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        const bool last = i + 1 == widths.size();
        if (last)
            l->setMinimumWidth(widths[i]);
        else
            l->setFixedWidth(widths[i]);
        addWidget(l, last ? 1 : 0);
        panels_.push_back(l);
    }
}

QString PanelStatusBar::panelText(int i) const
{
    return i >= 0 && i < panelCount() ? panels_[size_t(i)]->text() : QString();
}

void PanelStatusBar::setPanelText(int i, const QString& text)
{
    if (i >= 0 && i < panelCount() && panels_[size_t(i)]->text() != text) {
        panels_[size_t(i)]->setText(text);
        panels_[size_t(i)]->setAccessibleName(text);
    }
}

QString PanelStatusBar::panelToolTip(int i) const
{
    return i >= 0 && i < panelCount() ? panels_[size_t(i)]->toolTip() : QString();
}

void PanelStatusBar::setPanelToolTip(int i, const QString& text)
{
    if (i >= 0 && i < panelCount())
        panels_[size_t(i)]->setToolTip(text);
}

} // namespace tk::manager
