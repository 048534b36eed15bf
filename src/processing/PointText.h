#pragma once
// How accounts and meter numbers are written in the lists, and how typed accounts are read.
#include <QString>
#include <optional>

namespace tk::processing {

// Leading zeros up to 9 characters; longer accounts unchanged.
QString accountText(qint64 account);
// Leading zeros up to 6 characters; longer numbers unchanged.
QString meterNumberText(qint64 number);

// An account typed by the user: a whole number of decimal digits (blanks around it allowed),
// read as a 64-bit integer. nullopt for anything else (letters, a sign, an empty text,
// more digits than 64 bits hold).
std::optional<qint64> parseAccount(const QString& text);
// As parseAccount, but a text that is not an account is an Error with a message saying so.
qint64 accountFromText(const QString& text);

} // namespace tk::processing
