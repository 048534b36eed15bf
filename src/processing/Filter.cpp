#include "processing/Filter.h"

#include <algorithm>

namespace tk::processing {

Period initialPeriod(const QDate& today)
{
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first};
}

int shiftChannel(int v, int percent)
{
    // C++ integer division truncates toward zero, which is the rounding the tint is defined with.
    return std::clamp(v + v * percent / 100, 0, 255);
}

} // namespace tk::processing
