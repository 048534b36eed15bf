// Longer runs of programs sharing one table (see tests/store/SharedTableRun.h), printing
// their figures:
//   1. two writer processes with long-lived connections and a reader process, for the
//      given number of seconds (default 30);
//   2. the same with the writers killed (SIGKILL) at random moments and started again,
//      for as long: killed statements must leave none or all of their effect.
// Every figure but the counts of rows, reads and kills must be 0.
#include "SharedTableRun.h"

#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk;

namespace {

pid_t startWriter(const QString& dir, int w, std::int64_t until, const QString& log, unsigned seed)
{
    const pid_t pid = fork();
    if (pid == 0)
        std::_Exit(test::sharedWriter(dir, w, until, log, seed) == 0 ? 0 : 1);
    return pid;
}

pid_t startReader(const QString& dir, std::int64_t until, const QString& out)
{
    const pid_t pid = fork();
    if (pid == 0) {
        test::SharedRunFigures f;
        {
            store::LocalSql sql(dir);
            long last = 0;
            while (test::nowMs() < until)
                test::sharedReaderStep(sql, last, f);
        }
        {
            QFile file(out);
            if (file.open(QIODevice::WriteOnly))
                file.write(QStringLiteral("%1 %2 %3 %4").arg(f.reads).arg(f.countDrops).arg(f.halfSeen).arg(f.failures).toUtf8());
        }
        std::_Exit(0);
    }
    return pid;
}

void run(bool kills, int seconds)
{
    QTemporaryDir dir;
    dbf::createTable(dir.filePath("Balance.dbf"), dbf::standardTable("Balance")->schema);
    const std::int64_t until = test::nowMs() + seconds * 1000LL;
    std::map<int, QString> logs;
    std::map<int, pid_t> writers;
    unsigned seed = 1;
    for (int w = 1; w <= 2; ++w) {
        logs[w] = dir.filePath(QStringLiteral("writer%1.log").arg(w));
        writers[w] = startWriter(dir.path(), w, until, logs[w], seed++);
    }
    const pid_t reader = startReader(dir.path(), until, dir.filePath("reader.out"));
    long killed = 0;
    std::mt19937 rng(7);
    while (kills && test::nowMs() < until) {
        usleep(useconds_t(20000 + rng() % 200000));
        const int w = 1 + int(rng() % 2);
        ::kill(writers[w], SIGKILL);
        waitpid(writers[w], nullptr, 0);
        ++killed;
        if (test::nowMs() < until)
            writers[w] = startWriter(dir.path(), w, until, logs[w], seed++);
        else
            writers.erase(w);
    }
    for (const auto& [w, pid] : writers)
        waitpid(pid, nullptr, 0);
    waitpid(reader, nullptr, 0);
    test::SharedRunFigures f;
    {
        QFile file(dir.filePath("reader.out"));
        if (file.open(QIODevice::ReadOnly)) {
            const QStringList p = QString::fromUtf8(file.readAll()).split(' ');
            if (p.size() == 4) {
                f.reads = p[0].toLong();
                f.countDrops = p[1].toLong();
                f.halfSeen = p[2].toLong();
                f.failures = p[3].toLong();
            }
        }
    }
    test::sharedCheck(dir.path(), logs, f);
    std::printf("%s, %d s: %ld rows confirmed, %ld reads%s\n", kills ? "writers killed at random" : "two writers and a reader",
                seconds, f.confirmed, f.reads, kills ? qPrintable(QStringLiteral(", %1 writers killed").arg(killed)) : "");
    std::printf("  rows lost %ld, duplicated %ld, present unconfirmed %ld, stale values %ld, unreadable table %ld\n", f.lost,
                f.duplicated, f.unconfirmed, f.staleUpdates, f.unreadable);
    std::printf("  half-done statements after the run %ld, seen by the reader %ld; count went down %ld times; "
                "failed statements %ld\n",
                f.halfDone, f.halfSeen, f.countDrops, f.failures);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    run(false, seconds);
    run(true, seconds);
    return 0;
}
