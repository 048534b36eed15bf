#include "processing/BalanceGroups.h"

#include "processing/MeterTypes.h"
#include "processing/PointText.h"
#include "store/dbf/LocalSql.h"

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
            const store::Rows first = sql.select({QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE number = :number")},
                                                 store::Params().integer(QStringLiteral("number"), number.toLongLong()));
            if (!first.isEmpty())
                g.description = (first.text(0, QStringLiteral("street")) + QLatin1Char(' ') + first.text(0, QStringLiteral("house"))).trimmed();
        }
        out.push_back(std::move(g));
    }
    return out;
}

} // namespace tk::processing
