#pragma once
// Decoding of the reader's journal, diary and database-name replies into cell texts, and the
// meter number and meter type texts they share with the route records.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tk::reader {

// The family name of a meter type code; empty for a code of no family.
QString meterTypeName(int code);
// Three BCD bytes, most significant pair first, as a number and as six digits with zeros.
int meterNumber(const uint8_t* bcd);
QString meterNumberText(const uint8_t* bcd);

// Consecutive records of one meter show its number and type only once.
struct RepeatSuppression {
    int prevMeter = 0;
    int prevType = 0;
    void reset() { prevMeter = prevType = 0; }
};

// frame is the whole reply (byte 2 the database, records from byte 3); length is its L.
// nullopt for a length that is no record of that kind.
std::optional<QStringList> decodeJournalRecord(const uint8_t* frame, int length, RepeatSuppression& repeat);
std::optional<QStringList> decodeDiaryRecord(const uint8_t* frame, int length, RepeatSuppression& repeat);

// The 12 name bytes of a GetDbName reply (from byte 3), trimmed of blanks and control characters.
QString decodeDbName(const uint8_t* frame);

} // namespace tk::reader
