#include "processing/SingleShot.h"

#include <QTimer>

namespace tk::processing {

QtSingleShot::QtSingleShot(QObject* parent) : QObject(parent), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { fire(); });
}

void QtSingleShot::start(int ms)
{
    timer_->start(ms);
}

void QtSingleShot::stop()
{
    timer_->stop();
}

bool QtSingleShot::isActive() const
{
    return timer_->isActive();
}

} // namespace tk::processing
