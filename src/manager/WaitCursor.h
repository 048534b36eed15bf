#pragma once
// SetWaitCursor: the busy cursor over a control and every control inside it while a long
// operation runs on the UI thread.
class QWidget;

namespace tk::manager {

// busy: the hourglass on control and all its descendants, each repainted at once; not busy:
// every one of them gets back the cursor it had before.
void setWaitCursor(bool busy, QWidget* control);

// The hourglass over the window for a whole operation, gone however the operation ends, and
// lifted while the user is asked something (a dialog or message box under an hourglass looks
// as if it could not be answered).
class Busy {
public:
    explicit Busy(QWidget* window) : window_(window) { setWaitCursor(true, window_); }
    ~Busy() { setWaitCursor(false, window_); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

    template <class F> auto lifted(F&& ask)
    {
        setWaitCursor(false, window_);
        struct Back {
            QWidget* w;
            ~Back() { setWaitCursor(true, w); }
        } back{window_};
        return ask();
    }

private:
    QWidget* window_;
};

} // namespace tk::manager
