#include "manager/WaitCursor.h"

#include <QCursor>
#include <QVariant>
#include <QWidget>

namespace tk::manager {

namespace {

// A control's own cursor (a text field's I-beam) is kept here while the hourglass is shown.
constexpr char kSaved[] = "tkCursorBeforeWait";

void apply(bool busy, QWidget* w)
{
    if (busy) {
        if (!w->property(kSaved).isValid())
            w->setProperty(kSaved, w->testAttribute(Qt::WA_SetCursor) ? QVariant(w->cursor()) : QVariant(false));
        w->setCursor(Qt::WaitCursor);
    } else {
        const QVariant saved = w->property(kSaved);
        if (!saved.isValid())
            return;
        if (saved.canConvert<QCursor>() && saved.typeId() == QMetaType::QCursor)
            w->setCursor(saved.value<QCursor>());
        else
            w->unsetCursor();
        w->setProperty(kSaved, QVariant());
    }
    if (w->isVisible())
        w->repaint();
}

} // namespace

void setWaitCursor(bool busy, QWidget* control)
{
    if (!control)
        return;
    apply(busy, control);
    for (QWidget* w : control->findChildren<QWidget*>())
        apply(busy, w);
}

} // namespace tk::manager
