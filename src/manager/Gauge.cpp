#include "manager/Gauge.h"

#include "manager/PanelStatusBar.h"

#include <QTimer>

namespace tk::manager {

Gauge::Gauge(QWidget* parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("Gauge1"));
    setFixedWidth(260);
    setRange(0, 100);
    setValue(0);
    setStyleSheet(QStringLiteral("QProgressBar { text-align: center; } QProgressBar::chunk { background-color: navy; }"));
}

void Gauge::showProgress(int position, int maximum)
{
    const int max = std::max(maximum, 1);
    if (this->maximum() != max)
        setRange(0, max);
    setValue(std::clamp(position, 0, max));
}

OperationText::OperationText(PanelStatusBar* bar) : QObject(bar), bar_(bar), repaint_(new QTimer(this))
{
    repaint_->setSingleShot(true);
    repaint_->setInterval(kRepaintMs);
    connect(repaint_, &QTimer::timeout, this, [this] {
        if (bar_->panelText(0) != pending_) {
            bar_->setPanelText(0, pending_);
            repaint_->start();
        }
    });
}

void OperationText::show(const QString& text)
{
    pending_ = text;
    if (repaint_->isActive())
        return; // shown when the interval is up
    bar_->setPanelText(0, text);
    repaint_->start();
}

} // namespace tk::manager
