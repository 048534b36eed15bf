#include "Regional.h"

#include <QLocale>

namespace tk::regional {

QString shortDateFormat()
{
    return QLocale().dateFormat(QLocale::ShortFormat);
}

static QString withoutZone(QString format)
{
    // Qt's long time format ends with the time-zone name ("t"); the office formats never show it.
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

QString longTimeFormat()
{
    return withoutZone(QLocale().timeFormat(QLocale::LongFormat));
}

QChar decimalSeparator()
{
    const QString dp = QLocale().decimalPoint();
    return dp.isEmpty() ? QLatin1Char('.') : dp.front();
}

QString shortDate(const QDate& d)
{
    return d.isValid() ? QLocale().toString(d, shortDateFormat()) : QString();
}

QString longTime(const QTime& t)
{
    return t.isValid() ? QLocale().toString(t, longTimeFormat()) : QString();
}

QString quartersOfMilli(qint64 count)
{
    const bool negative = count < 0;
    const quint64 magnitude = negative ? quint64(-(count + 1)) + 1 : quint64(count);
    const quint64 thousandths = (magnitude + 2) / 4;
    QString text = QString::number(thousandths / 1000) + decimalSeparator()
        + QStringLiteral("%1").arg(thousandths % 1000, 3, 10, QLatin1Char('0'));
    return negative && thousandths != 0 ? QLatin1Char('-') + text : text;
}

std::optional<QDate> parseShortDate(const QString& text)
{
    const QLocale loc;
    QDate d = loc.toDate(text.trimmed(), shortDateFormat());
    if (!d.isValid())
        return std::nullopt;
    // A two-digit year format reads into the 1900s; the office's dates are all of this century.
    if (!shortDateFormat().contains(QLatin1String("yyyy")) && d.year() < 2000)
        d = d.addYears(100);
    return d;
}

std::optional<QTime> parseTime(const QString& text)
{
    const QLocale loc;
    const QString t = text.trimmed();
    for (const QString& f : {longTimeFormat(), withoutZone(loc.timeFormat(QLocale::ShortFormat))}) {
        const QTime v = loc.toTime(t, f);
        if (v.isValid())
            return v;
    }
    return std::nullopt;
}

} // namespace tk::regional
