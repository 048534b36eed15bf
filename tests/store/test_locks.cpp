// The table locks against another program. A write waits for a conflicting lock only as
// long as the lock timeout, then fails naming the table and changes nothing; once the holder
// lets go, or dies holding the lock, the same write goes through.
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "StoreTestUtil.h"
#include "store/dbf/TableModel.h"

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tk::dbf;
using tk::store::LocalSql;

namespace {

const QStringList kInsert = {"INSERT INTO balance(number_m,type_m,number_s,type_s,kent)", "VALUES(111111,1,222222,2,5)"};
const QStringList kCount = {"SELECT COUNT(*) FROM balance"};

void expectInUse(LocalSql& sql, const QStringList& statement, const std::string& what)
{
    try {
        if (statement.first().startsWith("SELECT"))
            sql.select(statement);
        else
            sql.execute(statement);
        ADD_FAILURE() << what << ": went through a conflicting lock";
    } catch (const tk::Error& e) {
        EXPECT_EQ(e.message(), "Balance.dbf is in use by another program (locked); try again later") << what;
    }
}

} // namespace

TEST(Locks, WriteWaitsOnlyUntilTheTimeoutForAConflictingLockAndThenChangesNothing)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    const QByteArray before = tk::test::readAll(path);
    LocalSql sql(dir.path());
    sql.setLockTimeout(50);
    ASSERT_EQ(sql.select(kCount).value(0, 0).toLongLong(), 17);
    ASSERT_EQ(tk::test::readAll(path), before) << "connecting and reading write nothing";

    // What another program holds while it works on the table: a statement reading or
    // writing holds the data slot, a pack or widen holds everything exclusively, an open
    // table view holds the presence slot shared only.
    struct Case { const char* holder; LockSlot slot; LockKind kind; bool blocksWrites; bool blocksReads; };
    const std::vector<Case> cases = {
        {"a write in progress", LockSlot::Data, LockKind::Exclusive, true, true},
        {"a read in progress", LockSlot::Data, LockKind::Shared, true, false},
        {"an exclusive open", LockSlot::Presence, LockKind::Exclusive, true, true},
        {"an open table view", LockSlot::Presence, LockKind::Shared, false, false},
    };
    int rows = 17;
    for (const Case& c : cases) {
        OsFile other; // a second open file: its locks conflict with ours as another process's would
        other.open(path, OsFile::Mode::ReadWrite);
        ASSERT_TRUE(other.tryLock(c.slot, c.kind)) << c.holder;
        const QByteArray held = tk::test::readAll(path);
        if (c.blocksWrites) {
            expectInUse(sql, kInsert, c.holder);
            expectInUse(sql, {"UPDATE balance SET kent = 99"}, c.holder);
            expectInUse(sql, {"DELETE FROM balance WHERE kent = 20"}, c.holder);
            EXPECT_EQ(tk::test::readAll(path), held) << c.holder;
        } else {
            EXPECT_EQ(sql.execute(kInsert), 1) << c.holder;
            ++rows;
        }
        if (c.blocksReads)
            expectInUse(sql, kCount, c.holder);
        else
            EXPECT_EQ(sql.select(kCount).value(0, 0).toLongLong(), rows) << c.holder;
        other.unlock(c.slot);
        EXPECT_EQ(sql.execute(kInsert), 1) << c.holder << ": after release";
        ++rows;
        EXPECT_EQ(sql.select(kCount).value(0, 0).toLongLong(), rows) << c.holder;
    }
}

TEST(Locks, LockOfAProcessThatDiesIsReleased)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    const QByteArray before = tk::test::readAll(path);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The other program: takes the write lock as a statement would, then hangs.
        OsFile f;
        f.open(path, OsFile::Mode::ReadWrite);
        const char ok = f.tryLock(LockSlot::Presence, LockKind::Shared) && f.tryLock(LockSlot::Data, LockKind::Exclusive) ? 'L' : 'F';
        if (write(ready[1], &ok, 1) != 1)
            _exit(1);
        while (true)
            pause();
    }
    close(ready[1]);
    char got = 0;
    ASSERT_EQ(read(ready[0], &got, 1), 1);
    close(ready[0]);
    ASSERT_EQ(got, 'L');

    LocalSql sql(dir.path());
    sql.setLockTimeout(50);
    expectInUse(sql, kInsert, "held by a live process");
    EXPECT_EQ(tk::test::readAll(path), before);

    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(sql.execute(kInsert), 1);
    EXPECT_EQ(sql.select(kCount).value(0, 0).toLongLong(), 18);
}

TEST(Locks, WriteWaitsForALockReleasedWithinTheTimeout)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    // Connections that came and went with a short timeout leave nothing behind for the next.
    for (int i = 0; i < 4; ++i) {
        LocalSql brief(dir.path());
        brief.setLockTimeout(1);
    }
    LocalSql sql(dir.path()); // the default timeout, seconds
    OsFile other;
    other.open(path, OsFile::Mode::ReadWrite);
    ASSERT_TRUE(other.tryLock(LockSlot::Data, LockKind::Exclusive));
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.unlock(LockSlot::Data);
    });
    int changed = 0;
    try {
        changed = sql.execute(kInsert);
    } catch (const tk::Error& e) {
        ADD_FAILURE() << e.message().toStdString();
    }
    holder.join();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(sql.select(kCount).value(0, 0).toLongLong(), 18);
}

// A statement that fails after taking its locks (here: the table no longer reads) lets go
// of them, so that another program's writes go through once the table is whole again.
TEST(Locks, StatementThatFailsAfterLockingLetsGoOfTheLocks)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    const QByteArray good = tk::test::readAll(path);
    LocalSql holder(dir.path());
    ASSERT_EQ(holder.select(kCount).value(0, 0).toLongLong(), 17);
    QByteArray damaged = good;
    damaged[4] = char(200); // the header counts more records than the file holds
    tk::test::writeAll(path, damaged);
    for (const QStringList& statement : {kCount, kInsert}) {
        try {
            statement == kCount ? (void)holder.select(statement) : (void)holder.execute(statement);
            ADD_FAILURE() << "a damaged table was read";
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().contains("the header counts 200 records but the file is truncated")) << e.message().toStdString();
        }
    }
    tk::test::writeAll(path, good);
    LocalSql other(dir.path());
    other.setLockTimeout(50);
    EXPECT_EQ(other.execute(kInsert), 1) << "the failed statements still hold a lock";
    EXPECT_EQ(holder.select(kCount).value(0, 0).toLongLong(), 18);
}
