#pragma once
// The input box behind TextQuestion.
#include "processing/TextQuestion.h"

class QWidget;

namespace tk::processing {

class TextQuestionDialog : public TextQuestion {
public:
    explicit TextQuestionDialog(QWidget* parent) : parent_(parent) {}
    std::optional<QString> askText(const QString& title, const QString& prompt, const QString& initial) override;

private:
    QWidget* parent_;
};

} // namespace tk::processing
