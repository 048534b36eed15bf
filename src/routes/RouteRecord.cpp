#include "routes/RouteRecord.h"

#include "common/Bcd.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "reader/FamilyRecords.h"
#include "reader/ReaderLists.h"
#include "reader/StreetList.h"
#include "routes/Abbreviations.h"

namespace tk::routes {

namespace {

// The longest front of the text that reads as a decimal number, and that number.
std::pair<int, qint64> leadingNumber(const QString& text)
{
    int used = 0;
    qint64 value = 0;
    for (int n = 1; n <= text.size(); ++n) {
        bool ok = false;
        const qint64 v = text.left(n).toLongLong(&ok);
        if (!ok)
            break;
        used = n;
        value = v;
    }
    return {used, value};
}

// The longest end of the text that reads as a decimal number; 0 when none.
qint64 trailingNumber(const QString& text)
{
    qint64 value = 0;
    for (int n = 1; n <= text.size(); ++n) {
        bool ok = false;
        const qint64 v = text.right(n).toLongLong(&ok);
        if (!ok)
            break;
        value = v;
    }
    return value;
}

QByteArray name12(const QString& name)
{
    QByteArray bytes = toCp1251(name.left(kNameLength));
    bytes.resize(kNameLength, '\0');
    return bytes;
}

void appendLe32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace

QStringList routeListTitles()
{
    return {QStringLiteral("Лиц. счет"), QStringLiteral("Улица"), QStringLiteral("Дом"), QStringLiteral("Счетчик"),
            QStringLiteral("Тип счетчика")};
}

int houseCode(const QString& text, int firmwareWord)
{
    const QString t = text.trimmed();
    const auto [used, number] = leadingNumber(t);
    const qint64 n = number;
    if (used < t.size()) {
        const QString rest = t.mid(used);
        const qint64 tail = trailingNumber(rest);
        const QByteArray last = toCp1251(rest.right(1));
        const int suffix = tail > 0 ? int(tail % 256) : last.isEmpty() ? 0 : int(uint8_t(last.at(0)));
        return int((n % 256) + suffix * 256 + (n / 256) * 65536);
    }
    if (firmwareWord < 0x0500 && n > 255)
        return int((n / 10) + (n % 10) * 256 + (n / 256) * 65536);
    return int((n % 256) + (n / 256) * 65536);
}

QByteArray routeNamePayload(int db, const QString& name)
{
    return QByteArray(1, char(db)) + name12(name);
}

QByteArray streetRecordPayload(int number, const QString& name)
{
    return QByteArray(1, char(reader::kStreetDb)) + QByteArray(1, char(number)) + name12(name);
}

QByteArray routeRecordPayload(const QStringList& entry, int db, int streetNumber, int firmwareWord,
                              const Abbreviations& abbreviations)
{
    bool ok = false;
    const QString meterText = entry.value(ColMeter).trimmed();
    const int meter = meterText.toInt(&ok);
    if (!ok || meter < 0 || meter > 999999)
        throw Error(QStringLiteral("Номер счетчика \"%1\" (лиц. счет %2) не является числом от 0 до 999999.")
                        .arg(entry.value(ColMeter), entry.value(ColAccount)));
    const quint64 account = entry.value(ColAccount).trimmed().toULongLong(&ok);
    const quint64 accountBits = ok ? account : 0;
    const int house = houseCode(entry.value(ColHouse), firmwareWord);
    // What the record form has room for: 14 bits of house number from 0x0502, 10 bits in 0x0500
    // and 0x0501, 8 bits below (where a plain number up to 2559 goes in as number div 10 with
    // its last digit as building number).
    const QString houseText = entry.value(ColHouse).trimmed();
    const auto [used, number] = leadingNumber(houseText);
    const bool suffixed = used < houseText.size();
    const qint64 limit = firmwareWord >= 0x0502 ? 16383 : firmwareWord >= 0x0500 ? 1023 : suffixed ? 255 : 2559;
    if (number > limit)
        throw Error(QStringLiteral("Номер дома \"%1\" (лиц. счет %2) не помещается в запись маршрута этого ридера.")
                        .arg(entry.value(ColHouse), entry.value(ColAccount)));
    const int typeCode = abbreviations.typeCode(entry.value(ColType));

    QByteArray p;
    const int houseHigh = (house >> 16) & 0xFF;
    if (firmwareWord >= 0x0500 && firmwareWord < 0x0502)
        p.append(char((db + houseHigh * 64) & 0xFF));
    else
        p.append(char(db));
    p.append(char(ByteToBcd(uint8_t(meter / 10000 % 100))));
    p.append(char(ByteToBcd(uint8_t(meter / 100 % 100))));
    p.append(char(ByteToBcd(uint8_t(meter % 100))));
    p.append(char(typeCode));
    if (firmwareWord >= 0x0502) {
        p.append(char(streetNumber & 0xFF));
        p.append(char((((accountBits >> 32) & 0x3) << 6) | (houseHigh & 0x3F)));
        p.append(char(house & 0xFF));
        p.append(char((house >> 8) & 0xFF));
    } else {
        p.append(char(house & 0xFF));
        p.append(char((house >> 8) & 0xFF));
    }
    appendLe32(p, quint32(accountBits & 0xFFFFFFFFu));
    return p;
}

std::optional<QStringList> decodeRouteRecord(const uint8_t* f, int length, const reader::StreetList& streets)
{
    const auto le32 = [f](int at) {
        return quint32(f[at]) | quint32(f[at + 1]) << 8 | quint32(f[at + 2]) << 16 | quint32(f[at + 3]) << 24;
    };
    QStringList entry;
    if (length == 13) {
        entry << QString::number(qint32(le32(9))) << QString()
              << reader::houseText(f[7] + 256 * (f[2] >> 6), f[8]);
    } else if (length == 15) {
        entry << QString::number(quint64(le32(11)) + (quint64(f[8] >> 6) << 32)) << streets.nameOf(f[7])
              << reader::houseText(((f[8] & 0x3F) << 8) | f[9], f[10]);
    } else {
        return std::nullopt;
    }
    entry << reader::meterNumberText(f + 3) << reader::meterTypeName(f[6]);
    return entry;
}

} // namespace tk::routes
