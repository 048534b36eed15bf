#pragma once
// The dBASE III/IV/V file layout: header checks, field descriptors, and the text form of
// each field type. Pure functions over bytes, so that the file reader's checks can be fed
// any input (tests, fuzzing) without touching a disk.
#include "store/dbf/CodePage.h"

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tk::dbf {

constexpr int kFileHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kHeaderTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr char kLiveFlag = ' ';
constexpr char kDeletedFlag = '*';

struct Field {
    std::string name;  // as in the file (upper case by convention)
    char type = 'C';   // C, N, F, D or L
    int width = 0;
    int decimals = 0;
    int offset = 0;    // within the record, after the deletion flag
    bool isInteger() const { return (type == 'N' || type == 'F') && decimals == 0; }
    bool isNumeric() const { return type == 'N' || type == 'F'; }
};

struct Schema {
    std::uint8_t version = 0x03;
    std::uint8_t languageDriver = 0xC9;
    CodePage codePage = CodePage::Cp1251;
    std::uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::vector<Field> fields;

    int fieldIndex(std::string_view name) const; // without regard to case; -1 if absent
};

// Checks a file's header and descriptors. `data` holds the first bytes of the file (at
// least the whole header when the file has one), fileSize the size of the whole file.
// Throws tk::Error naming the file and what is wrong.
Schema parseHeader(const unsigned char* data, std::size_t size, std::uint64_t fileSize, const QString& fileName);

// The header bytes of a new, empty table with these fields (offsets are computed).
std::string makeHeader(Schema& schema, int year, int month, int day);

// One field value as SQL sees it.
struct Value {
    enum class Kind { Null, Integer, Real, Text, Date };
    Kind kind = Kind::Null;
    std::int64_t i = 0;
    double d = 0;
    std::string text; // UTF-8 for Text, YYYY-MM-DD for Date

    static Value null() { return {}; }
    static Value integer(std::int64_t v) { Value x; x.kind = Kind::Integer; x.i = v; return x; }
    static Value real(double v) { Value x; x.kind = Kind::Real; x.d = v; return x; }
    static Value textValue(std::string v) { Value x; x.kind = Kind::Text; x.text = std::move(v); return x; }
    static Value date(std::string iso) { Value x; x.kind = Kind::Date; x.text = std::move(iso); return x; }
};

// Where a value comes from, for error messages.
struct Place {
    const QString& table;
    long record; // 0-based; -1 when not known
};

// Decodes the field of a raw record (the record starts with its deletion flag).
// Non-numeric text in N, impossible dates and the like throw tk::Error with the place.
void decodeField(const Field& f, CodePage cp, const char* record, Value& out, const Place& where);

// Writes the field into a raw record. A value that does not fit (too wide, too many
// decimals, text the code page cannot hold, not a date) throws tk::Error naming the table,
// the column and the value; the record is left as it was then.
void encodeField(const Field& f, CodePage cp, const Value& v, char* record, const QString& table);

// The value as a user reads it in messages: text quoted, numbers plain.
QString describeValue(const Value& v);

} // namespace tk::dbf
