#pragma once
// The tab "Установки": the reader's tariff schedule, billing day and hour, summer-time flag,
// display mode and password, with the buttons of the settings read and write. The page edits a
// ReaderSettings value; this is the one place that maps it onto the controls.
#include "manager/ManagerSettings.h"
#include "reader/ReaderSettings.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTimeEdit;

namespace tk::manager {

class MainActions;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(const MainActions& actions, QWidget* parent = nullptr);

    reader::ReaderSettings values() const;
    // Shows the values; a value the page cannot show (a tariff outside its list, an invalid
    // time) leaves its control as it was. Emits no edited().
    void setValues(const reader::ReaderSettings& values);

signals:
    // The user changed a control.
    void edited();

private:
    std::array<QComboBox*, kZones> ComboTarif{};
    std::array<QTimeEdit*, kZones> TimeZone{};
    QCheckBox* CheckOneTarif = nullptr;
    QSpinBox* SpinCountDay = nullptr;
    QSpinBox* SpinCountHour = nullptr;
    QCheckBox* CheckSummer = nullptr;
    std::array<QCheckBox*, 4> CheckIndi{}; // bit 0 … bit 3
    QLineEdit* EditPassword = nullptr;
    bool showing_ = false;
};

} // namespace tk::manager
