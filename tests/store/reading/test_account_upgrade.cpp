// The start-up upgrade of the account column on copies of the old and the current fixtures.
#include "ReadingTestSupport.h"

#include "store/dbf/DbfFile.h"
#include "store/reading/ReadingStore.h"
#include "store/dbf/TableModel.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace tk;
using namespace tk::store;
using tk::test::rowsOf;
using tk::test::Scratch;

namespace {

[[maybe_unused]] ::testing::Environment* const locale = ::testing::AddGlobalTestEnvironment(new tk::test::RussianLocale);

const QStringList kTables{"Route.dbf", "Telv1.DBF", "Telv2.dbf", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"};

int persWidth(const QString& path)
{
    dbf::DbfFile f;
    f.open(path, dbf::DbfFile::Access::ReadOnly);
    return f.schema().fields.at(std::size_t(f.schema().fieldIndex("PERS"))).width;
}

std::map<QString, QByteArray> bytesOf(const Scratch& work)
{
    std::map<QString, QByteArray> out;
    for (const QString& t : kTables + QStringList{"Balance.dbf"})
        if (QFile::exists(work.file(t)))
            out[t] = tk::test::readAll(work.file(t));
    return out;
}

QString rowsText(const QString& dir, const QString& table)
{
    QStringList lines;
    const Rows r = rowsOf(dir, table);
    for (int i = 0; i < r.size(); ++i) {
        QStringList cells;
        for (int c = 0; c < r.columns.size(); ++c)
            cells << r.text(i, c);
        lines << cells.join('|');
    }
    return lines.join('\n');
}

TEST(AccountUpgrade, OldTablesGetTenDigitAccountsWithEveryRowKept)
{
    Scratch work("old");
    std::map<QString, QString> before;
    for (const QString& t : kTables)
        before[t] = rowsText(work.path(), t.chopped(4));
    const QByteArray balance = tk::test::readAll(work.file("Balance.dbf"));

    const UpgradeResult r = widenAccountColumns(work.path());
    EXPECT_EQ(kTables, r.widened);
    EXPECT_EQ("", r.stoppedAt.toStdString()) << r.reason.toStdString();
    for (const QString& t : kTables) {
        EXPECT_EQ(10, persWidth(work.file(t))) << t.toStdString();
        EXPECT_EQ(before[t].toStdString(), rowsText(work.path(), t.chopped(4)).toStdString()) << t.toStdString();
    }
    EXPECT_TRUE(rowsText(work.path(), "telv2").contains("999999999|")) << "the widest old account survives";
    EXPECT_EQ(balance, tk::test::readAll(work.file("Balance.dbf")));

    // A second start finds nothing to do.
    const auto upgraded = bytesOf(work);
    EXPECT_TRUE(widenAccountColumns(work.path()).widened.isEmpty());
    EXPECT_EQ(upgraded, bytesOf(work));
}

TEST(AccountUpgrade, TablesAlreadyTenDigitsWideAreLeftByteForByte)
{
    Scratch work("small");
    const auto before = bytesOf(work);
    const UpgradeResult r = widenAccountColumns(work.path());
    EXPECT_TRUE(r.widened.isEmpty());
    EXPECT_EQ("", r.stoppedAt.toStdString()) << r.reason.toStdString();
    EXPECT_EQ(before, bytesOf(work));
}

TEST(AccountUpgrade, TheFirstMissingTableEndsItAndTheLaterOnesKeepTheirOldWidth)
{
    struct Case {
        const char* missing;
        int widenedBefore; // tables of kTables ahead of the missing one
    };
    for (const Case c : {Case{"Route.dbf", 0}, Case{"Telv2.dbf", 2}, Case{"VaklPdr.dbf", 5}}) {
        SCOPED_TRACE(c.missing);
        Scratch work("old");
        QFile::remove(work.file(c.missing));
        const auto before = bytesOf(work);
        const UpgradeResult r = widenAccountColumns(work.path());
        EXPECT_EQ(kTables.mid(0, c.widenedBefore), r.widened);
        EXPECT_EQ(c.missing, r.stoppedAt.toStdString());
        for (int i = c.widenedBefore + 1; i < kTables.size(); ++i)
            EXPECT_EQ(before.at(kTables[i]), tk::test::readAll(work.file(kTables[i]))) << kTables[i].toStdString();
    }
}

TEST(AccountUpgrade, ATableInUseEndsItThere)
{
    Scratch work("old");
    dbf::TableModel inUse; // a view holds the table, so it cannot be opened exclusively
    inUse.open(work.file("Telv1.DBF"));
    const auto before = bytesOf(work);
    const UpgradeResult r = widenAccountColumns(work.path());
    EXPECT_EQ(QStringList{"Route.dbf"}, r.widened);
    EXPECT_EQ("Telv1.dbf", r.stoppedAt.toStdString());
    EXPECT_FALSE(r.reason.isEmpty());
    for (const QString& t : kTables.mid(1))
        EXPECT_EQ(before.at(t), tk::test::readAll(work.file(t))) << t.toStdString();
}

} // namespace
