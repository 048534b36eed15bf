#pragma once
// A route-list entry (account, street, house, meter number, meter type name) and its forms on
// the wire: the route record written into and read back from a route slot, the street record
// that adds a street to the reader's street base, the route name, and the house code.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tk::reader {
class StreetList;
}

namespace tk::routes {

class Abbreviations;

// The columns of the route list, in order.
enum RouteColumn { ColAccount, ColStreet, ColHouse, ColMeter, ColType, kRouteColumns };
QStringList routeListTitles();

// Route r lives in reader database r + 7.
inline constexpr int kFirstRoute = 1;
inline constexpr int kLastRoute = 55;
inline int routeDb(int route) { return route + 7; }

// Names and streets are kept to 12 characters by the reader.
inline constexpr int kNameLength = 12;

// House text to its 24-bit code: bits 0-7 the low byte of the house number, 8-15 the suffix byte
// (1-64 a building number as in 12/3, 65-255 a Windows-1251 letter as in 12А), 16-23 the house
// number divided by 256. Below firmware 0x0500 a number above 255 without a suffix is kept as
// number div 10 with the last digit as building number.
int houseCode(const QString& text, int firmwareWord);

// SetDbName: the database and the name's first 12 characters, zero bytes after a shorter one.
QByteArray routeNamePayload(int db, const QString& name);
// WriteRecord into database 5: street number and the name's first 12 characters.
QByteArray streetRecordPayload(int number, const QString& name);

// WriteRecord of an entry into route database db in the record form of the firmware word;
// streetNumber is used from firmware 0x0502 on (255 for an entry without street). Throws Error
// naming the entry when its meter number is not a number of at most six digits.
QByteArray routeRecordPayload(const QStringList& entry, int db, int streetNumber, int firmwareWord,
                              const Abbreviations& abbreviations);

// A route record of a ReadFirst/ReadNext reply (frame bytes, L = 13 or 15) back into an entry;
// nullopt for any other length. Streets are named from the street list.
std::optional<QStringList> decodeRouteRecord(const uint8_t* frame, int length, const reader::StreetList& streets);

} // namespace tk::routes
