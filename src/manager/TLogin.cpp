#include "manager/TLogin.h"

#include "common/Error.h"
#include "common/Prompter.h"
#include "manager/Controls.h"
#include "store/export/DbmsConnection.h"
#include "store/export/DbmsExport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::manager {

namespace {

// The password field shows each character as "*", whatever the desktop style would use.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QLineEdit* labelledField(QVBoxLayout* layout, const QString& label, const char* name, QWidget* parent)
{
    auto* caption = new QLabel(label, parent);
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setAccessibleName(withoutColon(label));
    caption->setBuddy(field);
    layout->addWidget(caption);
    layout->addWidget(field);
    return field;
}

} // namespace

TLogin::TLogin(store::DbmsConnection& connection, Prompter& prompter, QWidget* parent)
    : QDialog(parent), connection_(connection), prompter_(prompter)
{
    setObjectName(QStringLiteral("Login"));
    setWindowTitle(QStringLiteral("Database Login"));
    setSizeGripEnabled(true);
    resize(296, 253);

    auto* layout = new QVBoxLayout(this);
    EditDatabase = labelledField(layout, QStringLiteral("База данных:"), "EditDatabase", this);
    EditDatabase->setText(QStringLiteral("Domvara"));
    EditUser = labelledField(layout, QStringLiteral("Имя пользователя:"), "EditUser", this);
    EditPassword = labelledField(layout, QStringLiteral("Пароль:"), "EditPassword", this);
    auto* stars = new StarPasswordStyle;
    stars->setParent(EditPassword);
    EditPassword->setStyle(stars);
    EditPassword->setEchoMode(QLineEdit::Password);
    CheckSavePassword = new QCheckBox(QStringLiteral("Разрешить сохранение пароля"), this);
    CheckSavePassword->setObjectName(QStringLiteral("CheckSavePassword"));
    layout->addWidget(CheckSavePassword);
    layout->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    ButtonOk = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    layout->addWidget(buttons);
    // "ОК" closes only once connected, so it is not the box's accept.
    connect(ButtonOk, &QPushButton::clicked, this, &TLogin::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    fillFromStoredLogin();
    EditUser->setFocus();
}

void TLogin::fillFromStoredLogin()
{
    const store::StoredLogin stored = store::StoredLogin::read();
    if (stored.pass)
        EditPassword->setText(*stored.pass);
    if (stored.user)
        EditUser->setText(*stored.user);
    if (stored.db)
        EditDatabase->setText(*stored.db);
    CheckSavePassword->setChecked(stored.savingAllowed());
}

void TLogin::ButtonOkClick()
{
    const store::DbmsLogin login{EditPassword->text().trimmed(), EditUser->text().trimmed(),
                                 EditDatabase->text().trimmed()};
    if (connection_.open(login)) {
        accept();
        return;
    }
    prompter_.message(store::dbmsExportTitle(), store::wrongLoginText(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
    EditPassword->setFocus();
    EditPassword->selectAll();
}

void TLogin::done(int result)
{
    // The login as it stands when the dialog closes, whichever way it closes; a key that cannot
    // be written does not hold up the export, which goes on with or without a connection.
    try {
        store::storeLogin({EditPassword->text(), EditUser->text(), EditDatabase->text()},
                          CheckSavePassword->isChecked());
    } catch (const Error&) {
    }
    QDialog::done(result);
}

} // namespace tk::manager
