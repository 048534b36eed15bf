// The demo working directory that tk-table makes: enough of everything for every tab to show
// something, and the routes the demo reader holds.
#include "ProcessingTestSupport.h"

#include "common/Bcd.h"
#include "common/Cp1251.h"
#include "common/Families.h"
#include "processing/BalanceGroups.h"
#include "processing/RouteList.h"
#include "processing/RouteTable.h"
#include "store/dbf/LocalSql.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace tk;
using namespace tk::processing;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

ToolRun tkTable(const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("TK_BIN_DIR", QStringLiteral(TK_BIN_DIR_DEFAULT)) + QStringLiteral("/tk-table"), args);
    ToolRun r;
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << "tk-table did not finish";
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QJsonObject demoReader()
{
    QFile f(QStringLiteral(TK_READERSIM_DEMO));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("databases")].toObject();
}

QList<QByteArray> records(const QJsonObject& dbs, int db)
{
    QList<QByteArray> out;
    for (const auto& r : dbs[QString::number(db)].toObject()[QStringLiteral("records")].toArray())
        out << QByteArray::fromHex(r.toString().toLatin1());
    return out;
}

int meterNumber(const QByteArray& r)
{
    return BcdToByte(uint8_t(r[0])) * 10000 + BcdToByte(uint8_t(r[1])) * 100 + BcdToByte(uint8_t(r[2]));
}

int routeTypeOfCode(int code)
{
    for (const FamilyInfo& f : kFamilies)
        if (f.meterTypeCode == code)
            return f.routeType;
    return -1;
}

} // namespace

TEST(DemoContent, RoutesReadingsAndGroupsForEveryTab)
{
    QTemporaryDir dir;
    const ToolRun r = tkTable({QStringLiteral("demo"), dir.path(), QStringLiteral("--today"), QStringLiteral("2024-01-20")});
    ASSERT_EQ(0, r.exitCode) << r.err.toStdString();

    store::LocalSql sql(dir.path());
    RouteTable routes(sql);
    const RouteSummary s = summarizeRoutes(routes.routesWithCounts());
    EXPECT_GE(s.entries.size(), 4u);
    qint64 points = 0;
    for (int c = 0; c < kTypeCount; ++c) {
        EXPECT_GT(s.perType[size_t(c)], 5) << "type " << c;
        points += s.perType[size_t(c)];
    }
    EXPECT_GE(points, 200);
    EXPECT_LE(points, 600);

    for (const char* table : {"Telv1", "Telv2", "Vakl4", "VaklDr", "VaklPdr"}) {
        const store::Rows span = sql.select({QStringLiteral("SELECT MIN(date_meas), MAX(date_meas), COUNT(*) FROM ") + table});
        const QDate first = QDate::fromString(span.value(0, 0).toString(), Qt::ISODate);
        const QDate last = QDate::fromString(span.value(0, 1).toString(), Qt::ISODate);
        EXPECT_GT(first.daysTo(last), 365) << table;
        EXPECT_LE(last, QDate(2024, 1, 20)) << table << ": nothing read after today";
        EXPECT_GE(last, QDate(2024, 1, 1)) << table << ": this month is read, so the opening period has results";
    }
    const store::Rows twice = sql.select({QStringLiteral("SELECT number, date_meas FROM Telv2 GROUP BY number, date_meas HAVING COUNT(*) > 1")});
    EXPECT_TRUE(twice.isEmpty()) << "one reading per meter and day";

    const std::vector<BalanceGroup> groups = loadBalanceGroups(sql);
    EXPECT_GE(groups.size(), 3u);
    for (const BalanceGroup& g : groups)
        EXPECT_FALSE(g.description.isEmpty()) << g.caption.toStdString();

    // A second run refuses and leaves the tables as they are.
    const ToolRun again = tkTable({QStringLiteral("demo"), dir.path()});
    EXPECT_NE(0, again.exitCode);
    EXPECT_TRUE(again.err.contains(QStringLiteral("holds rows"))) << again.err.toStdString();
    EXPECT_EQ(s.entries.size(), summarizeRoutes(routes.routesWithCounts()).entries.size());
}

TEST(DemoContent, MatchesTheDemoReader)
{
    QTemporaryDir dir;
    ASSERT_EQ(0, tkTable({QStringLiteral("demo"), dir.path()}).exitCode);
    store::LocalSql sql(dir.path());
    RouteTable routes(sql);
    const QJsonObject reader = demoReader();

    QMap<int, QString> streets;
    for (const QByteArray& r : records(reader, 5))
        streets[uint8_t(r[0])] = fromCp1251(r.mid(1).left(r.mid(1).indexOf('\0')));
    const QStringList tableStreets = routes.streets();
    for (const QString& street : streets)
        EXPECT_TRUE(tableStreets.contains(street)) << street.toStdString();

    // Route 1 of the reader (database 8, 15-byte records) is the route of the same name, point for point.
    const QString name = reader[QStringLiteral("8")].toObject()[QStringLiteral("name")].toString();
    const std::vector<PointRow> table = routes.pointsOfRoute(name);
    const QList<QByteArray> reader8 = records(reader, 8);
    ASSERT_EQ(size_t(reader8.size()), table.size()) << name.toStdString();
    for (int i = 0; i < reader8.size(); ++i) {
        const QByteArray& r = reader8[i];
        const qint64 account = qint64(uint8_t(r[8])) | qint64(uint8_t(r[9])) << 8 | qint64(uint8_t(r[10])) << 16
            | qint64(uint8_t(r[11])) << 24 | qint64(uint8_t(r[5]) >> 6) << 32;
        const int house = (uint8_t(r[5]) & 0x3F) << 8 | uint8_t(r[6]);
        const int suffix = uint8_t(r[7]);
        const QString houseText = QString::number(house)
            + (suffix == 0 ? QString() : suffix <= 64 ? QStringLiteral("/%1").arg(suffix) : fromCp1251(QByteArray(1, char(suffix))));
        const PointRow& p = table[size_t(i)];
        EXPECT_EQ(account, p.account.toLongLong()) << i;
        EXPECT_EQ(meterNumber(r), p.number.toInt()) << i;
        EXPECT_EQ(routeTypeOfCode(uint8_t(r[3])), p.type) << i;
        EXPECT_EQ(streets.value(uint8_t(r[4])), p.street) << i;
        EXPECT_EQ(houseText, p.house) << i;
    }

    // Every meter the reader holds readings of is a point of the routes, of its family's type.
    const store::Rows all = routes.allRows();
    for (const FamilyInfo& f : kFamilies) {
        if (f.routeType < 0)
            continue;
        for (const QByteArray& r : records(reader, f.readerDb)) {
            bool found = false;
            for (int row = 0; row < all.size(); ++row)
                found = found
                    || (all.value(row, QStringLiteral("number")).toInt() == meterNumber(r)
                        && all.value(row, QStringLiteral("ctype")).toInt() == f.routeType);
            EXPECT_TRUE(found) << "meter " << meterNumber(r) << " of database " << f.readerDb;
        }
    }
}
