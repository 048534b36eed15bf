#pragma once
// The header panel's tint: the button-face colour shifted a little toward green and away from blue.
#include "common/Tint.h"

#include <QColor>

namespace tk::manager {

// Red unchanged, green +2 %, blue -4 %.
QColor headerPanelColor(const QColor& buttonFace);

} // namespace tk::manager
