#include "processing/TFormMemo.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tk::processing {

TFormMemo::TFormMemo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormMemo"));
    auto* v = new QVBoxLayout(this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v->addWidget(Memo1);
    resize(400, 300);
}

} // namespace tk::processing
