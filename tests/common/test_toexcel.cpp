// Grids to .xlsx: the file read back by an independent reader, the naming, the opener, errors.
#include "ExportTestSupport.h"

#include "common/Error.h"
#include "common/TextList.h"
#include "common/TextListModel.h"
#include "common/ToExcel.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

using namespace tk;
using namespace tk::test;

namespace {

struct PinnedLocale {
    explicit PinnedLocale(const QLocale& l) { QLocale::setDefault(l); }
    ~PinnedLocale() { QLocale::setDefault(QLocale::c()); }
};

const QLocale kRussian(QLocale::Russian, QLocale::Russia);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(ToExcel, TitleAloneInA1ThenTheGridWithNumbersWhereTheWholeTextIsOne)
{
    const PinnedLocale ru(kRussian);
    ExportPlace place;
    TextGrid grid({"Номер", "Дата", "Время", "Т1", "Т2", "Счёт"});
    grid.appendRecord({"000042", "01.02.2005", "12:30", "12,5", "12.5", "12345678901234567890"});
    grid.appendRecord({" 7 ", "", "1 234", "-0,25", "1e3", "инф"});

    const QString path = GridToExcel(grid, "05.03.2024");
    EXPECT_EQ(QStringList{path}, place.opened(1)) << "handed to the open command";
    EXPECT_TRUE(path.startsWith(place.folder() + "/05.03.2024 ")) << path.toStdString();
    EXPECT_TRUE(path.endsWith(".xlsx"));

    const QJsonArray rows = readSheet(path);
    ASSERT_EQ(4, rows.size()) << "title row, captions, two readings (the empty last row holds nothing)";
    EXPECT_EQ((QJsonArray{text("05.03.2024"), {}, {}, {}, {}, {}}), rows[0].toArray()) << "A1 alone";
    EXPECT_EQ((QJsonArray{text("Номер"), text("Дата"), text("Время"), text("Т1"), text("Т2"), text("Счёт")}),
              rows[1].toArray());
    EXPECT_EQ((QJsonArray{number(42), text("01.02.2005"), text("12:30"), number(12.5), text("12.5"),
                          text("12345678901234567890")}),
              rows[2].toArray())
        << "a number longer than a double keeps stays text";
    EXPECT_EQ((QJsonArray{number(7), {}, text("1 234"), number(-0.25), number(1000), text("инф")}), rows[3].toArray());
}

TEST(ToExcel, TheDecimalPointIsTheLocalesAndACaptionOnlyGridGivesTwoRows)
{
    const PinnedLocale en(kEnglish);
    ExportPlace place;
    StringGrid grid(1, 3);
    grid.setCell(0, 0, "12.5");
    grid.setCell(0, 1, "12,5");
    grid.setCell(0, 2, "Журнал");
    const QJsonArray rows = readSheet(GridToExcel(grid, "Журнал"));
    ASSERT_EQ(2, rows.size());
    EXPECT_EQ((QJsonArray{text("Журнал"), {}, {}}), rows[0].toArray());
    EXPECT_EQ((QJsonArray{number(12.5), text("12,5"), text("Журнал")}), rows[1].toArray());
}

TEST(ToExcel, AnExistingFileIsNeverReplaced)
{
    ExportPlace place;
    // Files already named as the next exports would be: they must survive untouched.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s < 3; ++s) {
        taken << place.folder() + "/Дневник " + now.addSecs(s).toString("yyyy-MM-dd HH-mm-ss") + ".xlsx";
        QFile f(taken.back());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    StringGrid one(1, 1), two(1, 1);
    one.setCell(0, 0, "first");
    two.setCell(0, 0, "second");
    const QString a = GridToExcel(one, "Дневник");
    const QString b = GridToExcel(two, "Дневник");
    ASSERT_NE(a, b);
    EXPECT_FALSE(taken.contains(a)) << a.toStdString();
    EXPECT_FALSE(taken.contains(b)) << b.toStdString();
    for (const QString& t : taken) {
        QFile f(t);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ("keep", f.readAll().toStdString());
    }
    EXPECT_EQ(text("first"), readSheet(a)[1].toArray()[0]);
    EXPECT_EQ(text("second"), readSheet(b)[1].toArray()[0]);
    EXPECT_EQ(5, filesIn(place.folder()).size()) << "no temporary file left";
    EXPECT_EQ(2, place.opened(2).size());
}

TEST(ToExcel, FailuresCarryTheirReasonAndLeaveNothingHalfWritten)
{
    ExportPlace place;
    StringGrid grid(2, 1);
    grid.setCell(1, 0, QString(32768, 'x'));
    EXPECT_THROW(
        {
            try {
                GridToExcel(grid, "Длинная ячейка");
            } catch (const Error& e) {
                EXPECT_TRUE(e.message().contains("32767")) << e.message().toStdString();
                throw;
            }
        },
        Error);
    EXPECT_TRUE(filesIn(place.folder()).isEmpty());

    // The folder setting names a file: nothing can be written there.
    const QString notAFolder = place.folder() + "/file";
    QFile f(notAFolder);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("TK4718EH_XLSX_FOLDER", notAFolder.toLocal8Bit());
    EXPECT_FALSE(ExcelAvailable());
    grid.setCell(1, 0, "1");
    EXPECT_THROW(GridToExcel(grid, "Журнал"), Error);

    // Written, but the open command does not exist: the message names the file, which stays.
    qputenv("TK4718EH_XLSX_FOLDER", place.folder().toLocal8Bit());
    EXPECT_TRUE(ExcelAvailable());
    qputenv("TK4718EH_OPEN_COMMAND", "/nonexistent/opener");
    try {
        GridToExcel(grid, "Журнал");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Файл " + place.folder() + "/Журнал ")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("/nonexistent/opener"));
    }
    EXPECT_EQ(2, filesIn(place.folder()).size()) << "the marker file and the written workbook";
}

TEST(ToExcel, AListBecomesAGridOfItsCaptionsAndItems)
{
    TextList list({"Маршрут", "Улица", "Дом"});
    list.append({"1", "Ленина", "12"});
    list.append({"2", "Мира", "3а"});
    TextListModel model(list);
    const StringGrid grid = ListViewToGrid(model, 2);
    ASSERT_EQ(3, grid.rowCount());
    ASSERT_EQ(2, grid.columnCount());
    EXPECT_EQ("Маршрут", grid.cell(0, 0));
    EXPECT_EQ("Улица", grid.cell(0, 1));
    EXPECT_EQ("2", grid.cell(2, 0));
    EXPECT_EQ("Мира", grid.cell(2, 1));
    EXPECT_THROW(ListViewToGrid(model, 4), Error) << "items without enough sub-items";
}
