#pragma once
// The one error type of the system: an exception carrying a user-readable message.
// Callers catch it where the operation decides what to do with a failure.
#include <QString>
#include <stdexcept>

namespace tk {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

} // namespace tk
