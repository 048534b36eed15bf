// The main window over a working directory of tables: start-up upgrade and views, the local-table
// grids, writing and erasing through the window, emptying a reader-data grid and the Delete key.
#include "WindowParts.h"
#include "ExportTestSupport.h"
#include "ManagerTestSupport.h"
#include "ScriptedPrompter.h"

#include "store/dbf/DbfFile.h"
#include "reader/Engine.h"
#include "common/Families.h"
#include "manager/PanelStatusBar.h"
#include "store/reading/ReadingViews.h"
#include "manager/TFormDelDate.h"
#include "reader/TFormStatus.h"
#include "manager/TFormVorm.h"

#include <QAction>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QComboBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using tk::Family;
using tk::manager::TFormDelDate;
using tk::manager::TFormVorm;
using tk::test::ScriptedPrompter;
using Icon = tk::Prompter::Icon;
using Buttons = tk::Prompter::Buttons;
using Answer = tk::Prompter::Answer;

namespace {

std::string str(const QString& s)
{
    return s.toStdString();
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << str(path);
    return f.readAll();
}

void copyFixtures(const QString& folder, const QString& to)
{
    const QDir src(QStringLiteral(TK_FIXTURES_DEFAULT "/dbf/") + folder);
    for (const QString& name : src.entryList(QDir::Files)) {
        QFile out(to + QLatin1Char('/') + name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytesOf(src.filePath(name)));
    }
}

int persWidth(const QString& path)
{
    tk::dbf::DbfFile f;
    f.open(path, tk::dbf::DbfFile::Access::ReadOnly);
    return f.schema().fields.at(0).width;
}

QStringList telv2Cells(const QString& number, const QString& date, const QString& time)
{
    return {"123", "ЛЕНИНА", "12А", number, date, time, "4", "100", "200", "300", "90", "190", "290", "17",
            "1234:05", "2", "-5", "Центр"};
}

class FormVormStore : public ::testing::Test {
protected:
    // The window is made in a working directory holding a copy of the fixture folder.
    void start(const QString& folder = QStringLiteral("small"), const QStringList& remove = {})
    {
        if (!folder.isEmpty())
            copyFixtures(folder, work_.path());
        for (const QString& name : remove)
            QFile::remove(work_.file(name));
        window_ = std::make_unique<TFormVorm>(&prompter_, tk::manager::StartupOptions{{QStringLiteral("Vormer_2005")}, {}, {}});
        delDate_ = std::make_unique<TFormDelDate>(window_.get(), QDate(2025, 3, 14));
        window_->setDeleteDateDialog(delDate_.get());
    }
    void TearDown() override
    {
        delDate_.reset();
        window_.reset();
        EXPECT_TRUE(prompter_.allAnswered());
    }

    tk::TextGrid& grid(Family f) { return window_->engine().familyGrid(int(f)); }
    QAction* action(const char* name) const { return window_->action(QString::fromLatin1(name)); }
    QString panel(Family f, int i) const { return tk::test::familyStatusBarOf(*window_, int(size_t(f)))->panelText(i); }
    // The dialog answers when the erase shows it.
    void chooseDate(const QDate& d)
    {
        QTimer::singleShot(0, delDate_.get(), [this, d] {
            delDate_->setDate(d);
            delDate_->BtnOk->click();
        });
    }

    tk::test::ConfigHome home_;
    tk::test::WorkDir work_;
    ScriptedPrompter prompter_;
    std::unique_ptr<TFormVorm> window_;
    std::unique_ptr<TFormDelDate> delDate_;
};

TEST_F(FormVormStore, StartUpWidensOldAccountsAndShowsEveryTableWithItsCount)
{
    start(QStringLiteral("old"));
    for (const char* t : {"Route.dbf", "Telv1.DBF", "Telv2.dbf", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"})
        EXPECT_EQ(10, persWidth(work_.file(t))) << t;
    const std::pair<Family, int> counts[] = {
        {Family::Telv1, 12}, {Family::Telv2, 24}, {Family::Vakl4, 12}, {Family::VaklDr, 6}, {Family::VaklPdr, 6}};
    for (const auto& [f, n] : counts) {
        EXPECT_EQ(str(QString::number(n)), str(panel(f, 1))) << int(f);
        EXPECT_EQ(n, tk::test::tableGridOf(*window_, int(size_t(f)))->model()->rowCount()) << int(f);
    }

    QTableView* telv1 = tk::test::tableGridOf(*window_, int(0));
    QTableView* vakl = tk::test::tableGridOf(*window_, int(2));
    EXPECT_EQ("Лиц.счет", str(telv1->model()->headerData(0, Qt::Horizontal).toString()));
    EXPECT_EQ("Показания", str(telv1->model()->headerData(7, Qt::Horizontal).toString()));
    EXPECT_EQ("Разница", str(vakl->model()->headerData(16, Qt::Horizontal).toString()));
    const int standard = vakl->horizontalHeader()->defaultSectionSize();
    EXPECT_EQ(std::vector<int>({standard, 40, 50, 45}), std::vector<int>({vakl->columnWidth(1), vakl->columnWidth(2),
                                                                          vakl->columnWidth(3), vakl->columnWidth(6)}));
    EXPECT_EQ(standard, telv1->columnWidth(6)) << "the ТЕЛВ-1 status keeps the default width";
    EXPECT_EQ(QAbstractItemView::NoEditTriggers, telv1->editTriggers());

    window_->close();
    for (Family f : {Family::Telv1, Family::Telv2, Family::Vakl4, Family::VaklDr, Family::VaklPdr})
        EXPECT_FALSE(window_->readingViews().isOpen(f)) << "closing the window closes the tables";
}

TEST_F(FormVormStore, AMissingTableLeavesItsViewEmptyAndTheStartGoesOn)
{
    start(QStringLiteral("small"), {"Route.dbf", "Vakl4.dbf"});
    EXPECT_EQ("", str(panel(Family::Vakl4, 1)));
    EXPECT_TRUE(tk::test::familyStatusBarOf(*window_, int(2))->panelToolTip(1).startsWith("нет файла Vakl4.dbf"));
    EXPECT_EQ(0, tk::test::tableGridOf(*window_, int(2))->model()->rowCount());
    EXPECT_EQ("60", str(panel(Family::Telv2, 1)));
    EXPECT_EQ(tk::familyInfo(tk::Family::Telv1).tab, tk::test::part<QTabWidget>(*window_, "PageControl1")->currentIndex());
}

TEST_F(FormVormStore, WriteRunsTheGaugeOverTheRecordsAndShowsTheNewCount)
{
    start();
    grid(Family::Telv2).appendRecord(telv2Cells("000042", "10.01.2025", "09:30"));
    QStringList bad = telv2Cells("000043", "", "09:30");
    grid(Family::Telv2).appendRecord(bad);
    grid(Family::Telv2).appendRecord(telv2Cells("000044", "10.01.2025", "09:30"));
    window_->EnableExchangeActions();
    ASSERT_TRUE(action("ActionWrite_2")->isEnabled());

    int gaugeMaximum = -1;
    QList<int> positions;
    QObject::connect(tk::test::part<QProgressBar>(*window_, "Gauge1"), &QProgressBar::valueChanged, [&](int v) {
        positions << v;
        gaugeMaximum = tk::test::part<QProgressBar>(*window_, "Gauge1")->maximum();
    });
    prompter_.expectError("Запись данных", "Данные не записаны. Ошибка: строка 2, «дата»: «» — не дата (формат dd.MM.yyyy)");
    action("ActionWrite_2")->trigger();

    EXPECT_EQ(tk::familyInfo(tk::Family::Telv2).tab, tk::test::part<QTabWidget>(*window_, "PageControl1")->currentIndex());
    EXPECT_EQ("62", str(panel(Family::Telv2, 1)));
    EXPECT_EQ(62, tk::test::tableGridOf(*window_, int(1))->model()->rowCount()) << "the view is open again and shows the new rows";
    EXPECT_EQ(QList<int>({1, 2, 3, 0}), positions);
    EXPECT_EQ(3, gaugeMaximum);
    EXPECT_EQ(5, grid(Family::Telv2).rowCount()) << "written rows stay in the reader-data grid";
    EXPECT_NE(Qt::WaitCursor, window_->cursor().shape()) << "the hourglass is gone";
    EXPECT_NE(Qt::WaitCursor, tk::test::tableGridOf(*window_, int(1))->cursor().shape());
}

TEST_F(FormVormStore, EraseAsksForTheDateAndTheConfirmationThenPacksAndReopens)
{
    start();
    const QByteArray before = bytesOf(work_.file("Telv2.dbf"));
    EXPECT_EQ(QDate(2024, 12, 31), delDate_->date());

    chooseDate(QDate(2023, 12, 31));
    prompter_.expect("Удаление данных", "Данные из таблицы \"Telv2\" будут удалены !", Icon::Warning, Buttons::OkCancel,
                     Answer::Cancel);
    action("ActionErase_2")->trigger();
    EXPECT_EQ(before, bytesOf(work_.file("Telv2.dbf"))) << "cancelled: nothing changes";
    EXPECT_EQ("60", str(panel(Family::Telv2, 1)));
    EXPECT_EQ(QDate(2023, 12, 31), delDate_->date()) << "the dialog keeps the last date";

    prompter_.expect("Удаление данных", "Данные из таблицы \"Telv2\" будут удалены !", Icon::Warning, Buttons::OkCancel,
                     Answer::Ok);
    QTimer::singleShot(0, delDate_.get(), [this] { delDate_->BtnOk->click(); });
    action("ActionErase_2")->trigger();
    const QAbstractItemModel* shown = tk::test::tableGridOf(*window_, int(1))->model();
    ASSERT_GT(shown->rowCount(), 0);
    EXPECT_EQ(str(QString::number(shown->rowCount())), str(panel(Family::Telv2, 1)));
    EXPECT_LT(shown->rowCount(), 60);
    for (int r = 0; r < shown->rowCount(); ++r)
        EXPECT_GT(QDate::fromString(shown->index(r, 4).data().toString(), "dd.MM.yyyy"), QDate(2023, 12, 31)) << r;
    EXPECT_LT(bytesOf(work_.file("Telv2.dbf")).size(), before.size()) << "packed";
}

TEST_F(FormVormStore, EraseOfAMissingTableReportsTheErrorAndLeavesTheOtherViews)
{
    start(QStringLiteral("small"), {"VaklPdr.dbf"});
    QTimer::singleShot(0, delDate_.get(), [this] { delDate_->reject(); }); // closed without Ok: the date counts all the same
    prompter_.expect("Удаление данных", "Данные из таблицы \"Vaklpdr\" будут удалены !", Icon::Warning, Buttons::OkCancel,
                     Answer::Ok);
    prompter_.expectErrorStartingWith("ТК4718ЕН-менеджер", "нет файла VaklPdr.dbf в папке");
    action("ActionErase_PDr")->trigger();
    EXPECT_EQ(tk::familyInfo(tk::Family::VaklPdr).tab, tk::test::part<QTabWidget>(*window_, "PageControl1")->currentIndex());
    EXPECT_EQ("18", str(panel(Family::VaklDr, 1)));
}

TEST_F(FormVormStore, EmptyingAGridDisablesItsWriteAndSpreadsheetExportAndShowsZero)
{
    const tk::test::ExportPlace spreadsheets; // spreadsheet files can be made
    start(QString());
    for (Family f : {Family::Vakl4, Family::Zkv}) {
        for (int i = 0; i < 3; ++i)
            grid(f).appendRecord(QStringList(grid(f).columnCount(), QStringLiteral("1")));
        tk::test::familyStatusBarOf(*window_, int(size_t(f)))->setPanelText(0, "3");
    }
    window_->EnableExchangeActions();
    for (const char* a : {"ActionWrite_4", "ActionExportVakl", "ActionExpVakl", "ActionDbVakl", "ActionExportZkv"})
        ASSERT_TRUE(action(a)->isEnabled()) << a;

    action("ActionClear_4")->trigger();
    EXPECT_EQ(tk::familyInfo(tk::Family::Vakl4).tab, tk::test::part<QTabWidget>(*window_, "PageControl1")->currentIndex());
    EXPECT_EQ(2, grid(Family::Vakl4).rowCount());
    EXPECT_EQ(1, tk::test::readerGridOf(*window_, int(2))->model()->rowCount()) << "the empty last row stays";
    EXPECT_EQ("0", str(panel(Family::Vakl4, 0)));
    EXPECT_FALSE(action("ActionWrite_4")->isEnabled());
    EXPECT_FALSE(action("ActionExportVakl")->isEnabled());
    EXPECT_TRUE(action("ActionExpVakl")->isEnabled()) << "text export keeps its state";
    EXPECT_TRUE(action("ActionDbVakl")->isEnabled()) << "DBMS export keeps its state";
    EXPECT_EQ(5, grid(Family::Zkv).rowCount()) << "other grids are left alone";

    // The header keeps changing while the link is up; the emptied grid's panel stays at 0.
    emit window_->engine().headerChanged();
    EXPECT_EQ("0", str(panel(Family::Vakl4, 0)));

    action("ActionClear_Zkv")->trigger();
    EXPECT_EQ(2, grid(Family::Zkv).rowCount());
    EXPECT_FALSE(action("ActionExportZkv")->isEnabled());
    EXPECT_EQ("0", str(panel(Family::Zkv, 0)));
}

TEST_F(FormVormStore, DeleteKeyRemovesTheSelectedRecordAfterTheQuestion)
{
    start(QString());
    struct Case {
        int records;      // in the grid
        int viewRow;      // the selected row of the view (grid row - 1)
        bool asked;
        Answer answer;
        QStringList left; // meter numbers left
    };
    const Case cases[] = {
        {3, 3, false, Answer::Ok, {"1", "2", "3"}},     // the trailing empty row
        {0, 0, false, Answer::Ok, {}},                  // no records
        {3, 1, true, Answer::Cancel, {"1", "2", "3"}},
        {3, 1, true, Answer::Ok, {"1", "3"}},
        {3, 2, true, Answer::Ok, {"1", "2"}},           // the last record
        {1, 0, true, Answer::Ok, {}},
    };
    QTableView* view = tk::test::readerGridOf(*window_, int(1));
    tk::test::part<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(tk::familyInfo(tk::Family::Telv2).tab);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.records << " records, row " << c.viewRow);
        grid(Family::Telv2).clear();
        for (int i = 1; i <= c.records; ++i)
            grid(Family::Telv2).appendRecord(telv2Cells(QString::number(i), "01.01.2025", "10:00"));
        tk::test::familyStatusBarOf(*window_, int(1))->setPanelText(0, QString::number(c.records));
        view->setCurrentIndex(view->model()->index(c.viewRow, 3));
        if (c.asked)
            prompter_.expect("ТЕЛВ-2", "Удалить строку из обменника?", Icon::Question, Buttons::OkCancel, c.answer);
        QTest::keyClick(view, Qt::Key_Delete);
        EXPECT_TRUE(prompter_.allAnswered());
        QStringList left;
        for (int r = 1; r <= grid(Family::Telv2).recordCount(); ++r)
            left << grid(Family::Telv2).cell(r, 3);
        EXPECT_EQ(c.left, left);
        EXPECT_EQ(c.left.size() + 2, grid(Family::Telv2).rowCount());
        EXPECT_EQ(str(QString::number(c.records)), str(panel(Family::Telv2, 0))) << "the count is not updated";
    }
}

TEST_F(FormVormStore, DoubleClickOnATableRowDecodesItsStatusWithTheFamilysModel)
{
    start();
    tk::reader::TFormStatus status(window_.get());
    window_->setStatusWindow(&status);
    tk::test::part<QTabWidget>(*window_, "PageControl1")->setCurrentIndex(tk::familyInfo(tk::Family::VaklDr).tab);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QTableView* db = tk::test::tableGridOf(*window_, int(3));
    const QAbstractItemModel* m = db->model();
    int row = 0;
    while (row < m->rowCount() && m->index(row, 6).data().toString().toInt() == 0)
        ++row;
    ASSERT_LT(row, m->rowCount()) << "a row with a status above 0";
    const int value = m->index(row, 6).data().toString().toInt();
    const QModelIndex cell = m->index(row, 2);
    db->scrollTo(cell);
    const QPoint p = db->visualRect(cell).center();
    QTest::mouseClick(db->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(db->viewport(), Qt::LeftButton, {}, p);
    EXPECT_TRUE(status.isVisible());
    EXPECT_EQ(value, status.SpinStatus->value());
    EXPECT_EQ(4, status.ComboModel->currentIndex()) << "ВАКЛ-ДР";
}

TEST(FormDelDate, CaptionControlsAndTheDateOfLastYearsEnd)
{
    TFormDelDate d(nullptr, QDate(2025, 1, 1));
    EXPECT_EQ("Удаление записей из БД", str(d.windowTitle()));
    EXPECT_EQ("По", str(d.Label1->text()));
    EXPECT_EQ("Ok", str(d.BtnOk->text()));
    EXPECT_EQ(QDate(2024, 12, 31), d.date());
    EXPECT_EQ(str(QLocale().dateFormat(QLocale::ShortFormat)), str(d.DateTimePicker1->displayFormat()));
    EXPECT_TRUE(d.DateTimePicker1->calendarPopup());
    QTimer::singleShot(0, &d, [&] { d.BtnOk->click(); });
    EXPECT_EQ(QDialog::Accepted, d.exec());
    d.show();
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed border";
}

} // namespace
