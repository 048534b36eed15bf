#pragma once
// The one place for regional text formats. Every date, time and decimal cell that is
// written for the user, and every such cell read back, goes through these functions,
// so that a grid written in one locale is read back with the same rules.
// They follow QLocale() (the system locale unless a test pins another with QLocale::setDefault).
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace tk::regional {

QString shortDateFormat();          // e.g. dd.MM.yyyy
QString longTimeFormat();           // hours, minutes, seconds; no time-zone part
QChar decimalSeparator();

QString shortDate(const QDate& d);  // empty for an invalid date
QString longTime(const QTime& t);   // empty for an invalid time

// A count in units of 1/4000 as a decimal with three places and the system separator
// (the registers' kilowatt-hours); halves of the last place round away from zero.
QString quartersOfMilli(qint64 count);

std::optional<QDate> parseShortDate(const QString& text);
// Accepts the long and the short time format (the system parser takes both).
std::optional<QTime> parseTime(const QString& text);

} // namespace tk::regional
