#pragma once
// Reading the text cells of a reader-data grid as the values the tables store. The conversions
// are strict: what is not exactly the expected form is refused, never read as something close.
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace tk::store {

// An optional sign and decimal digits, nothing else (no blanks); nullopt also when the number
// does not fit 64 bits.
std::optional<qint64> integerOf(const QString& text);
// An optional sign, digits and at most one decimal separator of the system (at least one digit).
std::optional<double> decimalOf(const QString& text);
// Work time "H:MM" (any number of hours, two digits of minutes) in minutes; nullopt otherwise.
std::optional<qint64> workMinutesOf(const QString& text);
// The system's short date format and time format (regional parsers); a time also in the
// hours-and-minutes form the reader side writes, whatever the system's format.
std::optional<QDate> dateOf(const QString& text);
std::optional<QTime> timeOf(const QString& text);

} // namespace tk::store
