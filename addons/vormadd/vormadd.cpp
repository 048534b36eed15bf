// vormadd: route files, text export of readings and the about-box texts.
// Formats are described in addons/README.md. Every exported function keeps exceptions inside
// and reports failures through the VormError channel.
#include "vormadd.h"

#include "AddonText.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace vormaddon;

namespace {

constexpr char kSeparator = ';';

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// A route-file line in Windows-1251; a UTF-8 line (the first one may carry the byte-order mark)
// is converted first, so files saved by either kind of editor read the same.
std::string lineText(const char* line)
{
    std::string_view v = line ? std::string_view(line) : std::string_view();
    if (v.substr(0, 3) == "\xEF\xBB\xBF")
        v.remove_prefix(3);
    bool ascii = true;
    for (char c : v)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    // Windows-1251 Cyrillic text is almost never well-formed UTF-8 (a letter byte 0xC0..0xFF
    // would have to be followed by bytes 0x80..0xBF, which are punctuation and rare letters).
    if (!ascii && isUtf8(v))
        return utf8ToCp1251(v);
    return std::string(v);
}

std::string field(const char* line, int index)
{
    const std::string text = lineText(line);
    std::string_view rest = text;
    for (int i = 0;; ++i) {
        const size_t cut = rest.find(kSeparator);
        if (i == index)
            return std::string(trimmed(rest.substr(0, cut)));
        if (cut == std::string_view::npos)
            return {};
        rest.remove_prefix(cut + 1);
    }
}

void decode(const char* line, int index, char* buffer, int capacity, VormError* error)
{
    try {
        if (!putText(buffer, capacity, field(line, index)))
            raise(error, "Поле строки маршрута длиннее " + std::to_string(capacity) + " знаков");
    } catch (...) {
        raise(error, "vormadd: не хватило памяти при разборе строки маршрута");
    }
}

bool allDigits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A cell of the export file: quoted when it holds the separator, a quotation mark or a line break.
void appendCell(std::string& out, const char* cell)
{
    const std::string_view v = cell ? std::string_view(cell) : std::string_view();
    if (v.find_first_of(";\"\r\n") == std::string_view::npos) {
        out += v;
        return;
    }
    out += '"';
    for (char c : v) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

extern "C" {

VORM_EXPORT void RouteFromFileName(const char* fileName, char* buffer, int capacity, VormError* error)
{
    try {
        std::string_view name = fileName ? std::string_view(fileName) : std::string_view();
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string_view::npos)
            name.remove_prefix(slash + 1);
        const size_t dot = name.rfind('.');
        if (dot != std::string_view::npos && dot > 0)
            name = name.substr(0, dot);
        if (!putText(buffer, capacity, name))
            raise(error, "Имя файла маршрута длиннее " + std::to_string(capacity) + " знаков");
    } catch (...) {
        raise(error, "vormadd: не хватило памяти");
    }
}

VORM_EXPORT void DecodePersonalAccount(const char* line, char* buffer, int capacity, VormError* error)
{
    decode(line, 0, buffer, capacity, error);
}

VORM_EXPORT void DecodeStreet(const char* line, char* buffer, int capacity, VormError* error)
{
    decode(line, 1, buffer, capacity, error);
}

VORM_EXPORT void DecodeHouse(const char* line, char* buffer, int capacity, VormError* error)
{
    decode(line, 2, buffer, capacity, error);
}

VORM_EXPORT void DecodeElectroNumber(const char* line, char* buffer, int capacity, VormError* error)
{
    decode(line, 3, buffer, capacity, error);
}

VORM_EXPORT void DecodeElectroType(const char* line, char* buffer, int capacity, VormError* error)
{
    decode(line, 4, buffer, capacity, error);
}

VORM_EXPORT int CheckRecord(const char* account, const char* house, const char* meterNumber, VormError*)
{
    const std::string_view a = account ? std::string_view(account) : std::string_view();
    const std::string_view h = house ? std::string_view(house) : std::string_view();
    const std::string_view m = meterNumber ? std::string_view(meterNumber) : std::string_view();
    // The reader keeps an account in 34 bits.
    if (a.empty() || a.size() > 10 || !allDigits(a) || std::stoull(std::string(a)) >= (1ULL << 34))
        return 1;
    if (h.empty() || h.size() > 6 || h.front() < '0' || h.front() > '9')
        return 2;
    if (m.empty() || m.size() > 6 || !allDigits(m))
        return 3;
    return 0;
}

VORM_EXPORT int GetDialogSave(VormError*)
{
    return 2;
}

VORM_EXPORT void ExportToFile(const VormGrid* grid, const char* target, int kind, VormError* error)
{
    std::string temporary;
    try {
        if (!grid || !grid->cell || grid->rowCount < 0 || grid->columnCount < 0) {
            raise(error, "vormadd: таблица для экспорта не передана");
            return;
        }
        if (kind < 1 || kind > 5) {
            raise(error, "vormadd: неизвестный код семейства счётчиков " + std::to_string(kind));
            return;
        }
        const std::string path = cp1251ToUtf8(target ? target : "");
        if (path.empty()) {
            raise(error, "Не указан файл для экспорта");
            return;
        }
        auto rowEmpty = [&](int row) {
            for (int c = 0; c < grid->columnCount; ++c) {
                const char* text = grid->cell(grid->context, row, c);
                if (text && *text)
                    return false;
            }
            return true;
        };
        int rows = grid->rowCount;
        while (rows > 1 && rowEmpty(rows - 1)) // the grid's empty last row is not a reading
            --rows;

        std::string out = std::to_string(kind) + "\r\n";
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < grid->columnCount; ++c) {
                if (c > 0)
                    out += kSeparator;
                appendCell(out, grid->cell(grid->context, r, c));
            }
            out += "\r\n";
        }

        // Written beside the target and renamed over it, so a failed write leaves the old file.
        temporary = path + ".part";
        std::FILE* f = openFile(temporary, "wb");
        if (!f) {
            const int e = errno;
            temporary.clear();
            raise(error, "Не удалось записать файл " + path + ": " + systemReason(e));
            return;
        }
        bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size() && std::fflush(f) == 0;
        int e = ok ? 0 : errno;
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            e = errno;
        }
        if (ok && !replaceFile(temporary, path)) {
            ok = false;
            e = errno;
        }
        if (!ok) {
            removeFile(temporary);
            raise(error, "Не удалось записать файл " + path + ": " + systemReason(e));
            return;
        }
    } catch (...) {
        if (!temporary.empty())
            removeFile(temporary);
        raise(error, "vormadd: не хватило памяти при экспорте");
    }
}

VORM_EXPORT void GetAboutString(char* buffer, int capacity, VormError* error)
{
    try {
        const std::string text = utf8ToCp1251(
            "Дополнения vormadd 1.0\n"
            "Файлы маршрутов и текстовый экспорт показаний");
        if (!putText(buffer, capacity, text))
            raise(error, "vormadd: текст о программе не помещается в буфер");
    } catch (...) {
        raise(error, "vormadd: не хватило памяти");
    }
}

// A round meter dial with a needle, drawn here so that the library carries no picture file.
VORM_EXPORT void GetAboutBadge(VormBitmap* bitmap, VormError* error)
{
    if (!bitmap || !bitmap->pixels) {
        raise(error, "vormadd: нет места для картинки");
        return;
    }
    int size = 64;
    if (bitmap->maxWidth < size || bitmap->maxHeight < size)
        size = bitmap->maxWidth < bitmap->maxHeight ? bitmap->maxWidth : bitmap->maxHeight;
    if (size <= 0) {
        bitmap->width = bitmap->height = 0;
        return;
    }
    const double centre = (size - 1) / 2.0;
    const double radius = size / 2.0 - 1;
    // The needle points up and to the right, from the centre to 80% of the radius.
    const double nx = 0.70710678, ny = -0.70710678;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre, dy = y - centre;
            const double d = std::sqrt(dx * dx + dy * dy);
            std::uint32_t pixel = 0x00000000; // transparent outside the dial
            if (d <= radius) {
                pixel = 0xFF1F3A93; // navy face
                if (d >= radius * 0.82)
                    pixel = 0xFFF2C14E; // amber rim
                const double along = dx * nx + dy * ny;
                const double across = std::fabs(dx * ny - dy * nx);
                if (along >= 0 && along <= radius * 0.8 && across <= size / 32.0 + 0.5)
                    pixel = 0xFFFFFFFF; // needle
                if (d <= size / 16.0 + 0.5)
                    pixel = 0xFFFFFFFF; // hub
            }
            bitmap->pixels[y * size + x] = pixel;
        }
    bitmap->width = size;
    bitmap->height = size;
}

} // extern "C"
