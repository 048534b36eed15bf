// Two processes on one directory: a child appends and updates rows in a loop while this
// process counts and reads them. Every row read must be whole (its registers agree with
// each other) and nothing written may be lost.
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "SharedTableRun.h"
#include "StoreTestUtil.h"

#include <sys/wait.h>
#include <unistd.h>

using tk::store::LocalSql;
using tk::store::Params;

#include <map>

TEST(TwoProcesses, ReaderNeverSeesATornRowAndNothingIsLost)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("odd/empty", dir.path(), {"Telv2.dbf"});
    constexpr int kRows = 300;
    const pid_t pid = fork();
    if (pid == 0) {
        int rc = 0;
        try {
            LocalSql sql(dir.path());
            for (int i = 0; i < kRows; ++i) {
                // Every register of a row carries the same value, so a half-written row shows.
                sql.execute({"INSERT INTO telv2(number,date_meas,meas_1,meas_2,meas_3,street) VALUES(:n,'2024-01-01',:v,:v,:v,'ЛЕНИНА')"},
                            Params().integer("n", i).integer("v", i));
                sql.execute({"UPDATE telv2 SET meas_1 = :v, meas_2 = :v, meas_3 = :v, street = 'Зелёная' WHERE number = :n"},
                            Params().integer("n", i).integer("v", 1000000 + i));
            }
        } catch (const tk::Error& e) {
            std::fprintf(stderr, "writer: %s\n", e.message().toUtf8().constData());
            rc = 1;
        }
        _exit(rc);
    }
    LocalSql sql(dir.path());
    long lastCount = 0;
    int status = 0;
    bool done = false;
    int reads = 0;
    while (!done) {
        done = waitpid(pid, &status, WNOHANG) == pid;
        const auto rows = sql.select({"SELECT number, meas_1, meas_2, meas_3, street FROM telv2"});
        ++reads;
        ASSERT_GE(rows.size(), lastCount) << "rows never disappear";
        lastCount = rows.size();
        for (int r = 0; r < rows.size(); ++r) {
            const qint64 m1 = rows.value(r, 1).toLongLong();
            ASSERT_EQ(rows.value(r, 2).toLongLong(), m1) << "torn row " << r;
            ASSERT_EQ(rows.value(r, 3).toLongLong(), m1) << "torn row " << r;
            ASSERT_EQ(rows.value(r, 4).toString(), m1 >= 1000000 ? "Зелёная" : "ЛЕНИНА");
        }
        // Look-ups through the index agree with the scan.
        if (lastCount > 0) {
            const auto one = sql.select({"SELECT meas_1 FROM telv2 WHERE number = :n"}, Params().real("n", double(lastCount - 1)));
            ASSERT_EQ(one.size(), 1);
        }
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto all = sql.select({"SELECT COUNT(*), MIN(meas_1) FROM telv2"});
    EXPECT_EQ(all.value(0, 0).toLongLong(), kRows);
    EXPECT_EQ(all.value(0, 1).toLongLong(), 1000000) << "every update arrived";
    EXPECT_GT(reads, 2);
}

// Two writer processes with long-lived connections append and update rows of one table
// while this process reads it: every confirmed row is there once with its last confirmed
// value, the count a reader sees never goes down, no statement is seen half done, and no
// statement fails.
TEST(TwoProcesses, TwoLongLivedWritersAndAReaderLoseNothing)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("odd/empty", dir.path(), {"Balance.dbf"});
    const std::int64_t until = tk::test::nowMs() + 2500;
    std::map<int, QString> logs;
    std::vector<pid_t> writers;
    for (int w = 1; w <= 2; ++w) {
        logs[w] = dir.filePath(QStringLiteral("writer%1.log").arg(w));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            _exit(tk::test::sharedWriter(dir.path(), w, until, logs[w], unsigned(w)) == 0 ? 0 : 1);
        writers.push_back(pid);
    }
    tk::test::SharedRunFigures f;
    {
        LocalSql sql(dir.path());
        long last = 0;
        while (tk::test::nowMs() < until)
            tk::test::sharedReaderStep(sql, last, f);
    }
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer's statement failed";
    }
    tk::test::sharedCheck(dir.path(), logs, f);
    EXPECT_GT(f.confirmed, 20);
    EXPECT_GT(f.reads, 5);
    EXPECT_EQ(f.lost, 0);
    EXPECT_EQ(f.duplicated, 0);
    EXPECT_EQ(f.unconfirmed, 0);
    EXPECT_EQ(f.staleUpdates, 0);
    EXPECT_EQ(f.halfDone, 0);
    EXPECT_EQ(f.halfSeen, 0);
    EXPECT_EQ(f.unreadable, 0);
    EXPECT_EQ(f.countDrops, 0);
    EXPECT_EQ(f.failures, 0);
}

// A program that wrote keeps no count of its own: another program's rows, appended after
// its write, are still counted after it looks at the table again and after it closes.
TEST(TwoProcesses, AConnectionThatWroteNeverWritesBackAnOldCount)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QStringList insert = {"INSERT INTO balance VALUES(111111, 1, 222222, 2, 5)"};
    const QStringList count = {"SELECT COUNT(*) FROM balance"};
    {
        LocalSql first(dir.path());
        first.execute(insert);
        {
            LocalSql second(dir.path());
            for (int i = 0; i < 5; ++i)
                second.execute(insert);
        }
        EXPECT_EQ(first.select(count).value(0, 0).toLongLong(), 23) << "after noticing the other's writes";
    }
    {
        LocalSql first(dir.path());
        first.execute(insert);
        {
            LocalSql second(dir.path());
            for (int i = 0; i < 5; ++i)
                second.execute(insert);
        }
    } // the first closes having noticed nothing
    LocalSql after(dir.path());
    EXPECT_EQ(after.select(count).value(0, 0).toLongLong(), 29);
}
