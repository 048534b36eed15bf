#pragma once
// The dialog "Счётчики вне баланса": the route table's meters that belong to no balance group,
// looked up again each time it is shown.
#include <QDialog>

class QPushButton;

namespace tk {
class Prompter;
namespace store {
class LocalSql;
}
} // namespace tk

namespace tk::processing {

class SubMeterBoxes;

class TFormNoBalance : public QDialog {
    Q_OBJECT
public:
    TFormNoBalance(store::LocalSql& sql, Prompter& prompter, QWidget* parent = nullptr);

    // Fills the boxes with the meters outside every group, as each showing of the dialog does.
    void refill();
    SubMeterBoxes* SubMeters = nullptr;
    QPushButton* BtnExit = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    store::LocalSql& sql_;
    Prompter& prompter_;
};

} // namespace tk::processing
