#include "store/dbf/DbfFormat.h"
#include "store/dbf/LittleEndian.h"

#include "common/Error.h"

#include <QDate>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tk::dbf {
namespace {


QString versionName(std::uint8_t v)
{
    switch (v) {
    case 0x02: return QStringLiteral("FoxBASE");
    case 0x30: case 0x31: case 0x32: return QStringLiteral("Visual FoxPro");
    case 0x43: case 0x63: case 0x83: case 0x8B: case 0xCB: case 0xF5: case 0xFB:
        return QStringLiteral("a table with memo fields");
    case 0x8C: return QStringLiteral("dBASE 7");
    default: return QStringLiteral("not a known dBASE version");
    }
}

bool isBlank(const char* p, int n, char blank = ' ')
{
    for (int i = 0; i < n; ++i)
        if (p[i] != blank)
            return false;
    return true;
}

// The field's bytes for a message: control bytes (a NUL, say) as \xNN, so they show.
QString rawText(const char* p, int n)
{
    QString out;
    for (int i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 || c == 0x7F)
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else
            out += QChar::fromLatin1(char(c));
    }
    return out;
}

QString where(const Place& w, const Field& f)
{
    if (w.record < 0)
        return QStringLiteral("%1, column %2").arg(w.table, QString::fromStdString(f.name));
    return QStringLiteral("%1, record %2, column %3").arg(w.table).arg(w.record + 1).arg(QString::fromStdString(f.name));
}

// Strict decimal number: optional sign, digits, optional point and digits.
bool parseNumber(std::string_view s, bool& hasPoint, std::int64_t& iv, double& dv)
{
    if (s.empty())
        return false;
    std::size_t i = 0;
    if (s[0] == '-' || s[0] == '+')
        ++i;
    std::size_t digits = 0;
    hasPoint = false;
    for (std::size_t k = i; k < s.size(); ++k) {
        if (s[k] >= '0' && s[k] <= '9') {
            ++digits;
        } else if (s[k] == '.' && !hasPoint) {
            hasPoint = true;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    std::string copy(s.substr(s[0] == '+' ? 1 : 0));
    if (!copy.empty() && copy.back() == '.')
        copy.pop_back();
    // from_chars, unlike strtod, ignores the process locale: a program running with a
    // decimal comma (as Qt programs do on a Russian desktop) reads the same numbers.
    if (std::from_chars(copy.data(), copy.data() + copy.size(), dv).ec == std::errc::result_out_of_range) {
        // Beyond a double (refused later as not finite), or so small that it is zero.
        const bool large = copy.find_first_of("123456789") < copy.find('.');
        dv = (large ? HUGE_VAL : 0.0) * (copy[0] == '-' ? -1 : 1);
    }
    if (!hasPoint) {
        auto [p, ec] = std::from_chars(copy.data(), copy.data() + copy.size(), iv);
        if (ec != std::errc() || p != copy.data() + copy.size())
            hasPoint = true; // beyond 64 bits: keep the floating value
    }
    return true;
}

std::string formatNumber(const Field& f, const Value& v, const QString& table, bool& ok)
{
    ok = true;
    double d = 0;
    std::int64_t iv = 0;
    bool integral = false;
    switch (v.kind) {
    case Value::Kind::Integer:
        iv = v.i;
        d = double(v.i);
        integral = true;
        break;
    case Value::Kind::Real:
        d = v.d;
        break;
    case Value::Kind::Text: {
        bool point = false;
        std::string_view s(v.text);
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ')
            s.remove_suffix(1);
        if (!parseNumber(s, point, iv, d))
            throw Error(QStringLiteral("%1: %2 is not a number").arg(where({table, -1}, f), describeValue(v)));
        integral = !point;
        break;
    }
    default:
        ok = false;
        return {};
    }
    if (!std::isfinite(d))
        throw Error(QStringLiteral("%1: %2 is not a finite number").arg(where({table, -1}, f), describeValue(v)));
    std::string out;
    if (f.decimals == 0) {
        if (!integral) {
            const double r = std::nearbyint(d);
            if (std::fabs(r - d) > 1e-9 * std::max(1.0, std::fabs(d)))
                throw Error(QStringLiteral("%1 holds whole numbers only; %2 has decimals")
                                .arg(where({table, -1}, f), describeValue(v)));
            if (std::fabs(r) >= 9.2e18)
                throw Error(QStringLiteral("%1 (%2 digits): %3 does not fit")
                                .arg(where({table, -1}, f)).arg(f.width).arg(describeValue(v)));
            iv = std::int64_t(r);
        }
        out = std::to_string(iv);
    } else {
        const double scale = std::pow(10.0, f.decimals);
        const double r = std::nearbyint(d * scale) / scale;
        if (std::fabs(r - d) > 1e-9 * std::max(1.0, std::fabs(d)))
            throw Error(QStringLiteral("%1 holds %2 decimals; %3 has more")
                            .arg(where({table, -1}, f)).arg(f.decimals).arg(describeValue(v)));
        char buf[400]; // room for any finite double in fixed notation
        const auto r2 = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, f.decimals);
        out.assign(buf, r2.ptr); // always a point, whatever the process locale
    }
    if (int(out.size()) > f.width)
        throw Error(QStringLiteral("%1 (width %2): %3 does not fit")
                        .arg(where({table, -1}, f)).arg(f.width).arg(describeValue(v)));
    return out;
}

} // namespace

int Schema::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& n = fields[i].name;
        if (n.size() == name.size()
            && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
               }))
            return int(i);
    }
    return -1;
}

Schema parseHeader(const unsigned char* data, std::size_t size, std::uint64_t fileSize, const QString& name)
{
    auto fail = [&](const QString& what) { return Error(QStringLiteral("%1: %2").arg(name, what)); };
    if (size < std::size_t(kFileHeaderSize) || fileSize < std::uint64_t(kFileHeaderSize))
        throw fail(QStringLiteral("not a dBASE table: the file holds %1 bytes, less than a table header")
                       .arg(fileSize));
    Schema s;
    s.version = data[0];
    if (s.version != 0x03 && s.version != 0x04 && s.version != 0x05)
        throw fail(QStringLiteral("version byte 0x%1 (%2) is not supported; dBASE III, IV and V tables "
                                  "(0x03, 0x04, 0x05) are")
                       .arg(s.version, 2, 16, QLatin1Char('0')).arg(versionName(s.version)));
    s.recordCount = le32(data + 4);
    s.headerLength = le16(data + 8);
    s.recordLength = le16(data + 10);
    s.languageDriver = data[29];
    const auto cp = codePageOfDriver(s.languageDriver);
    if (!cp)
        throw fail(QStringLiteral("language driver 0x%1 names a code page this program does not read "
                                  "(Windows-1251 and 866 are read)")
                       .arg(s.languageDriver, 2, 16, QLatin1Char('0')));
    s.codePage = *cp;

    if (s.headerLength < kFileHeaderSize + 1)
        throw fail(QStringLiteral("header length %1 is too small for a table").arg(s.headerLength));
    if (std::uint64_t(s.headerLength) > fileSize)
        throw fail(QStringLiteral("header length %1 is larger than the file (%2 bytes)").arg(s.headerLength).arg(fileSize));
    if (std::size_t(s.headerLength) > size)
        throw fail(QStringLiteral("the header (%1 bytes) could not be read").arg(s.headerLength));

    // Descriptors run from byte 32 to the terminator, which must lie inside the header.
    int pos = kFileHeaderSize;
    int offset = 1;
    while (true) {
        if (pos >= s.headerLength) {
            if (s.version == 0x04 && (s.headerLength - 68 - 1) % 48 == 0 && s.headerLength > 68)
                throw fail(QStringLiteral("dBASE 7 layout (48-byte field descriptors) is not supported"));
            throw fail(QStringLiteral("header length %1 does not match the field descriptors "
                                      "(no end-of-header mark inside it)")
                           .arg(s.headerLength));
        }
        if (char(data[pos]) == kHeaderTerminator)
            break;
        if (pos + kDescriptorSize > s.headerLength)
            throw fail(QStringLiteral("header length %1 does not match the field descriptors "
                                      "(descriptor %2 is cut short)")
                           .arg(s.headerLength).arg(s.fields.size() + 1));
        const unsigned char* d = data + pos;
        Field f;
        int n = 0;
        while (n < 11 && d[n] != 0)
            ++n;
        f.name.assign(reinterpret_cast<const char*>(d), std::size_t(n));
        const int number = int(s.fields.size()) + 1;
        bool nameOk = n > 0;
        for (char c : f.name)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
                nameOk = false;
        if (!nameOk)
            throw fail(QStringLiteral("field descriptor %1 has no valid column name (%2)")
                           .arg(number).arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(d), 11).toHex(' '))));
        f.type = char(d[11]);
        f.width = d[16];
        f.decimals = d[17];
        const QString col = QString::fromStdString(f.name);
        bool widthOk = true;
        switch (f.type) {
        case 'C': widthOk = f.width >= 1 && f.decimals == 0; break;
        case 'N': case 'F':
            widthOk = f.width >= 1 && f.width <= 20 && (f.decimals == 0 || f.decimals <= f.width - 2);
            break;
        case 'D': widthOk = f.width == 8 && f.decimals == 0; break;
        case 'L': widthOk = f.width == 1 && f.decimals == 0; break;
        default:
            throw fail(QStringLiteral("column %1 has type '%2', which is not supported (C, N, F, D, L are)")
                           .arg(col, std::isprint(d[11]) ? QString(QChar(d[11])) : QStringLiteral("\\x%1").arg(d[11], 2, 16, QLatin1Char('0'))));
        }
        if (!widthOk)
            throw fail(QStringLiteral("column %1 of type %2 has an impossible size (width %3, decimals %4)")
                           .arg(col, QChar(f.type)).arg(f.width).arg(f.decimals));
        if (s.fieldIndex(f.name) >= 0)
            throw fail(QStringLiteral("column %1 appears twice").arg(col));
        f.offset = offset;
        offset += f.width;
        s.fields.push_back(std::move(f));
        pos += kDescriptorSize;
    }
    if (s.fields.empty())
        throw fail(QStringLiteral("the table has no columns"));
    // Records start right after the end-of-header mark. A header length that says otherwise
    // would shift every record (deletion flags read from inside the previous record), so
    // the table is refused rather than read with a guess about which one is wrong.
    if (pos + 1 != s.headerLength)
        throw fail(QStringLiteral("header length %1 does not match the field descriptors (%2 columns and the "
                                  "end-of-header mark take %3 bytes)")
                       .arg(s.headerLength).arg(s.fields.size()).arg(pos + 1));
    if (offset != s.recordLength)
        throw fail(QStringLiteral("record length %1 does not match the columns (they need %2 bytes)")
                       .arg(s.recordLength).arg(offset));
    const std::uint64_t need = std::uint64_t(s.headerLength) + std::uint64_t(s.recordCount) * std::uint64_t(s.recordLength);
    if (need > fileSize) {
        const std::uint64_t room = (fileSize - std::uint64_t(s.headerLength)) / std::uint64_t(s.recordLength);
        throw fail(QStringLiteral("the header counts %1 records but the file is truncated: it holds %2 bytes, "
                                  "room for %3 records")
                       .arg(s.recordCount).arg(fileSize).arg(room));
    }
    return s;
}

std::string makeHeader(Schema& s, int year, int month, int day)
{
    s.headerLength = kFileHeaderSize + kDescriptorSize * int(s.fields.size()) + 1;
    int offset = 1;
    for (Field& f : s.fields) {
        f.offset = offset;
        offset += f.width;
    }
    s.recordLength = offset;
    std::string h(std::size_t(s.headerLength), '\0');
    h[0] = char(s.version);
    h[1] = char(year - 1900);
    h[2] = char(month);
    h[3] = char(day);
    storeLe<std::uint32_t>(h.data() + 4, s.recordCount);
    storeLe<std::uint16_t>(h.data() + 8, std::uint16_t(s.headerLength));
    storeLe<std::uint16_t>(h.data() + 10, std::uint16_t(s.recordLength));
    h[29] = char(s.languageDriver);
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
        char* d = h.data() + kFileHeaderSize + kDescriptorSize * i;
        std::memcpy(d, s.fields[i].name.data(), std::min<std::size_t>(10, s.fields[i].name.size()));
        d[11] = s.fields[i].type;
        d[16] = char(s.fields[i].width);
        d[17] = char(s.fields[i].decimals);
    }
    h[std::size_t(s.headerLength - 1)] = kHeaderTerminator;
    return h;
}

void decodeField(const Field& f, CodePage cp, const char* record, Value& out, const Place& w)
{
    const char* p = record + f.offset;
    out.text.clear();
    switch (f.type) {
    case 'C': {
        int n = f.width;
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
            --n;
        out.kind = Value::Kind::Text;
        decodeText(cp, p, std::size_t(n), out.text);
        return;
    }
    case 'N':
    case 'F': {
        // Blanks pad a number; any other byte (a NUL where a digit was, say) is refused below
        // rather than cut off, which would read a shorter number.
        int a = 0, b = f.width;
        while (a < b && p[a] == ' ')
            ++a;
        while (b > a && p[b - 1] == ' ')
            --b;
        // All blanks is NULL; so is a field of asterisks, the NULL of some writers.
        if (a == b || isBlank(p + a, b - a, '*')) {
            out.kind = Value::Kind::Null;
            return;
        }
        bool point = false;
        std::int64_t iv = 0;
        double dv = 0;
        if (!parseNumber(std::string_view(p + a, std::size_t(b - a)), point, iv, dv))
            throw Error(QStringLiteral("%1: \"%2\" is not a number").arg(where(w, f), rawText(p, f.width)));
        if (!point) {
            out.kind = f.decimals == 0 ? Value::Kind::Integer : Value::Kind::Real;
            out.i = iv;
            out.d = double(iv);
        } else {
            out.kind = Value::Kind::Real;
            out.d = dv;
        }
        return;
    }
    case 'D': {
        if (isBlank(p, 8) || isBlank(p, 8, '0')) {
            out.kind = Value::Kind::Null;
            return;
        }
        int y = 0, m = 0, d = 0;
        bool digits = true;
        for (int i = 0; i < 8; ++i)
            if (p[i] < '0' || p[i] > '9')
                digits = false;
        if (digits) {
            y = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
            m = (p[4] - '0') * 10 + (p[5] - '0');
            d = (p[6] - '0') * 10 + (p[7] - '0');
        }
        if (!digits || !QDate::isValid(y, m, d))
            throw Error(QStringLiteral("%1: \"%2\" is not a date").arg(where(w, f), rawText(p, 8)));
        out.kind = Value::Kind::Date;
        out.text.assign(p, 4);
        out.text += '-';
        out.text.append(p + 4, 2);
        out.text += '-';
        out.text.append(p + 6, 2);
        return;
    }
    case 'L': {
        const char c = p[0];
        out.kind = Value::Kind::Integer;
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y')
            out.i = 1;
        else if (c == 'F' || c == 'f' || c == 'N' || c == 'n')
            out.i = 0;
        else if (c == '?' || c == ' ')
            out.kind = Value::Kind::Null;
        else
            throw Error(QStringLiteral("%1: \"%2\" is not a logical value").arg(where(w, f), rawText(p, 1)));
        return;
    }
    default:
        throw Error(QStringLiteral("%1: unsupported type").arg(where(w, f)));
    }
}

void encodeField(const Field& f, CodePage cp, const Value& v, char* record, const QString& table)
{
    char* p = record + f.offset;
    const Place nowhere{table, -1};
    if (v.kind == Value::Kind::Null) {
        std::memset(p, ' ', std::size_t(f.width));
        return;
    }
    switch (f.type) {
    case 'C': {
        std::string bytes;
        char32_t bad = 0;
        std::string src;
        if (v.kind == Value::Kind::Integer)
            src = std::to_string(v.i);
        else if (v.kind == Value::Kind::Real)
            src = describeValue(v).toStdString();
        const std::string& text = (v.kind == Value::Kind::Text || v.kind == Value::Kind::Date) ? v.text : src;
        if (!encodeText(cp, text, bytes, &bad))
            throw Error(QStringLiteral("%1: %2 holds the character %3, which code page %4 cannot store")
                            .arg(where(nowhere, f), describeValue(Value::textValue(text)),
                                 QString::fromUcs4(&bad, 1), QString::fromLatin1(codePageName(cp))));
        if (int(bytes.size()) > f.width)
            throw Error(QStringLiteral("%1 (%2 characters): %3 is too long")
                            .arg(where(nowhere, f)).arg(f.width).arg(describeValue(Value::textValue(text))));
        std::memset(p, ' ', std::size_t(f.width));
        std::memcpy(p, bytes.data(), bytes.size());
        return;
    }
    case 'N':
    case 'F': {
        bool ok = false;
        const std::string s = formatNumber(f, v, table, ok);
        if (!ok)
            throw Error(QStringLiteral("%1: %2 is not a number").arg(where(nowhere, f), describeValue(v)));
        std::memset(p, ' ', std::size_t(f.width));
        std::memcpy(p + f.width - int(s.size()), s.data(), s.size());
        return;
    }
    case 'D': {
        if (v.kind == Value::Kind::Text || v.kind == Value::Kind::Date) {
            const std::string& t = v.text;
            // ISO dates (what SQL compares) or the file's own YYYYMMDD form.
            QDate d;
            if (t.size() == 10 && t[4] == '-' && t[7] == '-')
                d = QDate::fromString(QString::fromLatin1(t.data(), 10), Qt::ISODate);
            else if (t.size() == 8)
                d = QDate::fromString(QString::fromLatin1(t.data(), 8), QStringLiteral("yyyyMMdd"));
            if (d.isValid() && d.year() >= 1 && d.year() <= 9999) {
                std::snprintf(p, 9, "%04d%02d%02d", d.year(), d.month(), d.day());
                return;
            }
        }
        throw Error(QStringLiteral("%1: %2 is not a date (YYYY-MM-DD)").arg(where(nowhere, f), describeValue(v)));
    }
    case 'L': {
        if (v.kind == Value::Kind::Integer && (v.i == 0 || v.i == 1)) {
            p[0] = v.i ? 'T' : 'F';
            return;
        }
        if (v.kind == Value::Kind::Text && v.text.size() == 1 && std::strchr("TtFfYyNn", v.text[0])) {
            p[0] = std::strchr("TtYy", v.text[0]) ? 'T' : 'F';
            return;
        }
        throw Error(QStringLiteral("%1: %2 is not a logical value").arg(where(nowhere, f), describeValue(v)));
    }
    default:
        throw Error(QStringLiteral("%1: unsupported type").arg(where(nowhere, f)));
    }
}

QString describeValue(const Value& v)
{
    switch (v.kind) {
    case Value::Kind::Null: return QStringLiteral("NULL");
    case Value::Kind::Integer: return QString::number(v.i);
    case Value::Kind::Real: return QString::number(v.d, 'g', 15);
    case Value::Kind::Text:
    case Value::Kind::Date: return QLatin1Char('"') + QString::fromStdString(v.text) + QLatin1Char('"');
    }
    return {};
}

} // namespace tk::dbf
