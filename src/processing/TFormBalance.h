#pragma once
// The group dialog "Счётчики баланса": a main meter, its type and transformer coefficient, and
// its sub-meters by type.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tk::processing {

class SubMeterBoxes;

class TFormBalance : public QDialog {
    Q_OBJECT
public:
    explicit TFormBalance(QWidget* parent = nullptr);
    QLineEdit* EditNumber = nullptr;
    QComboBox* ComboType = nullptr;
    QLineEdit* EditKent = nullptr;
    SubMeterBoxes* SubMeters = nullptr;
    QPushButton* BtnWrite = nullptr;
    QPushButton* BtnExit = nullptr;
    QProgressBar* Gauge = nullptr;
};

} // namespace tk::processing
