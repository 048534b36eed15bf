#pragma once
// The one place for regional text formats. Every date, time and decimal cell that is
// written for the user, and every such cell read back, goes through these functions,
// so that a grid written in one locale is read back with the same rules.
// They follow QLocale() (the system locale unless a test pins another with QLocale::setDefault).
#include <QDate>
#include <QString>
#include <QTime>
#include <QLocale>
#include <optional>
#include <utility>
#include <vector>

namespace tk::regional {

// The formats of the locale in force when it was made, for work that formats many values in a
// row (decoding a long read): the locale is looked up once, and the text of each date is kept,
// since the records of one read carry only a few different days.
class Formats {
public:
    Formats();
    QString shortDate(const QDate& d) const;
    QString quartersOfMilli(qint64 count) const;
    QChar decimalSeparator() const { return decimal_; }
    QString number(double v) const;

private:
    QLocale locale_;
    QString dateFormat_;
    QChar decimal_;
    mutable std::vector<std::pair<qint64, QString>> dates_; // by Julian day, most recent last
};

QString shortDateFormat();          // e.g. dd.MM.yyyy
QString longTimeFormat();           // hours, minutes, seconds; no time-zone part
QChar decimalSeparator();

QString shortDate(const QDate& d);  // empty for an invalid date
QString longTime(const QTime& t);   // empty for an invalid time

// A count in units of 1/4000 as a decimal with three places and the system separator
// (the registers' kilowatt-hours); halves of the last place round away from zero.
QString quartersOfMilli(qint64 count);

// A number as cells show it: the shortest form that keeps 15 significant digits, with the
// system separator.
QString number(double v);

std::optional<QDate> parseShortDate(const QString& text);
// Accepts the long and the short time format (the system parser takes both).
std::optional<QTime> parseTime(const QString& text);

} // namespace tk::regional

namespace tk::regional {

// A number when the whole text (blanks around it aside) reads as a finite decimal number under
// the system's decimal separator, without digit grouping: "000042" and "12,5" (decimal comma) are
// numbers, "12.5" there, "01.02.2005" and "12:30" are not.
std::optional<double> parseNumber(const QString& text);

} // namespace tk::regional

namespace tk::regional {

// A value rounded to a whole number (halves away from zero) with the system's digit grouping,
// and an empty text for zero, as the "#,###" pattern writes it.
QString groupedWhole(double value);

} // namespace tk::regional
