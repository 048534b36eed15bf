#pragma once
// The group dialog "Счётчики баланса": a main meter, its type and transformer coefficient, and
// its sub-meters by type. Changing the number or the type loads that group 500 ms after the last
// change; "Записать" replaces the group's rows (validated, all or nothing) and then names the
// sub-meters that are in more than one group.
#include <QDialog>
#include <memory>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tk {
class Prompter;
namespace store {
class LocalSql;
}
} // namespace tk

namespace tk::processing {

class SingleShot;
class SubMeterBoxes;
class TFormMemo;

class TFormBalance : public QDialog {
    Q_OBJECT
public:
    // timer: the load delay; nullptr makes a real one.
    TFormBalance(store::LocalSql& sql, Prompter& prompter, std::unique_ptr<SingleShot> timer = nullptr, QWidget* parent = nullptr);
    ~TFormBalance() override;

    // The text window for the shared sub-meters (made after this dialog at start).
    void setMemo(TFormMemo* memo) { memo_ = memo; }
    // Fills the main meter fields, as for the one selected group.
    void setGroup(const QString& number, int type, const QString& kent);

    QLineEdit* EditNumber = nullptr;
    QComboBox* ComboType = nullptr;
    QLineEdit* EditKent = nullptr;
    SubMeterBoxes* SubMeters = nullptr;
    QPushButton* BtnWrite = nullptr;
    QPushButton* BtnExit = nullptr;
    QProgressBar* Gauge = nullptr;

private:
    void applyRule();
    void loadGroup();
    void BtnWriteClick();
    void showShared();

    store::LocalSql& sql_;
    Prompter& prompter_;
    std::unique_ptr<SingleShot> timer_;
    TFormMemo* memo_ = nullptr;
};

// The number of lines of a sub-meter box, as its count label shows it.
int lineCount(const QString& text);

} // namespace tk::processing
