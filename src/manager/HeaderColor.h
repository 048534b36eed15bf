#pragma once
// The header panel's tint: the button-face colour shifted a little toward green and away from blue.
#include <QColor>

namespace tk::manager {

// v + v * percent / 100, the division truncating toward zero, clamped to 0..255.
int shiftChannel(int v, int percent);

// Red unchanged, green +2 %, blue -4 %.
QColor headerPanelColor(const QColor& buttonFace);

} // namespace tk::manager
