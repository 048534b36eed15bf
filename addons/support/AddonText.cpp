#include "AddonText.h"

#include "common/CodePoints.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#include <io.h>
#endif

namespace vormaddon {
namespace {

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
        tk::codepoints::appendUtf8(out, tk::codepoints::fromCp1251(b));
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
        const int code = tk::codepoints::toCp1251(c);
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
        tk::codepoints::appendUtf8(out, c);
    }
    return out;
#else
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
#endif
}

} // namespace vormaddon
