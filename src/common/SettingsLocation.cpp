#include "common/SettingsLocation.h"

#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tk {

SettingsLocation settingsLocation(const QString& keyName)
{
#ifdef Q_OS_WIN
    // The current user's hive on the NT family, the local machine's on the older line.
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma warning(suppress : 4996)
    const bool nt = !GetVersionExW(&info) || info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    const QString hive = nt ? QStringLiteral("HKEY_CURRENT_USER") : QStringLiteral("HKEY_LOCAL_MACHINE");
    return {true, hive + QStringLiteral("\\SOFTWARE\\Korvent\\") + keyName};
#else
    // $XDG_CONFIG_HOME/Korvent/<key>.ini (~/.config when the variable is unset).
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {false, base + QStringLiteral("/Korvent/") + keyName + QStringLiteral(".ini")};
#endif
}

} // namespace tk
