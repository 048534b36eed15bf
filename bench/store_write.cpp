// Figures of the reading store:
//   - "write to the table": a 1,000-record ТЕЛВ-2 grid written into a table that holds
//     1,000,000 rows, against the same grid written into an empty table (time and ratio;
//     targets: ratio <= 2, time < 2 s; medians of five rounds). The first write after start
//     builds the look-up indexes; it is shown apart from a later write on the same connection;
//   - start-up of the main window over five reading tables of 200,000 rows each, to the
//     window shown with every table open and counted (target < 1 s).
// Arguments: the big table's row count (default 1,000,000) and the start-up tables' row count
// (default 200,000). Tables are generated with the table layer's own codec.
#include "BenchSupport.h"
#include "store/dbf/DbfFile.h"
#include "manager/PanelStatusBar.h"
#include "store/reading/ReadingStore.h"
#include "store/reading/ReadingViews.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"
#include "manager/TFormVorm.h"
#include "common/TextGrid.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tk;

namespace {

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// A reading table of `rows` rows: 50 readings a meter, one a month, at 10:00.
void generate(const QString& path, const QString& layout, long rows)
{
    dbf::createTable(path, dbf::standardTable(layout)->schema);
    dbf::DbfFile f;
    f.open(path, dbf::DbfFile::Access::ReadWrite);
    const dbf::Schema& s = f.schema();
    std::string rec(std::size_t(s.recordLength), ' ');
    const long meters = std::max(1L, rows / 50);
    const bool single = s.fields.size() == 8;
    for (long i = 0; i < rows; ++i) {
        const long meter = 100000 + i % meters;
        const long month = i / meters;
        char date[48];
        std::snprintf(date, sizeof date, "%04ld-%02ld-%02ld", 2000 + month / 12, 1 + month % 12, 1 + meter % 28);
        std::vector<dbf::Value> v = {dbf::Value::integer(1000000000 + meter), dbf::Value::textValue("ЛЕНИНА"),
                                     dbf::Value::textValue(std::to_string(meter % 90)), dbf::Value::integer(meter),
                                     dbf::Value::date(date), dbf::Value::textValue("10:00"),
                                     single ? dbf::Value::null() : dbf::Value::integer(0)};
        if (single) {
            v.push_back(dbf::Value::real(double(month) + 0.125));
        } else {
            for (int k = 0; k < 6; ++k)
                v.push_back(dbf::Value::integer(month * 100 + k));
            for (int k = 0; k < 4; ++k)
                v.push_back(dbf::Value::integer(k));
        }
        for (std::size_t k = 0; k < v.size(); ++k)
            dbf::encodeField(s.fields[k], s.codePage, v[k], rec.data(), f.name());
        f.appendUnflushed(rec.data());
    }
    f.finish();
}

// 1,000 readings as a read-out brings them: meters of the table, read on a day not stored yet.
TextGrid readOut(int records, const QString& day)
{
    TextGrid g({"лиц.счет", "улица", "дом", "счетчик", "дата", "время", "статус", "1 тариф", "2 тариф", "3 тариф",
                "1 тар.на расч.", "2 тар.на расч.", "3 тар.на расч.", "контр. сумма", "нараб.", "коррекции", "разница",
                "маршрут"});
    for (int i = 0; i < records; ++i)
        g.appendRecord({QString::number(1000000000 + 100000 + i), "ЛЕНИНА", "12", QString::number(100000 + i).rightJustified(6, '0'),
                        day, "10:15", "0", "1", "2", "3", "1", "2", "3", "17", "1234:05", "0", "-5", "Центр"});
    return g;
}

struct WriteFigures {
    double cold = 0, warm = 0, reopen = 0;
};

WriteFigures timeWrite(const QString& dir, const TextGrid& grid, const TextGrid& again)
{
    bench::PrintingPrompter prompter;
    store::ReadingStore s(dir);
    store::ReadingViews views(dir);
    WriteFigures w;
    QElapsedTimer t;
    t.start();
    const auto first = s.write(Family::Telv2, grid, prompter);
    w.cold = msSince(t);
    t.restart();
    const auto second = s.write(Family::Telv2, again, prompter);
    w.warm = msSince(t);
    t.restart();
    views.open(Family::Telv2);
    const int rows = views.rowCount(Family::Telv2).value_or(-1);
    w.reopen = msSince(t);
    if (first.inserted != grid.recordCount() || second.inserted != again.recordCount() || prompter.unexpected)
        std::fprintf(stderr, "the write did not insert every record (%d, %d)\n", first.inserted, second.inserted);
    if (rows < 0)
        std::fprintf(stderr, "%s could not be counted after the writes\n", qPrintable(QDir(dir).dirName()));
    return w;
}

int startupBenchmark(long rows)
{
    QTemporaryDir dir;
    for (const char* t : {"Telv1.DBF", "Telv2.dbf", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"})
        generate(dir.filePath(t), QString::fromLatin1(t), rows);
    dbf::createTable(dir.filePath("Route.dbf"), dbf::standardTable("Route")->schema);
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    bench::PrintingPrompter prompter;
    QElapsedTimer t;
    t.start();
    int shown = 0;
    {
        manager::TFormVorm w(&prompter, {{"Vormer_2005"}, {}, {}});
        w.show();
        (void)QTest::qWaitForWindowExposed(&w);
        const double ms = msSince(t);
        for (const char* name : {"StatusBar2", "StatusBar3", "StatusBar8", "StatusBar7", "StatusBar10"})
            shown += w.findChild<tk::manager::PanelStatusBar*>(QString::fromLatin1(name))->panelText(1) == QString::number(rows);
        std::printf("start-up to a usable window, five tables of %ld rows: %.0f ms (target < 1000 ms); %d of 5 counts shown\n",
                    rows, ms, shown);
    }
    QDir::setCurrent(old);
    return shown == 5 && prompter.unexpected == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const long big = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long startupRows = argc > 2 ? std::atol(argv[2]) : 200000;

    QTemporaryDir root;
    const QString full = root.filePath("full"), empty = root.filePath("empty");
    QDir().mkpath(full);
    QDir().mkpath(empty);
    QElapsedTimer t;
    t.start();
    generate(QDir(full).filePath("Telv2.dbf"), "Telv2", big);
    generate(QDir(empty).filePath("Telv2.dbf"), "Telv2", 0);
    std::printf("generated a ТЕЛВ-2 table of %ld rows in %.0f ms\n", big, msSince(t));

    // The writes go through the journal file by file, so the disk's moods reach them: each
    // figure is the median of five rounds, the big and the empty table taking turns, each
    // round with connections of its own (so its first write builds the indexes again) and
    // readings of days not stored yet; the big table grows by 2,000 rows a round.
    constexpr int kRounds = 5;
    std::vector<WriteFigures> intoFull, intoEmpty;
    for (int round = 0; round < kRounds; ++round) {
        const QDate day(2030, 6, 1 + 2 * round);
        const TextGrid grid = readOut(1000, day.toString("dd.MM.yyyy"));
        const TextGrid again = readOut(1000, day.addDays(1).toString("dd.MM.yyyy"));
        intoFull.push_back(timeWrite(full, grid, again));
        QFile::remove(QDir(empty).filePath("Telv2.dbf")); // empty again for every round
        generate(QDir(empty).filePath("Telv2.dbf"), "Telv2", 0);
        intoEmpty.push_back(timeWrite(empty, grid, again));
    }
    auto median = [](const std::vector<WriteFigures>& w, double WriteFigures::*part) {
        std::vector<double> v;
        for (const WriteFigures& f : w)
            v.push_back(f.*part);
        std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double fullCold = median(intoFull, &WriteFigures::cold), emptyCold = median(intoEmpty, &WriteFigures::cold);
    const double fullWarm = median(intoFull, &WriteFigures::warm), emptyWarm = median(intoEmpty, &WriteFigures::warm);
    std::printf("write 1,000 records, first write after start (median of %d rounds): %.0f ms into %ld rows, %.0f ms into "
                "an empty table; ratio %.2f (target <= 2, time < 2000 ms)\n",
                kRounds, fullCold, big, emptyCold, fullCold / emptyCold);
    std::printf("write 1,000 records, a later write: %.0f ms into %ld rows, %.0f ms into an empty table; ratio %.2f\n",
                fullWarm, big, emptyWarm, fullWarm / emptyWarm);
    std::printf("reopening the table view after the write: %.0f ms (%ld rows), %.0f ms (empty)\n",
                median(intoFull, &WriteFigures::reopen), big, median(intoEmpty, &WriteFigures::reopen));

    return startupBenchmark(startupRows);
}
