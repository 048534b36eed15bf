#pragma once
// SetWaitCursor: the busy cursor over a control and every control inside it while a long
// operation runs on the UI thread.
class QWidget;

namespace tk::manager {

// busy: the hourglass on control and all its descendants, each repainted at once; not busy:
// every one of them gets back the cursor it had before.
void setWaitCursor(bool busy, QWidget* control);

} // namespace tk::manager
