#pragma once
// The narrow interfaces through which the exchange engine acts: the serial port, the timers
// and the clock. The Qt glue implements them with QSerialPort, QTimer and the system clock;
// tests drive the engine through them with a scripted port and a manual clock.
#include <QByteArray>
#include <QDateTime>

namespace tk::reader {

enum class Parity { Mark, Space };

class ReaderPort {
public:
    virtual ~ReaderPort() = default;
    // Opens with the reader's line settings; throws Error with the system's reason.
    virtual void open() = 0;
    // Errors at close are of no interest to any caller.
    virtual void close() noexcept = 0;
    // Applied to the open port at once, before the next write.
    virtual void setParity(Parity parity) = 0;
    // Returns when the bytes have been handed to the system.
    virtual void write(const QByteArray& bytes) = 0;
    // A hint: the reply being collected needs this many more bytes before it can be complete, so
    // a port may hold back its receive event until they are in rather than wake the program for
    // every byte. Ports that cannot do that ignore it.
    virtual void expect(int bytes) { (void)bytes; }
};

enum class TimerId {
    Out,  // reply time-out, 1500 ms
    Send, // the 10 ms between the first byte of a request and the rest
    Time, // the 500 ms tick: PC clock display, clock-due flag
};

class TimerSource {
public:
    virtual ~TimerSource() = default;
    // (Re)starts the timer: it fires once after ms unless stopped or started again.
    virtual void start(TimerId id, int ms) = 0;
    virtual void stop(TimerId id) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

} // namespace tk::reader
