#include "manager/HeaderColor.h"

#include <algorithm>

namespace tk::manager {

int shiftChannel(int v, int percent)
{
    // C++ integer division truncates toward zero, which is the rounding the tint is defined with.
    return std::clamp(v + v * percent / 100, 0, 255);
}

QColor headerPanelColor(const QColor& face)
{
    return QColor(shiftChannel(face.red(), 0), shiftChannel(face.green(), 2), shiftChannel(face.blue(), -4));
}

} // namespace tk::manager
