// Pack and widen keep the data, and a crash at any byte of the rewrite leaves a table that
// opens whole; the exclusive open fails while someone else has the table open. The view
// model reads rows lazily and leaves deleted records out. The standard layouts hold the
// fixture data.
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"
#include "StoreTestUtil.h"
#include "store/dbf/TableModel.h"

#include <QCoreApplication>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk::dbf;
using tk::test::fixtures;

namespace {

// Live records as raw bytes: what pack and widen must keep.
std::vector<std::string> liveRecords(const QString& path)
{
    DbfFile f;
    f.open(path, false);
    std::vector<std::string> out;
    for (std::uint32_t r = 0; r < f.recordCount(); ++r)
        if (!DbfFile::isDeleted(f.record(r)))
            out.emplace_back(f.record(r), std::size_t(f.schema().recordLength));
    return out;
}

std::vector<QVariantList> sqlRows(const QString& dir, const QString& table)
{
    tk::store::LocalSql sql(dir);
    const auto rows = sql.select({"SELECT * FROM " + table});
    std::vector<QVariantList> out;
    for (const auto& r : rows.rows)
        out.emplace_back(r.begin(), r.end());
    return out;
}

} // namespace

TEST(Restructure, PackRemovesDeletedRecordsAndKeepsTheRest)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("odd/deleted", dir.path());
    const QString path = dir.filePath("Telv2.dbf");
    const auto before = liveRecords(path);
    ASSERT_EQ(before.size(), 28u);
    tk::store::LocalSql sql(dir.path());
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM telv2 WHERE number = 999999"}).size(), 1); // builds an index
    packTable(path);
    DbfFile f;
    f.open(path, false);
    EXPECT_EQ(f.recordCount(), 28u);
    EXPECT_EQ(liveRecords(path), before);
    const QByteArray bytes = tk::test::readAll(path);
    EXPECT_EQ(bytes.size(), f.schema().headerLength + 28 * f.schema().recordLength + 1);
    EXPECT_EQ(bytes.back(), char(0x1A));
    EXPECT_EQ((unsigned char)bytes[29], 0xC9);
    EXPECT_FALSE(QFile::exists(dir.filePath(".Telv2.dbf.new")));
    // The connection opened before the pack follows the new file.
    const long n999 = sql.select({"SELECT COUNT(*) FROM telv2 WHERE number = 999999"}).value(0, 0).toLongLong();
    long want = 0;
    for (const auto& r : before)
        want += r.substr(1 + 10 + 12 + 6, 6) == "999999";
    EXPECT_EQ(n999, want);
}

TEST(Restructure, WidenMakesTheAccountTenDigitsAndKeepsEverything)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("old", dir.path());
    const auto before = sqlRows(dir.path(), "Route");
    const auto readings = sqlRows(dir.path(), "Telv2");
    for (const char* t : {"Route.dbf", "Telv1.DBF", "Telv2.dbf", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"})
        EXPECT_TRUE(widenAccountColumn(dir.filePath(t))) << t;
    EXPECT_FALSE(widenAccountColumn(dir.filePath("Route.dbf"))) << "already 10 wide";
    EXPECT_FALSE(widenAccountColumn(dir.filePath("Balance.dbf"))) << "no account column";
    DbfFile f;
    f.open(dir.filePath("Route.dbf"), false);
    EXPECT_EQ(f.schema().fields[0].width, 10);
    EXPECT_EQ(f.schema().fields[1].offset, 11);
    f.close();
    EXPECT_EQ(sqlRows(dir.path(), "Route"), before);
    EXPECT_EQ(sqlRows(dir.path(), "Telv2"), readings);
    tk::store::LocalSql sql(dir.path());
    sql.execute({"UPDATE Route SET pers = 9999999999 WHERE pers = 999999999"});
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Route WHERE pers = 9999999999"}).value(0, 0).toLongLong(), 1);
}

TEST(Restructure, ExclusiveOpenFailsWhileAnotherHolderHasTheTableOpen)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("old", dir.path(), {"Route.dbf"});
    const QString path = dir.filePath("Route.dbf");
    const QByteArray before = tk::test::readAll(path);
    {
        TableModel view;
        view.open(path);
        for (auto op : {std::function<void()>([&] { widenAccountColumn(path); }), std::function<void()>([&] { packTable(path); })}) {
            try {
                op();
                ADD_FAILURE() << "exclusive open succeeded";
            } catch (const tk::Error& e) {
                EXPECT_EQ(e.message(), "Route.dbf is in use by another program and cannot be opened exclusively");
            }
        }
        EXPECT_EQ(tk::test::readAll(path), before);
    }
    // A connection holds nothing between statements.
    tk::store::LocalSql sql(dir.path());
    sql.select({"SELECT * FROM Route"});
    EXPECT_TRUE(widenAccountColumn(path));
}

// A child process rewrites the table and dies after n bytes of the new file; the table
// must open with all its rows afterwards, whatever n was.
TEST(Restructure, CrashAtAnyPointOfARewriteLeavesAWholeTable)
{
    QTemporaryDir dir;
    tk::test::copyFixtures("odd/deleted", dir.path(), {"Telv2.dbf"});
    const QString path = dir.filePath("Telv2.dbf");
    const auto live = liveRecords(path);
    const long total = tk::test::readAll(path).size();
    for (long n : {0L, 1L, 31L, 32L, 100L, 600L, 1000L, 2000L, total - 600, total - 1, total + 4096}) {
        for (int op = 0; op < 2; ++op) {
            QTemporaryDir work;
            tk::test::copyFixtures(op == 0 ? "odd/deleted" : "old", work.path(), {"Telv2.dbf"});
            const QString p = work.filePath("Telv2.dbf");
            const auto want = liveRecords(p);
            const pid_t pid = fork();
            if (pid == 0) {
                setWriteFault(n, FaultAction::ExitProcess);
                try {
                    op == 0 ? packTable(p) : (void)widenAccountColumn(p);
                } catch (...) {
                    _exit(1);
                }
                _exit(0);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status));
            const auto after = liveRecords(p); // throws if the table is not whole
            ASSERT_EQ(after.size(), want.size()) << "op " << op << " n " << n;
            if (op == 0) {
                EXPECT_EQ(after, want) << "n " << n;
            }
            tk::store::LocalSql sql(work.path());
            EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM telv2"}).value(0, 0).toLongLong(), long(want.size()));
            EXPECT_FALSE(QFile::exists(work.filePath(".Telv2.dbf.new"))) << "the crashed job's copy is gone after the open";
        }
    }
    // A write failing inside this process leaves the old file and no work file behind.
    setWriteFault(500, FaultAction::FailWrite);
    EXPECT_THROW(packTable(path), tk::Error);
    setWriteFault(-1, FaultAction::FailWrite);
    EXPECT_EQ(liveRecords(path), live);
    EXPECT_FALSE(QFile::exists(dir.filePath(".Telv2.dbf.new")));
}

TEST(TableModel, ViewShowsLiveRowsInRecordOrder)
{
    TableModel m;
    m.open(fixtures() + "/odd/deleted/Telv2.dbf");
    EXPECT_EQ(m.rowCount(), 28);
    EXPECT_EQ(m.columnCount(), 17);
    EXPECT_EQ(m.headerData(4, Qt::Horizontal).toString(), "DATE_MEAS");
    // Row k is the k-th live record.
    const std::vector<std::uint32_t> deleted = {2, 4, 7, 10, 13, 19, 21, 23, 25, 29, 36, 38};
    std::vector<std::uint32_t> live;
    for (std::uint32_t r = 0; r < 40; ++r)
        if (std::find(deleted.begin(), deleted.end(), r) == deleted.end())
            live.push_back(r);
    for (int row = 0; row < 28; ++row)
        EXPECT_EQ(m.recordOf(row), live[std::size_t(row)]);
    m.open(fixtures() + "/small/Telv2.dbf");
    EXPECT_EQ(m.rowCount(), 60);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(m.data(m.index(50, 4)).toString(), "29.02.2024");
    EXPECT_EQ(m.data(m.index(32, 1)).toString(), "Д'АРКА");
    EXPECT_EQ(m.data(m.index(39, 6)).toString(), "") << "NULL status";
    QLocale::setDefault(QLocale::c());
    m.open(fixtures() + "/odd/empty/Telv2.dbf");
    EXPECT_EQ(m.rowCount(), 0);
}

TEST(StandardTables, CreatedTablesHaveTheFixtureLayoutAndHoldItsData)
{
    QTemporaryDir dir;
    for (const auto& t : standardTables())
        createTable(dir.filePath(t.fileName), t.schema);
    EXPECT_THROW(createTable(dir.filePath("Route.dbf"), standardTables().back().schema), tk::Error);
    for (const auto& t : standardTables()) {
        // Same header bytes as the independent writer's empty tables, date and our reserved bytes aside.
        QByteArray mine = tk::test::readAll(dir.filePath(t.fileName));
        QByteArray theirs = tk::test::readAll(fixtures() + "/odd/empty/" + t.fileName);
        ASSERT_EQ(mine.size(), theirs.size()) << t.fileName.toStdString();
        mine.replace(1, 3, theirs.mid(1, 3));
        EXPECT_EQ(mine.toHex().toStdString(), theirs.toHex().toStdString()) << t.fileName.toStdString();
    }
    // Every row of the small directory fits the created tables.
    tk::store::LocalSql from(fixtures() + "/small"), to(dir.path());
    for (const auto& t : standardTables()) {
        const QString name = t.fileName.chopped(4);
        const auto rows = from.select({"SELECT * FROM " + name});
        QStringList cols, marks;
        for (const QString& c : rows.columns) {
            cols << c;
            marks << ":" + c;
        }
        for (int r = 0; r < rows.size(); ++r) {
            tk::store::Params p;
            for (int c = 0; c < rows.columns.size(); ++c) {
                const QVariant& v = rows.value(r, c);
                if (v.isNull())
                    p.null(rows.columns[c]);
                else if (v.typeId() == QMetaType::QDate)
                    p.date(rows.columns[c], v.toDate());
                else if (v.typeId() == QMetaType::QString)
                    p.text(rows.columns[c], v.toString());
                else
                    p.real(rows.columns[c], v.toDouble());
            }
            to.execute({"INSERT INTO " + name + "(" + cols.join(',') + ")", "VALUES(" + marks.join(',') + ")"}, p);
        }
        EXPECT_EQ(to.select({"SELECT * FROM " + name}).rows, rows.rows) << name.toStdString();
    }
}
