#pragma once
// The reader's six-byte clock image: BCD seconds, minutes, hours; day of month (BCD) with the
// year mod 4 in bits 6-7; month (BCD) with the weekday (0 = Sunday) in bits 5-7; and the year
// mod 100 divided by 4. The year is rebuilt as 2000 + 4 * byte 5 + (byte 3 >> 6).
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstdint>

namespace tk::reader {

QByteArray encodeReaderClock(const QDateTime& when);
// Invalid QDate / QTime when the image does not form a calendar value.
QDate readerClockDate(const uint8_t* image);
QTime readerClockTime(const uint8_t* image);

} // namespace tk::reader
