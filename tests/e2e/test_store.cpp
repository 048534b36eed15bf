// The road of a reading from the emulated reader into its local table and back on screen: read
// ТЕЛВ-2 with the demo reader content, write it to Telv2.dbf, start the program again and find
// the same readings in the local-table grid.
#include "ManagerOnSim.h"
#include "WindowParts.h"
#include "store/reading/CellText.h"
#include "reader/Engine.h"
#include "manager/PanelStatusBar.h"
#include "store/dbf/Restructure.h"
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "store/dbf/StandardTables.h"
#include "manager/TFormVorm.h"
#include "Workplace.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

QStringList rowText(const QAbstractItemModel* m, int row)
{
    QStringList cells;
    for (int c = 0; c < m->columnCount(); ++c)
        cells << m->index(row, c).data().toString();
    return cells;
}

TEST(StoreEndToEnd, ReadingsWrittenFromTheReaderAreInTheTableAfterARestart)
{
    Workplace work;
    ASSERT_TRUE(work.valid());
    // A fresh office: the empty tables the table tool makes.
    for (const auto& t : dbf::standardTables())
        dbf::createTable(work.filePath(t.fileName), t.schema);
    const QString state = copyDemoReader(work);
    SimProcess sim({"--state", state});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();

    ScriptedPrompter prompter;
    QStringList readRows;
    std::vector<QStringList> gridRows;
    {
        manager::StartupOptions options;
        options.arguments = {"Vormer_2005", "--port", sim.pty(), "--connect"};
        manager::TFormVorm w(&prompter, options);
        auto idle = [&] { return w.engine().stepNo() <= reader::StepClock && w.action("ActionTime")->isEnabled(); };
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle() && !tk::test::part<QLineEdit>(w, "EditDate")->text().isEmpty(); }, 10000));
        EXPECT_EQ("0", tk::test::familyStatusBarOf(w, int(1))->panelText(1).toStdString()) << "the empty table is open";

        // Every stored family of the demo content can be written; ТЕЛВ-2 is followed to the end.
        const std::pair<Family, const char*> families[] = {{Family::Telv1, "1"}, {Family::Telv2, "2"}, {Family::Vakl4, "4"},
                                                           {Family::VaklDr, "Dr"}, {Family::VaklPdr, "Pdr"}};
        static const char* const reads[] = {"ActionTelv_1", "ActionTelv_2", "ActionVakl", "ActionVaklDr", "ActionVaklPdr"};
        for (const auto& [f, suffix] : families) {
            w.action(reads[int(f)])->trigger();
            ASSERT_TRUE(QTest::qWaitFor(idle, 10000)) << reads[int(f)];
            const TextGrid& g = w.engine().familyGrid(int(f));
            ASSERT_GT(g.recordCount(), 0) << reads[int(f)];
            const QString write = QStringLiteral("ActionWrite_") + QString::fromLatin1(suffix);
            ASSERT_TRUE(w.action(write)->isEnabled()) << write.toStdString();
            w.action(write)->trigger();
            EXPECT_TRUE(prompter.allAnswered()) << "every demo reading is written: " << write.toStdString();
            EXPECT_EQ(QString::number(g.recordCount()).toStdString(), tk::test::familyStatusBarOf(w, int(size_t(f)))->panelText(1).toStdString())
                << write.toStdString();
        }
        const TextGrid& grid = w.engine().familyGrid(int(Family::Telv2));
        ASSERT_EQ(2, grid.recordCount());
        for (int r = 1; r <= grid.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid.columnCount(); ++c)
                cells << grid.cell(r, c);
            gridRows.push_back(cells);
        }
        const QAbstractItemModel* shown = tk::test::tableGridOf(w, int(1))->model();
        ASSERT_EQ(2, shown->rowCount());
        for (int r = 0; r < shown->rowCount(); ++r)
            readRows << rowText(shown, r).join('|');
        w.close();
    }

    manager::TFormVorm again(&prompter, {{"Vormer_2005"}, {}, {}});
    const QAbstractItemModel* shown = tk::test::tableGridOf(again, int(1))->model();
    ASSERT_EQ(2, shown->rowCount());
    EXPECT_EQ("2", tk::test::familyStatusBarOf(again, int(1))->panelText(1).toStdString());
    for (int r = 0; r < shown->rowCount(); ++r) {
        const QStringList row = rowText(shown, r);
        EXPECT_EQ(readRows.value(r).toStdString(), row.join('|').toStdString());
        // The reader's cells as the table keeps them: the number without its leading zeros, the work
        // time in minutes, the other cells as the grid showed them.
        const QStringList& g = gridRows[size_t(r)];
        for (int c : {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16})
            EXPECT_EQ(g[c].toStdString(), row[c].toStdString()) << "row " << r << " column " << c;
        EXPECT_EQ(QString::number(g[3].toInt()).toStdString(), row[3].toStdString());
        EXPECT_EQ(QString::number(*store::workMinutesOf(g[14])).toStdString(), row[14].toStdString());
    }
    EXPECT_TRUE(prompter.allAnswered());
}

} // namespace
