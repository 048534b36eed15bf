#include "reader/ReaderClock.h"

#include "common/Bcd.h"

namespace tk::reader {

QByteArray encodeReaderClock(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    // QDate counts Monday = 1 … Sunday = 7; the reader counts Sunday = 0 … Saturday = 6.
    const int weekday = d.dayOfWeek() % 7;
    QByteArray image(6, '\0');
    image[0] = char(ByteToBcd(t.second()));
    image[1] = char(ByteToBcd(t.minute()));
    image[2] = char(ByteToBcd(t.hour()));
    image[3] = char(ByteToBcd(d.day()) + ((d.year() % 4) << 6));
    image[4] = char(ByteToBcd(d.month()) + (weekday << 5));
    image[5] = char((d.year() % 100) / 4);
    return image;
}

QDate readerClockDate(const uint8_t* image)
{
    const int day = BcdToByte(image[3] & 0x3F);
    const int month = BcdToByte(image[4] & 0x1F);
    const int year = 2000 + 4 * image[5] + (image[3] >> 6);
    return QDate(year, month, day);
}

QTime readerClockTime(const uint8_t* image)
{
    return QTime(BcdToByte(image[2]), BcdToByte(image[1]), BcdToByte(image[0]));
}

} // namespace tk::reader
