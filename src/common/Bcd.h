#pragma once
// Packed BCD: two decimal digits per byte, tens in the high nibble.
#include <cstdint>

namespace tk {

// No check of the nibbles: 0x1A gives 20, as the reader's own arithmetic does.
constexpr int BcdToByte(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

// v in 0..99.
constexpr uint8_t ByteToBcd(int v) { return static_cast<uint8_t>(((v / 10) << 4) | (v % 10)); }

} // namespace tk
