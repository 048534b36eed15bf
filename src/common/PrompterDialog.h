#pragma once
// The widget Prompter: modal message boxes and file dialogs.
#include "common/Prompter.h"

class QWidget;

namespace tk {

class PrompterDialog : public Prompter {
public:
    explicit PrompterDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    QString openFile(const QString& title, const QString& filter) override;
    QString saveFile(const QString& title, const QString& filter, const QString& suggested) override;
    QStringList openFiles(const QString& title, const QString& filter) override;

private:
    QWidget* parent_;
};

} // namespace tk
