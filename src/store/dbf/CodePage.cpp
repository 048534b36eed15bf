#include "store/dbf/CodePage.h"

#include "common/CodePoints.h"

#include <array>
#include <unordered_map>

namespace tk::dbf {
namespace {

// Code page 866, bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> k866High = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};

struct Table {
    std::array<std::string, 256> toUtf8;
    std::unordered_map<char32_t, unsigned char> fromUnicode;
};

Table makeTable(CodePage cp)
{
    Table t;
    for (int b = 0; b < 256; ++b) {
        char32_t u;
        if (b < 0x80) {
            u = char32_t(b);
        } else if (cp == CodePage::Cp866) {
            u = k866High[b - 0x80];
        } else {
            u = codepoints::fromCp1251(static_cast<unsigned char>(b));
        }
        codepoints::appendUtf8(t.toUtf8[b], u);
        if (u != 0xFFFD)
            t.fromUnicode.emplace(u, static_cast<unsigned char>(b));
    }
    return t;
}

const Table& table(CodePage cp)
{
    static const Table t1251 = makeTable(CodePage::Cp1251);
    static const Table t866 = makeTable(CodePage::Cp866);
    return cp == CodePage::Cp866 ? t866 : t1251;
}

// Next code point of a UTF-8 string; invalid sequences give U+FFFD.
char32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t c = b0 & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return c;
}

} // namespace

std::optional<CodePage> codePageOfDriver(std::uint8_t ldid)
{
    switch (ldid) {
    case 0x00:
    case 0xC9:
        return CodePage::Cp1251;
    case 0x26:
    case 0x65:
        return CodePage::Cp866;
    default:
        return std::nullopt;
    }
}

std::uint8_t driverOfCodePage(CodePage cp) { return cp == CodePage::Cp866 ? 0x26 : 0xC9; }
const char* codePageName(CodePage cp) { return cp == CodePage::Cp866 ? "866" : "1251"; }

void decodeText(CodePage cp, const char* raw, std::size_t n, std::string& out)
{
    const Table& t = table(cp);
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (b < 0x80)
            out.push_back(char(b));
        else
            out += t.toUtf8[b];
    }
}

bool encodeText(CodePage cp, std::string_view utf8, std::string& out, char32_t* bad)
{
    const Table& t = table(cp);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t c = nextCodePoint(utf8, i);
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        const auto it = t.fromUnicode.find(c);
        if (it == t.fromUnicode.end()) {
            if (bad)
                *bad = c;
            return false;
        }
        out.push_back(char(it->second));
    }
    return true;
}

} // namespace tk::dbf
