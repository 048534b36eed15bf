// The real reader-sim program over its pty, driven as the manager and a test would drive it:
// raw POSIX I/O on the slave, commands on stdin, a signal to stop.
#include "DeviceState.h"
#include "SimTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace tk::sim;
using namespace tk::sim::test;

extern char** environ;

namespace {

// reader-sim as a child process with its stdin and stdout on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        if (rc != 0)
            pid_ = -1;
    }
    ~SimProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(stdin_);
        close(stdout_);
    }
    bool started() const { return pid_ > 0; }

    // One line of its stdout without the newline; "(timeout)" when none comes in time.
    std::string readLine(int timeoutMs)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (const auto eol = buffer_.find('\n'); eol != std::string::npos) {
                std::string line = buffer_.substr(0, eol);
                buffer_.erase(0, eol + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{stdout_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
                return "(timeout)";
            char buf[256];
            const ssize_t n = read(stdout_, buf, sizeof buf);
            if (n <= 0)
                return "(end of output)";
            buffer_.append(buf, size_t(n));
        }
    }

    void send(const std::string& line) { ASSERT_EQ(write(stdin_, (line + "\n").data(), line.size() + 1), ssize_t(line.size() + 1)); }

    // Sends the signal and waits for the exit; the exit status, or -1 when it did not end in time.
    int stop(int signal, int timeoutMs)
    {
        kill(pid_, signal);
        for (int waited = 0; waited < timeoutMs; waited += 5) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::string buffer_;
};

int openRaw(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd >= 0 && tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Up to count bytes, as many as arrive before the time-out.
QByteArray readBytes(int fd, int count, int timeoutMs)
{
    QByteArray got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
            break;
        char buf[300];
        const ssize_t n = read(fd, buf, size_t(count - got.size()));
        if (n <= 0)
            break;
        got.append(buf, int(n));
    }
    return got;
}

TEST(ReaderSimProgram, ServesThePtyObeysCommandsAndSavesOnTerm)
{
    // The folder of the built programs, or the path of this build's reader-sim.
    const char* binDir = std::getenv("TK_BIN_DIR");
    const std::string program = binDir ? std::string(binDir) + "/reader-sim" : std::string(TK_READERSIM_PROGRAM);
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state.json"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TK_READERSIM_DEMO), state));
    const std::string link = dir.filePath(QStringLiteral("reader")).toStdString();

    SimProcess sim({program, "--state", state.toStdString(), "--link", link});
    ASSERT_TRUE(sim.started()) << program;
    const std::string first = sim.readLine(3000);
    ASSERT_EQ(first.rfind("PTY /dev/", 0), 0u) << first;
    const std::string slave = first.substr(4);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), slave);

    const int fd = openRaw(slave);
    ASSERT_GE(fd, 0) << slave << ": " << std::strerror(errno);
    auto exchange = [&](const QByteArray& request, int replySize, int timeoutMs = 1000) {
        EXPECT_EQ(write(fd, request.constData(), size_t(request.size())), request.size());
        return show(readBytes(fd, replySize, timeoutMs));
    };

    EXPECT_EQ(exchange(hexBytes("00 02 80 71"), 6), show(frameOf("00 04 06 01")));
    EXPECT_EQ(exchange(frameOf("15 04 E1 10"), 4), show(frameOf("15 02"))) << "password 4321";

    sim.send("unplug");
    EXPECT_EQ(sim.readLine(1000), "OK unplug");
    EXPECT_EQ(exchange(hexBytes("00 02 80 71"), 6, 300), "") << "silent while unplugged";
    sim.send("unplug please");
    EXPECT_EQ(sim.readLine(1000), "ERR usage: unplug");
    sim.send("plug");
    EXPECT_EQ(sim.readLine(1000), "OK plug");
    EXPECT_EQ(exchange(hexBytes("00 02 80 71"), 6), show(frameOf("00 04 06 01")));
    close(fd);

    EXPECT_EQ(sim.stop(SIGTERM, 2000), 0);
    EXPECT_EQ(DeviceState::load(state).password, 4321);
    EXPECT_EQ(access(link.c_str(), F_OK), -1) << "the link is removed at exit";
}

} // namespace
