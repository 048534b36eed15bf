#pragma once
// The dialog "Изменение точки учёта": the point's account is shown read-only; "Ok" writes the
// other fields to every row with that account and closes the dialog.
#include <QDialog>

class QPushButton;

namespace tk {
class Prompter;
}

namespace tk::processing {

class PointFields;
class RouteTable;

class TFormEditPoint : public QDialog {
    Q_OBJECT
public:
    TFormEditPoint(RouteTable& table, Prompter& prompter, QWidget* parent = nullptr);

    PointFields* fields() const { return fields_; }

    PointFields* fields_ = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

    void BtnOkClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyRule();

    RouteTable& table_;
    Prompter& prompter_;
};

} // namespace tk::processing
