#include "manager/PasswordValidator.h"

namespace tk::manager {

QValidator::State PasswordValidator::validate(QString& input, int&) const
{
    if (input.isEmpty())
        return Intermediate;
    for (const QChar c : input)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Invalid;
    // Leading zeros may make the text long without making the number large.
    bool ok = false;
    const qlonglong v = input.toLongLong(&ok);
    return ok && v <= 65535 && input.size() <= 5 ? Acceptable : Invalid;
}

} // namespace tk::manager
