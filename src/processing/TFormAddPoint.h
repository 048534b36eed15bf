#pragma once
// The dialog "Добавление точек учёта": adds points one after another while it stays open, and
// warns (without refusing) two seconds after the last keystroke when the typed account exists.
#include "processing/SingleShot.h"

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;

namespace tk {
class Prompter;
}

namespace tk::processing {

class PointFields;
class RouteTable;

class TFormAddPoint : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCheckDelayMs = 2000;

    // timer: the account check's countdown; nullptr makes a real one.
    TFormAddPoint(RouteTable& table, Prompter& prompter, std::unique_ptr<SingleShot> timer = {}, QWidget* parent = nullptr);
    ~TFormAddPoint() override;

    PointFields* fields() const { return fields_; }

    PointFields* fields_ = nullptr;
    QLabel* LabelExists = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnExit = nullptr;

    void BtnAddClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyRule();
    void checkAccount();

    RouteTable& table_;
    Prompter& prompter_;
    std::unique_ptr<SingleShot> timer_;
};

} // namespace tk::processing
