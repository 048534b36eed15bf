#pragma once
// Little-endian integers in file bytes: the table header's counts and lengths and the journal's
// offsets, read and written the same way wherever they occur.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tk::dbf {

template <class T> T loadLe(const void* at)
{
    const auto* p = static_cast<const unsigned char*>(at);
    T v = 0;
    for (std::size_t k = sizeof(T); k-- > 0;)
        v = T(v << 8) | T(p[k]);
    return v;
}

template <class T> void storeLe(void* at, T v)
{
    auto* p = static_cast<unsigned char*>(at);
    for (std::size_t k = 0; k < sizeof(T); ++k)
        p[k] = static_cast<unsigned char>((v >> (8 * k)) & 0xFF);
}

inline std::uint16_t le16(const void* p) { return loadLe<std::uint16_t>(p); }
inline std::uint32_t le32(const void* p) { return loadLe<std::uint32_t>(p); }
inline std::uint64_t le64(const void* p) { return loadLe<std::uint64_t>(p); }

template <class T> void appendLe(std::string& s, T v)
{
    char bytes[sizeof(T)];
    storeLe(bytes, v);
    s.append(bytes, sizeof bytes);
}

} // namespace tk::dbf
