#include "processing/RouteTable.h"

#include "processing/MeterTypes.h"
#include "processing/PointText.h"
#include "store/dbf/LocalSql.h"

namespace tk::processing {

namespace {

store::Params pointParams(const MeteringPoint& p)
{
    store::Params params;
    params.integer(QStringLiteral("pers"), p.account)
        .text(QStringLiteral("street"), p.street)
        .text(QStringLiteral("house"), p.house)
        .integer(QStringLiteral("number"), p.number)
        .integer(QStringLiteral("ctype"), p.type)
        .text(QStringLiteral("subscriber"), p.subscriber)
        .text(QStringLiteral("route"), p.route);
    return params;
}

QStringList nonEmptyColumn(const store::Rows& rows)
{
    QStringList out;
    for (int r = 0; r < rows.size(); ++r) {
        const QString t = rows.text(r, 0);
        if (!t.isEmpty())
            out << t;
    }
    return out;
}

} // namespace

std::vector<RouteCountRow> RouteTable::routesWithCounts()
{
    const store::Rows rows = sql_.select({QStringLiteral("SELECT COUNT(*),route,ctype FROM Route"),
                                          QStringLiteral("GROUP BY route,ctype"), QStringLiteral("ORDER BY route,ctype")});
    std::vector<RouteCountRow> out;
    out.reserve(size_t(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QVariant& type = rows.value(r, 2);
        out.push_back({rows.text(r, 1), type.isNull() ? -1 : int(type.toLongLong()), rows.value(r, 0).toLongLong()});
    }
    return out;
}

std::vector<PointRow> RouteTable::pointsOfRoute(const QString& route)
{
    const store::Rows rows = sql_.select({QStringLiteral("SELECT * FROM Route"), QStringLiteral("WHERE route = :route")},
                                         store::Params().text(QStringLiteral("route"), route));
    const int pers = rows.column(QStringLiteral("pers")), number = rows.column(QStringLiteral("number")),
              ctype = rows.column(QStringLiteral("ctype"));
    std::vector<PointRow> out;
    out.reserve(size_t(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        PointRow p;
        // An empty field stays empty rather than turning into a row of zeros that names no point.
        if (!rows.value(r, pers).isNull())
            p.account = accountText(rows.value(r, pers).toLongLong());
        p.street = rows.text(r, QStringLiteral("street"));
        p.house = rows.text(r, QStringLiteral("house"));
        p.subscriber = rows.text(r, QStringLiteral("subscriber"));
        if (!rows.value(r, number).isNull())
            p.number = meterNumberText(rows.value(r, number).toLongLong());
        p.type = rows.value(r, ctype).isNull() ? -1 : int(rows.value(r, ctype).toLongLong());
        p.typeName = typeName(p.type);
        out.push_back(std::move(p));
    }
    return out;
}

QStringList RouteTable::streets()
{
    return nonEmptyColumn(sql_.select({QStringLiteral("SELECT DISTINCT street FROM Route"), QStringLiteral("ORDER BY street")}));
}

QStringList RouteTable::housesOfStreet(const QString& street)
{
    return nonEmptyColumn(sql_.select({QStringLiteral("SELECT house FROM Route"), QStringLiteral("WHERE street = :street"),
                                       QStringLiteral("ORDER BY house")},
                                      store::Params().text(QStringLiteral("street"), street)));
}

qint64 RouteTable::accountCount(qint64 account)
{
    const store::Rows rows = sql_.select({QStringLiteral("SELECT COUNT(*) FROM Route"), QStringLiteral("WHERE pers = :pers")},
                                         store::Params().integer(QStringLiteral("pers"), account));
    return rows.isEmpty() ? 0 : rows.value(0, 0).toLongLong();
}

void RouteTable::add(const MeteringPoint& p)
{
    sql_.execute({QStringLiteral("INSERT INTO Route(pers,street,house,number,ctype,subscriber,route)"),
                  QStringLiteral("VALUES(:pers,:street,:house,:number,:ctype,:subscriber,:route)")},
                 pointParams(p));
}

int RouteTable::edit(const MeteringPoint& p)
{
    return sql_.execute({QStringLiteral("UPDATE Route SET street = :street,house = :house,number = :number,"),
                         QStringLiteral(" ctype = :ctype,subscriber = :subscriber,route = :route"),
                         QStringLiteral("WHERE pers = :pers")},
                        pointParams(p));
}

int RouteTable::remove(qint64 account)
{
    return sql_.execute({QStringLiteral("DELETE FROM Route"), QStringLiteral("WHERE pers = :pers")},
                        store::Params().integer(QStringLiteral("pers"), account));
}

int RouteTable::rename(const QString& oldName, const QString& newName)
{
    return sql_.execute({QStringLiteral("UPDATE Route SET route = :new"), QStringLiteral("WHERE route = :old")},
                        store::Params().text(QStringLiteral("new"), newName).text(QStringLiteral("old"), oldName));
}

store::Rows RouteTable::allRows()
{
    return sql_.select({QStringLiteral("SELECT * FROM Route")});
}

} // namespace tk::processing
