#include "store/reading/CellText.h"

#include "common/Regional.h"

#include <limits>

namespace tk::store {

std::optional<qint64> integerOf(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulated as a negative number, whose range is one larger.
    const qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int d = int(c - u'0');
        if (v < (lowest + d) / 10)
            return std::nullopt;
        v = v * 10 - d;
    }
    if (!negative) {
        if (v == lowest)
            return std::nullopt;
        v = -v;
    }
    return v;
}

std::optional<double> decimalOf(const QString& text)
{
    const QChar separator = regional::decimalSeparator();
    QString plain;
    plain.reserve(text.size());
    int digits = 0;
    bool point = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'))) {
            plain += c;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            plain += c;
            ++digits;
        } else if (c == separator && !point) {
            plain += QLatin1Char('.');
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double v = plain.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

std::optional<qint64> workMinutesOf(const QString& text)
{
    const qsizetype n = text.size();
    if (n < 4 || text[n - 3] != QLatin1Char(':'))
        return std::nullopt;
    const QString minutesText = text.right(2);
    if (!minutesText[0].isDigit() || !minutesText[1].isDigit())
        return std::nullopt;
    const auto hours = integerOf(text.left(n - 3));
    if (!hours || *hours > std::numeric_limits<qint64>::max() / 60 || *hours < std::numeric_limits<qint64>::min() / 60)
        return std::nullopt;
    const qint64 minutes = (minutesText[0].unicode() - u'0') * 10 + (minutesText[1].unicode() - u'0');
    return *hours * 60 + minutes;
}

std::optional<QDate> dateOf(const QString& text)
{
    return regional::parseShortDate(text);
}

std::optional<QTime> timeOf(const QString& text)
{
    return regional::parseTime(text);
}

} // namespace tk::store
