#include "AddonText.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#include <io.h>
#endif

namespace vormaddon {
namespace {

// Unicode code points of the bytes 0x80..0xFF; 0 where the code page leaves a byte unused.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when malformed.
size_t decodeUtf8(std::string_view text, size_t i, char32_t& c)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    size_t len;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0; // overlong forms and surrogates are not text
    return len;
}

#if defined(_WIN32)
std::wstring wide(const std::string& utf8)
{
    std::wstring out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        size_t len = decodeUtf8(utf8, i, c);
        if (len == 0) {
            c = 0xFFFD;
            len = 1;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += wchar_t(0xD800 + (c >> 10));
            out += wchar_t(0xDC00 + (c & 0x3FF));
        } else {
            out += wchar_t(c);
        }
        i += len;
    }
    return out;
}
#endif

} // namespace

std::string cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, b < 0x80 ? char32_t(b) : (kHigh[b - 0x80] ? char32_t(kHigh[b - 0x80]) : char32_t(0xFFFD)));
    }
    return out;
}

std::string utf8ToCp1251(std::string_view text, bool* lossy)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        size_t len = decodeUtf8(text, i, c);
        if (len == 0) {
            c = 0xFFFD;
            len = 1;
        }
        i += len;
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        int code = -1;
        for (int k = 0; k < 128; ++k)
            if (kHigh[k] && kHigh[k] == c) {
                code = 0x80 + k;
                break;
            }
        if (code < 0) {
            out += '?';
            if (lossy)
                *lossy = true;
        } else {
            out += char(code);
        }
    }
    return out;
}

bool isUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        const size_t len = decodeUtf8(text, i, c);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

bool putText(char* buffer, int capacity, std::string_view cp1251)
{
    if (!buffer || capacity <= 0)
        return false;
    if (cp1251.size() > size_t(capacity)) {
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, cp1251.data(), cp1251.size());
    buffer[cp1251.size()] = '\0';
    return true;
}

void raise(VormError* error, std::string_view utf8Message)
{
    if (!error)
        return;
    error->raised = 1;
    std::string text = utf8ToCp1251(utf8Message);
    if (text.size() > VORM_TEXT_CAPACITY)
        text.resize(VORM_TEXT_CAPACITY);
    std::memcpy(error->message, text.data(), text.size());
    error->message[text.size()] = '\0';
}

std::FILE* openFile(const std::string& utf8Path, const char* mode)
{
#if defined(_WIN32)
    return _wfopen(wide(utf8Path).c_str(), wide(mode).c_str());
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

bool removeFile(const std::string& utf8Path)
{
#if defined(_WIN32)
    return _wremove(wide(utf8Path).c_str()) == 0;
#else
    return std::remove(utf8Path.c_str()) == 0;
#endif
}

bool replaceFile(const std::string& fromUtf8, const std::string& toUtf8)
{
#if defined(_WIN32)
    if (MoveFileExW(wide(fromUtf8).c_str(), wide(toUtf8).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = EACCES;
    return false;
#else
    return std::rename(fromUtf8.c_str(), toUtf8.c_str()) == 0;
#endif
}

std::string systemReason(int errorNumber)
{
    const char* text = std::strerror(errorNumber);
    return text ? std::string(text) : std::string("error ") + std::to_string(errorNumber);
}

std::string environment(const char* name)
{
#if defined(_WIN32)
    const wchar_t* value = _wgetenv(wide(name).c_str());
    if (!value)
        return {};
    std::string out;
    for (; *value; ++value) {
        char32_t c = char32_t(*value);
        if (c >= 0xD800 && c < 0xDC00 && value[1] >= 0xDC00 && value[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(value[1]) - 0xDC00);
            ++value;
        }
        appendUtf8(out, c);
    }
    return out;
#else
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
#endif
}

} // namespace vormaddon
