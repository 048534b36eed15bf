#include "processing/Filter.h"


namespace tk::processing {

Period initialPeriod(const QDate& today)
{
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first};
}

} // namespace tk::processing
