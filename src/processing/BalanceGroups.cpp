#include "processing/BalanceGroups.h"

#include "processing/MeterTypes.h"
#include "processing/PointText.h"
#include "store/dbf/LocalSql.h"
#include "common/Error.h"

#include <algorithm>

namespace tk::processing {

std::vector<BalanceGroup> loadBalanceGroups(store::LocalSql& sql)
{
    const store::Rows groups = sql.select(
        {QStringLiteral("SELECT DISTINCT number_m,type_m ,kent"), QStringLiteral("FROM Balance"), QStringLiteral("ORDER BY number_m,type_m")});
    std::vector<BalanceGroup> out;
    for (int r = 0; r < groups.size(); ++r) {
        BalanceGroup g;
        const QVariant& number = groups.value(r, 0);
        const QVariant& type = groups.value(r, 1);
        g.caption = number.isNull() ? QString() : meterNumberText(number.toLongLong());
        g.type = type.isNull() ? -1 : int(type.toLongLong());
        g.kent = groups.text(r, 2);
        const QString table = readingTable(g.type);
        if (!table.isEmpty() && !number.isNull()) {
            // The table name comes from the fixed list of reading tables; the number is bound.
            const store::Rows first = sql.select({QStringLiteral("SELECT street,house FROM ") + table + QStringLiteral(" WHERE number = :number")},
                                                 store::Params().integer(QStringLiteral("number"), number.toLongLong()));
            if (!first.isEmpty())
                g.description = (first.text(0, QStringLiteral("street")) + QLatin1Char(' ') + first.text(0, QStringLiteral("house"))).trimmed();
        }
        out.push_back(std::move(g));
    }
    return out;
}

} // namespace tk::processing

namespace tk::processing {

GroupContent loadGroup(store::LocalSql& sql, qint64 number, int type)
{
    const store::Rows rows = sql.select({QStringLiteral("SELECT number_s,type_s,kent "), QStringLiteral("FROM Balance"),
                                         QStringLiteral(" WHERE number_m = :number_m AND type_m = :type_m"), QStringLiteral("ORDER BY number_s")},
                                        store::Params().real(QStringLiteral("number_m"), double(number)).real(QStringLiteral("type_m"), double(type)));
    GroupContent g;
    for (int r = 0; r < rows.size(); ++r) {
        const QVariant& t = rows.value(r, 1);
        const qint64 code = t.isNull() ? -1 : qint64(t.toDouble());
        if (code >= 0 && code < kTypeCount)
            g.subMeters[size_t(code)] << rows.text(r, 0);
        g.kent = rows.text(r, 2);
    }
    return g;
}

void writeGroup(store::LocalSql& sql, qint64 number, int type, qint64 kent, const std::array<QStringList, 5>& boxes,
                const std::function<void(int done, int total)>& afterInsert)
{
    // Everything is checked before anything is written, so a refused line changes nothing.
    std::vector<std::pair<qint64, int>> rows;
    for (int c = 0; c < kTypeCount; ++c) {
        const QStringList& lines = boxes[size_t(c)];
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.isEmpty())
                continue;
            bool ok = line.size() <= 6 && std::all_of(line.begin(), line.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
            if (!ok)
                throw Error(QStringLiteral("%1, строка %2: \"%3\" не номер счётчика (ожидается одно число от 0 до 999999). "
                                           "Группа не записана.")
                                .arg(balanceLabel(c))
                                .arg(i + 1)
                                .arg(lines[i]));
            rows.emplace_back(line.toLongLong(), c);
        }
    }
    sql.execute({QStringLiteral("BEGIN")});
    try {
        sql.execute({QStringLiteral("DELETE FROM Balance"), QStringLiteral("WHERE number_m = :number_m AND type_m = :type_m")},
                    store::Params().real(QStringLiteral("number_m"), double(number)).real(QStringLiteral("type_m"), double(type)));
        int done = 0;
        for (const auto& [sub, subType] : rows) {
            sql.execute({QStringLiteral("INSERT INTO Balance(number_m,type_m,number_s,type_s,kent) VALUES (:number_m,:type_m,:number_s,:type_s,:kent)")},
                        store::Params()
                            .integer(QStringLiteral("number_m"), number)
                            .integer(QStringLiteral("type_m"), type)
                            .integer(QStringLiteral("number_s"), sub)
                            .integer(QStringLiteral("type_s"), subType)
                            .integer(QStringLiteral("kent"), kent));
            if (afterInsert)
                afterInsert(++done, int(rows.size()));
        }
        sql.execute({QStringLiteral("COMMIT")});
    } catch (const Error&) {
        try {
            sql.execute({QStringLiteral("ROLLBACK")});
        } catch (const Error&) {
            // A failed COMMIT has already ended the transaction.
        }
        throw;
    }
}

QStringList sharedSubMeterLines(store::LocalSql& sql)
{
    QStringList lines;
    const store::Rows shared = sql.select({QStringLiteral("SELECT COUNT(*),number_s,type_s"), QStringLiteral("FROM Balance"),
                                           QStringLiteral("GROUP BY number_s,type_s")});
    for (int r = 0; r < shared.size(); ++r) {
        if (shared.value(r, 0).toLongLong() <= 1)
            continue;
        const QVariant& t = shared.value(r, 2);
        lines << QStringLiteral("№") + shared.text(r, 1) + QLatin1Char(' ') + typeName(t.isNull() ? -1 : int(t.toDouble()))
                + QStringLiteral(" в балансе для");
        store::Params p;
        p.real(QStringLiteral("number_s"), shared.value(r, 1).toDouble()).real(QStringLiteral("type_s"), t.toDouble());
        if (shared.value(r, 1).isNull())
            p.null(QStringLiteral("number_s"));
        if (t.isNull())
            p.null(QStringLiteral("type_s"));
        const store::Rows groups = sql.select({QStringLiteral("SELECT number_m,type_m"), QStringLiteral("FROM Balance"),
                                               QStringLiteral("WHERE number_s = :number_s"), QStringLiteral("AND type_s = :type_s")},
                                              p);
        for (int g = 0; g < groups.size(); ++g) {
            const QVariant& tm = groups.value(g, 1);
            lines << QStringLiteral("  ") + groups.text(g, 0) + QLatin1Char(' ') + typeName(tm.isNull() ? -1 : int(tm.toDouble()));
        }
    }
    return lines;
}

} // namespace tk::processing
