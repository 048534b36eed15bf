#pragma once
// Small helpers of the emulator tests: frames written as hex without their CRC.
#include "DeviceState.h"
#include "reader/Frame.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

namespace tk::sim::test {

// "00 02" -> 00 02 80 71: the bytes with their CRC appended.
inline QByteArray frameOf(const char* hexWithoutCrc)
{
    QByteArray f = *fromHexText(QString::fromLatin1(hexWithoutCrc));
    const uint16_t crc = reader::crc16(reinterpret_cast<const uint8_t*>(f.constData()), int(f.size()));
    f.append(char(crc & 0xFF));
    f.append(char(crc >> 8));
    return f;
}

inline QByteArray hexBytes(const char* hex) { return *fromHexText(QString::fromLatin1(hex)); }

inline std::string show(const QByteArray& b) { return toHexText(b).toStdString(); }
inline std::string show(const std::optional<QByteArray>& b) { return b ? show(*b) : std::string("(silence)"); }

} // namespace tk::sim::test
