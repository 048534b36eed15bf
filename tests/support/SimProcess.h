#pragma once
// Runs the reader emulator as a child process on a pseudo-terminal and talks to it through its
// standard input: the end-to-end tests and the benchmarks drive the real program this way.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tk::test {

class SimProcess {
public:
    // Starts TK_BIN_DIR/reader-sim (or the given binary) with the arguments; waits for its pty.
    explicit SimProcess(const QStringList& arguments, QString binary = {});
    ~SimProcess();

    bool started() const { return !pty_.isEmpty(); }
    QString pty() const { return pty_; }
    QString error() const { return error_; }

    // Sends one command line and waits for its "OK"; false on "ERR" or no answer.
    bool command(const QString& line, int timeoutMs = 3000);
    // Ends the emulator through its normal exit (state saved); the exit code, -1 on a crash.
    int stop(int timeoutMs = 5000);

    static QString binaryPath(const QString& name);

private:
    QProcess process_;
    QString pty_;
    QString error_;
    QByteArray pending_;
    QString readLine(int timeoutMs);
};

} // namespace tk::test
