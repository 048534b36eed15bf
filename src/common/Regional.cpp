#include "common/Regional.h"

#include <QLocale>

#include <cmath>

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

static QString quartersOfMilliWith(qint64 count, QChar separator)
{
    const bool negative = count < 0;
    const quint64 magnitude = negative ? quint64(-(count + 1)) + 1 : quint64(count);
    const quint64 thousandths = (magnitude + 2) / 4;
    const quint64 fraction = thousandths % 1000;
    QString text = QString::number(thousandths / 1000);
    text.reserve(text.size() + 5);
    text += separator;
    text += QChar(u'0' + char16_t(fraction / 100));
    text += QChar(u'0' + char16_t(fraction / 10 % 10));
    text += QChar(u'0' + char16_t(fraction % 10));
    return negative && thousandths != 0 ? QLatin1Char('-') + text : text;
}

QString quartersOfMilli(qint64 count)
{
    return quartersOfMilliWith(count, decimalSeparator());
}

namespace {

QString numberWith(double v, QChar decimal)
{
    return QString::number(v, 'g', 15).replace(QLatin1Char('.'), decimal);
}

} // namespace

QString number(double v) { return numberWith(v, decimalSeparator()); }

QString Formats::number(double v) const { return numberWith(v, decimal_); }

Formats::Formats() : dateFormat_(locale_.dateFormat(QLocale::ShortFormat))
{
    const QString dp = locale_.decimalPoint();
    decimal_ = dp.isEmpty() ? QLatin1Char('.') : dp.front();
}

QString Formats::shortDate(const QDate& d) const
{
    if (!d.isValid())
        return {};
    const qint64 day = d.toJulianDay();
    for (auto it = dates_.rbegin(); it != dates_.rend(); ++it)
        if (it->first == day)
            return it->second;
    if (dates_.size() >= 64)
        dates_.erase(dates_.begin());
    dates_.emplace_back(day, locale_.toString(d, dateFormat_));
    return dates_.back().second;
}

QString Formats::quartersOfMilli(qint64 count) const
{
    return quartersOfMilliWith(count, decimal_);
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
    // Times the reader side writes are hours and minutes (with seconds for sensor contacts),
    // whatever the locale; a locale whose formats carry seconds or AM/PM would refuse them.
    for (const QString& f : {QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")}) {
        const QTime v = QTime::fromString(t, f);
        if (v.isValid())
            return v;
    }
    return std::nullopt;
}

} // namespace tk::regional

namespace tk::regional {

std::optional<double> parseNumber(const QString& text)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace tk::regional

namespace tk::regional {

QString groupedWhole(double value)
{
    const double rounded = std::round(value); // std::round takes halves away from zero
    if (rounded == 0)
        return {};
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(rounded, 'f', 0);
}

} // namespace tk::regional
