// Local SQL over a directory of tables: the statements the two programs issue, verbatim,
// on the fixtures; writes that keep their meaning; errors that leave the files whole.
#include "store/dbf/DbfFile.h"
#include "common/Error.h"
#include "store/dbf/LocalSql.h"
#include "store/dbf/Restructure.h"
#include "StoreTestUtil.h"

#include <QLocale>
#include <functional>
#include <map>
#include <set>

using namespace tk::store;
using tk::dbf::DbfFile;
using tk::dbf::Value;
using tk::test::fixtures;

namespace {

// The live rows of a table as the codec decodes them: an oracle independent of SQL.
using Row = std::map<std::string, Value>;
std::vector<Row> liveRows(const QString& path)
{
    DbfFile f;
    f.open(path, false);
    std::vector<Row> out;
    for (std::uint32_t r = 0; r < f.recordCount(); ++r) {
        const char* raw = f.record(r);
        if (DbfFile::isDeleted(raw))
            continue;
        Row row;
        for (const auto& fld : f.schema().fields)
            tk::dbf::decodeField(fld, f.schema().codePage, raw, row[fld.name], {f.name(), long(r)});
        out.push_back(std::move(row));
    }
    return out;
}

double num(const Value& v) { return v.kind == Value::Kind::Integer ? double(v.i) : v.d; }

class ScratchDir {
public:
    explicit ScratchDir(const QString& folder) { tk::test::copyFixtures(folder, dir.path()); }
    QString path() const { return dir.path(); }
    QString file(const QString& n) const { return dir.filePath(n); }
    QTemporaryDir dir;
};

} // namespace

TEST(LocalSql, TablesAreNamedByFileStemWithoutRegardToCase)
{
    LocalSql sql(fixtures() + "/small");
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM telv1"}).value(0, 0).toLongLong(), 36);
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM TELV2"}).value(0, 0).toLongLong(), 60);
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Route"}).value(0, 0).toLongLong(), 26);
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM vaklpdr"}).value(0, 0).toLongLong(), 18);
    EXPECT_EQ(sql.tablePath("TELV1"), QDir(fixtures() + "/small").absoluteFilePath("Telv1.DBF"));
    try {
        sql.select({"SELECT * FROM Missing"});
        ADD_FAILURE();
    } catch (const tk::Error& e) {
        EXPECT_TRUE(e.message().contains("There is no table missing")) << e.message().toStdString();
    }
}

TEST(LocalSql, DeletedRecordsAreInvisibleToEveryStatement)
{
    LocalSql sql(fixtures() + "/odd/deleted");
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Telv2"}).value(0, 0).toLongLong(), 28);
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Balance"}).value(0, 0).toLongLong(), 13);
    // Aggregates over a column and GROUP BY see only live rows.
    const Rows g = sql.select({"SELECT COUNT(*),number_s,type_s", "FROM Balance", "GROUP BY number_s,type_s"});
    long total = 0;
    for (int r = 0; r < g.size(); ++r)
        total += g.value(r, 0).toLongLong();
    EXPECT_EQ(total, 13);
    EXPECT_EQ(sql.select({"SELECT * FROM Balance WHERE number_s = 462133"}).size(), 0) << "only in deleted record 0";
    // A deleted twin shares number and date with a live row: the look-up finds one row.
    for (const Row& row : liveRows(fixtures() + "/odd/deleted/Telv2.dbf")) {
        const Rows r = sql.select({"SELECT * FROM telv2", "WHERE number = :number", "AND date_meas = :date_meas"},
                                  Params().real("number", num(row.at("NUMBER")))
                                      .date("date_meas", QDate::fromString(QString::fromStdString(row.at("DATE_MEAS").text), Qt::ISODate)));
        ASSERT_EQ(r.size(), 1);
        EXPECT_EQ(r.value(0, "TIME_MEAS").toString().toStdString(), row.at("TIME_MEAS").text);
    }
}

TEST(LocalSql, ColumnTypesAndValuesSurfaceAsDocumented)
{
    LocalSql sql(fixtures() + "/small");
    const Rows r = sql.select({"SELECT * FROM telv2", "WHERE number = :number", "AND date_meas = :date_meas"},
                              Params().real("number", 999999).date("date_meas", QDate(2024, 4, 30)));
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r.columns.first(), "PERS");
    EXPECT_EQ(r.value(0, "PERS").toLongLong(), 9999999999LL);
    EXPECT_EQ(r.value(0, "STREET").toString(), "Д'АРКА");
    EXPECT_EQ(r.value(0, "DATE_MEAS").toDate(), QDate(2024, 4, 30));
    EXPECT_EQ(r.value(0, "MEAS_1").toLongLong(), 16777215);
    EXPECT_EQ(r.value(0, "WORK_TIME").toLongLong(), 8388607);
    const Rows t1 = sql.select({"SELECT meas_1, status FROM Telv1 WHERE number = 1 ORDER BY date_meas"});
    ASSERT_GT(t1.size(), 0);
    EXPECT_EQ(t1.value(0, 0).typeId(), QMetaType::Double);
    EXPECT_TRUE(t1.value(0, 1).isNull());
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_TRUE(t1.text(0, 0).contains(',')) << t1.text(0, 0).toStdString();
    EXPECT_EQ(t1.text(0, 1), "");
    EXPECT_EQ(r.text(0, "DATE_MEAS"), "30.04.2024");
    QLocale::setDefault(QLocale::c());
    // Inside SQL a date is ISO text.
    EXPECT_EQ(sql.select({"SELECT MIN(date_meas) FROM Telv2"}).value(0, 0).toString(), "2022-11-20");
}

TEST(LocalSql, TextOrdersByTheRussianAlphabetAndComparesExactly)
{
    LocalSql sql(fixtures() + "/small");
    const Rows r = sql.select({"SELECT DISTINCT street FROM Route", "ORDER BY street"});
    QStringList streets;
    for (int i = 0; i < r.size(); ++i)
        streets << r.value(i, 0).toString();
    streets.removeAll("");
    EXPECT_EQ(streets, QStringList({"Д'АРКА", "ЁЛОЧНАЯ", "Зелёная", "КВАРТАЛ №5", "ЛЕНИНА", "ПЕР.ШКОЛЬНЫЙ", "ул.Мира"}));
    EXPECT_EQ(sql.select({"SELECT * FROM Route WHERE street = 'Зеленая'"}).size(), 0) << "Ё is not Е in equality";
    EXPECT_EQ(sql.select({"SELECT * FROM Route WHERE street = 'ЗЕЛЁНАЯ'"}).size(), 0) << "equality keeps case";
    EXPECT_GT(sql.select({"SELECT * FROM Route WHERE street = 'Зелёная'"}).size(), 0);
}

namespace {

struct Query {
    const char* what;
    QStringList lines;
    Params params;
    std::function<void(const Rows&, const QString& dir)> check;
};

QString typeTable(int c) { return QStringList{"Telv1", "Telv2", "Vakl4", "VaklDr", "VaklPdr"}.at(c); }

} // namespace

// Every statement of the processing program, as it issues it, on the small directory.
TEST(LocalSql, ProcessingStatementsRunVerbatimWithTheirDocumentedResults)
{
    const QString dir = QDir(fixtures() + "/small").absolutePath();
    const auto route = liveRows(dir + "/Route.dbf");
    const auto balance = liveRows(dir + "/Balance.dbf");
    const auto telv2 = liveRows(dir + "/Telv2.dbf");
    std::vector<Query> qs = {
        {"routes with counts", {"SELECT COUNT(*),route,ctype FROM Route", "GROUP BY route,ctype", "ORDER BY route,ctype"}, {},
         [&](const Rows& r, const QString&) {
             std::map<std::pair<std::string, long>, long> want;
             for (const Row& p : route)
                 ++want[{p.at("ROUTE").text, long(num(p.at("CTYPE")))}];
             ASSERT_EQ(r.size(), int(want.size()));
             long total = 0;
             for (int i = 0; i < r.size(); ++i) {
                 total += r.value(i, 0).toLongLong();
                 EXPECT_EQ(r.value(i, 0).toLongLong(),
                           (want[{r.value(i, 1).toString().toStdString(), long(r.value(i, 2).toLongLong())}]));
             }
             EXPECT_EQ(total, 26);
             std::set<QString> names;
             for (int i = 0; i < r.size(); ++i)
                 names.insert(r.value(i, 1).toString());
             EXPECT_EQ(names.size(), 7u);
             EXPECT_TRUE(names.count("Северный район-3") && names.count("участок №2"));
         }},
        {"points of a route", {"SELECT * FROM Route", "WHERE route = :route"}, Params().text("route", "Д'АРКА-Центр"),
         [&](const Rows& r, const QString&) {
             std::vector<long long> want;
             for (const Row& p : route)
                 if (p.at("ROUTE").text == "Д'АРКА-Центр")
                     want.push_back(p.at("NUMBER").i);
             ASSERT_EQ(r.size(), int(want.size()));
             ASSERT_GT(r.size(), 0);
             for (int i = 0; i < r.size(); ++i)
                 EXPECT_EQ(r.value(i, "NUMBER").toLongLong(), want[std::size_t(i)]) << "table order";
         }},
        {"houses of a street", {"SELECT house FROM Route", "WHERE street = :street", "ORDER BY house"}, Params().text("street", "Д'АРКА"),
         [&](const Rows& r, const QString&) {
             long n = 0;
             for (const Row& p : route)
                 n += p.at("STREET").text == "Д'АРКА";
             EXPECT_EQ(r.size(), n);
             EXPECT_GT(n, 1);
         }},
        {"account check, 10 digits as a float", {"SELECT COUNT(*) FROM Route", "WHERE pers = :pers"}, Params().real("pers", 9999999999.0),
         [&](const Rows& r, const QString&) {
             long n = 0;
             for (const Row& p : route)
                 n += p.at("PERS").kind == Value::Kind::Integer && p.at("PERS").i == 9999999999LL;
             EXPECT_GE(n, 1);
             EXPECT_EQ(r.value(0, 0).toLongLong(), n);
         }},
        {"group list", {"SELECT DISTINCT number_m,type_m ,kent", "FROM Balance", "ORDER BY number_m,type_m"}, {},
         [&](const Rows& r, const QString&) {
             ASSERT_EQ(r.size(), 3);
             EXPECT_EQ(r.value(0, 0).toLongLong(), 284554);
             EXPECT_EQ(r.value(0, 2).toLongLong(), 1);
             EXPECT_EQ(r.value(1, 0).toLongLong(), 604922);
             EXPECT_EQ(r.value(1, 1).toLongLong(), 2);
             EXPECT_EQ(r.value(1, 2).toLongLong(), 20);
             EXPECT_EQ(r.value(2, 0).toLongLong(), 609440);
             EXPECT_EQ(r.value(2, 2).toLongLong(), 40);
         }},
        {"description", {"SELECT * FROM " + typeTable(2) + " WHERE number = " + QString::number(604922)}, {},
         [&](const Rows& r, const QString&) {
             ASSERT_GT(r.size(), 0);
             EXPECT_EQ(r.value(0, "STREET").toString() + " " + r.value(0, "HOUSE").toString(), "Зелёная 5");
         }},
        {"group rows", {"SELECT number_s,type_s,kent ", "FROM Balance", " WHERE number_m = :number_m AND type_m = :type_m", "ORDER BY number_s"},
         Params().real("number_m", 604922).real("type_m", 2),
         [&](const Rows& r, const QString&) {
             ASSERT_EQ(r.size(), 9);
             for (int i = 1; i < r.size(); ++i)
                 EXPECT_LE(r.value(i - 1, 0).toLongLong(), r.value(i, 0).toLongLong());
             int both = 0;
             for (int i = 0; i < r.size(); ++i)
                 both += r.value(i, 0).toLongLong() == 123456;
             EXPECT_EQ(both, 2) << "123456 as type 0 and type 1";
         }},
        {"shared sub-meters", {"SELECT COUNT(*),number_s,type_s", "FROM Balance", "GROUP BY number_s,type_s"}, {},
         [&](const Rows& r, const QString&) {
             bool shared = false;
             for (int i = 0; i < r.size(); ++i)
                 if (r.value(i, 1).toLongLong() == 123456 && r.value(i, 2).toLongLong() == 0)
                     shared = r.value(i, 0).toLongLong() == 2;
             EXPECT_TRUE(shared) << "123456/0 is in groups 1 and 2";
         }},
        {"groups of a sub-meter", {"SELECT number_m,type_m", "FROM Balance", "WHERE number_s = :number_s", "AND type_s = :type_s"},
         Params().real("number_s", 123456).real("type_s", 0),
         [&](const Rows& r, const QString&) {
             ASSERT_EQ(r.size(), 2);
             std::set<long long> mains = {r.value(0, 0).toLongLong(), r.value(1, 0).toLongLong()};
             EXPECT_EQ(mains, (std::set<long long>{604922, 284554}));
         }},
        {"out of balance", {"SELECT number FROM Route", "WHERE ctype = :type", "AND NOT (number IN (SELECT number_s FROM Balance ",
                            "   WHERE type_s = :type))", "AND NOT (number IN (SELECT number_m FROM Balance ", "   WHERE type_m= :type))", "",
                            "ORDER BY number"},
         Params().real("type", 4),
         [&](const Rows& r, const QString&) {
             std::vector<long long> want;
             for (const Row& p : route) {
                 if (num(p.at("CTYPE")) != 4)
                     continue;
                 const long long n = p.at("NUMBER").i;
                 bool in = false;
                 for (const Row& b : balance)
                     in = in || (num(b.at("TYPE_S")) == 4 && b.at("NUMBER_S").i == n) || (num(b.at("TYPE_M")) == 4 && b.at("NUMBER_M").i == n);
                 if (!in)
                     want.push_back(n);
             }
             std::sort(want.begin(), want.end());
             ASSERT_EQ(r.size(), int(want.size()));
             for (int i = 0; i < r.size(); ++i)
                 EXPECT_EQ(r.value(i, 0).toLongLong(), want[std::size_t(i)]);
             for (int i = 0; i < r.size(); ++i)
                 EXPECT_NE(r.value(i, 0).toLongLong(), 609440) << "a main meter";
         }},
        {"value at a date", {"SELECT * FROM Telv2 WHERE number = 999999 AND date_meas = (SELECT MIN(date_meas) FROM Telv2 WHERE number = 999999 AND date_meas >= :date_meas)"},
         Params().date("date_meas", QDate(2024, 4, 1)),
         [&](const Rows& r, const QString&) {
             ASSERT_EQ(r.size(), 1);
             EXPECT_EQ(r.value(0, "DATE_MEAS").toDate(), QDate(2024, 4, 30));
             EXPECT_EQ(r.value(0, "MEAS_1").toLongLong(), 16777215);
         }},
        {"result rows of a group", {"SELECT * FROM Balance WHERE number_m = 609440 AND type_m = 4"}, {},
         [&](const Rows& r, const QString&) {
             long n = 0;
             for (const Row& b : balance)
                 n += b.at("NUMBER_M").i == 609440;
             EXPECT_EQ(r.size(), n);
             EXPECT_GT(n, 0);
         }},
        {"readings query, Telv1 with empty columns",
         {"SELECT pers,street,house,number,date_meas,time_meas,status,meas_1,'','','','','','','','','' FROM Telv1",
          " WHERE date_meas >= :date_0", " AND date_meas <= :date_1", " AND street = 'Д''АРКА'", " AND house = '12А'", " ORDER BY street,house,date_meas"},
         Params().date("date_0", QDate(2024, 2, 29)).date("date_1", QDate(2024, 2, 29)),
         [&](const Rows& r, const QString&) {
             ASSERT_GE(r.size(), 1);
             EXPECT_EQ(r.columns.size(), 17);
             EXPECT_EQ(r.value(0, 3).toLongLong(), 1);
             EXPECT_EQ(r.value(0, 16).toString(), "");
             EXPECT_EQ(r.value(0, 4).toDate(), QDate(2024, 2, 29));
         }},
        {"readings query, bounds inclusive",
         {"SELECT pers,street,house,number,date_meas,time_meas,status,meas_1,meas_2,meas_3,meas_1_1,meas_2_1,meas_3_1,check_sum,work_time,correct,delta FROM Telv2",
          " WHERE date_meas >= :date_0", " AND date_meas <= :date_1", " ORDER BY street,house,date_meas"},
         Params().date("date_0", QDate(2023, 11, 18)).date("date_1", QDate(2024, 2, 29)),
         [&](const Rows& r, const QString&) {
             long n = 0;
             for (const Row& t : telv2)
                 n += t.at("DATE_MEAS").text >= "2023-11-18" && t.at("DATE_MEAS").text <= "2024-02-29";
             EXPECT_EQ(r.size(), n);
             bool first = false, last = false;
             for (int i = 0; i < r.size(); ++i) {
                 first = first || r.value(i, 4).toDate() == QDate(2023, 11, 18);
                 last = last || r.value(i, 4).toDate() == QDate(2024, 2, 29);
             }
             EXPECT_TRUE(first && last);
         }},
        {"meter list of the calculation",
         {"SELECT MIN(date_meas),number,street,house FROM Telv2 WHERE date_meas >= :date_0", " GROUP BY number,street,house ", " ORDER BY street,house,number"},
         Params().date("date_0", QDate(2000, 1, 1)),
         [&](const Rows& r, const QString&) {
             std::set<std::tuple<long long, std::string, std::string>> want;
             for (const Row& t : telv2)
                 want.insert({t.at("NUMBER").i, t.at("STREET").text, t.at("HOUSE").text});
             EXPECT_EQ(r.size(), int(want.size()));
         }},
        {"end reading with an empty street",
         {"SELECT * FROM Telv2 WHERE date_meas = (SELECT MIN(date_meas) FROM Telv2 WHERE number = 765763 AND date_meas >= :date_0) AND number = 765763 AND street = '' AND house = '3/1'"},
         Params().date("date_0", QDate(2024, 4, 30)),
         [&](const Rows& r, const QString&) {
             ASSERT_EQ(r.size(), 1) << "an empty text field is '' (not NULL), so street = '' finds it";
             EXPECT_EQ(r.value(0, "MEAS_1").toLongLong(), 5134);
         }},
        {"yearly report", {"SELECT * FROM Telv2 WHERE date_meas >= :date_0", " AND street = 'Д''АРКА'", " ORDER BY number,date_meas"},
         Params().date("date_0", QDate(2024, 1, 1)),
         [&](const Rows& r, const QString&) {
             long n = 0;
             for (const Row& t : telv2)
                 n += t.at("DATE_MEAS").text >= "2024-01-01" && t.at("STREET").text == "Д'АРКА";
             EXPECT_EQ(r.size(), n);
             EXPECT_GT(n, 0);
             for (int i = 1; i < r.size(); ++i)
                 EXPECT_LE(r.value(i - 1, "DATE_MEAS").toDate(), r.value(i, "DATE_MEAS").toDate());
         }},
    };
    LocalSql sql(dir);
    for (const Query& q : qs) {
        SCOPED_TRACE(q.what);
        q.check(sql.select(q.lines, q.params), dir);
    }
}

TEST(LocalSql, StoreWriteStatementsInsertReplaceAndErase)
{
    ScratchDir d("small");
    LocalSql sql(d.path());
    const QStringList select = {"SELECT * FROM telv2", "WHERE number = :number", "AND date_meas = :date_meas"};
    const QStringList insert = {"INSERT INTO telv2(pers,street,house,number,date_meas,time_meas,status,",
                                "  meas_1,meas_2,meas_3,meas_1_1,meas_2_1,meas_3_1,check_sum,", "  work_time,correct,delta)",
                                "VALUES(:pers,:street,:house,:number,:date_meas,:time_meas,:status,",
                                "  :meas_1,:meas_2,:meas_3,:meas_1_1,:meas_2_1,:meas_3_1,:check_sum,", "  :work_time,:correct,:delta)"};
    const QStringList update = {"UPDATE telv2 SET time_meas = :time_meas,status = :status,meas_1 =",
                                "  :meas_1,meas_2 = :meas_2,meas_3 = :meas_3,meas_1_1 = :meas_1_1,",
                                "  meas_2_1 = :meas_2_1,meas_3_1 = :meas_3_1,check_sum = :check_sum,",
                                "  work_time = :work_time,correct = :correct,delta = :delta,pers = :pers,", "  street = :street,house = :house",
                                "WHERE number = :number", "AND date_meas = :date_meas"};
    auto reading = [](double pers, const QString& street, const QString& time, double meas1) {
        Params p;
        if (pers < 0)
            p.null("pers");
        else
            p.real("pers", pers);
        p.text("street", street).text("house", "12/3").real("number", 424243).date("date_meas", QDate(2025, 1, 15))
            .text("time_meas", time).real("status", 0).real("meas_1", meas1).real("meas_2", 2).real("meas_3", 3)
            .real("meas_1_1", 1).real("meas_2_1", 2).real("meas_3_1", 3).real("check_sum", 255)
            .real("work_time", 74045).real("correct", 0).real("delta", -128);
        return p;
    };
    const Params key = Params().real("number", 424243).date("date_meas", QDate(2025, 1, 15));
    EXPECT_EQ(sql.select(select, key).size(), 0);
    EXPECT_EQ(sql.execute(insert, reading(-1, "ЁЛОЧНАЯ", "09:00", 100)), 1);
    Rows r = sql.select(select, key);
    ASSERT_EQ(r.size(), 1);
    EXPECT_TRUE(r.value(0, "PERS").isNull());
    EXPECT_EQ(r.value(0, "WORK_TIME").toLongLong(), 74045);
    EXPECT_EQ(r.value(0, "DELTA").toLongLong(), -128);
    EXPECT_EQ(sql.execute(update, reading(1234567890, "Зелёная", "10:30", 150)), 1);
    r = sql.select(select, key);
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r.value(0, "PERS").toLongLong(), 1234567890);
    EXPECT_EQ(r.value(0, "STREET").toString(), "Зелёная");
    EXPECT_EQ(r.value(0, "TIME_MEAS").toString(), "10:30");
    EXPECT_EQ(r.value(0, "MEAS_1").toLongLong(), 150);
    EXPECT_EQ(liveRows(d.file("Telv2.dbf")).size(), 61u);
    // Erase up to a date: every reading on or before it goes, the rest stays.
    long keep = 0;
    for (const Row& t : liveRows(d.file("Telv2.dbf")))
        keep += t.at("DATE_MEAS").text > "2023-12-31";
    const int gone = sql.execute({"DELETE FROM telv2", "WHERE date_meas <= :date_meas"}, Params().date("date_meas", QDate(2023, 12, 31)));
    EXPECT_EQ(gone, 61 - keep);
    const auto after = liveRows(d.file("Telv2.dbf"));
    EXPECT_EQ(long(after.size()), keep);
    for (const Row& t : after)
        EXPECT_GT(t.at("DATE_MEAS").text, "2023-12-31");
    // The route table: add, edit, rename, delete by account.
    const QStringList add = {"INSERT INTO Route(pers,street,house,number,ctype,subscriber,route)",
                             "VALUES(:pers,:street,:house,:number,:ctype,:subscriber,:route)"};
    Params p = Params().real("pers", 4294967296.0).text("street", "ПЕР.ШКОЛЬНЫЙ").text("house", "1234/5").real("number", 999999)
                   .real("ctype", 4).text("subscriber", "ООО \"Ромашка и партнёры\" №1234").text("route", "Новый");
    EXPECT_EQ(sql.execute(add, p), 1);
    EXPECT_EQ(sql.execute({"UPDATE Route SET route = :new", "WHERE route = :old"}, Params().text("new", "Новый-2").text("old", "Новый")), 1);
    EXPECT_EQ(sql.select({"SELECT * FROM Route", "WHERE route = :route"}, Params().text("route", "Новый-2")).value(0, "SUBSCRIBER").toString(),
              "ООО \"Ромашка и партнёры\" №1234");
    EXPECT_EQ(sql.execute({"DELETE FROM Route", "WHERE pers = :pers"}, Params().real("pers", 4294967296.0)), 1);
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Route"}).value(0, 0).toLongLong(), 26);
    // Balance rows written from literals.
    EXPECT_EQ(sql.execute({"INSERT INTO Balance(number_m,type_m,number_s,type_s,kent) VALUES (777,1,778,0,20)"}), 1);
    EXPECT_EQ(sql.execute({"DELETE FROM Balance", "WHERE number_m = :number_m AND type_m = :type_m"}, Params().real("number_m", 777).real("type_m", 1)), 1);
}

TEST(LocalSql, FailedStatementLeavesTheFileAsItWas)
{
    ScratchDir d("small");
    const QByteArray before = tk::test::readAll(d.file("Route.dbf"));
    LocalSql sql(d.path());
    struct Case { QStringList lines; Params params; const char* message; };
    const std::vector<Case> cases = {
        {{"INSERT INTO Route(pers,street,route) VALUES(:pers,:street,'r')"}, Params().real("pers", 12345678901.0).text("street", "x"),
         "Route.dbf, column PERS (width 10): 12345678901 does not fit"},
        {{"INSERT INTO Route(street) VALUES(:street)"}, Params().text("street", "Улица Длинная"),
         "Route.dbf, column STREET (12 characters): \"Улица Длинная\" is too long"},
        // The first rows fit, a later one does not: the rows already written are put back.
        {{"UPDATE Route SET house = house || 'abc'"}, {}, "Route.dbf, column HOUSE (6 characters)"},
        {{"UPDATE Route SET number = number * 10"}, {}, "Route.dbf, column NUMBER (width 6)"},
        {{"INSERT INTO Route(number) SELECT number * 100 FROM Route"}, {}, "Route.dbf, column NUMBER (width 6)"},
    };
    for (const Case& c : cases) {
        try {
            sql.execute(c.lines, c.params);
            ADD_FAILURE() << c.message;
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message))) << e.message().toStdString();
        }
        const QByteArray now = tk::test::readAll(d.file("Route.dbf"));
        // Only our write counter in the reserved header bytes may differ.
        EXPECT_EQ(now.size(), before.size());
        EXPECT_EQ(now.mid(32), before.mid(32)) << c.message;
    }
}

TEST(LocalSql, ChangesByAnotherConnectionAreSeenAndIndexesFollowThem)
{
    ScratchDir d("small");
    LocalSql a(d.path()), b(d.path());
    const QStringList byNumber = {"SELECT COUNT(*) FROM Route WHERE number = 424299"};
    const QStringList byRoute = {"SELECT COUNT(*) FROM Route WHERE route = 'Маршрут 1'"};
    EXPECT_EQ(a.select(byNumber).value(0, 0).toLongLong(), 0); // builds a's index on number
    const long before = a.select(byRoute).value(0, 0).toLongLong();
    b.execute({"INSERT INTO Route(number, route) VALUES(424299, 'Маршрут 1')"});
    EXPECT_EQ(a.select(byNumber).value(0, 0).toLongLong(), 1);
    EXPECT_EQ(a.select(byRoute).value(0, 0).toLongLong(), before + 1);
    // An update in place that changes an indexed key (same size, maybe the same mtime tick).
    b.execute({"UPDATE Route SET number = 424298 WHERE number = 424299"});
    EXPECT_EQ(a.select(byNumber).value(0, 0).toLongLong(), 0);
    EXPECT_EQ(a.select({"SELECT COUNT(*) FROM Route WHERE number = 424298"}).value(0, 0).toLongLong(), 1);
    // A table file added after the connection was opened is found.
    tk::test::writeAll(d.file("Extra.DBF"), tk::test::readAll(d.file("Balance.dbf")));
    EXPECT_EQ(a.select({"SELECT COUNT(*) FROM extra"}).value(0, 0).toLongLong(), 17);
}

// Look-ups served from the in-memory indexes return exactly the rows a scan returns, for
// every operator, values between, at and beyond the keys, and whichever form the index
// takes: keys close together (kept by key), keys with a negative among them (kept as
// sorted pairs), fractional keys, blanks and deleted records, numbers written by other
// programs (zeros or blanks in front, blanks behind). A unary plus hides the column from
// the index, which gives the scan's answer. The indexes are built once by one thread and
// once in shares by three, which must not change a single answer.
TEST(LocalSql, IndexedLookUpsReturnWhatAScanReturns)
{
    QTemporaryDir dir;
    tk::dbf::Schema s;
    // NUM first (nothing in front of it in the record) and ANUM behind a date take the two
    // ways an integer key is read; ANUM grows with the record, so each thread's share of it
    // starts higher than the one before.
    s.fields = {{"NUM", 'N', 6, 0, 0}, {"FRAC", 'N', 8, 2, 0}, {"DAY", 'D', 8, 0, 0}, {"ANUM", 'N', 6, 0, 0}, {"NAME", 'C', 8, 0, 0}};
    for (const char* name : {"Close.dbf", "Mixed.dbf", "Raw.dbf"})
        tk::dbf::createTable(dir.filePath(name), s);
    {
        LocalSql sql(dir.path());
        for (const char* table : {"close", "mixed"}) {
            for (int i = 0; i < 60; ++i)
                sql.execute({QStringLiteral("INSERT INTO %1(num, frac, day, anum, name) VALUES(:n, :f, :d, :a, :t)").arg(table)},
                            Params().integer("n", 100 + i % 17).integer("a", 1000 + i).real("f", (i % 9) * 0.25 - 1)
                                .text("d", QStringLiteral("2024-02-%1").arg(1 + i % 29, 2, 10, QChar('0')))
                                .text("t", QStringLiteral("имя %1").arg(i % 5)));
            sql.execute({QStringLiteral("INSERT INTO %1(frac) VALUES(NULL)").arg(table)});
            sql.execute({QStringLiteral("DELETE FROM %1 WHERE rowid % 7 = 3").arg(table)});
        }
        sql.execute({"INSERT INTO mixed(num, day, anum) VALUES(-5, '1999-12-31', -5)"});
    }
    {
        DbfFile f;
        f.open(dir.filePath("Raw.dbf"), true);
        const std::uint32_t len = std::uint32_t(f.schema().recordLength);
        for (const char* num : {"    12", "000012", "12    ", "  12  ", "999999", "     0", "      ", "  -12 ", "+12   ", "1.5   ", "******"}) {
            for (int copy = 0; copy < 3; ++copy) {
                std::string rec(len, ' ');
                for (int at : {f.schema().fields[0].offset, f.schema().fields[3].offset})
                    rec.replace(std::size_t(at), 6, num);
                rec.replace(std::size_t(f.schema().fields[2].offset), 8, copy == 1 ? "00000000" : "20240229");
                if (copy == 2)
                    rec[0] = '*';
                f.appendUnflushed(rec.data());
            }
        }
        f.finish();
    }
    const QStringList ops = {"=", "<", "<=", ">", ">="};
    const std::vector<std::pair<QString, QVariant>> keys = {
        {"num", 99}, {"num", 100}, {"num", 107}, {"num", 107.5}, {"num", 116}, {"num", 117}, {"num", -5}, {"num", -1e300},
        {"num", 12}, {"num", 0}, {"num", 999999}, {"num", -12}, {"num", 1.5},
        {"anum", 999}, {"anum", 1000}, {"anum", 1030}, {"anum", 1059}, {"anum", -5}, {"anum", 12}, {"anum", 0}, {"anum", 999999}, {"anum", 1.5},
        {"frac", -1.0}, {"frac", -0.25}, {"frac", 0.3}, {"frac", 1.0}, {"frac", 5},
        {"day", "2024-01-31"}, {"day", "2024-02-01"}, {"day", "2024-02-15"}, {"day", "2024-02-29"}, {"day", "2024-03-01"},
        {"name", "имя 3"}, {"name", "имя 9"}};
    for (const unsigned threads : {1u, 3u}) {
        LocalSql sql(dir.path());
        sql.setIndexThreads(threads, 8);
        for (const char* table : {"close", "mixed", "raw"}) {
            for (const auto& [column, key] : keys) {
                for (const QString& op : ops) {
                    Params p;
                    if (key.typeId() == QMetaType::QString)
                        p.text("k", key.toString());
                    else if (key.typeId() == QMetaType::Int)
                        p.integer("k", key.toInt());
                    else
                        p.real("k", key.toDouble());
                    auto rows = [&](const QString& lhs) {
                        const Rows r = sql.select({QStringLiteral("SELECT rowid FROM %1 WHERE %2 %3 :k ORDER BY rowid").arg(table, lhs, op)}, p);
                        std::vector<long long> out;
                        for (int i = 0; i < r.size(); ++i)
                            out.push_back(r.value(i, 0).toLongLong());
                        return out;
                    };
                    const std::vector<long long> scanned = rows(column == "name" ? column + " || ''" : "+" + column);
                    EXPECT_EQ(rows(column), scanned) << threads << " threads, " << table << " " << column.toStdString() << " "
                                                     << op.toStdString() << " " << key.toString().toStdString();
                    const bool raw = table == QLatin1String("raw");
                    if (op == "=" && key == QVariant(raw ? 12 : 107)) {
                        EXPECT_FALSE(scanned.empty()) << "the cases must find rows";
                    }
                }
            }
        }
    }
}

// A key the index build cannot read fails the look-up naming the first such record, however
// many threads read the table.
TEST(LocalSql, UnreadableKeyIsNamedByItsFirstRecordWhateverTheThreads)
{
    QTemporaryDir dir;
    tk::dbf::Schema s;
    s.fields = {{"DAY", 'D', 8, 0, 0}, {"NUM", 'N', 6, 0, 0}};
    tk::dbf::createTable(dir.filePath("T.dbf"), s);
    {
        DbfFile f;
        f.open(dir.filePath("T.dbf"), true);
        for (int r = 0; r < 40; ++r) {
            std::string rec = " 20240101" + QString::number(r).rightJustified(6).toStdString();
            if (r == 25 || r == 33)
                rec[12] = '\0'; // a NUL where a digit was
            f.appendUnflushed(rec.data());
        }
        f.finish();
    }
    for (const unsigned threads : {1u, 4u}) {
        LocalSql sql(dir.path());
        sql.setIndexThreads(threads, 5);
        try {
            sql.select({"SELECT COUNT(*) FROM t WHERE num = 7"});
            ADD_FAILURE() << threads;
        } catch (const tk::Error& e) {
            EXPECT_TRUE(e.message().contains("record 26")) << threads << ": " << e.message().toStdString();
        }
    }
}

TEST(LocalSql, UnreadableTableIsReportedByItsOwnFault)
{
    ScratchDir d("small");
    QByteArray b = tk::test::readAll(d.file("Vakl4.dbf"));
    tk::test::writeAll(d.file("Vakl4.dbf"), b.left(b.size() / 2));
    LocalSql sql(d.path());
    EXPECT_EQ(sql.select({"SELECT COUNT(*) FROM Telv2"}).value(0, 0).toLongLong(), 60) << "the others still work";
    try {
        sql.select({"SELECT * FROM vakl4"});
        ADD_FAILURE();
    } catch (const tk::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Vakl4.dbf: the header counts 24 records but the file is truncated")) << e.message().toStdString();
    }
}
