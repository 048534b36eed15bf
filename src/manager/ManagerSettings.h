#pragma once
// The persistent settings of the manager window: the values, their defaults, and the rules for
// reading them at start-up and writing them at close. Kept apart from the window so that the
// rules can be checked without one.
#include "reader/ReaderSettings.h"

#include <QRect>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace tk {
class Settings;
}

namespace tk::manager {

// The program's name as the user sees it: application title, main window caption, the title of
// its own error messages.
QString applicationTitle();
// The settings live under SOFTWARE\Korvent\<this>.
inline constexpr char kSettingsKey[] = "TK4718EH";

inline constexpr int kDefaultWidth = 760;
inline constexpr int kDefaultHeight = 428;
inline constexpr int kMinimumWidth = 480;
inline constexpr int kMinimumHeight = 360;
inline constexpr int kDefaultGridHeight = 81;
inline constexpr int kZones = 6;

struct ManagerSettings {
    bool maximized = false;
    // The normal (not maximised) bounds; each is absent until read or taken from the window.
    std::optional<int> width, height, left, top;
    // Upper (reader-data) grid heights of the tabs "ТЕЛВ-1", "ТЕЛВ-2", "ВАКЛ-4".
    std::array<int, 3> gridHeights{kDefaultGridHeight, kDefaultGridHeight, kDefaultGridHeight};
    int port = 1;
    QString portName; // a device path where the system's port names are not "COM" + n
    std::array<QString, kZones> tariffs{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                        QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("2")};
    std::array<QTime, kZones> times{QTime(0, 0), QTime(6, 30), QTime(8, 30), QTime(11, 30), QTime(17, 30), QTime(20, 30)};
    bool oneTarif = true;
    int countDay = 1;  // 1..31
    int countHour = 0; // 0..23
    bool summer = true;
    int indi = 0; // display bits: 1 total, 2 first of month, 4 date, 8 time
    int password = 0;

    // Opens the key (creating it when absent) and takes every value that exists and makes sense;
    // the others keep their defaults. False when the key cannot be opened.
    bool load(Settings& settings);
    // Opens the key without creating it and writes the close-time values. A maximised window
    // writes only Maximized, so the normal bounds saved before survive. False (nothing written)
    // when the key cannot be opened.
    bool save(Settings& settings) const;

    // The reader settings the settings page shows, as stored here and back.
    reader::ReaderSettings readerSettings() const;
    void setReaderSettings(const reader::ReaderSettings& r);

    bool operator==(const ManagerSettings&) const = default;
};

// The bounds to open with: the saved ones where present; otherwise 760 x 428, centred on the
// available screen area. Never below the minimum size.
QRect restoredGeometry(const ManagerSettings& s, const QRect& available);

// The password field's text as the number to store: 0 when it is not a number.
int passwordFromText(const QString& text);

} // namespace tk::manager
