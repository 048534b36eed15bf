// Two processes on one directory: a child appends and updates rows in a loop while this
// process counts and reads them. Every row read must be whole (its registers agree with
// each other) and nothing written may be lost.
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "StoreTestUtil.h"

#include <sys/wait.h>
#include <unistd.h>

using tk::store::LocalSql;
using tk::store::Params;

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
