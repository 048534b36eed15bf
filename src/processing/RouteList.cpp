#include "processing/RouteList.h"

namespace tk::processing {

qint64 RouteEntry::total() const
{
    qint64 sum = 0;
    for (const auto& c : counts)
        sum += c.value_or(0);
    return sum;
}

QStringList RouteEntry::cells() const
{
    QStringList out{name, QString::number(total())};
    for (const auto& c : counts)
        out << (c ? QString::number(*c) : QString());
    return out;
}

QStringList RouteSummary::names() const
{
    QStringList out;
    for (const RouteEntry& e : entries)
        out << e.name;
    return out;
}

RouteSummary summarizeRoutes(const std::vector<RouteCountRow>& rows)
{
    RouteSummary s;
    QString previous;
    for (const RouteCountRow& row : rows) {
        if (row.route.isEmpty())
            continue;
        if (row.route != previous) {
            s.entries.push_back({row.route, {}});
            previous = row.route;
        }
        if (row.type < 0 || row.type >= kTypeCount)
            continue;
        auto& cell = s.entries.back().counts[size_t(row.type)];
        cell = cell.value_or(0) + row.count;
        s.perType[size_t(row.type)] += row.count;
    }
    return s;
}

QString typePanelText(int code, qint64 count)
{
    return typeName(code) + QStringLiteral(":  ") + QString::number(count);
}

} // namespace tk::processing
