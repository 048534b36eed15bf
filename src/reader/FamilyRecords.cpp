#include "reader/FamilyRecords.h"

#include "common/Bcd.h"
#include "reader/Bytes.h"
#include "common/Cp1251.h"
#include "reader/ReaderLists.h"
#include "common/Regional.h"
#include "reader/StreetList.h"

namespace tk::reader {
namespace {

using bytes::appendHex2;
using bytes::hex2;
using bytes::le;
using bytes::le32signed;

QString timeText(uint8_t hour, uint8_t minute)
{
    QString s;
    s.reserve(5);
    appendHex2(s, hour);
    s += QLatin1Char(':');
    appendHex2(s, minute);
    return s;
}

QString workTimeText(quint64 halfMinutes)
{
    const quint64 m = halfMinutes >> 1;
    QString s = QString::number(m / 60);
    s += QLatin1Char(':');
    s += QChar(u'0' + char16_t(m % 60 / 10));
    s += QChar(u'0' + char16_t(m % 10));
    return s;
}

QString accountText(qint64 account)
{
    return account > 0 ? QString::number(account) : QString();
}

// Number and date columns of every meter family; the date message names the meter.
void numberAndDate(const uint8_t* f, int numberCol, int dateCol, int year, const regional::Formats& fm,
                   FamilyRecord& r)
{
    r.cells[numberCol] = meterNumberText(f + 3);
    const QDate d = recordDate(f[8], f[9], year);
    if (d.isValid())
        r.cells[dateCol] = fm.shortDate(d);
    else
        r.invalidDates.push_back(r.cells[numberCol]);
}

// The route column: the cached name, or a request for it. A database number beyond the reader's
// 64 names no database at all (a damaged record); its route cell stays empty rather than asking
// the reader for a name it would refuse, over and over.
void routeCell(int db, int col, const DbNames& names, FamilyRecord& r)
{
    if (db >= int(names.size()))
        return;
    if (!names[size_t(db)].isEmpty())
        r.cells[col] = names[size_t(db)];
    else
        r.routeDbToName = db;
}

FamilyRecord decodeTelv1(const uint8_t* f, int length, int year, const StreetList& streets,
                         const DbNames& names, const regional::Formats& fm)
{
    FamilyRecord r;
    r.cells = QStringList(9);
    numberAndDate(f, 3, 4, year, fm, r);
    r.cells[5] = timeText(f[7], f[6]);
    r.cells[7] = fm.quartersOfMilli(le32signed(f + 10));
    if (length == 21) {
        const int db = f[14] & 0x3F;
        if (f[15] != 0)
            r.cells[2] = houseText(f[15] + 256 * (f[14] >> 6), f[16]);
        r.cells[0] = accountText(le32signed(f + 17));
        if (db >= 8)
            routeCell(db, 8, names, r);
    } else {
        const int db = f[14];
        if (db > 7) {
            r.cells[1] = streets.nameOf(f[15]);
            const QString house = houseText(((f[16] & 0x3F) << 8) | f[17], f[18]);
            if (house != QLatin1String("0"))
                r.cells[2] = house;
            r.cells[0] = accountText(qint64(le(f + 19, 4)) + (qint64(f[16] >> 6) << 32));
            routeCell(db, 8, names, r);
        }
    }
    return r;
}

FamilyRecord decodeMultiTariff(const uint8_t* f, int length, int year, const StreetList& streets,
                               const DbNames& names, const regional::Formats& fm)
{
    FamilyRecord r;
    r.cells = QStringList(18);
    numberAndDate(f, 3, 4, year, fm, r);
    r.cells[5] = timeText(f[7], f[6]);
    r.cells[6] = QString::number(f[10]);
    if (length == 37) {
        static constexpr int bit16[6] = {0, 1, 2, 4, 5, 6};
        for (int k = 1; k <= 6; ++k)
            r.cells[6 + k] = QString::number(((f[11] >> bit16[k - 1]) & 1) * 65536 + le(f + 10 + 2 * k, 2));
        r.cells[13] = QString::number(f[24]);
        r.cells[15] = QString::number(f[25]);
        r.cells[14] = workTimeText(le(f + 26, 3));
        r.cells[16] = QString::number(int8_t(f[29]));
        const int db = f[30] & 0x3F;
        if (f[31] != 0)
            r.cells[2] = houseText(f[31] + 256 * (f[30] >> 6), f[32]);
        r.cells[0] = accountText(le32signed(f + 33));
        if (db >= 8)
            routeCell(db, 17, names, r);
    } else {
        for (int k = 1; k <= 6; ++k)
            r.cells[6 + k] = QString::number(le(f + 8 + 3 * k, 3));
        r.cells[13] = QString::number(f[29]);
        r.cells[15] = QString::number(f[30]);
        r.cells[14] = workTimeText(le(f + 31, 3));
        r.cells[16] = QString::number(int8_t(f[34]));
        const int db = f[35];
        if (db > 7) {
            r.cells[1] = streets.nameOf(f[36]);
            const QString house = houseText(((f[37] & 0x3F) << 8) | f[38], f[39]);
            if (house != QLatin1String("0"))
                r.cells[2] = house;
            r.cells[0] = accountText(qint64(le(f + 40, 4)) + (qint64(f[37] >> 6) << 32));
            routeCell(db, 17, names, r);
        }
    }
    return r;
}

FamilyRecord decodeZkv(const uint8_t* f, int length, int year, const regional::Formats& fm)
{
    FamilyRecord r;
    r.cells = QStringList(12);
    r.cells[0] = meterNumberText(f + 3);
    const auto contact = [&](int at, int col) {
        // second, minute, hour, then the two date bytes
        const QDate d = recordDate(f[at + 3], f[at + 4], year);
        if (!d.isValid()) {
            r.invalidDates.push_back(r.cells[0]);
            return;
        }
        r.cells[col] = fm.shortDate(d) + QLatin1Char(' ') + hex2(f[at + 2]) + QLatin1Char(':')
            + hex2(f[at + 1]) + QLatin1Char(':') + hex2(f[at]);
    };
    contact(6, 1);
    contact(15, 2);
    if (length == 26) {
        r.cells[3] = QString::number(le(f + 11, 3));
        r.cells[5] = QString::number(f[14]);
        r.cells[4] = QString::number(le(f + 20, 3));
        r.cells[6] = QString::number(f[23]);
        r.cells[7] = QString::number(le(f + 24, 2));
    } else {
        r.cells[3] = QString::number(le(f + 11, 4));
        r.cells[4] = QString::number(le(f + 20, 4));
        for (int c = 0; c < 4; ++c)
            r.cells[8 + c] = QString::number(le(f + 24 + 2 * c, 2));
    }
    return r;
}

} // namespace

std::array<int, 2> recordLengths(Family f)
{
    switch (f) {
    case Family::Telv1: return {21, 23};
    case Family::Zkv: return {26, 32};
    default: return {37, 44};
    }
}

bool isRecordLength(Family f, int length)
{
    const auto l = recordLengths(f);
    return length == l[0] || length == l[1];
}

QDate recordDate(uint8_t dayByte, uint8_t monthByte, int currentYear)
{
    int year = currentYear;
    const int bits = dayByte >> 6;
    while (((year % 4) + 4) % 4 != bits)
        --year;
    return QDate(year, BcdToByte(monthByte & 0x1F), BcdToByte(dayByte & 0x3F));
}

QString houseText(int number, uint8_t suffix)
{
    QString text = QString::number(number);
    if (suffix >= 1 && suffix <= 64)
        text += QLatin1Char('/') + QString::number(suffix);
    else if (suffix >= 65) {
        const char c = char(suffix);
        text += fromCp1251(&c, 1);
    }
    return text;
}

int routeColumn(Family f)
{
    return f == Family::Zkv ? -1 : f == Family::Telv1 ? 8 : 17;
}

int statusColumn(Family f)
{
    return f == Family::Zkv ? -1 : 6;
}

int numberColumn(Family f)
{
    return f == Family::Zkv ? 0 : 3;
}

std::optional<FamilyRecord> decodeFamilyRecord(Family f, const uint8_t* frame, int length, int currentYear,
                                               const StreetList& streets, const DbNames& dbNames,
                                               const regional::Formats* formats)
{
    if (!isRecordLength(f, length))
        return std::nullopt;
    std::optional<regional::Formats> local;
    if (!formats)
        local.emplace();
    const regional::Formats& fm = formats ? *formats : *local;
    switch (f) {
    case Family::Telv1: return decodeTelv1(frame, length, currentYear, streets, dbNames, fm);
    case Family::Zkv: return decodeZkv(frame, length, currentYear, fm);
    default: return decodeMultiTariff(frame, length, currentYear, streets, dbNames, fm);
    }
}

} // namespace tk::reader
