#include "reader/ReaderLists.h"

#include "common/Bcd.h"
#include "reader/Bytes.h"
#include "common/Cp1251.h"
#include "common/Regional.h"

namespace tk::reader {
namespace {

using bytes::hex2;
using bytes::le32signed;

qint64 le(const uint8_t* p, int count)
{
    return qint64(bytes::le(p, count)); // at most 40 bits here
}

// Columns 0 and 1: written only when the meter or its type differs from the previous record's.
void meterColumns(const uint8_t* frame, RepeatSuppression& repeat, QStringList& cells)
{
    const int number = meterNumber(frame + 3);
    const int type = frame[6];
    if (number != repeat.prevMeter || type != repeat.prevType) {
        cells[0] = meterNumberText(frame + 3);
        cells[1] = meterTypeName(type);
        repeat.prevMeter = number;
        repeat.prevType = type;
    }
}

} // namespace

QString meterTypeName(int code)
{
    switch (code) {
    case 0xA0: return QStringLiteral("ТЕЛВ-2");
    case 0xA1: return QStringLiteral("ВАКЛ-4");
    case 0xA2: return QStringLiteral("ТЕЛВ-1");
    case 0xA3: return QStringLiteral("ВАКЛ-ДР");
    case 0xA4: return QStringLiteral("ВАКЛ-ПДР");
    default: return {};
    }
}

int meterNumber(const uint8_t* bcd)
{
    return BcdToByte(bcd[0]) * 10000 + BcdToByte(bcd[1]) * 100 + BcdToByte(bcd[2]);
}

QString meterNumberText(const uint8_t* bcd)
{
    // Two decimal digits a byte, as BcdToByte reads them (a nibble above 9 gives 10..15 and so
    // carries into the digit before, exactly as the number does).
    int n = meterNumber(bcd);
    QString s(6, QLatin1Char('0'));
    for (int i = 5; i >= 0 && n > 0; --i, n /= 10)
        s[i] = QChar(u'0' + char16_t(n % 10));
    return s;
}

std::optional<QStringList> decodeJournalRecord(const uint8_t* frame, int length, RepeatSuppression& repeat)
{
    if (length != 21 && length != 24 && length != 27)
        return std::nullopt;
    QStringList cells(7);
    meterColumns(frame, repeat, cells);
    cells[2] = hex2(frame[8]) + QLatin1Char('.') + QStringLiteral("%1").arg(frame[7], 2, 10, QLatin1Char('0'));
    for (int k = 0; k < 3; ++k) {
        if (length == 21)
            cells[3 + k] = QString::number(le(frame + 9 + 3 * k, 3));
        else if (length == 24)
            cells[3 + k] = regional::quartersOfMilli(le32signed(frame + 9 + 4 * k));
        else
            cells[3 + k] = regional::quartersOfMilli(le(frame + 9 + 5 * k, 5));
    }
    const qint64 w = le(frame + length - 3, 3);
    cells[6] = QString::number(w / 120) + QLatin1Char(':') + QString::number((w % 120) >> 1);
    return cells;
}

std::optional<QStringList> decodeDiaryRecord(const uint8_t* frame, int length, RepeatSuppression& repeat)
{
    if (length != 13 && length != 25 && length != 28 && length != 32)
        return std::nullopt;
    QStringList cells(8);
    meterColumns(frame, repeat, cells);
    cells[2] = QString::number(frame[7]);
    cells[3] = hex2(frame[10]) + QLatin1Char('.') + hex2(frame[11]) + QLatin1Char(' ') + hex2(frame[9])
        + QLatin1Char(':') + hex2(frame[8]);
    switch (length) {
    case 13: cells[4] = QString::number(frame[12]); break;
    case 25: cells[4] = QString::number(frame[24]); break;
    case 28: cells[4] = QString::number(frame[27]); break;
    case 32: cells[4] = QString::number(le(frame + 27, 2)); break;
    }
    for (int k = 0; k < 3 && length > 13; ++k) {
        if (length == 25)
            cells[5 + k] = regional::quartersOfMilli(le32signed(frame + 12 + 4 * k));
        else
            cells[5 + k] = regional::quartersOfMilli(le(frame + 12 + 5 * k, 5));
    }
    return cells;
}

QString decodeDbName(const uint8_t* frame)
{
    int first = 3;
    int last = 14;
    while (first <= last && frame[first] <= 32)
        ++first;
    while (last >= first && frame[last] <= 32)
        --last;
    return fromCp1251(reinterpret_cast<const char*>(frame + first), last - first + 1);
}

} // namespace tk::reader
