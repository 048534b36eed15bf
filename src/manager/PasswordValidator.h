#pragma once
// The reader password is a 16-bit number typed as decimal digits.
#include <QValidator>

namespace tk::manager {

class PasswordValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    // Digits only, at most 65535; an empty field is a state on the way to a number.
    State validate(QString& input, int& pos) const override;
};

} // namespace tk::manager
