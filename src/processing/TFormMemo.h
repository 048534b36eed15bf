#pragma once
// A resizable text window; its caller sets the caption and the text.
#include <QDialog>

class QPlainTextEdit;

namespace tk::processing {

class TFormMemo : public QDialog {
    Q_OBJECT
public:
    explicit TFormMemo(QWidget* parent = nullptr);
    QPlainTextEdit* Memo1 = nullptr;
};

} // namespace tk::processing
