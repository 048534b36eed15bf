#include "DeviceCore.h"

#include "common/Bcd.h"
#include "reader/Frame.h"

#include <algorithm>

namespace tk::sim {

using namespace tk::reader;

namespace {

constexpr int kStreetDb = 5;
constexpr int kFirstRouteDb = 8;
constexpr int kLastRouteDb = 62;
constexpr int kZkvDb = 63;

bool isBcd(uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; }
// A BCD byte that holds a value in min..max.
bool bcdIn(uint8_t b, int min, int max) { return isBcd(b) && BcdToByte(b) >= min && BcdToByte(b) <= max; }

// The clock works on wall-clock fields only: the reader knows no time zone and no summer
// time, so the fields are carried as UTC values, where adding milliseconds never jumps.
QDateTime wallClock(const QDateTime& t) { return QDateTime(t.date(), t.time(), Qt::UTC); }

QByteArray frame(uint8_t fn, const QByteArray& payload = {}) { return buildFrame(fn, payload); }
QByteArray errorAnswer(uint8_t fn, int code) { return buildFrame(uint8_t(fn | 0x80), QByteArray(1, char(code))); }
QByteArray dbByte(uint8_t db) { return QByteArray(1, char(db)); }

// Which request lengths L each function takes.
bool lengthFits(uint8_t fn, int length)
{
    switch (fn) {
    case GetVersion: case GetClock: case GetTariffs: case GetBillingDay: case GetSummerFlag:
    case GetDisplayMode: case GetPassword:
        return length == 2;
    case SetClock: return length == 8;
    case GetCount: case ReadFirst: case ReadNext: case ClearDb: case GetDbName:
    case SetSummerFlag: case SetDisplayMode:
        return length == 3;
    case WriteRecord: return length == 13 || length == 15 || length == 16;
    case SetDbName: return length == 3 || length == 15;
    case SetTariffs: return length == 2 || length == 20;
    case SetBillingDay: case SetPassword: return length == 4;
    default: return false;
    }
}

// The 13-byte route record of firmware 5.00 and 5.01 carries house bits 8-9 in the top two
// bits of its database byte.
bool dbByteCarriesHouseBits(int firmware) { return firmware >= 0x0500 && firmware < 0x0502; }

// The database a request is about, for functions that name one.
std::optional<uint8_t> requestDatabase(const QByteArray& req, int firmware)
{
    if (req.size() < 3 || uint8_t(req[1]) < 3)
        return std::nullopt;
    const auto fn = uint8_t(req[0]);
    const auto db = uint8_t(req[2]);
    switch (fn) {
    case GetCount: case ReadFirst: case ReadNext: case ClearDb: case GetDbName: case SetDbName:
        return db;
    case WriteRecord:
        return dbByteCarriesHouseBits(firmware) ? uint8_t(db & 0x3F) : db;
    default:
        return std::nullopt;
    }
}

bool intact(const QByteArray& req)
{
    if (req.size() < 4)
        return false;
    const int length = uint8_t(req[1]);
    return length >= kMinLength && req.size() == length + 2
        && CheckReplyCrc(reinterpret_cast<const uint8_t*>(req.constData()), int(req.size()));
}

} // namespace

QByteArray clockImage(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    const int weekday = d.dayOfWeek() % 7; // Qt counts Monday 1 .. Sunday 7
    return bytesOf({ByteToBcd(tm.second()), ByteToBcd(tm.minute()), ByteToBcd(tm.hour()),
                    uint8_t(ByteToBcd(d.day()) | ((d.year() % 4) << 6)),
                    uint8_t(ByteToBcd(d.month()) | (weekday << 5)),
                    uint8_t((d.year() % 100) / 4)});
}

std::optional<QDateTime> parseClockImage(const QByteArray& image)
{
    if (image.size() != 6)
        return std::nullopt;
    const auto* b = reinterpret_cast<const uint8_t*>(image.constData());
    const uint8_t day = b[3] & 0x3F;
    const uint8_t month = b[4] & 0x1F;
    if (!bcdIn(b[0], 0, 59) || !bcdIn(b[1], 0, 59) || !bcdIn(b[2], 0, 23) || !bcdIn(day, 1, 31)
        || !bcdIn(month, 1, 12) || b[5] > 24)
        return std::nullopt;
    const int year = 2000 + 4 * b[5] + (b[3] >> 6);
    const QDate date(year, BcdToByte(month), BcdToByte(day));
    // A weekday that disagrees with the date is refused rather than stored, so that a wrongly
    // counted weekday shows up at once.
    if (!date.isValid() || date.dayOfWeek() % 7 != (b[4] >> 5))
        return std::nullopt;
    return QDateTime(date, QTime(BcdToByte(b[2]), BcdToByte(b[1]), BcdToByte(b[0])), Qt::UTC);
}

DeviceCore::DeviceCore(DeviceState state, ClockFn clock)
    : state_(std::move(state))
{
    setClock(std::move(clock));
}

void DeviceCore::setClock(ClockFn clock)
{
    clock_ = clock ? std::move(clock) : ClockFn([] { return QDateTime::currentDateTime(); });
}

QDateTime DeviceCore::readerTime() const
{
    return wallClock(clock_()).addMSecs(state_.clockOffsetMs);
}

std::optional<QByteArray> DeviceCore::handle(const QByteArray& requestFrame)
{
    auto t = respond(requestFrame);
    if (!t)
        return std::nullopt;
    return t->bytes;
}

std::optional<Transmission> DeviceCore::respond(const QByteArray& req)
{
    if (req.isEmpty())
        return std::nullopt;
    const auto fn = uint8_t(req[0]);
    const auto db = requestDatabase(req, state_.firmwareWord());
    using K = FaultRule::Kind;

    if (faults_.take(K::Silence, fn, db))
        return std::nullopt;

    QByteArray reply;
    // The reader can refuse only what it has read correctly, so a damaged request gets its
    // checksum error even while an error fault is set for its function.
    if (!intact(req))
        reply = errorAnswer(fn, BadChecksum);
    else if (auto e = faults_.take(K::ErrorAnswer, fn, db))
        reply = errorAnswer(fn, e->value);
    else
        reply = execute(req);

    Transmission t;
    if (faults_.take(K::BadCrc, fn, db)) {
        reply[reply.size() - 2] = char(reply[reply.size() - 2] ^ 0xFF);
        reply[reply.size() - 1] = char(reply[reply.size() - 1] ^ 0xA5);
    }
    if (auto g = faults_.take(K::Garbage, fn, db))
        t.bytes = g->garbage;
    t.bytes += reply;
    if (auto d = faults_.take(K::Delay, fn, db))
        t.delayMs = d->value;
    if (auto s = faults_.take(K::SplitBytes, fn, db))
        t.byteGapMs = s->value;
    return t;
}

QByteArray DeviceCore::execute(const QByteArray& req)
{
    const auto fn = uint8_t(req[0]);
    const int length = uint8_t(req[1]);
    if (!isKnownFunction(fn))
        return errorAnswer(fn, UnknownFunction);
    if (!lengthFits(fn, length))
        return errorAnswer(fn, WrongLength);
    return executeValid(fn, req.mid(2, length - 2));
}

QByteArray DeviceCore::executeValid(uint8_t fn, const QByteArray& p)
{
    auto at = [&](int i) { return uint8_t(p[i]); };
    auto ack = [&] { return frame(fn); };
    // Functions that name a database refuse numbers the reader does not have.
    const bool namesDb = fn == GetCount || fn == ReadFirst || fn == ReadNext || fn == ClearDb || fn == GetDbName;
    if (namesDb && at(0) >= kDatabaseCount)
        return errorAnswer(fn, RefusedData);

    switch (fn) {
    case GetVersion:
        return frame(fn, bytesOf({state_.version, state_.build}));
    case GetClock:
        return frame(fn, clockImage(readerTime()));
    case SetClock:
        return setClock(p);
    case GetCount: {
        const auto n = uint16_t(state_.databases[at(0)].records.size());
        return frame(fn, bytesOf({at(0), uint8_t(n & 0xFF), uint8_t(n >> 8)}));
    }
    case ReadFirst:
    case ReadNext:
        return readRecord(fn, at(0), fn == ReadFirst);
    case WriteRecord:
        return writeRecord(at(0), p.mid(1));
    case ClearDb:
        state_.databases[at(0)].records.clear();
        cursor_[at(0)] = 0;
        return frame(fn, dbByte(at(0)));
    case GetDbName: {
        const QByteArray& name = state_.databases[at(0)].name;
        return frame(fn, dbByte(at(0)) + name);
    }
    case SetDbName:
        return setDbName(at(0), p.mid(1));
    case GetTariffs: {
        QByteArray zones;
        if (state_.tariffs)
            for (const TariffZone& z : *state_.tariffs)
                zones += bytesOf({z.tariff, z.hour, z.minute});
        return frame(fn, zones);
    }
    case SetTariffs:
        return setTariffs(p);
    case GetBillingDay:
        return frame(fn, bytesOf({state_.billingHour, state_.billingDay}));
    case SetBillingDay:
        if (!bcdIn(at(0), 0, 23) || !bcdIn(at(1), 1, 31))
            return errorAnswer(fn, RefusedData);
        state_.billingHour = at(0);
        state_.billingDay = at(1);
        return ack();
    case GetSummerFlag:
        return frame(fn, QByteArray(1, char(state_.summerFlag)));
    case SetSummerFlag:
        if (at(0) != 0x00 && at(0) != 0x80)
            return errorAnswer(fn, RefusedData);
        state_.summerFlag = at(0);
        return ack();
    case GetDisplayMode:
        return frame(fn, QByteArray(1, char(state_.displayMode)));
    case SetDisplayMode:
        if (at(0) & 0xF0) // only the four display bits exist
            return errorAnswer(fn, RefusedData);
        state_.displayMode = at(0);
        return ack();
    case GetPassword:
        return frame(fn, bytesOf({uint8_t(state_.password & 0xFF), uint8_t(state_.password >> 8)}));
    case SetPassword:
        state_.password = uint16_t(at(0) | (at(1) << 8));
        return ack();
    default:
        return errorAnswer(fn, UnknownFunction);
    }
}

QByteArray DeviceCore::setClock(const QByteArray& image)
{
    const auto t = parseClockImage(image);
    if (!t)
        return errorAnswer(SetClock, RefusedData);
    state_.clockOffsetMs = wallClock(clock_()).msecsTo(*t);
    return frame(SetClock);
}

QByteArray DeviceCore::readRecord(uint8_t fn, uint8_t db, bool first)
{
    const auto& records = state_.databases[db].records;
    int& cursor = cursor_[db];
    if (first)
        cursor = 0;
    if (cursor >= records.size())
        return frame(fn, dbByte(db)); // no (more) record
    return frame(fn, dbByte(db) + records[cursor++]);
}

QByteArray DeviceCore::writeRecord(uint8_t dbField, const QByteArray& record)
{
    const int firmware = state_.firmwareWord();
    const int length = int(record.size()) + 3;
    // Records are kept from frame offset 3 on, so house bits carried in the database byte are
    // not kept: a read gives the record back under the plain database number.
    const uint8_t db = dbByteCarriesHouseBits(firmware) ? uint8_t(dbField & 0x3F) : dbField;
    const bool route = (db >= kFirstRouteDb && db <= kLastRouteDb) || (db == kZkvDb && firmware < 0x0600);
    const bool streets = db == kStreetDb && firmware >= 0x0502;
    if (!route && !streets)
        return errorAnswer(WriteRecord, RefusedData);

    // Each database takes the one record form of this firmware.
    const int expected = streets ? 16 : (firmware >= 0x0502 ? 15 : 13);
    if (length != expected)
        return errorAnswer(WriteRecord, WrongLength);

    Database& target = state_.databases[db];
    if (streets) {
        if (record[0] == 0)
            return errorAnswer(WriteRecord, RefusedData);
        // A street number names one street: writing it again renames it.
        auto same = std::find_if(target.records.begin(), target.records.end(),
                                 [&](const QByteArray& r) { return r[0] == record[0]; });
        if (same != target.records.end()) {
            *same = record;
            return frame(WriteRecord, dbByte(dbField));
        }
    }
    if (target.records.size() >= target.capacity)
        return errorAnswer(WriteRecord, MemoryFull);
    target.records.append(record);
    return frame(WriteRecord, dbByte(dbField));
}

QByteArray DeviceCore::setDbName(uint8_t db, const QByteArray& name)
{
    // Route 55 is the last slot the reader lets a name be given to.
    if (db > kLastRouteDb)
        return errorAnswer(SetDbName, RefusedData);
    Database& target = state_.databases[db];
    if (name.isEmpty()) { // the database alone: delete it
        target.name.clear();
        target.records.clear();
        cursor_[db] = 0;
    } else {
        target.name = name;
    }
    return frame(SetDbName, dbByte(db));
}

QByteArray DeviceCore::setTariffs(const QByteArray& p)
{
    if (p.isEmpty()) {
        state_.tariffs.reset();
        return frame(SetTariffs);
    }
    TariffSchedule zones;
    int previous = -1;
    for (int k = 0; k < 6; ++k) {
        const TariffZone z{uint8_t(p[3 * k]), uint8_t(p[3 * k + 1]), uint8_t(p[3 * k + 2])};
        if (z.tariff < 1 || z.tariff > 3 || !bcdIn(z.hour, 0, 23) || !bcdIn(z.minute, 0, 59))
            return errorAnswer(SetTariffs, RefusedData);
        const int start = BcdToByte(z.hour) * 60 + BcdToByte(z.minute);
        if (start <= previous) // zone start times must increase
            return errorAnswer(SetTariffs, RefusedData);
        previous = start;
        zones[size_t(k)] = z;
    }
    state_.tariffs = zones;
    return frame(SetTariffs);
}

} // namespace tk::sim
