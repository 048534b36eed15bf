// Statements killed at every change they make to the files (journal and table), and at
// the middle of every write: once the table is next opened, it holds none or all of the
// statement's effect, record by record, as read by a reader of our own that knows nothing
// but the file layout. The process killed held the table's write lock; the next open does
// not wait for it.
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/Journal.h"
#include "store/dbf/LocalSql.h"
#include "StoreTestUtil.h"

#include <climits>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk::dbf;
using tk::store::LocalSql;

namespace {

// The records of a table file straight from its bytes: the header's count, and each record
// as stored. Throws (fails) when the count runs past the end of the file.
struct RawRecords {
    long count = -1;
    std::vector<QByteArray> records;
    bool operator==(const RawRecords&) const = default;
};

RawRecords rawRecords(const QString& path)
{
    const QByteArray b = tk::test::readAll(path);
    auto u8 = [&](int i) { return long(static_cast<unsigned char>(b[i])); };
    RawRecords out;
    if (b.size() < 32)
        return out;
    out.count = u8(4) | (u8(5) << 8) | (u8(6) << 16) | (u8(7) << 24);
    const long header = u8(8) | (u8(9) << 8), length = u8(10) | (u8(11) << 8);
    if (header + out.count * length > b.size()) {
        ADD_FAILURE() << "the header counts " << out.count << " records beyond the end of the file";
        return out;
    }
    for (long r = 0; r < out.count; ++r)
        out.records.push_back(b.mid(int(header + r * length), int(length)));
    return out;
}

std::string describe(const RawRecords& a, const RawRecords& before, const RawRecords& after)
{
    long sameBefore = 0, sameAfter = 0;
    for (std::size_t r = 0; r < a.records.size(); ++r) {
        sameBefore += r < before.records.size() && a.records[r] == before.records[r];
        sameAfter += r < after.records.size() && a.records[r] == after.records[r];
    }
    return std::to_string(a.count) + " records, " + std::to_string(sameBefore) + " as before, " + std::to_string(sameAfter)
        + " as after (before " + std::to_string(before.count) + ", after " + std::to_string(after.count) + ")";
}

struct Statement {
    const char* what;
    QStringList sql;
    bool fails;
    std::size_t held; // bytes of changes kept in memory; 50 writes them (journal first) every three records
};

// Runs the statement as a program would: a connection, the statement, its error if any.
bool run(const QString& dir, const Statement& s)
{
    LocalSql sql(dir);
    sql.setHeldChangesLimit(s.held);
    try {
        sql.execute(s.sql);
        return true;
    } catch (const tk::Error&) {
        return false;
    }
}

} // namespace

TEST(StatementCrash, KilledAtAnyChangeLeavesNoneOrAllOfTheStatement)
{
    // Balance: 17 records in 3 groups with KENT 20, 1 and 40 (the 40s come last).
    const std::vector<Statement> statements = {
        {"multi-row INSERT failing part way, changes held", {"INSERT INTO balance SELECT number_m, type_m, number_s, type_s, kent * 3000 FROM balance"}, true, std::size_t(4) << 20},
        {"multi-row INSERT failing part way, written every three records", {"INSERT INTO balance SELECT number_m, type_m, number_s, type_s, kent * 3000 FROM balance"}, true, 50},
        {"multi-row UPDATE", {"UPDATE balance SET kent = kent + 1, type_s = 9 - type_s"}, false, std::size_t(4) << 20},
        {"multi-row UPDATE written every three records", {"UPDATE balance SET kent = kent + 1, type_s = 9 - type_s"}, false, 50},
        {"multi-row UPDATE failing part way, written every three records", {"UPDATE balance SET kent = kent * 3000"}, true, 50},
        {"multi-row DELETE", {"DELETE FROM balance WHERE kent = 20"}, false, std::size_t(4) << 20},
        {"multi-row DELETE written every three records", {"DELETE FROM balance WHERE kent = 20"}, false, 50},
        {"one-row INSERT", {"INSERT INTO balance VALUES(111111, 1, 222222, 2, 5)"}, false, std::size_t(4) << 20},
        {"one-row UPDATE", {"UPDATE balance SET kent = 77 WHERE number_s = 424242"}, false, std::size_t(4) << 20},
    };
    for (const Statement& s : statements) {
        SCOPED_TRACE(s.what);
        QTemporaryDir dir;
        tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
        const QString path = dir.filePath("Balance.dbf");
        const QByteArray original = tk::test::readAll(path);
        const RawRecords before = rawRecords(path);

        // A run to the end, with every change logged.
        setWriteFault(LLONG_MAX, FaultAction::FailWrite);
        ASSERT_EQ(run(dir.path(), s), !s.fails);
        std::vector<long long> starts = fileChangeStarts();
        setWriteFault(-1, FaultAction::FailWrite);
        const RawRecords after = rawRecords(path);
        if (s.fails) {
            ASSERT_EQ(after, before) << "a failed statement leaves the records as they were";
        } else {
            ASSERT_NE(after, before);
        }
        ASSERT_FALSE(QFile::exists(Journal::pathFor(path)));

        // Kill points: at the start of each change and halfway through each longer one.
        std::vector<long long> points;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            points.push_back(starts[k]);
            if (k + 1 < starts.size() && starts[k + 1] - starts[k] > 1)
                points.push_back(starts[k] + (starts[k + 1] - starts[k]) / 2);
        }
        if (!s.fails || s.held < 100) {
            ASSERT_GE(points.size(), 4u) << "journal, table, header and the journal's removal";
        }
        int sawBefore = 0, sawAfter = 0;
        for (long long point : points) {
            tk::test::writeAll(path, original);
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                setWriteFault(point, FaultAction::ExitProcess);
                run(dir.path(), s);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_EQ(WEXITSTATUS(status), 77) << "killed at " << point;

            // The next open: no waiting for the dead writer's lock, and the table reads.
            {
                LocalSql next(dir.path());
                next.setLockTimeout(50);
                EXPECT_NO_THROW(next.select({"SELECT COUNT(*), SUM(kent) FROM balance"})) << "killed at " << point;
            }
            EXPECT_FALSE(QFile::exists(Journal::pathFor(path))) << "killed at " << point;
            const RawRecords now = rawRecords(path);
            if (now == before) {
                ++sawBefore;
            } else if (now == after) {
                ++sawAfter;
            } else {
                ADD_FAILURE() << "killed at " << point << " of " << starts.back() << ": half done: " << describe(now, before, after);
            }
        }
        if (!s.fails) {
            EXPECT_GT(sawBefore, 0);
        }
    }
}

// A statement's journal whose writer died is undone by a reader that cannot write the table
// (a read-only view), and a statement that failed in this process leaves no journal behind.
TEST(StatementCrash, HotJournalIsUndoneByTheNextReaderAndALiveWritersJournalIsLeftAlone)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("small", dir.path(), {"Balance.dbf"});
    const QString path = dir.filePath("Balance.dbf");
    const RawRecords before = rawRecords(path);
    // A writer that dies after writing its records, before the header's count.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        {
            LocalSql sql(dir.path());
            sql.execute({"INSERT INTO balance SELECT * FROM balance"});
        }
        // The same UPDATE on a copy shows where its changes begin: journal created, journal
        // written, records written, header written, journal removed.
        QTemporaryDir side;
        QFile::copy(path, side.filePath("Balance.dbf"));
        setWriteFault(LLONG_MAX, FaultAction::FailWrite);
        LocalSql(side.path()).execute({"UPDATE balance SET kent = 9"});
        const std::vector<long long> starts = fileChangeStarts();
        if (starts.size() != 5)
            _exit(2);
        setWriteFault(starts[3], FaultAction::ExitProcess);
        LocalSql(dir.path()).execute({"UPDATE balance SET kent = 9"});
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_EQ(WEXITSTATUS(status), 77);
    ASSERT_TRUE(QFile::exists(Journal::pathFor(path))) << "the dead writer's journal";

    // While another holder keeps the write lock, the journal is that writer's and stays.
    {
        OsFile other;
        other.open(path, OsFile::Mode::ReadWrite);
        ASSERT_TRUE(other.tryLock(LockSlot::Data, LockKind::Exclusive));
        DbfFile f;
        f.open(path, DbfFile::Access::ReadOnly, 50); // reads the header without waiting long
        EXPECT_EQ(f.recordCount(), 34u) << "the count of the last complete statement";
        EXPECT_TRUE(QFile::exists(Journal::pathFor(path)));
    }
    DbfFile f;
    f.open(path, DbfFile::Access::ReadOnly);
    EXPECT_FALSE(QFile::exists(Journal::pathFor(path)));
    ASSERT_EQ(f.recordCount(), 34u);
    for (std::uint32_t r = 0; r < 34; ++r)
        EXPECT_EQ(QByteArray(f.record(r), f.schema().recordLength), before.records[r % 17]) << "record " << r;
}
