#pragma once
// Reading the little-endian integers and BCD bytes of reader records, and writing bytes as the
// grids show them. Texts are built character by character: a long read decodes thousands of
// records, and the general formatting functions would cost more than the rest of the decoding.
#include <QChar>
#include <QString>
#include <cstdint>

namespace tk::reader::bytes {

inline quint64 le(const uint8_t* p, int count)
{
    quint64 v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

inline qint32 le32signed(const uint8_t* p)
{
    return qint32(quint32(le(p, 4)));
}

inline void appendHex2(QString& s, uint8_t b)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    s += QLatin1Char(digits[b >> 4]);
    s += QLatin1Char(digits[b & 0x0F]);
}

// A byte as two upper-case hexadecimal digits: a BCD byte reads as its two decimal digits.
inline QString hex2(uint8_t b)
{
    QString s;
    appendHex2(s, b);
    return s;
}

} // namespace tk::reader::bytes
