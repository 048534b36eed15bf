#pragma once
// The DBMS login "Database Login": database, user name, password and whether the password may be
// kept. "ОК" connects the export's connection and closes on success, warning and staying open on
// a refusal; "Отмена" and the close box give up the login, and the export then reports that it
// has no connection. Every close writes the login to the Domvara key (the password only when
// keeping it is allowed). Made for one connection attempt and destroyed after it.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tk {
class Prompter;
namespace store {
class DbmsConnection;
}
} // namespace tk

namespace tk::manager {

class TLogin : public QDialog {
    Q_OBJECT
public:
    TLogin(store::DbmsConnection& connection, Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* EditDatabase = nullptr;
    QLineEdit* EditUser = nullptr;
    QLineEdit* EditPassword = nullptr;
    QCheckBox* CheckSavePassword = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    void ButtonOkClick();

protected:
    void done(int result) override;

private:
    void fillFromStoredLogin();

    store::DbmsConnection& connection_;
    Prompter& prompter_;
};

} // namespace tk::manager
