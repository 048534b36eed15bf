#include "manager/HeaderColor.h"

namespace tk::manager {

QColor headerPanelColor(const QColor& face)
{
    return QColor(shiftChannel(face.red(), 0), shiftChannel(face.green(), 2), shiftChannel(face.blue(), -4));
}

} // namespace tk::manager
