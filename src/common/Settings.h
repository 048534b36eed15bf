#pragma once
// Persistent settings under one named key (SOFTWARE\Korvent\<key>): the native registry on
// Windows, an INI file under the XDG config directory elsewhere. Booleans are kept as the
// integers 0 and 1, integers as 32-bit integers, strings as strings, so that both stores hold
// the same values. A value that is missing or unreadable reads as absent and leaves the
// caller's default.
#include <QString>
#include <memory>
#include <optional>

class QSettings;

namespace tk {

class Settings {
public:
    // keyName is the last part of SOFTWARE\Korvent\<keyName>, e.g. "TK4718EH".
    explicit Settings(QString keyName);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // Opens the key; with create, a missing key is created. False when it cannot be opened.
    bool open(bool create);
    bool isOpen() const { return bool(store_); }
    void close(); // flushes what was written

    std::optional<bool> readBool(const QString& name) const;
    std::optional<int> readInt(const QString& name) const;
    std::optional<QString> readString(const QString& name) const;

    // Writes fail with Error when the store cannot keep them.
    void writeBool(const QString& name, bool value);
    void writeInt(const QString& name, int value);
    void writeString(const QString& name, const QString& value);

    // Where the key lives (a file path or a registry path), for messages and the README.
    QString location() const;

private:
    QString keyName_;
    std::unique_ptr<QSettings> store_;
};

} // namespace tk
