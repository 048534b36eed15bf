#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QDir>

namespace tk::test {

QString SimProcess::binaryPath(const QString& name)
{
    QString dir = qEnvironmentVariable("TK_BIN_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(TK_BIN_DIR_DEFAULT);
    return QDir(dir).filePath(name);
}

SimProcess::SimProcess(const QStringList& arguments, QString binary)
{
    if (binary.isEmpty())
        binary = binaryPath(QStringLiteral("reader-sim"));
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardOutput);
    process_.start(binary, arguments);
    if (!process_.waitForStarted(5000)) {
        error_ = QStringLiteral("cannot start ") + binary + QStringLiteral(": ") + process_.errorString();
        return;
    }
    const QString first = readLine(5000);
    if (first.startsWith(QLatin1String("PTY ")))
        pty_ = first.mid(4).trimmed();
    else
        error_ = QStringLiteral("no pty line from the emulator: ") + first
            + QString::fromLocal8Bit(process_.readAllStandardError());
}

SimProcess::~SimProcess()
{
    if (process_.state() != QProcess::NotRunning)
        stop(2000);
}

QString SimProcess::readLine(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const int nl = pending_.indexOf('\n');
        if (nl >= 0) {
            const QString line = QString::fromUtf8(pending_.left(nl));
            pending_.remove(0, nl + 1);
            return line;
        }
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
            return {};
        if (process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            pending_ += process_.readAllStandardOutput();
    }
}

bool SimProcess::command(const QString& line, int timeoutMs)
{
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(timeoutMs);
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QString answer = readLine(int(std::max<qint64>(1, deadline.remainingTime())));
        if (answer.startsWith(QLatin1String("OK")))
            return true;
        if (answer.startsWith(QLatin1String("ERR"))) {
            error_ = answer;
            return false;
        }
        if (answer.isEmpty())
            break;
    }
    error_ = QStringLiteral("no answer to ") + line;
    return false;
}

int SimProcess::stop(int timeoutMs)
{
    if (process_.state() == QProcess::NotRunning)
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    process_.terminate();
    if (!process_.waitForFinished(timeoutMs)) {
        process_.kill();
        process_.waitForFinished(1000);
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

} // namespace tk::test
