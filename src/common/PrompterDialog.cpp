#include "common/PrompterDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace tk {

Prompter::Answer PrompterDialog::message(const QString& title, const QString& text, Icon icon, Buttons buttons)
{
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

QString PrompterDialog::openFile(const QString& title, const QString& filter)
{
    const QString cwd = QDir::currentPath();
    QString name = QFileDialog::getOpenFileName(parent_, title, cwd, filter);
    QDir::setCurrent(cwd);
    return name;
}

QString PrompterDialog::saveFile(const QString& title, const QString& filter, const QString& suggested)
{
    const QString cwd = QDir::currentPath();
    QString name = QFileDialog::getSaveFileName(parent_, title, suggested, filter);
    QDir::setCurrent(cwd);
    return name;
}

} // namespace tk
