#pragma once
// Closes a window through its normal close sequence when the process is asked to stop
// (SIGTERM, SIGINT, SIGHUP), so that the settings and the exchange log are still written.
// The signal handler only writes one byte into a socket pair; the UI thread reads it through a
// socket notifier and closes the window there.
#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace tk::manager {

class SignalCloser : public QObject {
    Q_OBJECT
public:
    // One at a time; the handlers in place before are put back by the destructor.
    explicit SignalCloser(QWidget* target, QObject* parent = nullptr);
    ~SignalCloser() override;

    bool active() const { return notifier_ != nullptr; }

private:
    void onSignal();

    QPointer<QWidget> target_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tk::manager
