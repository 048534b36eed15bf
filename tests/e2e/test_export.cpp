// Readings from the emulated reader handed on without the local store: ТЕЛВ-2 read with the demo
// reader content into the program's forms as it starts them, then exported to a spreadsheet (read
// back with openpyxl) and to a text file through our add-on.
#include "ManagerOnSim.h"
#include "BuiltAddOns.h"
#include "ExportTestSupport.h"
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "Workplace.h"

#include "common/Cp1251.h"
#include "common/Regional.h"
#include "manager/Startup.h"
#include "reader/Engine.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

TEST(ExportEndToEnd, AFamilyReadFromTheReaderGoesToASpreadsheetAndToATextFile)
{
    Workplace work;
    ASSERT_TRUE(work.valid());
    ExportPlace place;
    const QString state = copyDemoReader(work);
    SimProcess sim({"--state", state});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();

    ScriptedPrompter prompter;
    manager::ManagerForms forms(builtAddOns(), &prompter, {{"Vormer_2005", "--port", sim.pty(), "--connect"}, {}, {}});
    manager::TFormVorm& w = forms.window();
    auto idle = [&] { return w.engine().stepNo() <= reader::StepClock && w.action("ActionTime")->isEnabled(); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle() && !w.findChild<QLineEdit*>("EditDate")->text().isEmpty(); }, 10000));
    EXPECT_FALSE(w.action("ActionExportTelv_2")->isEnabled()) << "nothing read yet";

    w.action("ActionTelv_2")->trigger();
    ASSERT_TRUE(QTest::qWaitFor(idle, 10000));
    const TextGrid& grid = w.engine().familyGrid(int(Family::Telv2));
    ASSERT_EQ(2, grid.recordCount()) << "the demo reader's ТЕЛВ-2 readings";
    ASSERT_TRUE(w.action("ActionExportTelv_2")->isEnabled());
    ASSERT_TRUE(w.action("ActionExpTelv")->isEnabled());

    // The spreadsheet: today's date, the captions, then every reading cell for cell.
    w.action("ActionExportTelv_2")->trigger();
    const QStringList opened = place.opened(1);
    ASSERT_EQ(1, opened.size());
    const QJsonArray rows = readSheet(opened[0]);
    ASSERT_EQ(grid.recordCount() + 2, rows.size());
    const QString a1 = rows[0].toArray()[0].toArray()[1].toString();
    EXPECT_TRUE(a1 == regional::shortDate(QDate::currentDate()) || a1 == regional::shortDate(QDate::currentDate().addDays(-1)))
        << a1.toStdString();
    for (int r = 0; r <= grid.recordCount(); ++r) {
        const QJsonArray sheetRow = rows[r + 1].toArray();
        ASSERT_EQ(grid.columnCount(), sheetRow.size()) << "grid row " << r;
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QString cell = grid.cell(r, c);
            const QJsonArray got = sheetRow[c].toArray();
            SCOPED_TRACE(QStringLiteral("grid row %1, column %2: %3").arg(r).arg(c).arg(cell).toStdString());
            if (cell.isEmpty())
                EXPECT_TRUE(sheetRow[c].isNull());
            else if (got[0].toString() == "n")
                EXPECT_EQ(regional::parseNumber(cell).value_or(-1e300), got[1].toDouble());
            else
                EXPECT_EQ(text(cell), QJsonValue(got));
        }
    }
    // The reading's date and time stay text; its meter number and registers are numbers.
    EXPECT_EQ("s", rows[2].toArray()[4].toArray()[0].toString().toStdString());
    EXPECT_EQ("s", rows[2].toArray()[5].toArray()[0].toString().toStdString());
    EXPECT_EQ("n", rows[2].toArray()[3].toArray()[0].toString().toStdString());
    EXPECT_EQ("n", rows[2].toArray()[7].toArray()[0].toString().toStdString());

    // The text file our vormadd writes where the user said.
    const QString file = work.filePath("ТЕЛВ-2.txt");
    prompter.answerFile(file);
    prompter.expect("Экспорт данных", "Экспорт завершен.", Prompter::Icon::None, Prompter::Buttons::Ok, Prompter::Answer::Ok);
    w.action("ActionExpTelv")->trigger();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    QStringList expected{"2"};
    for (int r = 0; r <= grid.recordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.columnCount(); ++c)
            cells << grid.cell(r, c);
        expected << cells.join(';');
    }
    EXPECT_EQ((expected.join("\r\n") + "\r\n").toStdString(), fromCp1251(written.readAll()).toStdString());
    EXPECT_TRUE(prompter.allAnswered());
}
