// The report tabs and balance dialogs of the Kelvadi window, and the command line against them.
#include "FindPart.h"
#include "ProcessingTestSupport.h"
#include "ScriptedPrompter.h"

#include "ExportTestSupport.h"
#include "processing/BalanceGroups.h"
#include "processing/SubMeterBoxes.h"
#include "processing/TFormBalance.h"
#include "processing/TFormMain.h"
#include "processing/TFormMemo.h"
#include "processing/TFormNoBalance.h"
#include "store/dbf/LocalSql.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

using namespace tk;
using namespace tk::processing;

using tk::test::part;

namespace {

// The grid as the command line prints it: the caption row, then each row, tab-separated.
QStringList shownLines(const QTableView* view)
{
    const QAbstractItemModel* m = view->model();
    QStringList lines, captions;
    for (int c = 0; c < m->columnCount(); ++c)
        captions << m->headerData(c, Qt::Horizontal).toString();
    lines << captions.join(QLatin1Char('\t'));
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines;
}

struct CliRun {
    int status = -1;
    QString out, err;
};

// The program itself, in the locale the window's tests pin.
CliRun kelvadi(QStringList args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("TK_BIN_DIR", QStringLiteral(TK_BIN_DIR_DEFAULT)) + QStringLiteral("/Kelvadi"), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList outputLines(const CliRun& r)
{
    QStringList lines = r.out.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

struct Window {
    Window()
        : window(&prompter, nullptr, {QDate(2024, 5, 10)}),
          balance(window.sql(), window.prompter(), [this] {
              auto s = std::make_unique<test::ManualShot>();
              shot = s.get();
              return s;
          }(), &window),
          noBalance(window.sql(), window.prompter(), &window), memo(&window)
    {
        window.setBalanceDialogs(&balance, &noBalance, &memo);
    }
    ~Window() { EXPECT_TRUE(prompter.allAnswered()); }

    test::ScriptedPrompter prompter;
    TFormMain window;
    test::ManualShot* shot = nullptr;
    TFormBalance balance;
    TFormNoBalance noBalance;
    TFormMemo memo;
};

} // namespace

TEST(ReportsWindow, CommandLineWritesTheGridsTheWindowShows)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.copyFixtures(QStringLiteral("small"));
    Window w;
    part<QDateEdit>(w.window, "DTP1")->setDate(QDate(2023, 1, 1));
    part<QDateEdit>(w.window, "DTP2")->setDate(QDate(2024, 1, 1));
    part<QSpinBox>(w.window, "SpinYear")->setValue(2023);
    part<QCheckBox>(w.window, "Check_T2")->setChecked(true);
    part<QCheckBox>(w.window, "Check_Y3")->setChecked(true);
    const QStringList period{QStringLiteral("--dir"), wd.path(), QStringLiteral("--from"), QStringLiteral("2023-01-01"),
                             QStringLiteral("--to"), QStringLiteral("2024-01-01"), QStringLiteral("--out"), QStringLiteral("-")};

    EXPECT_FALSE(w.window.action("ActionCountExcel")->isEnabled());
    w.window.action("ActionCount")->trigger();
    const QStringList readings = shownLines(part<QTableView>(w.window, "StringCount"));
    EXPECT_GT(readings.size(), 10);
    EXPECT_TRUE(part<QWidget>(w.window, "Gauge1")->isHidden());
    CliRun r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("readings")} + period);
    EXPECT_EQ(0, r.status) << r.err.toStdString();
    EXPECT_EQ(readings, outputLines(r));

    w.window.action("ActionCalc")->trigger();
    const QStringList calc = shownLines(part<QTableView>(w.window, "StringCalc"));
    EXPECT_GT(calc.size(), 10);
    r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("consumption"), QStringLiteral("--set"), QStringLiteral("Check_T2=1")} + period);
    EXPECT_EQ(0, r.status) << r.err.toStdString();
    EXPECT_EQ(calc, outputLines(r));

    w.window.action("ActionCountYear")->trigger();
    const QStringList year = shownLines(part<QTableView>(w.window, "StringYear"));
    EXPECT_GT(year.size(), 3);
    r = kelvadi({QStringLiteral("--report"), QStringLiteral("yearly"), QStringLiteral("--dir"), wd.path(), QStringLiteral("--year"),
                 QStringLiteral("2023"), QStringLiteral("--set"), QStringLiteral("Check_Y3=1"), QStringLiteral("--out"), QStringLiteral("-")});
    EXPECT_EQ(0, r.status) << r.err.toStdString();
    EXPECT_EQ(year, outputLines(r));

    auto* groups = part<QTableView>(w.window, "ListBalance");
    ASSERT_EQ(3, groups->model()->rowCount());
    EXPECT_FALSE(w.window.action("ActionCountBalance")->isEnabled());
    groups->selectAll();
    ASSERT_TRUE(w.window.action("ActionCountBalance")->isEnabled());
    w.window.action("ActionCountBalance")->trigger();
    const QStringList balance = shownLines(part<QTableView>(w.window, "CountBalanceList"));
    r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("balance")} + period);
    EXPECT_EQ(0, r.status) << r.err.toStdString();
    EXPECT_EQ(balance, outputLines(r));
    EXPECT_TRUE(balance.join(QLatin1Char('\n')).contains(QStringLiteral("\t-")))
        << "the fixture's groups give a balance: " << balance.join(QLatin1Char('\n')).toStdString();

    // A spreadsheet with the title in A1 and a csv with a BOM; wrong arguments exit with 2.
    const QString sheet = wd.path() + QStringLiteral("/calc.xlsx");
    r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("consumption"), QStringLiteral("--set"), QStringLiteral("Check_T2=1")}
                + period.mid(0, 6) + QStringList{QStringLiteral("--out"), sheet});
    ASSERT_EQ(0, r.status) << r.err.toStdString();
    const QJsonArray rows = test::readSheet(sheet);
    ASSERT_EQ(calc.size() + 1, rows.size());
    EXPECT_EQ(test::text(QStringLiteral("Расчёт с 01.01.23 по 01.01.24")), rows[0].toArray()[0]);
    const QString csv = wd.path() + QStringLiteral("/out.csv");
    r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("out-of-balance")} + period.mid(0, 2)
                + QStringList{QStringLiteral("--out"), csv});
    ASSERT_EQ(0, r.status) << r.err.toStdString();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("\xEF\xBB\xBF" "ТЕЛВ (1т);ТЕЛВ (3т);ВАКЛ-4;ВАКЛ-ДР;ВАКЛ-ПДР\r\n"));
    for (const QStringList& bad : {QStringList{QStringLiteral("--report"), QStringLiteral("nonsense"), QStringLiteral("--out"), QStringLiteral("-")},
                                   QStringList{QStringLiteral("--report"), QStringLiteral("readings"), QStringLiteral("--set"),
                                               QStringLiteral("SpinDay=32"), QStringLiteral("--out"), QStringLiteral("-")},
                                   QStringList{QStringLiteral("--report"), QStringLiteral("readings"), QStringLiteral("--out"), QStringLiteral("x.txt")}}) {
        r = kelvadi(bad);
        EXPECT_EQ(2, r.status) << bad.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(r.err.isEmpty());
    }
    // A missing table is named and ends the run with status 1.
    ASSERT_TRUE(QFile::remove(wd.path() + QStringLiteral("/Vakl4.dbf")));
    r = kelvadi(QStringList{QStringLiteral("--report"), QStringLiteral("readings")} + period);
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains(QStringLiteral("vakl4"), Qt::CaseInsensitive)) << r.err.toStdString();
}

TEST(ReportsWindow, GroupDialogLoadsHalfASecondAfterTheLastChangeAndNamesSharedSubMeters)
{
    test::ConfigHome home;
    test::WorkDir wd;
    wd.createTables();
    {
        store::LocalSql sql(wd.path());
        writeGroup(sql, 1, 1, 2, {QStringList{}, QStringList{"10", "11"}, {}, {}, {}});
        writeGroup(sql, 2, 3, 1, {QStringList{}, QStringList{"12"}, {}, {}, {}});
        sql.execute({QStringLiteral("INSERT INTO Route(pers,street,house,number,ctype,subscriber,route) VALUES(5,'А','1',40,1,'','Р')")});
    }
    Window w;
    auto* groups = part<QTableView>(w.window, "ListBalance");
    ASSERT_EQ(2, groups->model()->rowCount());
    groups->selectRow(0);
    auto* boxes = w.balance.SubMeters;
    // Screen readers name each sub-meter box by its meter type, in both group dialogs.
    const QStringList typeNames{"ТЕЛВ (1т)", "ТЕЛВ (3т)", "ВАКЛ-4", "ВАКЛ-ДР", "ВАКЛ-ПДР"};
    for (int c = 0; c < typeNames.size(); ++c) {
        EXPECT_EQ(typeNames[c], boxes->boxes[size_t(c)]->accessibleName());
        EXPECT_EQ(typeNames[c], w.noBalance.SubMeters->boxes[size_t(c)]->accessibleName());
    }

    bool ran = false;
    QTimer::singleShot(0, &w.balance, [&] {
        ran = true;
        EXPECT_EQ(QStringLiteral("000001"), w.balance.EditNumber->text());
        EXPECT_EQ(1, w.balance.ComboType->currentIndex());
        EXPECT_TRUE(w.balance.BtnWrite->isEnabled());
        w.shot->advance(499);
        EXPECT_TRUE(boxes->boxes[1]->toPlainText().isEmpty()) << "not loaded before 500 ms";
        w.shot->advance(1);
        EXPECT_EQ(QStringLiteral("10\n11"), boxes->boxes[1]->toPlainText());
        EXPECT_EQ(QStringLiteral("2"), boxes->counts[1]->text());
        EXPECT_EQ(QStringLiteral("2"), w.balance.EditKent->text());

        // A line that is not a meter number: refused, named, nothing written.
        boxes->boxes[0]->setPlainText(QStringLiteral("12\n\nx7"));
        w.prompter.expectErrorStartingWith(QStringLiteral("Счётчики баланса"), QStringLiteral("ТЕЛВ (1т), строка 3: \"x7\""));
        w.balance.BtnWrite->click();
        EXPECT_TRUE(w.balance.BtnWrite->isEnabled());
        EXPECT_TRUE(w.balance.Gauge->isHidden());

        // Sub-meter 12 of type ТЕЛВ-2 also belongs to group 2: the text window says so, the groups
        // in table order (group 1 was just rewritten, so its rows come last).
        boxes->boxes[0]->setPlainText(QStringLiteral("7"));
        boxes->boxes[1]->setPlainText(QStringLiteral("10\n12"));
        bool memoShown = false;
        QTimer::singleShot(0, &w.memo, [&] {
            memoShown = true;
            EXPECT_EQ(QStringLiteral("Счетчики в нескольких балансах"), w.memo.windowTitle());
            EXPECT_EQ(QStringLiteral("№12 ТЕЛВ-2 в балансе для\n  2 ВАКЛ-ДР\n  1 ТЕЛВ-2"), w.memo.Memo1->toPlainText());
            w.memo.accept();
        });
        w.balance.BtnWrite->click();
        EXPECT_TRUE(memoShown);
        w.balance.accept();
    });
    w.window.action("ActionBalance")->trigger();
    EXPECT_TRUE(ran);
    const GroupContent g = loadGroup(w.window.sql(), 1, 1);
    EXPECT_EQ(QStringList{"7"}, g.subMeters[0]);
    EXPECT_EQ((QStringList{"10", "12"}), g.subMeters[1]);

    ran = false;
    QTimer::singleShot(0, &w.noBalance, [&] {
        ran = true;
        EXPECT_EQ(QStringLiteral("40"), w.noBalance.SubMeters->boxes[1]->toPlainText());
        EXPECT_EQ(QStringLiteral("1"), w.noBalance.SubMeters->counts[1]->text());
        EXPECT_EQ(QStringLiteral("0"), w.noBalance.SubMeters->counts[0]->text());
        w.noBalance.accept();
    });
    w.window.action("ActionNoBalance")->trigger();
    EXPECT_TRUE(ran);
}

TEST(ReportsWindow, ExportsCarryEachReportsTitleAboveItsGrid)
{
    test::ConfigHome home;
    test::ExportPlace place;
    test::WorkDir wd;
    wd.copyFixtures(QStringLiteral("small"));
    Window w;
    part<QDateEdit>(w.window, "DTP1")->setDate(QDate(2023, 1, 1));
    part<QDateEdit>(w.window, "DTP2")->setDate(QDate(2024, 1, 1));
    part<QComboBox>(w.window, "ComboStreet")->setEditText(QStringLiteral("Д'АРКА"));
    part<QSpinBox>(w.window, "SpinYear")->setValue(2023);

    w.window.action("ActionCount")->trigger();
    ASSERT_TRUE(w.window.action("ActionCountExcel")->isEnabled());
    w.window.action("ActionCountExcel")->trigger();
    w.window.action("ActionCountYear")->trigger();
    w.window.action("ActionYearExcel")->trigger();
    auto* groups = part<QTableView>(w.window, "ListBalance");
    groups->selectionModel()->select(groups->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    groups->selectionModel()->select(groups->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.window.action("ActionCountBalance")->trigger();
    ASSERT_TRUE(w.window.action("ActionBalanceExcel")->isEnabled());
    w.window.action("ActionBalanceExcel")->trigger();

    const QStringList opened = place.opened(3);
    ASSERT_EQ(3, opened.size());
    const struct {
        const char16_t* title;
        const char* grid;
    } expected[] = {{u"Показания с 01.01.23 по 01.01.24 (Улица Д'АРКА)", "StringCount"},
                    {u"2023 год. На расчетный день. (Улица Д'АРКА)", "StringYear"},
                    {u"Баланс для счётчиков 284554 609440", "CountBalanceList"}};
    for (int i = 0; i < 3; ++i) {
        const QJsonArray rows = test::readSheet(opened[i]);
        const QAbstractItemModel* shown = part<QTableView>(w.window, expected[i].grid)->model();
        EXPECT_EQ(test::text(QString::fromUtf16(expected[i].title)), rows[0].toArray()[0]) << i;
        EXPECT_EQ(shown->rowCount() + 2, rows.size()) << "title, captions, then every row shown: " << i;
        EXPECT_EQ(test::text(shown->headerData(0, Qt::Horizontal).toString()), rows[1].toArray()[0]) << i;
    }
}
