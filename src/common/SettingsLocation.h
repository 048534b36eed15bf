#pragma once
// Platform rule for where a settings key lives.
#include <QString>

namespace tk {

struct SettingsLocation {
    bool registry = false; // Windows: path is a registry path for QSettings::NativeFormat
    QString path;          // elsewhere: the INI file
};

SettingsLocation settingsLocation(const QString& keyName);

} // namespace tk
