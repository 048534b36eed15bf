#include "processing/PointText.h"

#include "common/Error.h"

namespace tk::processing {

QString accountText(qint64 account)
{
    return QString::number(account).rightJustified(9, QLatin1Char('0'));
}

QString meterNumberText(qint64 number)
{
    return QString::number(number).rightJustified(6, QLatin1Char('0'));
}

std::optional<qint64> parseAccount(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

qint64 accountFromText(const QString& text)
{
    if (const auto v = parseAccount(text))
        return *v;
    throw Error(QStringLiteral("«%1» — не номер лицевого счёта: допустимы только цифры.").arg(text));
}

} // namespace tk::processing
