#pragma once
// The tint both programs give their panels: a colour channel shifted by a percentage.
#include <algorithm>

namespace tk {

// v + v * percent / 100, clamped to 0..255. C++ integer division truncates toward zero, which
// is the rounding the tint is defined with.
inline int shiftChannel(int v, int percent) { return std::clamp(v + v * percent / 100, 0, 255); }

} // namespace tk
