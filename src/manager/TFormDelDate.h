#pragma once
// The delete-date dialog: the date up to which an erase removes the readings of a table. It is
// made once at start and keeps the last date chosen until the program ends.
#include <QDate>
#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;

namespace tk::manager {

class TFormDelDate : public QDialog {
    Q_OBJECT
public:
    // The date starts at 31 December of the year before `today`.
    explicit TFormDelDate(QWidget* owner = nullptr, const QDate& today = QDate::currentDate());

    QDate date() const;
    void setDate(const QDate& d);

    QLabel* Label1 = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    QPushButton* BtnOk = nullptr;
};

} // namespace tk::manager
