#include "manager/SignalCloser.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <iterator>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tk::manager {

#ifdef Q_OS_UNIX

namespace {

int g_fds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[3];

extern "C" void onStopSignal(int)
{
    // Only async-signal-safe calls here.
    const char b = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &b, 1);
    errno = saved;
}

} // namespace

SignalCloser::SignalCloser(QWidget* target, QObject* parent) : QObject(parent), target_(target)
{
    if (g_fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    for (int fd : g_fds)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // A burst of signals must never block the handler.
    ::fcntl(g_fds[0], F_SETFL, ::fcntl(g_fds[0], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalCloser::onSignal);

    struct sigaction sa = {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

SignalCloser::~SignalCloser()
{
    if (!notifier_)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void SignalCloser::onSignal()
{
    char buf[16];
    [[maybe_unused]] const ssize_t n = ::read(g_fds[1], buf, sizeof buf);
    if (target_)
        target_->close();
}

#else

// Other systems end a desktop program through its window; there is nothing to catch.
SignalCloser::SignalCloser(QWidget* target, QObject* parent) : QObject(parent), target_(target) {}
SignalCloser::~SignalCloser() = default;
void SignalCloser::onSignal() {}

#endif

} // namespace tk::manager
