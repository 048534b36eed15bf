#pragma once
// The folder chooser: a path field over a tree of folders. Callers read the chosen folder from
// the field after an OK result.
#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tk::manager {

class TFormSelDir : public QDialog {
    Q_OBJECT
public:
    // The field starts with the folder chosen last time (the Dir setting).
    explicit TFormSelDir(QWidget* owner = nullptr);

    QString directory() const;
    // The folder the tree shows: the desktop folder, or the home folder where there is none.
    static QString rootFolder();

    QLineEdit* EditDir = nullptr;
    QTreeView* TreeDir = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    // Remembers the folder in the Dir setting, then closes with an OK result.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateOk();
    QFileSystemModel* model_ = nullptr;
};

} // namespace tk::manager
