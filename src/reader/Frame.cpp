#include "reader/Frame.h"

#include "common/Error.h"

#include <algorithm>

namespace tk::reader {

bool isKnownFunction(int code)
{
    return code >= 0 && code <= 21 && code != 5 && code != 7;
}

uint16_t crc16(const uint8_t* data, int count)
{
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

void Crc16(uint8_t* buffer, int count)
{
    const uint16_t crc = crc16(buffer, count);
    buffer[count] = uint8_t(crc & 0xFF);
    buffer[count + 1] = uint8_t(crc >> 8);
}

QByteArray buildFrame(uint8_t function, const QByteArray& payload)
{
    if (payload.size() > 253)
        throw Error(QStringLiteral("Слишком длинный запрос: %1 байт").arg(payload.size()));
    const int length = int(payload.size()) + 2;
    QByteArray frame(length + 2, '\0');
    auto* p = reinterpret_cast<uint8_t*>(frame.data());
    p[0] = function;
    p[1] = uint8_t(length);
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    Crc16(p, length);
    return frame;
}

bool CheckReplyCrc(const uint8_t* rx, int rxCount)
{
    const int length = rx[1];
    if (length < kMinLength || rxCount < length + 2)
        return false;
    const uint16_t crc = crc16(rx, length);
    return rx[length] == (crc & 0xFF) && rx[length + 1] == (crc >> 8);
}

QString errorAnswerText(int code)
{
    switch (code) {
    case 1: return QStringLiteral(" Error: Unknown function");
    case 2: return QStringLiteral(" Error: Incorrect length");
    case 3: return QStringLiteral(" Error: Bad CheckSum");
    case 4: return QStringLiteral(" Error: Incorect data");
    case 5: return QStringLiteral(" Error: Memory full");
    default: return QStringLiteral(" Error: Error code №") + QString::number(code);
    }
}

QString hexBytes(const uint8_t* data, int count)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(count * 3);
    for (int i = 0; i < count; ++i) {
        out.append(QLatin1Char(digits[data[i] >> 4]));
        out.append(QLatin1Char(digits[data[i] & 0x0F]));
        out.append(QLatin1Char(' '));
    }
    return out;
}

int RxCollector::append(const uint8_t* data, int count)
{
    if (complete() || count <= 0)
        return 0;
    int taken = 0;
    while (taken < count && count_ < kRxBufferSize) {
        buffer_[count_++] = data[taken++];
        // Complete once three bytes are in and the length byte's L + 2 are reached; a length
        // below 2 cannot carry a CRC and counts as a bad one.
        if (count_ >= 3 && count_ >= buffer_[1] + 2) {
            if (buffer_[1] < kMinLength || !CheckReplyCrc(buffer_, count_))
                state_ = State::BadCrc;
            else if (buffer_[0] & 0x80)
                state_ = State::ErrorAnswer;
            else
                state_ = State::Normal;
            break;
        }
    }
    return taken;
}

QByteArray RxCollector::frame() const
{
    return QByteArray(reinterpret_cast<const char*>(buffer_), count_);
}

} // namespace tk::reader
