#include "manager/TFormSelDir.h"

#include "common/Error.h"
#include "common/Settings.h"
#include "manager/ManagerSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>

namespace tk::manager {

namespace {
const QString kDir = QStringLiteral("Dir");
} // namespace

TFormSelDir::TFormSelDir(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormSelDir"));
    setWindowTitle(QStringLiteral("Выбор папки"));
    setModal(true);
    resize(360, 420);

    auto* v = new QVBoxLayout(this);
    EditDir = new QLineEdit(this);
    EditDir->setObjectName(QStringLiteral("EditDir"));
    EditDir->setAccessibleName(windowTitle());
    v->addWidget(EditDir);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(true);
    const QString root = rootFolder();
    model_->setRootPath(root);

    TreeDir = new QTreeView(this);
    TreeDir->setObjectName(QStringLiteral("TreeDir"));
    TreeDir->setModel(model_);
    TreeDir->setRootIndex(model_->index(root));
    TreeDir->setHeaderHidden(true);
    for (int c = 1; c < model_->columnCount(); ++c)
        TreeDir->hideColumn(c);
    TreeDir->setAccessibleName(windowTitle());
    v->addWidget(TreeDir, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnOk = new QPushButton(QStringLiteral("Ok"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnCancel);
    v->addLayout(buttons);

    connect(BtnOk, &QPushButton::clicked, this, &TFormSelDir::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormSelDir::reject);
    connect(EditDir, &QLineEdit::textChanged, this, &TFormSelDir::updateOk);
    connect(TreeDir->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            EditDir->setText(QDir::toNativeSeparators(model_->filePath(current)));
    });

    Settings store(kSettingsKey);
    if (store.open(false))
        EditDir->setText(store.readString(kDir).value_or(QString()));
    updateOk();
}

QString TFormSelDir::rootFolder()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

QString TFormSelDir::directory() const
{
    return EditDir->text();
}

void TFormSelDir::updateOk()
{
    BtnOk->setEnabled(!EditDir->text().isEmpty());
}

void TFormSelDir::showEvent(QShowEvent* event)
{
    updateOk();
    QDialog::showEvent(event);
}

void TFormSelDir::accept()
{
    if (EditDir->text().isEmpty())
        return;
    // The folder is remembered only where the settings key already exists.
    Settings store(kSettingsKey);
    if (store.open(false)) {
        try {
            store.writeString(kDir, EditDir->text());
        } catch (const Error&) {
            // Not remembering the folder does not stop the choice.
        }
    }
    QDialog::accept();
}

} // namespace tk::manager
