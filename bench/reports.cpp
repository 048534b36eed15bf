// Figures of the data-processing reports on a generated working directory: Telv2 with
// 1,000,000 rows (28,000 meters read monthly over three years; the count is the first
// argument), 20,000 rows in each other reading table, a route table of every meter and
// 100 balance groups of ten sub-meters each. Measured:
//   - the consumption calculation of one month (target < 10 s),
//   - the yearly report of one year,
//   - the readings query of one month,
//   - the balance of the 100 groups,
// each also done by the very same library code on native SQLite tables (an index on
// (number, date_meas) in each reading table) in the same run, with the ratio (target <= 3),
// and the peak resident memory of the runs on the table files (target < 300 MB).
#include "ProcessMemory.h"
#include "processing/BalanceGroups.h"
#include "processing/Reports.h"
#include "store/dbf/DbfFile.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sqlite3.h>
#include <string>

using namespace tk;
using namespace tk::processing;

namespace {

constexpr long kMeters = 28000;
constexpr int kFirstMeter = 100000;

std::string street(long meter) { return "Улица " + std::to_string(meter % 40); }
std::string house(long meter) { return std::to_string(meter % 90); }

// A reading table: meter i % meters read in month i / meters from January 2022, on day
// 1 + meter % 28, registers growing by month.
void generateReadings(const QString& path, const QString& layout, long rows, long meters, long firstMeter)
{
    dbf::createTable(path, dbf::standardTable(layout)->schema);
    dbf::DbfFile f;
    f.open(path, dbf::DbfFile::Access::ReadWrite);
    const dbf::Schema& s = f.schema();
    std::string rec(std::size_t(s.recordLength), ' ');
    const bool single = s.fields.size() == 8;
    for (long i = 0; i < rows; ++i) {
        const long meter = firstMeter + i % meters;
        const long month = i / meters;
        char date[40];
        std::snprintf(date, sizeof date, "%04ld-%02ld-%02ld", 2022 + month / 12, 1 + month % 12, 1 + meter % 28);
        std::vector<dbf::Value> v = {dbf::Value::integer(1000000000 + meter), dbf::Value::textValue(street(meter)),
                                     dbf::Value::textValue(house(meter)),     dbf::Value::integer(meter),
                                     dbf::Value::date(date),                  dbf::Value::textValue("10:00"),
                                     single ? dbf::Value::null() : dbf::Value::integer(0)};
        if (single) {
            v.push_back(dbf::Value::real(double(month * 100 + meter % 7) + 0.125));
        } else {
            for (int k = 0; k < 6; ++k)
                v.push_back(dbf::Value::integer(month * (100 + meter % 13) + k));
            v.push_back(dbf::Value::integer(17));
            v.push_back(dbf::Value::integer(month * 720));
            v.push_back(dbf::Value::integer(0));
            v.push_back(dbf::Value::integer(-3));
        }
        for (std::size_t k = 0; k < v.size(); ++k)
            dbf::encodeField(s.fields[k], s.codePage, v[k], rec.data(), f.name());
        f.appendUnflushed(rec.data());
    }
    f.finish();
}

void generateDirectory(const QString& dir, long telv2Rows)
{
    generateReadings(dir + "/Telv2.dbf", "Telv2.dbf", telv2Rows, kMeters, kFirstMeter);
    const char* others[] = {"Telv1.DBF", "Vakl4.dbf", "VaklDr.dbf", "VaklPdr.dbf"};
    for (int t = 0; t < 4; ++t)
        generateReadings(dir + "/" + others[t], others[t], 20000, 1000, 200000 + t * 1000);

    dbf::createTable(dir + "/Route.dbf", dbf::standardTable("Route.dbf")->schema);
    dbf::DbfFile route;
    route.open(dir + "/Route.dbf", dbf::DbfFile::Access::ReadWrite);
    std::string rec(std::size_t(route.schema().recordLength), ' ');
    auto point = [&](long meter, int type) {
        const std::vector<dbf::Value> v = {dbf::Value::integer(1000000000 + meter), dbf::Value::textValue(street(meter)),
                                           dbf::Value::textValue(house(meter)),     dbf::Value::integer(meter),
                                           dbf::Value::integer(type),               dbf::Value::textValue("Абонент " + std::to_string(meter)),
                                           dbf::Value::textValue("Маршрут " + std::to_string(meter % 25))};
        for (std::size_t k = 0; k < v.size(); ++k)
            dbf::encodeField(route.schema().fields[k], route.schema().codePage, v[k], rec.data(), route.name());
        route.appendUnflushed(rec.data());
    };
    for (long m = 0; m < kMeters; ++m)
        point(kFirstMeter + m, 1);
    const int otherTypes[] = {0, 2, 3, 4};
    for (int t = 0; t < 4; ++t)
        for (long m = 0; m < 1000; ++m)
            point(200000 + t * 1000 + m, otherTypes[t]);
    route.finish();

    dbf::createTable(dir + "/Balance.dbf", dbf::standardTable("Balance.dbf")->schema);
    dbf::DbfFile balance;
    balance.open(dir + "/Balance.dbf", dbf::DbfFile::Access::ReadWrite);
    std::string brec(std::size_t(balance.schema().recordLength), ' ');
    for (long g = 0; g < 100; ++g)
        for (long s = 0; s < 10; ++s) {
            const std::vector<dbf::Value> v = {dbf::Value::integer(kFirstMeter + g), dbf::Value::integer(1),
                                               dbf::Value::integer(kFirstMeter + 1000 + g * 10 + s), dbf::Value::integer(1),
                                               dbf::Value::integer(1 + g % 3)};
            for (std::size_t k = 0; k < v.size(); ++k)
                dbf::encodeField(balance.schema().fields[k], balance.schema().codePage, v[k], brec.data(), balance.name());
            balance.appendUnflushed(brec.data());
        }
    balance.finish();
}

void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql), err ? err : "?");
        std::exit(1);
    }
}

// The same tables as native SQLite tables in a file database beside the directory, declared
// with the column types the table layer shows (dates as "DATE TEXT", so they read back alike).
void copyToNative(const QString& dir, const QString& file)
{
    store::LocalSql sql(dir);
    exec(sql.handle(), "ATTACH DATABASE '" + file + "' AS nat");
    exec(sql.handle(), "PRAGMA nat.journal_mode=OFF");
    for (const dbf::StandardTable& t : dbf::standardTables()) {
        const QString name = t.fileName.chopped(4).toLower();
        QStringList columns;
        for (const dbf::Field& f : t.schema.fields) {
            const char* type = f.type == 'C' ? "TEXT" : f.type == 'D' ? "DATE TEXT" : f.decimals > 0 ? "REAL" : "INTEGER";
            columns << QString::fromLatin1(f.name).toLower() + " " + type;
        }
        exec(sql.handle(), "CREATE TABLE nat." + name + "(" + columns.join(",") + ")");
        exec(sql.handle(), "BEGIN");
        exec(sql.handle(), "INSERT INTO nat." + name + " SELECT * FROM temp." + name);
        exec(sql.handle(), "COMMIT");
        if (t.schema.fields.size() > 8 || name == "telv1")
            exec(sql.handle(), "CREATE INDEX nat." + name + "_nd ON " + name + "(number, date_meas)");
    }
    exec(sql.handle(), "DETACH DATABASE nat");
}

struct Figures {
    double consumption = 0, yearly = 0, readings = 0, balance = 0;
    size_t rows[4] = {0, 0, 0, 0};
};

double timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

Figures runReports(store::LocalSql& sql)
{
    ReportInputs in;
    in.from = QDate(2024, 6, 1);
    in.to = QDate(2024, 7, 1);
    in.year = 2024;
    in.settings.set("Check_T2", 1);
    in.settings.set("Check_T3", 1);
    in.settings.set("CheckRoute", 1);
    in.settings.set("CheckSubscriber", 1);
    Figures f;
    ReportGrid g;
    f.consumption = timed([&] { consumptionReport(sql, in, g); });
    f.rows[0] = g.rows.size();
    f.yearly = timed([&] { yearlyReport(sql, in, g); });
    f.rows[1] = g.rows.size();
    in.to = QDate(2024, 6, 30);
    f.readings = timed([&] { readingsReport(sql, in, g); });
    f.rows[2] = g.rows.size();
    in.to = QDate(2024, 7, 1);
    f.balance = timed([&] { balanceReport(sql, loadBalanceGroups(sql), in.from, in.to, g); });
    f.rows[3] = g.rows.size();
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir work;
    const QString dir = work.path() + "/tables";
    QDir().mkpath(dir);
    QElapsedTimer t;
    t.start();
    generateDirectory(dir, rows);
    std::printf("generated: Telv2 %ld rows (%ld meters), 20,000 rows in each other reading table, in %.1f s\n", rows, kMeters,
                double(t.elapsed()) / 1000);

    const long rssStart = tk::bench::rssKb("VmRSS:");
    Figures dbfFigures;
    {
        store::LocalSql sql(dir);
        dbfFigures = runReports(sql);
    }
    const long peak = tk::bench::rssKb("VmHWM:");

    const QString nativeFile = work.path() + "/native.db";
    t.restart();
    copyToNative(dir, nativeFile);
    std::printf("native copy made in %.1f s\n", double(t.elapsed()) / 1000);
    const QString empty = work.path() + "/empty";
    QDir().mkpath(empty);
    Figures native;
    {
        // The same statements find the native tables: the directory has no table files, so
        // the names resolve to the attached database.
        store::LocalSql sql(empty);
        exec(sql.handle(), "ATTACH DATABASE '" + nativeFile + "' AS nat");
        native = runReports(sql);
    }

    std::printf("%-36s %10s %10s %7s %8s\n", "report", "tables s", "native s", "ratio", "rows");
    auto line = [](const char* name, double a, double b, size_t n, const char* target) {
        std::printf("%-36s %10.2f %10.2f %7.2f %8zu  %s\n", name, a, b, b > 0 ? a / b : 0.0, n, target);
    };
    line("consumption, one month", dbfFigures.consumption, native.consumption, dbfFigures.rows[0], "(targets: ratio <= 3, < 10 s)");
    line("yearly report, one year", dbfFigures.yearly, native.yearly, dbfFigures.rows[1], "(target: ratio <= 3)");
    line("readings, one month", dbfFigures.readings, native.readings, dbfFigures.rows[2], "(target: ratio <= 3)");
    line("balance, 100 groups", dbfFigures.balance, native.balance, dbfFigures.rows[3], "(target: ratio <= 3)");
    if (dbfFigures.rows[0] != native.rows[0] || dbfFigures.rows[1] != native.rows[1] || dbfFigures.rows[2] != native.rows[2]
        || dbfFigures.rows[3] != native.rows[3])
        std::printf("WARNING: the two runs gave different row counts\n");
    std::printf("resident memory: %.1f MB before the reports, peak %.1f MB over the runs on the table files (target < 300 MB)\n",
                rssStart / 1024.0, peak / 1024.0);
    return 0;
}
