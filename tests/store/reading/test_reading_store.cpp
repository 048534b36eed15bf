// Writing reader-data grids into copies of the fixture tables, erasing up to a date, and the
// read-only views of the tables.
#include "ReadingTestSupport.h"

#include "common/Error.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingTables.h"
#include "store/reading/ReadingViews.h"
#include "ScriptedPrompter.h"
#include "store/dbf/TableModel.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tk;
using namespace tk::store;
using tk::test::gridOf;
using tk::test::rowsOf;
using tk::test::Scratch;
using tk::test::ScriptedPrompter;
using tk::test::telv2Cells;

namespace {

[[maybe_unused]] ::testing::Environment* const locale = ::testing::AddGlobalTestEnvironment(new tk::test::RussianLocale);

const QString kCaption = QStringLiteral("Запись данных");
const QString kFailed = QStringLiteral("Данные не записаны. Ошибка: ");

Params byNumber(qint64 n)
{
    Params p;
    p.integer(QStringLiteral("n"), n);
    return p;
}

class WriteGrid : public ::testing::Test {
protected:
    WriteSummary write(Family f, const TextGrid& g) { return store.write(f, g, prompter); }
    Rows telv2(qint64 number) { return rowsOf(work.path(), "telv2", "number = :n ORDER BY date_meas", byNumber(number)); }
    void TearDown() override { EXPECT_TRUE(prompter.allAnswered()); }

    Scratch work;
    ReadingStore store{work.path()};
    ScriptedPrompter prompter;
};

TEST_F(WriteGrid, NewReadingsAreInsertedWithEveryCellConvertedAndASecondWriteChangesNothing)
{
    QStringList full = telv2Cells("000042", "10.01.2025", "09:30");
    QStringList noAccount = telv2Cells("000043", "10.01.2025", "09:31");
    noAccount[0] = "";
    noAccount[1] = "";
    noAccount[2] = "";
    QStringList big = telv2Cells("999999", "11.01.2025", "23:59");
    big[0] = "9999999999";
    big[6] = "255";
    big[7] = "16777215";
    big[14] = "139810:07";
    big[15] = "255";
    big[16] = "-128";
    const TextGrid g = gridOf(tk::test::threeTariffTitles(), {full, noAccount, big});

    const WriteSummary first = write(Family::Telv2, g);
    EXPECT_EQ(3, first.inserted);
    EXPECT_EQ(0, first.failed);
    EXPECT_EQ(63, rowsOf(work.path(), "telv2").size()) << "60 rows of the fixture and three new ones";

    const Rows r = telv2(42);
    ASSERT_EQ(1, r.size());
    const QVariantList expected{123LL, "ЛЕНИНА", "12А", 42LL, QDate(2025, 1, 10), "09:30", 4LL, 100LL, 200LL, 300LL,
                                90LL, 190LL, 290LL, 17LL, 74045LL, 2LL, -5LL};
    for (int c = 0; c < expected.size(); ++c)
        EXPECT_EQ(expected[c], r.value(0, c)) << r.columns[c].toStdString();

    const Rows blank = telv2(43);
    ASSERT_EQ(1, blank.size());
    EXPECT_TRUE(blank.value(0, "pers").isNull()) << "an empty account is stored blank";
    EXPECT_EQ("", blank.value(0, "street").toString().toStdString());

    const Rows edge = rowsOf(work.path(), "telv2", "number = 999999 AND date_meas = '2025-01-11'");
    ASSERT_EQ(1, edge.size());
    EXPECT_EQ(9999999999LL, edge.value(0, "pers"));
    EXPECT_EQ(16777215LL, edge.value(0, "meas_1"));
    EXPECT_EQ(8388607LL, edge.value(0, "work_time"));
    EXPECT_EQ(-128LL, edge.value(0, "delta"));

    const QByteArray before = tk::test::readAll(work.file("Telv2.dbf"));
    const WriteSummary second = write(Family::Telv2, g);
    EXPECT_EQ(3, second.kept) << "equal times are not later";
    EXPECT_EQ(before, tk::test::readAll(work.file("Telv2.dbf")));
}

TEST_F(WriteGrid, AStoredReadingOfTheSameDayIsReplacedOnlyByAStrictlyLaterTime)
{
    // Fixture record 0: meter 102471 read on 20.11.2022 at 09:41.
    struct Case {
        const char* time;
        bool replaced;
    };
    for (const Case c : {Case{"09:40", false}, Case{"09:41", false}, Case{"09:42", true}}) {
        SCOPED_TRACE(c.time);
        Scratch fresh;
        ReadingStore s(fresh.path());
        QStringList cells = telv2Cells("102471", "20.11.2022", c.time);
        cells[0] = "77";
        cells[1] = "Зелёная";
        cells[2] = "5а";
        const QByteArray before = tk::test::readAll(fresh.file("Telv2.dbf"));
        const WriteSummary w = s.write(Family::Telv2, gridOf(tk::test::threeTariffTitles(), {cells}), prompter);
        EXPECT_EQ(c.replaced ? 1 : 0, w.replaced);
        const Rows r = rowsOf(fresh.path(), "telv2", "number = 102471 AND date_meas = '2022-11-20'");
        ASSERT_EQ(1, r.size()) << "still one reading of that meter and day";
        if (!c.replaced) {
            EXPECT_EQ(before, tk::test::readAll(fresh.file("Telv2.dbf")));
            continue;
        }
        const QVariantList expected{77LL, "Зелёная", "5а", 102471LL, QDate(2022, 11, 20), "09:42", 4LL, 100LL, 200LL,
                                    300LL, 90LL, 190LL, 290LL, 17LL, 74045LL, 2LL, -5LL};
        for (int col = 0; col < expected.size(); ++col)
            EXPECT_EQ(expected[col], r.value(0, col)) << r.columns[col].toStdString();
        EXPECT_EQ(60, rowsOf(fresh.path(), "telv2").size());
    }
}

TEST_F(WriteGrid, TwoRecordsOfOneMeterAndDayKeepTheLaterTime)
{
    struct Case {
        const char *first, *second, *stored;
        qint64 register1; // the first record carries 1, the second 2
    };
    for (const Case c : {Case{"08:00", "09:00", "09:00", 2}, Case{"09:00", "08:00", "09:00", 1},
                         Case{"09:00", "09:00", "09:00", 1}}) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        Scratch fresh;
        ReadingStore s(fresh.path());
        QStringList a = telv2Cells("000555", "01.02.2025", c.first);
        QStringList b = telv2Cells("555", "01.02.2025", c.second);
        a[7] = "1";
        b[7] = "2";
        s.write(Family::Telv2, gridOf(tk::test::threeTariffTitles(), {a, b}), prompter);
        const Rows r = rowsOf(fresh.path(), "telv2", "number = 555");
        ASSERT_EQ(1, r.size());
        EXPECT_EQ(c.stored, r.value(0, "time_meas").toString().toStdString());
        EXPECT_EQ(c.register1, r.value(0, "meas_1").toLongLong());
    }
}

TEST_F(WriteGrid, ARowThatDoesNotConvertIsReportedAndTheOthersAreWritten)
{
    // Each bad record fails alone, with the cell that is wrong; the good ones around it are written.
    struct Bad {
        int column;
        const char* text;
        const char* reason;
    };
    const Bad bad[] = {
        {4, "", "«дата»: «» — не дата (формат dd.MM.yyyy)"},
        {3, "12a", "«счетчик»: «12a» — не целое число"},
        {6, "", "«статус»: «» — не целое число"},
        {8, "1,5", "«2 тариф»: «1,5» — не целое число"},
        {14, "12345", "«нараб.»: «12345» — не время работы вида Ч:ММ"},
        {16, "", "«разница»: «» — не целое число"},
    };
    std::vector<QStringList> records{telv2Cells("000100", "01.03.2025", "10:00")};
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        QStringList cells = telv2Cells(QString::number(200 + i), "01.03.2025", "10:00");
        cells[bad[i].column] = QString::fromUtf8(bad[i].text);
        records.push_back(cells);
        prompter.expectError(kCaption, kFailed + QStringLiteral("строка %1, ").arg(i + 2) + QString::fromUtf8(bad[i].reason));
    }
    records.push_back(telv2Cells("000101", "01.03.2025", "10:00"));
    const WriteSummary w = write(Family::Telv2, gridOf(tk::test::threeTariffTitles(), records));
    EXPECT_EQ(2, w.inserted);
    EXPECT_EQ(int(std::size(bad)), w.failed);
    EXPECT_EQ(62, rowsOf(work.path(), "telv2").size());
    EXPECT_EQ(1, telv2(100).size());
    EXPECT_EQ(1, telv2(101).size());
}

TEST_F(WriteGrid, AStoredTimeThatIsNoTimeFailsItsRow)
{
    store.sql().execute({"UPDATE telv2 SET time_meas = 'xx:yy' WHERE number = 102471 AND date_meas = '2022-11-20'"});
    prompter.expectError(kCaption, kFailed + "в Telv2.dbf у счетчика 102471 за 20.11.2022 записано время «xx:yy» — не время суток");
    const WriteSummary w = write(Family::Telv2, gridOf(tk::test::threeTariffTitles(),
                                                       {telv2Cells("102471", "20.11.2022", "23:00")}));
    EXPECT_EQ(1, w.failed);
}

TEST_F(WriteGrid, SingleRegisterReadingsStoreBlankStatusAndTheirDecimalReading)
{
    // The file is Telv1.DBF; the store names it Telv1.DBF too, but any letter case is found.
    QFile::rename(work.file("Telv1.DBF"), work.file("telv1.dbf"));
    const QStringList reading{"", "", "", "000007", "05.05.2025", "12:00", "", "530000,125", "Центр"};
    QStringList withStatus = reading;
    withStatus[3] = "000008";
    withStatus[6] = "3";
    QStringList badReading = reading;
    badReading[3] = "000009";
    badReading[7] = "530000.125";
    prompter.expectError(kCaption, kFailed + "строка 3, «показания»: «530000.125» — не число (десятичный разделитель «,»)");
    const WriteSummary w = store.write(
        Family::Telv1, gridOf(tk::test::singleRegisterTitles(), {reading, withStatus, badReading}), prompter);
    EXPECT_EQ(2, w.inserted);
    const Rows r = rowsOf(work.path(), "telv1", "number = 7");
    ASSERT_EQ(1, r.size());
    EXPECT_TRUE(r.value(0, "status").isNull());
    EXPECT_TRUE(r.value(0, "pers").isNull());
    EXPECT_DOUBLE_EQ(530000.125, r.value(0, "meas_1").toDouble());
    EXPECT_EQ(8, r.columns.size());
    EXPECT_EQ(3LL, rowsOf(work.path(), "telv1", "number = 8").value(0, "status"));
}

TEST_F(WriteGrid, AMissingTableIsReportedForEveryRowByItsFileName)
{
    QFile::remove(work.file("VaklDr.dbf"));
    const QString why = kFailed + "нет файла VaklDr.dbf в папке " + QDir::toNativeSeparators(QDir(work.path()).absolutePath());
    prompter.expectError(kCaption, why);
    prompter.expectError(kCaption, why);
    int progress = 0;
    const WriteSummary w = store.write(Family::VaklDr,
                                       gridOf(tk::test::threeTariffTitles(), {telv2Cells("1", "01.01.2025", "10:00"),
                                                                             telv2Cells("2", "01.01.2025", "10:00")}),
                                       prompter, [&](int row) { EXPECT_EQ(++progress, row); });
    EXPECT_EQ(2, w.failed);
    EXPECT_EQ(2, progress) << "the gauge runs over every record";
    EXPECT_FALSE(QFileInfo::exists(work.file("VaklDr.dbf"))) << "nothing is created";
}

TEST_F(WriteGrid, AnEmptyGridWritesNothing)
{
    const QByteArray before = tk::test::readAll(work.file("Vakl4.dbf"));
    const WriteSummary w = write(Family::Vakl4, TextGrid(tk::test::threeTariffTitles()));
    EXPECT_EQ(0, w.inserted + w.replaced + w.kept + w.failed);
    EXPECT_EQ(before, tk::test::readAll(work.file("Vakl4.dbf")));
}

// ---- erase

TEST(EraseTable, RemovesEveryReadingOnOrBeforeTheDateAndPacksTheFile)
{
    for (const QString& folder : {QStringLiteral("small"), QStringLiteral("odd/deleted")}) {
        SCOPED_TRACE(folder.toStdString());
        Scratch work(folder, {"Telv2.dbf"});
        const int total = rowsOf(work.path(), "telv2").size();
        const int after = rowsOf(work.path(), "telv2", "date_meas > '2023-12-31'").size();
        ASSERT_GT(after, 0);
        ASSERT_LT(after, total);
        ReadingStore store(work.path());
        EXPECT_EQ(total - after, store.erase(Family::Telv2, QDate(2023, 12, 31)));

        EXPECT_EQ(after, rowsOf(work.path(), "telv2").size());
        EXPECT_EQ(0, rowsOf(work.path(), "telv2", "date_meas <= '2023-12-31'").size());
        dbf::TableModel view;
        view.open(work.file("Telv2.dbf"));
        EXPECT_EQ(std::uint32_t(after), view.schema().recordCount) << "packed: no deleted records are left";
    }
}

TEST(EraseTable, AMissingTableIsAnErrorNamingTheFile)
{
    Scratch work("small", {"Telv2.dbf"});
    ReadingStore store(work.path());
    try {
        store.erase(Family::Vakl4, QDate(2023, 12, 31));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("нет файла Vakl4.dbf в папке")) << e.message().toStdString();
    }
}

// ---- the views

TEST(ReadingViewsTest, OpenEveryTableUnderTheGridTitlesAndCountItsRows)
{
    Scratch work;
    QFile::rename(work.file("VaklPdr.dbf"), work.file("VAKLPDR.DBF"));
    QFile::remove(work.file("Vakl4.dbf"));
    ReadingViews views(work.path());
    const std::pair<Family, std::optional<int>> counts[] = {
        {Family::Telv1, 36}, {Family::Telv2, 60}, {Family::Vakl4, std::nullopt}, {Family::VaklDr, 18}, {Family::VaklPdr, 18}};
    for (const auto& [f, n] : counts) {
        EXPECT_EQ(n.has_value(), views.open(f)) << familyName(f).toStdString();
        EXPECT_EQ(n, views.rowCount(f)) << familyName(f).toStdString();
    }
    EXPECT_TRUE(views.failure(Family::Vakl4).startsWith("нет файла Vakl4.dbf")) << views.failure(Family::Vakl4).toStdString();
    EXPECT_EQ(0, views.model(Family::Vakl4)->rowCount());

    auto titles = [&](Family f) {
        QStringList out;
        const QAbstractItemModel* m = views.model(f);
        for (int c = 0; c < m->columnCount(); ++c)
            out << m->headerData(c, Qt::Horizontal).toString();
        return out.join('|').toStdString();
    };
    EXPECT_EQ("Лиц.счет|Улица|Дом|Счетчик|Дата|Время|Статус|Показания", titles(Family::Telv1));
    EXPECT_EQ("Лиц.счет|Улица|Дом|Счетчик|Дата|Время|Статус|1 тариф|2 тариф|3 тариф|1 тар.на расч.|2 тар.на расч.|"
              "3 тар.на расч.|Контр. сумма|Нараб.|Коррекции|Разница",
              titles(Family::Telv2));
    const TitledTableModel* t1 = views.model(Family::Telv1);
    const TitledTableModel* t2 = views.model(Family::Telv2);
    EXPECT_EQ(std::vector<int>({0, 0, 40, 50, 0, 0, 0, 0}), [&] {
        std::vector<int> w;
        for (int c = 0; c < t1->columnCount(); ++c)
            w.push_back(t1->widthOf(c));
        return w;
    }());
    EXPECT_EQ(45, t2->widthOf(t2->columnOf("STATUS")));
    // The first record of the fixture, as the grid shows it.
    EXPECT_EQ("102471", t2->index(0, 3).data().toString().toStdString());
    EXPECT_EQ("20.11.2022", t2->index(0, 4).data().toString().toStdString());

    views.close(Family::Telv2);
    EXPECT_EQ(std::nullopt, views.rowCount(Family::Telv2));
    EXPECT_EQ(0, t2->rowCount()) << "a closed view shows nothing";
}

} // namespace
