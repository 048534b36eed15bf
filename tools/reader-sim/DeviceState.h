#pragma once
// Everything the emulated reader remembers between requests and between runs: firmware,
// clock offset, the 64 databases and the settings. Bytes the reader keeps raw (BCD values,
// flags, records, names) are kept raw here too, so that a state file can hold exactly what a
// real reader could hold, invalid BCD included.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace tk::sim {

inline constexpr int kDatabaseCount = 64;
inline constexpr int kNameSize = 12;
// A reply carries function, L and the database byte before the record, and L is one byte.
inline constexpr int kMaxRecordSize = 255 - 3;
// The record count travels as 16 bits, so no database can usefully hold more.
inline constexpr int kDefaultCapacity = 65535;

struct Database {
    QByteArray name; // empty: no name; otherwise exactly kNameSize bytes, Windows-1251
    QList<QByteArray> records; // each record from frame offset 3 on
    int capacity = kDefaultCapacity;

    bool operator==(const Database&) const = default;
};

struct TariffZone {
    uint8_t tariff = 1;  // plain byte, 1..3
    uint8_t hour = 0;    // BCD
    uint8_t minute = 0;  // BCD

    bool operator==(const TariffZone&) const = default;
};
using TariffSchedule = std::array<TariffZone, 6>;

struct DeviceState {
    uint8_t version = 0x06; // BCD, raw
    uint8_t build = 0x01;   // BCD, raw
    int64_t clockOffsetMs = 0; // reader clock minus host clock
    std::array<Database, kDatabaseCount> databases;
    std::optional<TariffSchedule> tariffs; // empty: single-tariff operation
    uint8_t billingHour = 0x00; // BCD
    uint8_t billingDay = 0x01;  // BCD
    uint8_t summerFlag = 0x80;
    uint8_t displayMode = 0x00;
    uint16_t password = 0;

    int firmwareWord() const { return version * 256 + build; }

    bool operator==(const DeviceState&) const = default;

    // `where` names the source in error messages (a file name).
    static DeviceState fromJson(const QJsonObject& json, const QString& where);
    QJsonObject toJson() const;

    // Throws tk::Error naming the file and what is wrong with it.
    static DeviceState load(const QString& path);
    // Writes a temporary file beside the target and renames it over the target, so that a
    // crash never leaves half a state file. Throws tk::Error when it cannot.
    void save(const QString& path) const;
};

inline QByteArray bytesOf(std::initializer_list<uint8_t> bytes)
{
    QByteArray out;
    for (uint8_t b : bytes)
        out.append(char(b));
    return out;
}

// Hex text of bytes as the state file writes it: upper-case pairs separated by blanks.
QString toHexText(const QByteArray& bytes);
// Accepts pairs with or without blanks between them; nullopt for anything else.
std::optional<QByteArray> fromHexText(const QString& text);

} // namespace tk::sim
