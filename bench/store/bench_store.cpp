// Figures of the table layer on a generated Telv2 table (1,000,000 rows by default, or the
// count given as the first argument) and a proportionate Route table, each measured next
// to the same work on a native SQLite table in the same run:
//   - opening a table view and getting its row count;
//   - 1,000 select-by-number-and-date statements, each followed by an insert or update;
//   - a full scan with GROUP BY over all rows (rows per second);
//   - peak resident memory of the scan.
#include "../ProcessMemory.h"
#include "store/dbf/DbfFile.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"
#include "store/dbf/TableModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sqlite3.h>
#include <string>

using namespace tk;
using clk = std::chrono::steady_clock;

namespace {

double ms(clk::time_point a, clk::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

void exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", err);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long meters = std::max(1L, rows / 50);
    QTemporaryDir dir;
    const QString telv2 = dir.filePath("Telv2.dbf");
    dbf::createTable(telv2, dbf::standardTable("Telv2")->schema);
    dbf::createTable(dir.filePath("Route.dbf"), dbf::standardTable("Route")->schema);

    // Generate both stores with the same rows.
    sqlite3* native = nullptr;
    sqlite3_open(dir.filePath("native.sqlite").toUtf8().constData(), &native);
    exec(native, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    exec(native, "CREATE TABLE telv2(pers INTEGER, street TEXT, house TEXT, number INTEGER, date_meas TEXT, time_meas TEXT,"
                 " status INTEGER, meas_1 INTEGER, meas_2 INTEGER, meas_3 INTEGER, meas_1_1 INTEGER, meas_2_1 INTEGER,"
                 " meas_3_1 INTEGER, check_sum INTEGER, work_time INTEGER, correct INTEGER, delta INTEGER)");
    auto t0 = clk::now();
    {
        dbf::DbfFile f;
        f.open(telv2, true);
        const auto& s = f.schema();
        std::string rec(std::size_t(s.recordLength), ' ');
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(native, "INSERT INTO telv2 VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
        exec(native, "BEGIN");
        const char* streets[] = {"ЛЕНИНА", "Зелёная", "ул.Мира", "ЁЛОЧНАЯ", "КВАРТАЛ №5"};
        for (long i = 0; i < rows; ++i) {
            const long meter = 100000 + i % meters;
            const long month = i / meters;
            char date[32];
            std::snprintf(date, sizeof date, "%04ld-%02ld-%02ld", 2000 + month / 12, 1 + month % 12, 1 + meter % 28);
            std::vector<dbf::Value> v = {dbf::Value::integer(1000000000 + meter), dbf::Value::textValue(streets[meter % 5]),
                                         dbf::Value::textValue(std::to_string(meter % 90)), dbf::Value::integer(meter),
                                         dbf::Value::date(date), dbf::Value::textValue("10:00"), dbf::Value::integer(0)};
            for (int k = 0; k < 6; ++k)
                v.push_back(dbf::Value::integer(month * 100 + k));
            for (int k = 0; k < 4; ++k)
                v.push_back(dbf::Value::integer(k));
            for (std::size_t k = 0; k < v.size(); ++k) {
                dbf::encodeField(s.fields[k], s.codePage, v[k], rec.data(), f.name());
                const int p = int(k) + 1;
                if (v[k].kind == dbf::Value::Kind::Integer)
                    sqlite3_bind_int64(ins, p, v[k].i);
                else
                    sqlite3_bind_text(ins, p, v[k].text.c_str(), -1, SQLITE_TRANSIENT);
            }
            f.appendUnflushed(rec.data());
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        f.finish();
        exec(native, "COMMIT");
        sqlite3_finalize(ins);
    }
    exec(native, "CREATE INDEX telv2_key ON telv2(number, date_meas)");
    std::printf("generated %ld rows (%ld meters) in %.0f ms\n", rows, meters, ms(t0, clk::now()));

    // 1. Open a view and count.
    t0 = clk::now();
    dbf::TableModel view;
    view.open(telv2);
    const int count = view.rowCount();
    const double openMs = ms(t0, clk::now());
    std::printf("view open + row count: %.1f ms (%d rows; target < 50 ms)\n", openMs, count);
    view.close();

    // 2. 1,000 selects by number and date, each followed by an update or an insert.
    store::LocalSql sql(dir.path());
    const QStringList sel = {"SELECT * FROM telv2", "WHERE number = :number", "AND date_meas = :date_meas"};
    const QStringList upd = {"UPDATE telv2 SET time_meas = :time_meas, meas_1 = :meas_1", "WHERE number = :number", "AND date_meas = :date_meas"};
    const QStringList ins = {"INSERT INTO telv2(pers,street,house,number,date_meas,time_meas,status,meas_1)",
                             "VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,:status,:meas_1)"};
    std::mt19937 rng(7);
    auto key = [&](int i, long& number, QDate& date) {
        number = 100000 + long(rng() % std::uint32_t(meters));
        if (i % 2 == 0) {
            const long month = long(rng() % std::uint32_t(std::max(1L, rows / meters)));
            date = QDate(2000 + int(month / 12), 1 + int(month % 12), 1 + int(number % 28));
        } else {
            date = QDate(2090, 1 + i % 12, 1 + i % 28); // not there yet: insert
        }
    };
    sql.select(sel, store::Params().real("number", 100000).date("date_meas", QDate(2000, 1, 1))); // warm: builds the index
    t0 = clk::now();
    for (int i = 0; i < 1000; ++i) {
        long number;
        QDate date;
        key(i, number, date);
        const store::Params k = store::Params().real("number", double(number)).date("date_meas", date);
        if (!sql.select(sel, k).isEmpty()) {
            store::Params p = k;
            sql.execute(upd, p.text("time_meas", "11:00").real("meas_1", 1));
        } else {
            store::Params p = k;
            sql.execute(ins, p.real("pers", 1).text("street", "ЛЕНИНА").text("house", "1").text("time_meas", "11:00").real("status", 0).real("meas_1", 1));
        }
    }
    const double dbfMs = ms(t0, clk::now());
    rng.seed(7);
    sqlite3_stmt *s1, *s2, *s3;
    sqlite3_prepare_v2(native, "SELECT * FROM telv2 WHERE number = :number AND date_meas = :date_meas", -1, &s1, nullptr);
    sqlite3_prepare_v2(native, "UPDATE telv2 SET time_meas = '11:00', meas_1 = 1 WHERE number = :number AND date_meas = :date_meas", -1, &s2, nullptr);
    sqlite3_prepare_v2(native, "INSERT INTO telv2(pers,street,house,number,date_meas,time_meas,status,meas_1) VALUES(1,'ЛЕНИНА','1',:number,:date_meas,'11:00',0,1)", -1, &s3, nullptr);
    t0 = clk::now();
    for (int i = 0; i < 1000; ++i) {
        long number;
        QDate date;
        key(i, number, date);
        const QByteArray d = date.toString(Qt::ISODate).toUtf8();
        sqlite3_bind_double(s1, 1, double(number));
        sqlite3_bind_text(s1, 2, d.constData(), -1, SQLITE_TRANSIENT);
        const bool found = sqlite3_step(s1) == SQLITE_ROW;
        sqlite3_reset(s1);
        sqlite3_stmt* w = found ? s2 : s3;
        sqlite3_bind_double(w, 1, double(number));
        sqlite3_bind_text(w, 2, d.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(w);
        sqlite3_reset(w);
    }
    const double nativeMs = ms(t0, clk::now());
    std::printf("1000 select + insert/update: %.0f ms (target < 1000 ms); native SQLite %.0f ms; ratio %.2f (target <= 3)\n",
                dbfMs, nativeMs, dbfMs / nativeMs);

    // 3. Full scan with GROUP BY.
    const long rssBefore = tk::bench::rssKb("VmRSS:");
    const char* scan = "SELECT number, COUNT(*), MIN(date_meas), MAX(meas_1) FROM telv2 GROUP BY number";
    t0 = clk::now();
    const auto groups = sql.select({QString::fromLatin1(scan)});
    const double scanMs = ms(t0, clk::now());
    const long peak = tk::bench::rssKb("VmHWM:");
    sqlite3_stmt* g;
    sqlite3_prepare_v2(native, scan, -1, &g, nullptr);
    t0 = clk::now();
    long ng = 0;
    while (sqlite3_step(g) == SQLITE_ROW)
        ++ng;
    const double nativeScanMs = ms(t0, clk::now());
    std::printf("full scan GROUP BY: %.0f ms, %.0f rows/s (%d groups); native %.0f ms, %.0f rows/s; ratio %.2f (target <= 3)\n", scanMs,
                rows / (scanMs / 1000), groups.size(), nativeScanMs, rows / (nativeScanMs / 1000), scanMs / nativeScanMs);
    std::printf("resident memory: %.1f MB before the scan, peak %.1f MB (target < 100 MB)\n", rssBefore / 1024.0, peak / 1024.0);
    (void)ng;
    sqlite3_finalize(s1);
    sqlite3_finalize(s2);
    sqlite3_finalize(s3);
    sqlite3_finalize(g);
    sqlite3_close(native);
    return 0;
}
