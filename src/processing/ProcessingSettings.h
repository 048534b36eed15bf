#pragma once
// The persistent settings of the data-processing window: the value names, their types, defaults
// and limits, and the rules for reading them at start-up and writing them at close. They live
// in the same key as the reader manager's (SOFTWARE\Korvent\TK4718EH) under names of their own.
#include <QString>
#include <vector>

namespace tk {
class Settings;
}

namespace tk::processing {

// The program's name as the user sees it: application title, main window caption, the title of
// its own error messages.
QString applicationTitle();
inline constexpr char kSettingsKey[] = "TK4718EH";

struct SettingInfo {
    const char* name; // the value name; also the objectName of the control that shows it
    bool boolean;     // stored as 0 or 1; otherwise an integer within [low, high]
    int defaultValue;
    int low = 0;
    int high = 1;
};

// In the order they are read.
const std::vector<SettingInfo>& settingsTable();

class ProcessingSettings {
public:
    ProcessingSettings(); // the defaults

    int value(const QString& name) const;  // Error for a name not in the table
    bool flag(const QString& name) const { return value(name) != 0; }
    void set(const QString& name, int value); // Error for a name not in the table

    // Opens the key, creating it when absent, and takes every value that exists and lies within
    // its limits; the others keep their defaults. False when the key cannot be opened.
    bool load(Settings& settings);
    // Opens the key without creating it and writes every value. False (nothing written) when
    // the key cannot be opened.
    bool save(Settings& settings) const;

    bool operator==(const ProcessingSettings&) const = default;

private:
    int index(const QString& name) const;
    std::vector<int> values_;
};

} // namespace tk::processing
