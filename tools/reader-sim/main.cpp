// reader-sim: the emulated reader behind a pseudo-terminal. One thread, one ppoll() loop over
// the pty master and stdin; the wire model says when the next thing is due, so the loop never
// sleeps past a deadline and never blocks on a partial frame.
#include "Control.h"
#include "DeviceCore.h"
#include "common/Error.h"
#include "Wire.h"

#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

using namespace tk;
using namespace tk::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
void onStopSignal(int) { g_stop = 1; }

int64_t monotonicUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

// stdout carries the PTY line and the command answers that a driving test waits for, so every
// line goes out at once.
void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void complain(const QString& message)
{
    std::fputs((QStringLiteral("reader-sim: ") + message + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// The master side of a new pty whose slave is in raw mode, so that no byte is translated,
// echoed or held back for a line. The setting outlives the slave's closing because the master
// keeps the pty alive.
int openPty(QString* slavePath)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        throw Error(systemError("posix_openpt"));
    char name[256];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        close(master);
        throw Error(systemError("pty setup"));
    }
    const int slave = open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        close(master);
        throw Error(systemError("opening the pty slave"));
    }
    cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const bool set = tcsetattr(slave, TCSANOW, &tio) == 0;
    close(slave);
    if (!set) {
        close(master);
        throw Error(systemError("setting the pty slave raw"));
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    *slavePath = QString::fromLocal8Bit(name);
    return master;
}

// A stale link from an earlier run is replaced; anything that is not a symlink is left alone.
void makeLink(const QString& linkPath, const QString& target)
{
    const QByteArray link = linkPath.toLocal8Bit();
    struct stat st{};
    if (lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw Error(QStringLiteral("--link %1: exists and is not a symlink").arg(linkPath));
        unlink(link.constData());
    }
    if (symlink(target.toLocal8Bit().constData(), link.constData()) != 0)
        throw Error(QStringLiteral("--link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno))));
}

void removeLink(const QString& linkPath, const QString& target)
{
    const QByteArray link = linkPath.toLocal8Bit();
    char buf[512];
    const ssize_t n = readlink(link.constData(), buf, sizeof buf - 1);
    if (n > 0 && QString::fromLocal8Bit(buf, int(n)) == target)
        unlink(link.constData());
}

class Server {
public:
    Server(DeviceCore& core, const Options& options, int master)
        : core_(core), wire_(core, options.baud), options_(options), master_(master) {}

    void run(const sigset_t& waitMask)
    {
        bool commandsOpen = options_.readCommands;
        while (!g_stop && !quit_) {
            const int64_t now = monotonicUs();
            pendingWrite_ += wire_.service(now);
            flushWrites();

            // While no one holds the slave the master reports hang-up at once; it is looked at
            // again after a short pause instead of being spun on.
            const bool watchMaster = now >= masterPausedUntilUs_;
            std::optional<int64_t> wake = wire_.nextDueUs();
            if (!watchMaster)
                wake = wake ? std::min(*wake, masterPausedUntilUs_) : masterPausedUntilUs_;

            pollfd fds[2];
            int count = 0;
            int masterIx = -1, stdinIx = -1;
            if (watchMaster) {
                masterIx = count;
                fds[count++] = {master_, short(POLLIN | (pendingWrite_.isEmpty() ? 0 : POLLOUT)), 0};
            }
            if (commandsOpen) {
                stdinIx = count;
                fds[count++] = {STDIN_FILENO, POLLIN, 0};
            }
            timespec timeout{};
            if (wake) {
                const int64_t us = std::max<int64_t>(0, *wake - now);
                timeout.tv_sec = us / 1'000'000;
                timeout.tv_nsec = (us % 1'000'000) * 1000;
            }
            const int ready = ppoll(fds, nfds_t(count), wake ? &timeout : nullptr, &waitMask);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                throw Error(systemError("ppoll"));
            }
            if (masterIx >= 0 && fds[masterIx].revents)
                readMaster(fds[masterIx].revents);
            if (stdinIx >= 0 && fds[stdinIx].revents)
                commandsOpen = readCommands();
        }
    }

private:
    static constexpr int64_t kAbsentPauseUs = 20'000;

    void slaveGone()
    {
        wire_.drop();
        pendingWrite_.clear();
        masterPausedUntilUs_ = monotonicUs() + kAbsentPauseUs;
    }

    void readMaster(short revents)
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n > 0) {
                wire_.received(QByteArray(buf, int(n)), monotonicUs());
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (revents & POLLHUP)
                    slaveGone();
                return;
            }
            slaveGone(); // EIO (or end of file): the slave side is closed
            return;
        }
    }

    void flushWrites()
    {
        while (!pendingWrite_.isEmpty()) {
            const ssize_t n = write(master_, pendingWrite_.constData(), size_t(pendingWrite_.size()));
            if (n > 0) {
                pendingWrite_.remove(0, int(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return; // the rest when the master can take it
            slaveGone();
            return;
        }
    }

    // False once stdin has ended.
    bool readCommands()
    {
        char buf[1024];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0)
            return errno == EINTR || errno == EAGAIN;
        if (n == 0) {
            g_stop = 1;
            return false;
        }
        lineBuffer_.append(buf, int(n));
        for (qsizetype eol; (eol = lineBuffer_.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(lineBuffer_.left(eol)).trimmed();
            lineBuffer_.remove(0, eol + 1);
            if (!line.isEmpty())
                execute(line);
        }
        return true;
    }

    void execute(const QString& line)
    {
        Command c;
        try {
            c = parseCommand(line);
        } catch (const Error& e) {
            say(QStringLiteral("ERR ") + e.message());
            return;
        }
        switch (c.kind) {
        case Command::Kind::AddFault: core_.faults().add(c.rule); break;
        case Command::Kind::Unplug:
            core_.faults().unplug();
            wire_.drop(); // what was on its way is lost with the cable
            pendingWrite_.clear();
            break;
        case Command::Kind::Plug: core_.faults().plug(); break;
        case Command::Kind::ClearFaults: core_.faults().clear(); break;
        case Command::Kind::Save:
            if (options_.statePath.isEmpty()) {
                say(QStringLiteral("ERR no state file: reader-sim was started without --state"));
                return;
            }
            try {
                core_.state().save(options_.statePath);
            } catch (const Error& e) {
                say(QStringLiteral("ERR ") + e.message());
                return;
            }
            break;
        case Command::Kind::Quit: quit_ = true; break;
        }
        say(QStringLiteral("OK ") + c.text);
    }

    DeviceCore& core_;
    Wire wire_;
    const Options& options_;
    int master_;
    QByteArray pendingWrite_;
    QByteArray lineBuffer_;
    int64_t masterPausedUntilUs_ = 0;
    bool quit_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    Options options;
    try {
        options = parseOptions(args);
    } catch (const Error& e) {
        complain(e.message());
        std::fputs(usageText().toUtf8().constData(), stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(usageText().toUtf8().constData(), stdout);
        return 0;
    }

    std::signal(SIGPIPE, SIG_IGN);
    // SIGINT and SIGTERM are held back except inside ppoll, so a stop always ends a wait and is
    // never lost between the check of the flag and the wait.
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction sa{};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    QString slavePath;
    int master = -1;
    int status = 0;
    try {
        DeviceCore core(options.statePath.isEmpty() ? DeviceState{} : DeviceState::load(options.statePath));
        for (const FaultRule& r : options.faults)
            core.faults().add(r);
        master = openPty(&slavePath);
        if (!options.linkPath.isEmpty())
            makeLink(options.linkPath, slavePath);
        say(QStringLiteral("PTY ") + slavePath);

        Server server(core, options, master);
        try {
            server.run(waitMask);
        } catch (const Error& e) {
            complain(e.message()); // the state is still saved below
            status = 1;
        }
        if (!options.linkPath.isEmpty())
            removeLink(options.linkPath, slavePath);
        close(master);
        if (!options.statePath.isEmpty())
            core.state().save(options.statePath);
    } catch (const Error& e) {
        complain(e.message());
        if (master >= 0)
            close(master);
        return 1;
    }
    return status;
}
