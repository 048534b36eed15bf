#include "Faults.h"

#include <algorithm>

namespace tk::sim {

bool FaultRule::matches(uint8_t fn, std::optional<uint8_t> db) const
{
    if (remaining == 0)
        return false;
    if (function && *function != fn)
        return false;
    // A rule for one database never matches a request that names none.
    if (database && (!db || *database != *db))
        return false;
    return true;
}

QString FaultRule::describe() const
{
    QString s;
    switch (kind) {
    case Kind::Silence: s = QStringLiteral("silence"); break;
    case Kind::ErrorAnswer: s = QStringLiteral("error code %1").arg(value); break;
    case Kind::BadCrc: s = QStringLiteral("bad-crc"); break;
    case Kind::Delay: s = QStringLiteral("delay %1 ms").arg(value); break;
    case Kind::SplitBytes: s = QStringLiteral("split %1 ms").arg(value); break;
    case Kind::Garbage: s = QStringLiteral("garbage %1").arg(QString::fromLatin1(garbage.toHex(' ').toUpper())); break;
    }
    if (function)
        s += QStringLiteral(" fn %1").arg(*function);
    if (database)
        s += QStringLiteral(" db %1").arg(*database);
    if (remaining != kForever)
        s += QStringLiteral(" x%1").arg(remaining);
    return s;
}

bool FaultList::isUnplug(const FaultRule& r)
{
    return r.kind == FaultRule::Kind::Silence && !r.function && !r.database && r.remaining == FaultRule::kForever;
}

void FaultList::unplug()
{
    if (!unplugged())
        rules_.insert(rules_.begin(), FaultRule::unplugged());
}

void FaultList::plug()
{
    std::erase_if(rules_, isUnplug);
}

bool FaultList::unplugged() const
{
    return std::any_of(rules_.begin(), rules_.end(), isUnplug);
}

std::optional<FaultRule> FaultList::take(FaultRule::Kind kind, uint8_t fn, std::optional<uint8_t> db)
{
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
        if (it->kind != kind || !it->matches(fn, db))
            continue;
        FaultRule used = *it;
        if (it->remaining > 0 && --it->remaining == 0)
            rules_.erase(it);
        return used;
    }
    return std::nullopt;
}

} // namespace tk::sim
