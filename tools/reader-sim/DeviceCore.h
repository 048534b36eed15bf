#pragma once
// The emulated reader without any I/O: a request frame goes in, the reply frame (or silence)
// comes out, and the device state changes as the reader's would. Tests use it in-process; the
// pty front end puts it behind a pseudo-terminal.
#include "DeviceState.h"
#include "Faults.h"

#include <QByteArray>
#include <QDateTime>
#include <array>
#include <functional>
#include <optional>

namespace tk::sim {

// Error answer codes.
enum ErrorCode : uint8_t {
    UnknownFunction = 1,
    WrongLength = 2,
    BadChecksum = 3,
    RefusedData = 4,
    MemoryFull = 5,
};

// The six-byte clock image: BCD second, minute, hour; BCD day | (year mod 4) << 6;
// BCD month | weekday << 5 (0 = Sunday); (year mod 100) div 4. Years 2000..2099.
QByteArray clockImage(const QDateTime& t);
// The date and time of an image, or nullopt when it is not a valid one: a nibble above 9, a
// field out of range, a day the month does not have, or a weekday that disagrees with the date.
std::optional<QDateTime> parseClockImage(const QByteArray& image);

// What the device sends for one request and how: the bytes (garbage, if a fault asks for it,
// then the reply frame), the wait before the first byte and the gap between bytes.
struct Transmission {
    QByteArray bytes;
    int delayMs = 0;
    int byteGapMs = 0; // 0: all bytes at once
};

class DeviceCore {
public:
    using ClockFn = std::function<QDateTime()>; // the host's local wall-clock time

    explicit DeviceCore(DeviceState state = {}, ClockFn clock = {});

    // The bytes sent in answer to one request frame, or nullopt when the device stays silent.
    std::optional<QByteArray> handle(const QByteArray& requestFrame);
    // The same with the timing that the faults give it.
    std::optional<Transmission> respond(const QByteArray& requestFrame);

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }
    FaultList& faults() { return faults_; }
    const FaultList& faults() const { return faults_; }

    void setClock(ClockFn clock);
    // The reader's own clock: the host's wall-clock time plus the state's offset.
    QDateTime readerTime() const;

private:
    // The reply frame a fault-free reader gives: a normal answer or an error answer.
    QByteArray execute(const QByteArray& request);
    QByteArray executeValid(uint8_t fn, const QByteArray& payload);
    QByteArray readRecord(uint8_t fn, uint8_t db, bool first);
    QByteArray writeRecord(uint8_t db, const QByteArray& record);
    QByteArray setDbName(uint8_t db, const QByteArray& name);
    QByteArray setTariffs(const QByteArray& payload);
    QByteArray setClock(const QByteArray& image);

    DeviceState state_;
    FaultList faults_;
    ClockFn clock_;
    std::array<int, kDatabaseCount> cursor_{}; // index of the record ReadNext gives next
};

} // namespace tk::sim
