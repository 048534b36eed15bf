#pragma once
// The serial line in front of the emulated reader, without I/O: it finds request frames in the
// byte stream, hands them to the device core when they could have arrived at the line's speed,
// and schedules each reply byte no earlier than the line could carry it. The caller feeds it
// bytes with their arrival time and writes out what service() returns; time is a monotonic
// clock in microseconds.
//
// On a pty the parity bit that marks a request's first byte does not exist, so a request is
// recognised by its length byte and CRC alone. When no valid frame starts at the head of the
// stream and there are enough bytes to tell, one byte is dropped and the search goes on; a
// partial frame that gets no more bytes for kStaleUs is dropped.
#include "DeviceCore.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <optional>

namespace tk::sim {

class Wire {
public:
    static constexpr int64_t kStaleUs = 200'000;
    static constexpr int kBitsPerByte = 11; // start, 8 data, parity, stop

    // baud 0: unpaced, bytes are taken and given as fast as they come.
    explicit Wire(DeviceCore& core, int baud = 0);

    void received(const QByteArray& bytes, int64_t nowUs);
    // Acts on every request that is due by nowUs and returns the reply bytes due by then.
    QByteArray service(int64_t nowUs);
    // When service() next has work; nullopt when only new bytes can bring any.
    std::optional<int64_t> nextDueUs() const;
    // The line is gone (cable pulled, nobody on the other side): bytes in flight are lost.
    void drop();

    int pendingInput() const { return int(in_.size()); }
    int pendingOutput() const { return int(out_.size()); }

private:
    // Drops bytes until the head is a valid frame or undecided; returns the head frame's
    // length, or 0 while more bytes are needed.
    int resync();
    int validFrameAt(int offset) const; // its length, or 0
    void dropFront(int n);
    void schedule(const Transmission& t, int64_t atUs);

    DeviceCore& core_;
    int64_t byteUs_ = 0;
    QByteArray in_;
    std::deque<int64_t> inTimes_; // when each byte of in_ has wholly crossed the line
    int64_t inLineFreeUs_ = 0;    // when the last received byte has crossed it
    int64_t lastArrivalUs_ = 0;
    struct OutByte {
        char byte;
        int64_t dueUs;
    };
    std::deque<OutByte> out_;
    int64_t lineFreeUs_ = 0; // when the last scheduled reply byte has left
};

} // namespace tk::sim
