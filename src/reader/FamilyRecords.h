#pragma once
// Decoding of the meter records of the six families into the cells of their reader-data grids.
// The decoders are total functions of the record bytes: any byte values give a row, and no byte
// past the record's length is read.
#include "common/Families.h"
#include "reader/Databases.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tk::regional {
class Formats;
}

namespace tk::reader {

class StreetList;

// The record lengths L (function + length byte + payload) of a family's two forms.
std::array<int, 2> recordLengths(Family f);
bool isRecordLength(Family f, int length);

// The date of a record's two date bytes: day and month in BCD (day byte bits 6-7 hold the year
// mod 4); the year is the latest one not after currentYear with those two low bits. Invalid
// when the day and month do not form a date in that year.
QDate recordDate(uint8_t dayByte, uint8_t monthByte, int currentYear);

// The text of a house number with its suffix byte: 0 adds nothing, 1-64 add "/" and the
// number, 65-255 the character of that Windows-1251 code.
QString houseText(int number, uint8_t suffix);

// Columns of the route name and of the status in a family's grid; -1 where the family has none.
int routeColumn(Family f);
int statusColumn(Family f);
int numberColumn(Family f);

struct FamilyRecord {
    QStringList cells;
    // The meter numbers of dates that did not form a calendar date (their cells stay empty).
    std::vector<QString> invalidDates;
    // >= 0: the route column waits for the name of this database, which the cache lacks.
    int routeDbToName = -1;
};

// frame is the whole reply, length its L. nullopt when L is none of the family's lengths.
// formats: the regional formats to write with (a read passes one for all its records); nullptr
// takes the locale in force.
std::optional<FamilyRecord> decodeFamilyRecord(Family f, const uint8_t* frame, int length, int currentYear,
                                               const StreetList& streets, const DbNames& dbNames,
                                               const regional::Formats* formats = nullptr);

} // namespace tk::reader
