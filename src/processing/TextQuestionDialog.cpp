#include "processing/TextQuestionDialog.h"

#include <QInputDialog>

namespace tk::processing {

std::optional<QString> TextQuestionDialog::askText(const QString& title, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

} // namespace tk::processing
