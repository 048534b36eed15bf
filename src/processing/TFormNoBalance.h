#pragma once
// The dialog "Счётчики вне баланса": the route table's meters that belong to no balance group.
#include <QDialog>

class QPushButton;

namespace tk::processing {

class SubMeterBoxes;

class TFormNoBalance : public QDialog {
    Q_OBJECT
public:
    explicit TFormNoBalance(QWidget* parent = nullptr);
    SubMeterBoxes* SubMeters = nullptr;
    QPushButton* BtnExit = nullptr;
};

} // namespace tk::processing
