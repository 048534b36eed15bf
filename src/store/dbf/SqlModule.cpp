// The "dbf" virtual-table module: one virtual table per table file.
//
//   CREATE VIRTUAL TABLE temp.telv2 USING dbf('/dir/Telv2.dbf')
//
// Columns are the file's fields: N/F without decimals INTEGER, with decimals REAL, D as
// ISO text (declared "DATE TEXT"), C as text in the RU collation, L as 0/1. Deleted records
// are never returned. The rowid is the 0-based record number.
//
// Locks (OS byte-range locks on the file, released by the kernel if the process dies):
// a statement that reads holds the presence slot and the data slot shared while its
// cursors are open; a statement that writes takes the data slot exclusively from xBegin
// to xCommit/xRollback. Between statements nothing is held, so an exclusive open (pack,
// widen) elsewhere can proceed. On every first lock the file is checked against what was
// read last and re-read, and the in-memory indexes dropped, when it changed; whatever
// fails after a lock was taken lets go of it before the error goes up.
//
// Writes: a statement's changed records are held by DbfFile and written at xCommit, behind
// a rollback journal (Journal.h), and the header's record count is written then, from the
// count read under the same exclusive lock: a count is never carried from one lock to the
// next. A statement that fails part way is dropped from memory, or undone from its journal
// when it was large enough to have been written already.
//
// Indexes: equality and range constraints are served from a sorted (key, record) list
// per column, built on first use; the columns a look-up needs are built together in one
// pass over the file. Our own writes add entries to a small unsorted tail; entries made
// stale by an update stay behind, which is harmless because SQLite checks every
// constraint again on the rows we return (we never set `omit`).
#include "store/dbf/SqlModule.h"

#include "store/dbf/DbfFile.h"
#include "common/Error.h"

#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>
#if defined(_MSC_VER)
#include <xmmintrin.h>
#endif

namespace tk::dbf {
namespace {

// ---------------------------------------------------------------- collation

struct Weight {
    std::uint32_t primary;
    std::uint8_t secondary; // 1 for Ё/ё, so that it sorts after Е of the same word
    std::uint8_t caseBit;   // 1 for upper case
};

char32_t nextUtf8(const unsigned char* s, int n, int& i)
{
    const unsigned char b0 = s[i++];
    if (b0 < 0x80)
        return b0;
    const int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : 0;
    char32_t c = b0 & (0x3F >> extra);
    for (int k = 0; k < extra && i < n; ++k)
        c = (c << 6) | (s[i++] & 0x3F);
    return c;
}

Weight weightOf(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return {c - 32, 0, 0};
    if (c >= 'A' && c <= 'Z')
        return {c, 0, 1};
    // Cyrillic: А..Я = U+0410..U+042F, а..я = U+0430..U+044F; Ё U+0401, ё U+0451.
    const std::uint32_t base = 0x10000;
    auto letter = [&](std::uint32_t idx) {
        // Room for Ё right after Е: positions are doubled.
        return base + idx * 2;
    };
    if (c == 0x0401)
        return {letter(5), 1, 1};
    if (c == 0x0451)
        return {letter(5), 1, 0};
    if (c >= 0x0410 && c <= 0x042F)
        return {letter(c - 0x0410), 0, 1};
    if (c >= 0x0430 && c <= 0x044F)
        return {letter(c - 0x0430), 0, 0};
    return {c < 0x10000 ? c : 0xFFFF, 0, 0};
}

int collateRu(void*, int na, const void* a, int nb, const void* b)
{
    return compareRussian(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

// ---------------------------------------------------------------- indexes

struct NumIndex {
    std::vector<std::pair<double, std::uint32_t>> sorted, tail;
    // Whole keys lying closer together than there are entries (account and meter numbers,
    // dates) are kept by key instead of in `sorted`: the records of key lo + k are
    // records[start[k] .. start[k + 1]), in record order. Four bytes an entry instead of
    // sixteen, and built by one placing pass over them.
    double lo = 0;
    std::vector<std::uint32_t> start, records;
    bool dense() const { return !start.empty(); }
};
struct TextIndex {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sorted, tail;
};

std::uint64_t hashText(const std::string& s)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

// The numeric key of an ISO date, YYYYMMDD; false for anything else.
bool dateKey(const unsigned char* t, int n, double& key)
{
    if (n != 10 || t[4] != '-' || t[7] != '-')
        return false;
    int v = 0;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        v = v * 10 + (t[i] - '0');
    }
    key = v;
    return true;
}

enum Op { EQ, GT, GE, LT, LE };

// ---------------------------------------------------------------- table state

struct Table {
    sqlite3_vtab base {};
    ModuleOptions* options = nullptr;
    QString path;
    DbfFile file;
    int readers = 0;       // open cursors of this connection
    bool writing = false;  // inside xBegin .. xCommit
    std::map<int, NumIndex> numIdx;
    std::map<int, TextIndex> textIdx;
    std::string scratch;

    const Schema& schema() const { return file.schema(); }
    const QString& name() const { return file.name(); }
};

struct Cursor {
    sqlite3_vtab_cursor base {};
    std::vector<std::uint32_t> candidates;
    bool useCandidates = false;
    std::size_t pos = 0;
    std::uint32_t end = 0;
    std::uint32_t recno = 0;
    bool eof = true;
    std::string record;
    Value value;
};

Table* T(sqlite3_vtab* v) { return reinterpret_cast<Table*>(v); }
Cursor* C(sqlite3_vtab_cursor* c) { return reinterpret_cast<Cursor*>(c); }

void setError(sqlite3_vtab* v, const QString& msg)
{
    sqlite3_free(v->zErrMsg);
    v->zErrMsg = sqlite3_mprintf("%s", msg.toUtf8().constData());
}

QString lockedMessage(const Table* t)
{
    return QStringLiteral("%1 is in use by another program (locked); try again later").arg(t->name());
}

void releaseIfIdle(Table* t)
{
    if (t->readers == 0 && !t->writing && t->file.isOpen()) {
        t->file.os().unlock(LockSlot::Data);
        t->file.os().unlock(LockSlot::Presence);
    }
}

// Takes the locks for reading or writing and re-reads the file when it changed. On any
// failure the locks this call took are let go again.
void acquire(Table* t, bool exclusive)
{
    const bool first = t->readers == 0 && !t->writing;
    const int wait = t->options->lockTimeoutMs;
    if (!first) {
        // Our own cursors hold the shared lock: nobody changed the file since it was read.
        if (exclusive && !t->file.lockForWrite(wait))
            throw Error(lockedMessage(t)); // the shared lock is still held, as before the call
        return;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!t->file.isOpen())
            t->file.open(t->path, DbfFile::Access::PreferWrite, wait);
        OsFile& os = t->file.os();
        try {
            if (!os.lock(LockSlot::Presence, LockKind::Shared, wait))
                throw Error(lockedMessage(t));
            if (!(exclusive ? t->file.lockForWrite(wait) : t->file.lockForRead(wait)))
                throw Error(lockedMessage(t));
            const DbfFile::Refresh r = t->file.refresh();
            if (r != DbfFile::Refresh::Same) {
                t->numIdx.clear();
                t->textIdx.clear();
            }
            if (r != DbfFile::Refresh::Reopened)
                return;
            // Reopened: the new descriptor holds no locks yet.
        } catch (...) {
            if (t->file.isOpen()) {
                t->file.os().unlock(LockSlot::Data);
                t->file.os().unlock(LockSlot::Presence);
            }
            throw;
        }
    }
    throw Error(QStringLiteral("%1 keeps being replaced; try again later").arg(t->name()));
}

bool numericKey(const Value& v, double& key)
{
    if (v.kind == Value::Kind::Integer)
        key = double(v.i);
    else if (v.kind == Value::Kind::Real)
        key = v.d;
    else if (v.kind == Value::Kind::Date)
        return dateKey(reinterpret_cast<const unsigned char*>(v.text.data()), int(v.text.size()), key);
    else
        return false;
    return true;
}

// Eight ASCII digits read at once, the first character in the lowest byte (the way a little
// endian machine loads them): building the indexes of a large table reads two keys a record,
// and a digit at a time was most of the instructions of that scan.
static_assert(std::endian::native == std::endian::little);

std::uint64_t loadEight(const char* p)
{
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

bool eightDigits(std::uint64_t x)
{
    // High nibble 3 before and after adding 6: each byte is '0'..'9'.
    return ((x & 0xF0F0F0F0F0F0F0F0ULL) | (((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4))
           == 0x3333333333333333ULL;
}

// Digit pairs: bytes 0, 2, 4 and 6 hold the numbers of characters 0-1, 2-3, 4-5 and 6-7.
std::uint64_t digitPairs(std::uint64_t x)
{
    x -= 0x3030303030303030ULL;
    return x * 10 + (x >> 8);
}

std::uint32_t eightDigitValue(std::uint64_t x)
{
    const std::uint64_t pairs = digitPairs(x);
    std::uint64_t v = pairs & 0x000000FF000000FFULL;
    std::uint64_t w = (pairs >> 16) & 0x000000FF000000FFULL;
    return std::uint32_t((v * (100 + (1000000ULL << 32)) + w * (1 + (10000ULL << 32))) >> 32);
}

// The index key of a plain integer field ("  -1234"), read without decoding the field;
// false for anything else (blank, a point, odd bytes), which takes the decoder's path.
bool fastInteger(const char* p, int width, double& key)
{
    int i = 0;
    while (i < width && p[i] == ' ')
        ++i;
    bool negative = false;
    if (i < width && p[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == width || width - i > 18)
        return false;
    std::int64_t v = 0;
    if (width - i <= 8) {
        // Padded in front with zeros to eight digits.
        std::uint64_t x = 0x3030303030303030ULL;
        std::memcpy(reinterpret_cast<char*>(&x) + (8 - (width - i)), p + i, std::size_t(width - i));
        if (!eightDigits(x))
            return false;
        v = eightDigitValue(x);
    } else {
        for (; i < width; ++i) {
            const char c = p[i];
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
    }
    key = double(negative ? -v : v);
    return true;
}

// The key of a D field holding a possible date (YYYYMMDD) as the number YYYYMMDD; false for
// anything else.
bool fastDate(const char* p, std::uint32_t& key)
{
    const std::uint64_t x = loadEight(p);
    if (!eightDigits(x))
        return false;
    const std::uint64_t pairs = digitPairs(x);
    const int y = int(pairs & 0xFF) * 100 + int((pairs >> 16) & 0xFF);
    const int m = int((pairs >> 32) & 0xFF), d = int((pairs >> 48) & 0xFF);
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y == 0 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1])
        return false;
    if (m == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)))
        return false;
    key = std::uint32_t(y * 10000 + m * 100 + d);
    return true;
}

bool fastDate(const char* p, double& key)
{
    std::uint32_t k;
    if (!fastDate(p, k))
        return false;
    key = k;
    return true;
}

// A bit mask with 0xFF in every byte of x that is a blank.
std::uint64_t blankBytes(std::uint64_t x)
{
    const std::uint64_t y = x ^ 0x2020202020202020ULL; // blanks become zero bytes
    const std::uint64_t t = ((y & 0x7F7F7F7F7F7F7F7FULL) + 0x7F7F7F7F7F7F7F7FULL) | y;
    return ((~t & 0x8080808080808080ULL) >> 7) * 0xFF;
}

// A right-aligned unsigned integer field of at most eight characters, read with one load of
// the eight bytes that end with the field (`end`; the caller makes sure they are all inside
// the record): blanks in front, then digits only. False for anything else, which takes the
// general reading.
bool fastShortInteger(const char* end, int width, std::uint32_t& key)
{
    std::uint64_t x = loadEight(end - 8);
    // Bytes in front of the field count as leading zeros.
    const std::uint64_t outside = width == 8 ? 0 : (std::uint64_t(1) << (8 * (8 - width))) - 1;
    x = (x & ~outside) | (0x3030303030303030ULL & outside);
    // The blanks must all come before the first digit, and a digit must follow them.
    const std::uint64_t front = blankBytes(x) | outside;
    if ((front & (front + 1)) != 0 || front == ~std::uint64_t(0))
        return false;
    x += blankBytes(x) & 0x1010101010101010ULL; // ' ' + 0x10 = '0'
    if (!eightDigits(x))
        return false;
    key = eightDigitValue(x);
    return true;
}

// One column's index while it is filled: where its entries go.
struct IndexSink {
    int col = -1;
    const Field* field = nullptr;
    NumIndex* num = nullptr;
    TextIndex* text = nullptr;
    // Which quick reading of the raw field to try first: integers and dates are nearly every
    // key of a reading table, and are read straight from the record's bytes.
    enum class Quick { None, Integer, Date } quick = Quick::None;
    // Whether an integer field is read with one load of the eight bytes that end with it:
    // it is eight characters or less and the record has room in front of it.
    bool shortInteger = false;
    // The span of the numeric keys put into `sorted`, and whether all are whole numbers:
    // noted as they come, so that choosing how to sort them costs no pass of its own.
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    bool whole = true;
    // While a numeric index is built: the key of each record by record number when it is a
    // whole number from 0 to 2^32 - 2 (nearly every key of a reading table), kNoKey
    // otherwise, the key then being in `sorted`. Four bytes a record where a (key, record)
    // pair takes sixteen: on a large table most of the build's time went into the memory
    // the pairs newly took. Sized to the table before the scan, which fills it in place.
    static constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;
    std::uint32_t* compact = nullptr;
    std::uint32_t compactSize = 0;
    std::uint32_t compactLo = kNoKey, compactHi = 0;
    std::size_t compactCount = 0;

    // A sink for one thread's share of the scan: the same column and compact keys (each
    // share fills its own records of them), with its own indexes for the other keys.
    IndexSink share(NumIndex* ownNum, TextIndex* ownText) const
    {
        IndexSink s;
        s.col = col;
        s.field = field;
        s.quick = quick;
        s.shortInteger = shortInteger;
        s.compact = compact;
        s.compactSize = compactSize;
        s.num = num ? ownNum : nullptr;
        s.text = text ? ownText : nullptr;
        return s;
    }

    // Takes in what a share gathered; shares are taken in record order.
    void take(const IndexSink& part)
    {
        lo = std::min(lo, part.lo);
        hi = std::max(hi, part.hi);
        whole = whole && part.whole;
        compactLo = std::min(compactLo, part.compactLo);
        compactHi = std::max(compactHi, part.compactHi);
        compactCount += part.compactCount;
        if (num)
            num->sorted.insert(num->sorted.end(), part.num->sorted.begin(), part.num->sorted.end());
        if (text)
            text->sorted.insert(text->sorted.end(), part.text->sorted.begin(), part.text->sorted.end());
    }

    void noteCompact(std::uint32_t c, std::uint32_t recno)
    {
        compact[recno] = c;
        compactLo = std::min(compactLo, c);
        compactHi = std::max(compactHi, c);
        ++compactCount;
    }

    void putCompact(double k, std::uint32_t recno)
    {
        if (k >= 0 && k < double(kNoKey)) {
            noteCompact(std::uint32_t(k), recno);
        } else {
            compact[recno] = kNoKey;
            put(k, recno);
        }
    }

    // The compact key of the quickest readings (a short plain integer, a date); false when
    // the field needs a slower one.
    bool compactKey(const char* raw, std::uint32_t& c) const
    {
        switch (quick) {
        case Quick::Integer:
            return shortInteger && fastShortInteger(raw + field->offset + field->width, field->width, c);
        case Quick::Date: return fastDate(raw + field->offset, c);
        case Quick::None: break;
        }
        return false;
    }

    // The key of the quick reading; false when the field needs the decoder.
    bool quickKey(const char* raw, double& k) const
    {
        switch (quick) {
        case Quick::Integer: return fastInteger(raw + field->offset, field->width, k);
        case Quick::Date: return fastDate(raw + field->offset, k);
        case Quick::None: break;
        }
        return false;
    }
    void put(double k, std::uint32_t recno)
    {
        num->sorted.emplace_back(k, recno);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
};

// The key of a field the quick reading does not take, through the decoder.
void addDecoded(Table* t, IndexSink& s, const char* raw, std::uint32_t recno, bool tail, Value& v)
{
    decodeField(*s.field, t->schema().codePage, raw, v, {t->name(), long(recno)});
    if (v.kind == Value::Kind::Null)
        return;
    double k;
    if (s.text) {
        (tail ? s.text->tail : s.text->sorted).emplace_back(hashText(v.text), recno);
    } else if (s.num && numericKey(v, k)) {
        if (k == 0)
            k = 0.0; // one key for -0 and 0
        if (tail) {
            s.num->tail.emplace_back(k, recno);
        } else {
            s.put(k, recno);
            s.whole = s.whole && k == std::floor(k);
        }
    }
}

void addKey(Table* t, IndexSink& s, const char* raw, std::uint32_t recno, bool tail, Value& v)
{
    double k;
    if (!s.quickKey(raw, k))
        addDecoded(t, s, raw, recno, tail, v);
    else if (tail)
        s.num->tail.emplace_back(k, recno);
    else
        s.put(k, recno);
}

IndexSink sinkOf(Table* t, int col)
{
    IndexSink s;
    s.col = col;
    s.field = &t->schema().fields[std::size_t(col)];
    if (s.field->type == 'N' || s.field->type == 'F') {
        s.quick = IndexSink::Quick::Integer;
        s.shortInteger = s.field->width <= 8 && s.field->offset + s.field->width >= 8;
    } else if (s.field->type == 'D') {
        s.quick = IndexSink::Quick::Date;
    }
    if (s.field->type == 'C') {
        auto it = t->textIdx.find(col);
        if (it != t->textIdx.end())
            s.text = &it->second;
    } else {
        auto it = t->numIdx.find(col);
        if (it != t->numIdx.end())
            s.num = &it->second;
    }
    return s;
}

void addToIndex(Table* t, int col, const char* raw, std::uint32_t recno, bool tail)
{
    IndexSink s = sinkOf(t, col);
    if (!s.num && !s.text)
        return;
    Value v;
    addKey(t, s, raw, recno, tail, v);
}

// Sorts (key, record) pairs by key, keeping record order among equal keys, byte by byte from
// the lowest (an LSD radix sort: a million entries in a few passes, where a comparison sort
// of the same costs several times more on the first look-up into a large table).
template <class K, class Bits>
void radixSort(std::vector<std::pair<K, std::uint32_t>>& v, Bits bits)
{
    std::vector<std::pair<K, std::uint32_t>> tmp(v.size());
    std::vector<std::uint64_t> keys(v.size()), tmpKeys(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        keys[i] = bits(v[i].first);
    for (int shift = 0; shift < 64; shift += 8) {
        std::size_t count[257] = {};
        for (std::uint64_t k : keys)
            ++count[((k >> shift) & 0xFF) + 1];
        bool oneBucket = false;
        for (int b = 1; b <= 256; ++b)
            oneBucket = oneBucket || count[b] == v.size();
        if (oneBucket)
            continue; // every key has the same byte here
        for (int b = 0; b < 256; ++b)
            count[b + 1] += count[b];
        for (std::size_t i = 0; i < v.size(); ++i) {
            const std::size_t to = count[(keys[i] >> shift) & 0xFF]++;
            tmp[to] = v[i];
            tmpKeys[to] = keys[i];
        }
        v.swap(tmp);
        keys.swap(tmpKeys);
    }
}

// An order-preserving image of a double as unsigned bits.
std::uint64_t orderedBits(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return (b >> 63) ? ~b : (b | (std::uint64_t(1) << 63));
}

// Whole keys within 2^32 of each other that did not all fit the compact form (negative
// numbers among them, say): each entry packs into one 64-bit word (key offset above, record
// below), and up to three passes over the key's bits sort them, keeping record order.
bool sortWholeKeys(NumIndex& idx, double lo, double hi, bool whole)
{
    std::vector<std::pair<double, std::uint32_t>>& v = idx.sorted;
    if (v.empty())
        return true;
    if (!whole || hi - lo >= 4294967296.0)
        return false;
    const std::size_t n = v.size();
    std::unique_ptr<std::uint64_t[]> a(new std::uint64_t[n]), b(new std::uint64_t[n]);
    for (std::size_t i = 0; i < n; ++i)
        a[i] = (std::uint64_t(v[i].first - lo) << 32) | v[i].second;
    const int bits = hi - lo < 1 ? 0 : int(std::floor(std::log2(hi - lo))) + 1;
    const int passes = (bits + 10) / 11;
    for (int p = 0; p < passes; ++p) {
        const int shift = 32 + 11 * p;
        std::size_t count[2049] = {};
        for (std::size_t i = 0; i < n; ++i)
            ++count[((a[i] >> shift) & 0x7FF) + 1];
        for (int d = 0; d < 2048; ++d)
            count[d + 1] += count[d];
        for (std::size_t i = 0; i < n; ++i)
            b[count[(a[i] >> shift) & 0x7FF]++] = a[i];
        a.swap(b);
    }
    for (std::size_t i = 0; i < n; ++i)
        v[i] = {lo + double(a[i] >> 32), std::uint32_t(a[i] & 0xFFFFFFFFu)};
    return true;
}

// The dense form straight from the compact keys: one counting pass and one placing pass.
void denseFromCompact(IndexSink& s)
{
    NumIndex& idx = *s.num;
    const std::uint32_t lo = s.compactLo;
    const std::size_t range = std::size_t(s.compactHi - lo) + 1;
    idx.lo = lo;
    idx.start.assign(range + 1, 0);
    idx.records.resize(s.compactCount);
    // Plain pointers: through the vectors every step would load their data again.
    std::uint32_t* start = idx.start.data();
    std::uint32_t* records = idx.records.data();
    const std::uint32_t* keys = s.compact;
    const std::uint32_t n = s.compactSize;
    for (std::uint32_t r = 0; r < n; ++r)
        if (keys[r] != IndexSink::kNoKey)
            ++start[keys[r] - lo + 1];
    for (std::size_t k = 0; k < range; ++k)
        start[k + 1] += start[k];
    // start[k] serves as key k's place while placing, which leaves it at the start of key
    // k + 1; moved back by one key afterwards (a copy of the starts of a date column's keys
    // would take megabytes).
    for (std::uint32_t r = 0; r < n; ++r)
        if (keys[r] != IndexSink::kNoKey)
            records[start[keys[r] - lo]++] = r;
    for (std::size_t k = range - 1; k > 0; --k)
        start[k] = start[k - 1];
    start[0] = 0;
}

// Sorts what the scan gathered for a numeric column.
void finishNumeric(IndexSink& s)
{
    NumIndex& idx = *s.num;
    const std::size_t n = s.compactCount + idx.sorted.size();
    if (idx.sorted.empty() && s.compactCount > 0 && double(s.compactHi - s.compactLo) < double(2 * n + 1024)) {
        denseFromCompact(s);
    } else if (s.compactCount > 0) {
        // Some keys are negative, fractional or large: all go to pairs, merged in record order.
        std::vector<std::pair<double, std::uint32_t>> all;
        all.reserve(n);
        auto other = idx.sorted.begin();
        for (std::uint32_t r = 0; r < s.compactSize; ++r) {
            for (; other != idx.sorted.end() && other->second < r; ++other)
                all.push_back(*other);
            if (s.compact[r] != IndexSink::kNoKey)
                all.emplace_back(double(s.compact[r]), r);
        }
        all.insert(all.end(), other, idx.sorted.end());
        idx.sorted.swap(all);
        s.lo = std::min(s.lo, double(s.compactLo));
        s.hi = std::max(s.hi, double(s.compactHi));
    }
    if (!idx.dense() && !sortWholeKeys(idx, s.lo, s.hi, s.whole))
        radixSort(idx.sorted, orderedBits);
}

// Asks for the cache line at p ahead of its use; never faults, wherever p points.
inline void prefetch(const char* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#elif defined(_MSC_VER)
    _mm_prefetch(p, _MM_HINT_T0);
#else
    (void)p;
#endif
}

// Reads the keys of records [from, to) of a run of records that begins with record `first`
// at `base`.
void scanKeys(Table* t, std::vector<IndexSink>& sinks, std::uint32_t first, const char* base, std::uint32_t from,
              std::uint32_t to)
{
    const std::size_t len = std::size_t(t->schema().recordLength);
    // The scan of a large table waits on memory far longer than it takes to read the keys:
    // the lines of the record a few kilobytes ahead are asked for early, the one with its
    // deletion flag and the one with the furthest key.
    std::size_t reach = 0;
    for (const IndexSink& s : sinks)
        reach = std::max(reach, std::size_t(s.field->offset + s.field->width - 1));
    const std::uint32_t ahead = std::uint32_t(std::max<std::size_t>(1, 4096 / len));
    Value v;
    for (std::uint32_t i = from; i < to; ++i) {
        const char* raw = base + std::size_t(i) * len;
        if (to - i > ahead) {
            prefetch(raw + ahead * len);
            prefetch(raw + ahead * len + reach);
        }
        const std::uint32_t recno = first + i;
        const bool deleted = DbfFile::isDeleted(raw);
        for (IndexSink& s : sinks) {
            std::uint32_t c;
            double k;
            if (deleted) {
                if (s.num)
                    s.compact[recno] = IndexSink::kNoKey;
            } else if (s.compactKey(raw, c)) {
                s.noteCompact(c, recno);
            } else if (s.quickKey(raw, k)) {
                s.putCompact(k, recno);
            } else {
                if (s.num)
                    s.compact[recno] = IndexSink::kNoKey;
                addDecoded(t, s, raw, recno, false, v);
            }
        }
    }
}

// How many threads share a piece of an index build of `items` items: none below the
// options' records a thread, and no more than they allow.
unsigned threadsFor(const ModuleOptions& o, std::size_t items)
{
    const std::size_t most = o.indexThreads > 0 ? o.indexThreads : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    return unsigned(std::clamp<std::size_t>(items / std::max<std::size_t>(1, o.indexRecordsPerThread), 1, most));
}

// Runs job(0) .. job(jobs - 1), each but the last on a thread of its own, and waits for all.
// The error of the lowest-numbered job that failed is passed on: the one that running them
// in order on one thread would have met first.
void runJobs(unsigned jobs, const std::function<void(unsigned)>& job)
{
    std::vector<std::exception_ptr> errors(jobs);
    auto guarded = [&](unsigned j) {
        try {
            job(j);
        } catch (...) {
            errors[j] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned j = 0; j + 1 < jobs; ++j) {
        try {
            threads.emplace_back(guarded, j);
        } catch (const std::system_error&) {
            guarded(j); // no thread to be had: run it here
        }
    }
    guarded(jobs - 1);
    for (std::thread& th : threads)
        th.join();
    for (const std::exception_ptr& e : errors)
        if (e)
            std::rethrow_exception(e);
}

// Builds the missing indexes of these columns together, in one pass over the file. The
// first look-up into a large table waits for this, so a large table's records are scanned
// in shares by several threads, and the indexes are then sorted side by side.
void buildIndexes(Table* t, const std::vector<int>& cols)
{
    std::vector<int> missing;
    for (int col : cols) {
        const bool text = t->schema().fields[std::size_t(col)].type == 'C';
        if ((text ? t->textIdx.count(col) : t->numIdx.count(col)) == 0
            && std::find(missing.begin(), missing.end(), col) == missing.end())
            missing.push_back(col);
    }
    if (missing.empty())
        return;
    for (int col : missing) {
        if (t->schema().fields[std::size_t(col)].type == 'C')
            t->textIdx[col];
        else
            t->numIdx[col];
    }
    const std::uint32_t count = t->file.recordCount();
    std::vector<IndexSink> sinks;
    // Not cleared first: the scan writes every record's entry.
    std::vector<std::unique_ptr<std::uint32_t[]>> compactKeys(missing.size());
    for (std::size_t i = 0; i < missing.size(); ++i) {
        IndexSink s = sinkOf(t, missing[i]);
        if (s.num) {
            compactKeys[i] = std::make_unique_for_overwrite<std::uint32_t[]>(count);
            s.compact = compactKeys[i].get();
            s.compactSize = count;
        } else {
            s.text->sorted.reserve(count);
        }
        sinks.push_back(s);
    }
    // One thread's share of a run: its sinks and the indexes they gather the odd keys in.
    struct Share {
        std::vector<NumIndex> nums;
        std::vector<TextIndex> texts;
        std::vector<IndexSink> sinks;
    };
    try {
        t->file.forEachRun([&](std::uint32_t first, std::uint32_t n, const char* base) {
            const unsigned threads = threadsFor(*t->options, n);
            if (threads == 1) {
                scanKeys(t, sinks, first, base, 0, n);
                return;
            }
            std::vector<Share> shares(threads);
            for (Share& sh : shares) {
                sh.nums.resize(sinks.size());
                sh.texts.resize(sinks.size());
                for (std::size_t i = 0; i < sinks.size(); ++i)
                    sh.sinks.push_back(sinks[i].share(&sh.nums[i], &sh.texts[i]));
            }
            runJobs(threads, [&](unsigned j) {
                scanKeys(t, shares[j].sinks, first, base, std::uint32_t(std::uint64_t(n) * j / threads),
                         std::uint32_t(std::uint64_t(n) * (j + 1) / threads));
            });
            for (const Share& sh : shares)
                for (std::size_t i = 0; i < sinks.size(); ++i)
                    sinks[i].take(sh.sinks[i]);
        });
        const unsigned threads = std::min<unsigned>(unsigned(sinks.size()), threadsFor(*t->options, std::size_t(count) * sinks.size()));
        auto finish = [&](IndexSink& s) {
            if (s.text)
                radixSort(s.text->sorted, [](std::uint64_t h) { return h; });
            else
                finishNumeric(s);
        };
        if (threads > 1)
            runJobs(threads, [&](unsigned j) { finish(sinks[j]); });
        else
            for (IndexSink& s : sinks)
                finish(s);
    } catch (...) {
        for (int col : missing) {
            t->textIdx.erase(col);
            t->numIdx.erase(col);
        }
        throw;
    }
}

void buildIndex(Table* t, int col) { buildIndexes(t, {col}); }

// Back from the dense form to sorted pairs, so that entries can be merged in.
void expand(NumIndex& idx)
{
    if (!idx.dense())
        return;
    idx.sorted.clear();
    idx.sorted.reserve(idx.records.size());
    for (std::size_t k = 0; k + 1 < idx.start.size(); ++k)
        for (std::uint32_t i = idx.start[k]; i < idx.start[k + 1]; ++i)
            idx.sorted.emplace_back(idx.lo + double(k), idx.records[i]);
    std::vector<std::uint32_t>().swap(idx.start);
    std::vector<std::uint32_t>().swap(idx.records);
}

void noteWrite(Table* t, const char* raw, std::uint32_t recno)
{
    for (auto& [col, idx] : t->numIdx)
        addToIndex(t, col, raw, recno, true);
    for (auto& [col, idx] : t->textIdx)
        addToIndex(t, col, raw, recno, true);
    // Keep the tails short: fold them in once they grow.
    for (auto& [col, idx] : t->numIdx)
        if (idx.tail.size() > 4096) {
            expand(idx);
            idx.sorted.insert(idx.sorted.end(), idx.tail.begin(), idx.tail.end());
            idx.tail.clear();
            std::sort(idx.sorted.begin(), idx.sorted.end());
        }
    for (auto& [col, idx] : t->textIdx)
        if (idx.tail.size() > 4096) {
            idx.sorted.insert(idx.sorted.end(), idx.tail.begin(), idx.tail.end());
            idx.tail.clear();
            std::sort(idx.sorted.begin(), idx.sorted.end());
        }
}

template <class K>
void collect(const std::vector<std::pair<K, std::uint32_t>>& sorted, const std::vector<std::pair<K, std::uint32_t>>& tail,
             Op op, K key, std::vector<std::uint32_t>& out)
{
    auto match = [&](K k) {
        switch (op) {
        case EQ: return k == key;
        case GT: return k > key;
        case GE: return k >= key;
        case LT: return k < key;
        case LE: return k <= key;
        }
        return false;
    };
    const auto lo = std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(key, std::uint32_t(0)));
    const auto hi = std::upper_bound(sorted.begin(), sorted.end(), std::make_pair(key, std::uint32_t(0xFFFFFFFF)));
    auto put = [&](auto a, auto b) {
        for (auto it = a; it != b; ++it)
            out.push_back(it->second);
    };
    switch (op) {
    case EQ: put(lo, hi); break;
    case GT: put(hi, sorted.end()); break;
    case GE: put(lo, sorted.end()); break;
    case LT: put(sorted.begin(), lo); break;
    case LE: put(sorted.begin(), hi); break;
    }
    for (const auto& e : tail)
        if (match(e.first))
            out.push_back(e.second);
}

void collect(const NumIndex& idx, Op op, double key, std::vector<std::uint32_t>& out)
{
    if (!idx.dense()) {
        collect(idx.sorted, idx.tail, op, key, out);
        return;
    }
    if (std::isnan(key))
        return;
    // The keys the constraint takes, as offsets [a, b) from lo.
    const double keys = double(idx.start.size() - 1);
    auto at = [&](double k) { return std::size_t(std::clamp(k - idx.lo, 0.0, keys)); };
    std::size_t a = 0, b = idx.start.size() - 1;
    switch (op) {
    case EQ:
        if (key != std::floor(key))
            a = b;
        else
            a = at(key), b = at(key + 1);
        break;
    case GT: a = at(std::floor(key) + 1); break;
    case GE: a = at(std::ceil(key)); break;
    case LT: b = at(std::ceil(key)); break;
    case LE: b = at(std::floor(key) + 1); break;
    }
    if (a < b)
        out.insert(out.end(), idx.records.begin() + idx.start[a], idx.records.begin() + idx.start[b]);
    collect(std::vector<std::pair<double, std::uint32_t>>(), idx.tail, op, key, out);
}

// Whether a look-up of this value in the column would use the column's index.
bool indexServes(Table* t, int col, sqlite3_value* v)
{
    const Field& f = t->schema().fields[std::size_t(col)];
    const int vt = sqlite3_value_type(v);
    double key;
    switch (f.type) {
    case 'C': return vt == SQLITE_TEXT; // equality only: xBestIndex passes nothing else
    case 'D': return vt == SQLITE_TEXT && dateKey(sqlite3_value_text(v), sqlite3_value_bytes(v), key);
    case 'L': return false;
    default: return vt == SQLITE_INTEGER || vt == SQLITE_FLOAT;
    }
}

// Candidates for one constraint; false when the value cannot be served from an index
// (then the constraint does not narrow the scan).
bool candidatesFor(Table* t, int col, Op op, sqlite3_value* v, std::vector<std::uint32_t>& out, bool& none)
{
    none = false;
    const Field& f = t->schema().fields[std::size_t(col)];
    const int vt = sqlite3_value_type(v);
    if (vt == SQLITE_NULL) {
        none = true; // a comparison with NULL is never true
        return true;
    }
    if (f.type == 'C') {
        if (op != EQ || vt != SQLITE_TEXT)
            return false;
        std::string s(reinterpret_cast<const char*>(sqlite3_value_text(v)), std::size_t(sqlite3_value_bytes(v)));
        buildIndex(t, col);
        const TextIndex& idx = t->textIdx[col];
        collect(idx.sorted, idx.tail, EQ, hashText(s), out);
        return true;
    }
    double key;
    if (f.type == 'D') {
        if (vt != SQLITE_TEXT)
            return false;
        if (!dateKey(sqlite3_value_text(v), sqlite3_value_bytes(v), key))
            return false;
    } else if (f.type == 'L') {
        return false;
    } else {
        if (vt != SQLITE_INTEGER && vt != SQLITE_FLOAT)
            return false;
        key = sqlite3_value_double(v);
    }
    buildIndex(t, col);
    collect(t->numIdx[col], op, key, out);
    return true;
}

// ---------------------------------------------------------------- module slots

// xCreate/xConnect: argv[3] is the quoted path of the table file.
int xConnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    if (argc < 4) {
        *err = sqlite3_mprintf("dbf: the table file is missing");
        return SQLITE_ERROR;
    }
    std::string p = argv[3];
    if (p.size() >= 2 && (p.front() == '\'' || p.front() == '"') && p.back() == p.front())
        p = p.substr(1, p.size() - 2);
    for (std::size_t i = 0; (i = p.find("''", i)) != std::string::npos; ++i)
        p.erase(i, 1);
    auto t = std::make_unique<Table>();
    t->options = static_cast<ModuleOptions*>(aux);
    t->path = QString::fromStdString(p);
    try {
        t->file.open(t->path, DbfFile::Access::PreferWrite, t->options->lockTimeoutMs);
    } catch (const Error& e) {
        *err = sqlite3_mprintf("%s", e.message().toUtf8().constData());
        return SQLITE_ERROR;
    }
    std::string ddl = "CREATE TABLE x(";
    const Schema& s = t->schema();
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
        const Field& f = s.fields[i];
        if (i)
            ddl += ",";
        ddl += "\"" + f.name + "\" ";
        switch (f.type) {
        case 'C': ddl += "TEXT COLLATE RU"; break;
        case 'D': ddl += "DATE TEXT"; break;
        case 'L': ddl += "INTEGER"; break;
        default: ddl += f.decimals == 0 ? "INTEGER" : "REAL"; break;
        }
    }
    ddl += ")";
    const int rc = sqlite3_declare_vtab(db, ddl.c_str());
    if (rc != SQLITE_OK) {
        *err = sqlite3_mprintf("%s: %s", t->name().toUtf8().constData(), sqlite3_errmsg(db));
        return rc;
    }
    *out = &t.release()->base;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab* v)
{
    delete T(v);
    return SQLITE_OK;
}

// Encodes the usable constraints as "col,op;..." in idxStr; every one gets an argv slot.
int xBestIndex(sqlite3_vtab* v, sqlite3_index_info* info)
{
    Table* t = T(v);
    const double rows = std::max<double>(1.0, t->file.recordCount());
    std::string plan;
    int arg = 0;
    bool eq = false, range = false;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.iColumn < 0)
            continue;
        const Field& f = t->schema().fields[std::size_t(c.iColumn)];
        int op;
        switch (c.op) {
        case SQLITE_INDEX_CONSTRAINT_EQ: op = EQ; break;
        case SQLITE_INDEX_CONSTRAINT_GT: op = GT; break;
        case SQLITE_INDEX_CONSTRAINT_GE: op = GE; break;
        case SQLITE_INDEX_CONSTRAINT_LT: op = LT; break;
        case SQLITE_INDEX_CONSTRAINT_LE: op = LE; break;
        default: continue;
        }
        if (f.type == 'L' || (f.type == 'C' && op != EQ))
            continue;
        if (arg >= 8)
            break;
        info->aConstraintUsage[i].argvIndex = ++arg;
        info->aConstraintUsage[i].omit = 0;
        plan += std::to_string(c.iColumn) + "," + std::to_string(op) + ";";
        (op == EQ ? eq : range) = true;
    }
    info->idxNum = arg;
    if (arg) {
        info->idxStr = sqlite3_mprintf("%s", plan.c_str());
        info->needToFreeIdxStr = 1;
    }
    const double est = eq ? std::max(1.0, rows / 1000) : range ? rows / 4 : rows;
    info->estimatedRows = sqlite3_int64(est);
    info->estimatedCost = est * 10 + 10;
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab* v, sqlite3_vtab_cursor** out)
{
    Table* t = T(v);
    try {
        acquire(t, false);
    } catch (const Error& e) {
        setError(v, e.message());
        return SQLITE_BUSY;
    }
    ++t->readers;
    auto* c = new Cursor;
    *out = &c->base;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* cur)
{
    Table* t = T(cur->pVtab);
    --t->readers;
    releaseIfIdle(t);
    delete C(cur);
    return SQLITE_OK;
}

// Moves to the next live record from the current position.
void settle(Table* t, Cursor* c)
{
    while (true) {
        std::uint32_t r;
        if (c->useCandidates) {
            if (c->pos >= c->candidates.size())
                break;
            r = c->candidates[c->pos];
        } else {
            if (c->pos >= c->end)
                break;
            r = std::uint32_t(c->pos);
        }
        if (r < t->file.recordCount()) {
            const char* raw = t->file.record(r);
            if (!DbfFile::isDeleted(raw)) {
                c->recno = r;
                c->record.assign(raw, std::size_t(t->schema().recordLength));
                c->eof = false;
                return;
            }
        }
        ++c->pos;
    }
    c->eof = true;
}

int xFilter(sqlite3_vtab_cursor* cur, int idxNum, const char* idxStr, int argc, sqlite3_value** argv)
{
    Table* t = T(cur->pVtab);
    Cursor* c = C(cur);
    c->pos = 0;
    c->useCandidates = false;
    c->candidates.clear();
    c->end = t->file.recordCount();
    try {
        if (idxNum > 0 && idxStr) {
            // The columns the look-up can narrow by, built in one pass before the first is used.
            std::vector<int> wanted;
            for (const char* q = idxStr; *q; q = std::strchr(q, ';') + 1)
                wanted.push_back(std::atoi(q));
            for (std::size_t i = 0; i < wanted.size() && int(i) < argc; ++i)
                if (!indexServes(t, wanted[i], argv[i]))
                    wanted[i] = -1;
            wanted.erase(std::remove(wanted.begin(), wanted.end(), -1), wanted.end());
            buildIndexes(t, wanted);
            const char* p = idxStr;
            bool have = false, none = false;
            std::vector<std::vector<std::uint32_t>> lists;
            for (int i = 0; i < argc && *p; ++i) {
                const int col = std::atoi(p);
                p = std::strchr(p, ',') + 1;
                const Op op = Op(std::atoi(p));
                p = std::strchr(p, ';') + 1;
                std::vector<std::uint32_t> trial;
                if (!candidatesFor(t, col, op, argv[i], trial, none))
                    continue;
                have = true;
                if (none)
                    break;
                lists.push_back(std::move(trial));
            }
            // The constraints all hold for a row SQLite wants, so its record is in every list:
            // the smallest list, narrowed by the others that are not much longer.
            std::vector<std::uint32_t> best;
            if (have && !none) {
                std::sort(lists.begin(), lists.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
                best.swap(lists.front());
                std::sort(best.begin(), best.end());
                best.erase(std::unique(best.begin(), best.end()), best.end());
                for (std::size_t k = 1; k < lists.size() && !best.empty(); ++k) {
                    std::vector<std::uint32_t>& other = lists[k];
                    if (other.size() > 8 * best.size() + 1024)
                        break;
                    std::sort(other.begin(), other.end());
                    std::vector<std::uint32_t> both;
                    std::set_intersection(best.begin(), best.end(), other.begin(), other.end(), std::back_inserter(both));
                    best.swap(both);
                }
            }
            // An index pays off only when it leaves out a good part of the table.
            if (have && best.size() < std::size_t(c->end) / 2 + 1) {
                c->candidates.swap(best);
                c->useCandidates = true;
            }
        }
        settle(t, c);
    } catch (const Error& e) {
        setError(cur->pVtab, e.message());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int xNext(sqlite3_vtab_cursor* cur)
{
    Cursor* c = C(cur);
    ++c->pos;
    try {
        settle(T(cur->pVtab), c);
    } catch (const Error& e) {
        setError(cur->pVtab, e.message());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int xEof(sqlite3_vtab_cursor* cur) { return C(cur)->eof; }

int xColumn(sqlite3_vtab_cursor* cur, sqlite3_context* ctx, int col)
{
    Table* t = T(cur->pVtab);
    Cursor* c = C(cur);
    try {
        decodeField(t->schema().fields[std::size_t(col)], t->schema().codePage, c->record.data(), c->value,
                    {t->name(), long(c->recno)});
    } catch (const Error& e) {
        sqlite3_result_error(ctx, e.message().toUtf8().constData(), -1);
        return SQLITE_ERROR;
    }
    const Value& v = c->value;
    switch (v.kind) {
    case Value::Kind::Null: sqlite3_result_null(ctx); break;
    case Value::Kind::Integer: sqlite3_result_int64(ctx, v.i); break;
    case Value::Kind::Real: sqlite3_result_double(ctx, v.d); break;
    case Value::Kind::Text:
    case Value::Kind::Date: sqlite3_result_text(ctx, v.text.data(), int(v.text.size()), SQLITE_TRANSIENT); break;
    }
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor* cur, sqlite3_int64* rowid)
{
    *rowid = C(cur)->recno;
    return SQLITE_OK;
}

Value fromSqlite(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return Value::integer(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return Value::real(sqlite3_value_double(v));
    case SQLITE_NULL: return Value::null();
    default:
        return Value::textValue(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                            std::size_t(sqlite3_value_bytes(v))));
    }
}

// xUpdate: argc == 1 deletes argv[0]; argv[0] NULL inserts; otherwise updates argv[0].
// The whole new record is encoded before it is handed over, so a value that does not fit
// leaves the record untouched.
int xUpdate(sqlite3_vtab* v, int argc, sqlite3_value** argv, sqlite3_int64* rowid)
{
    Table* t = T(v);
    try {
        if (!t->writing)
            throw Error(QStringLiteral("%1: write outside a transaction").arg(t->name()));
        if (!t->file.writable())
            throw Error(QStringLiteral("%1 cannot be written: the file is read-only").arg(t->name()));
        const Schema& s = t->schema();
        if (argc == 1) {
            t->file.markDeleted(std::uint32_t(sqlite3_value_int64(argv[0])));
            return SQLITE_OK;
        }
        const bool insert = sqlite3_value_type(argv[0]) == SQLITE_NULL;
        if (sqlite3_value_type(argv[1]) != SQLITE_NULL
            && (insert || sqlite3_value_int64(argv[1]) != sqlite3_value_int64(argv[0])))
            throw Error(QStringLiteral("%1: record numbers cannot be set or changed").arg(t->name()));
        std::uint32_t r;
        std::string& rec = t->scratch;
        if (insert) {
            r = t->file.recordCount();
            rec.assign(std::size_t(s.recordLength), ' ');
        } else {
            r = std::uint32_t(sqlite3_value_int64(argv[0]));
            rec.assign(t->file.record(r), std::size_t(s.recordLength));
        }
        for (std::size_t i = 0; i < s.fields.size() && int(i) + 2 < argc; ++i)
            encodeField(s.fields[i], s.codePage, fromSqlite(argv[i + 2]), rec.data(), t->name());
        t->file.change(r, rec.data());
        noteWrite(t, rec.data(), r);
        *rowid = r;
    } catch (const Error& e) {
        setError(v, e.message());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int xBegin(sqlite3_vtab* v)
{
    Table* t = T(v);
    try {
        acquire(t, true);
        t->file.beginChanges(t->options->heldChangesLimit);
    } catch (const Error& e) {
        setError(v, e.message());
        return SQLITE_BUSY;
    }
    t->writing = true;
    return SQLITE_OK;
}

void endWrite(Table* t)
{
    t->writing = false;
    if (t->readers > 0)
        t->file.os().lock(LockSlot::Data, LockKind::Shared, 0); // back to shared: converts at once
    releaseIfIdle(t);
}

// Puts back every record the failed statement changed and drops what it appended.
void undo(Table* t)
{
    t->numIdx.clear(); // they hold keys of the changes
    t->textIdx.clear();
    t->file.rollbackChanges();
}

int xSync(sqlite3_vtab*) { return SQLITE_OK; }

// SQLite also commits a table it has just created (CREATE VIRTUAL TABLE) without an xBegin:
// then nothing is locked and nothing was written, so nothing may be written now either.
int xCommit(sqlite3_vtab* v)
{
    Table* t = T(v);
    if (!t->writing)
        return SQLITE_OK;
    int rc = SQLITE_OK;
    try {
        t->file.commitChanges();
    } catch (const Error& e) {
        setError(v, e.message());
        rc = SQLITE_ERROR;
        try {
            undo(t);
        } catch (const Error&) {
            // The journal stays: the next lock of the table, here or elsewhere, undoes it.
        }
    }
    endWrite(t);
    return rc;
}

int xRollback(sqlite3_vtab* v)
{
    Table* t = T(v);
    if (!t->writing)
        return SQLITE_OK;
    int rc = SQLITE_OK;
    try {
        undo(t);
    } catch (const Error& e) {
        setError(v, e.message());
        rc = SQLITE_ERROR;
    }
    endWrite(t);
    return rc;
}

sqlite3_module makeModule()
{
    sqlite3_module m {};
    m.iVersion = 1;
    m.xCreate = xConnect;
    m.xConnect = xConnect;
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xDestroy = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    m.xUpdate = xUpdate;
    m.xBegin = xBegin;
    m.xSync = xSync;
    m.xCommit = xCommit;
    m.xRollback = xRollback;
    return m;
}

const sqlite3_module kModule = makeModule();

} // namespace

int compareRussian(const char* a, int na, const char* b, int nb)
{
    const auto* ua = reinterpret_cast<const unsigned char*>(a);
    const auto* ub = reinterpret_cast<const unsigned char*>(b);
    // Level by level: letters, then Ё against Е, then case, then the bytes themselves.
    for (int level = 0; level < 3; ++level) {
        int i = 0, j = 0;
        while (i < na && j < nb) {
            const Weight wa = weightOf(nextUtf8(ua, na, i));
            const Weight wb = weightOf(nextUtf8(ub, nb, j));
            const std::uint32_t x = level == 0 ? wa.primary : level == 1 ? wa.secondary : wa.caseBit;
            const std::uint32_t y = level == 0 ? wb.primary : level == 1 ? wb.secondary : wb.caseBit;
            if (x != y)
                return x < y ? -1 : 1;
        }
        if (level == 0 && (i < na) != (j < nb))
            return i < na ? 1 : -1;
    }
    const int n = std::min(na, nb);
    const int r = std::memcmp(a, b, std::size_t(n));
    if (r != 0)
        return r < 0 ? -1 : 1;
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

void registerModule(sqlite3* db, ModuleOptions* options)
{
    sqlite3_create_module(db, "dbf", &kModule, options);
    sqlite3_create_collation(db, "RU", SQLITE_UTF8, nullptr, collateRu);
}

} // namespace tk::dbf
