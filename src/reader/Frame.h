#pragma once
// The wire frame of the reader link: function code, length L (bytes before the CRC), payload,
// CRC-16/MODBUS low byte first. The same layout in both directions; a reply with bit 7 of the
// function code set is an error answer carrying its code in payload byte 0.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tk::reader {

enum Function : uint8_t {
    GetVersion = 0,
    GetClock = 1,
    SetClock = 2,
    GetCount = 3,
    ReadFirst = 4,
    ReadNext = 6,
    WriteRecord = 8,
    ClearDb = 9,
    GetDbName = 10,
    SetDbName = 11,
    GetTariffs = 12,
    SetTariffs = 13,
    GetBillingDay = 14,
    SetBillingDay = 15,
    GetSummerFlag = 16,
    SetSummerFlag = 17,
    GetDisplayMode = 18,
    SetDisplayMode = 19,
    GetPassword = 20,
    SetPassword = 21,
};

inline constexpr int kMinLength = 2;      // function code + length byte
inline constexpr int kMaxFrame = 257;     // L = 255 plus two CRC bytes
inline constexpr int kRequestSize = 256;  // the request under construction
inline constexpr int kChunkSize = 256;    // what one read of a receive event takes
inline constexpr int kRxBufferSize = 1024;

// The codes the manager sends (5 and 7 are unused by the reader).
bool isKnownFunction(int code);

uint16_t crc16(const uint8_t* data, int count);
// Computes the CRC over the first count bytes and stores it at count (low) and count + 1 (high).
void Crc16(uint8_t* buffer, int count);

// A complete frame: function, L = payload + 2, payload, CRC. Payload of at most 253 bytes.
QByteArray buildFrame(uint8_t function, const QByteArray& payload = {});

// The CRC stored after the L bytes of a collected reply matches.
bool CheckReplyCrc(const uint8_t* rx, int rxCount);

// Exchange-log text of an error answer's code.
QString errorAnswerText(int code);

// Bytes as the exchange log shows them: two upper-case hex digits, each followed by a blank.
QString hexBytes(const uint8_t* data, int count);
inline QString hexBytes(const QByteArray& b) { return hexBytes(reinterpret_cast<const uint8_t*>(b.constData()), int(b.size())); }

// Collects reply bytes into RxBuffer until the length byte says the frame is complete, then
// classifies it. Bytes beyond what the buffer holds, and bytes of the same receive event that
// follow a complete reply, are dropped.
class RxCollector {
public:
    enum class State { Incomplete, Normal, ErrorAnswer, BadCrc };

    void reset() { count_ = 0; state_ = State::Incomplete; }
    // Appends up to what fits; returns how many of the bytes were taken.
    int append(const uint8_t* data, int count);
    State state() const { return state_; }
    bool complete() const { return state_ != State::Incomplete; }

    const uint8_t* data() const { return buffer_; }
    int count() const { return count_; }
    int length() const { return count_ >= 2 ? buffer_[1] : 0; } // L of the reply
    uint8_t function() const { return buffer_[0]; }
    int errorCode() const { return buffer_[2]; }
    uint8_t at(int offset) const { return offset < kRxBufferSize ? buffer_[offset] : 0; }
    QByteArray frame() const;

private:
    uint8_t buffer_[kRxBufferSize] = {};
    int count_ = 0;
    State state_ = State::Incomplete;
};

} // namespace tk::reader
