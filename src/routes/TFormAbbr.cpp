#include "routes/TFormAbbr.h"

#include "common/Error.h"
#include "common/Families.h"
#include "common/Prompter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tk::routes {

TFormAbbr::TFormAbbr(Abbreviations& abbreviations, QString directory, Prompter& prompter, QWidget* owner)
    : QDialog(owner), abbreviations_(abbreviations), directory_(std::move(directory)), prompter_(prompter)
{
    setObjectName(QStringLiteral("FormAbbr"));
    setWindowTitle(QStringLiteral("Аббревиатуры"));
    setModal(true);
    abbreviations_.load(directory_);

    auto* v = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("При загрузке маршрутов из файла установить нижеследующие соответствия:"), this);
    heading->setObjectName(QStringLiteral("LabelHeading"));
    heading->setAlignment(Qt::AlignCenter);
    QPalette p = heading->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    heading->setPalette(p);
    v->addWidget(heading);

    auto* grid = new QGridLayout;
    for (int f = 0; f < kRouteFamilies; ++f) {
        auto* label = new QLabel(QStringLiteral("Для ") + familyName(Family(f)) + QLatin1Char(':'), this);
        auto* field = new QPlainTextEdit(this);
        field->setObjectName(QStringLiteral("MemoAbbr_%1").arg(f));
        field->setAccessibleName(label->text().chopped(1));
        field->setTabChangesFocus(true);
        field->setPlainText(abbreviations_.lines(f).join(QLatin1Char('\n')));
        label->setBuddy(field);
        grid->addWidget(label, 0, f);
        grid->addWidget(field, 1, f);
        fields_[size_t(f)] = field;
        connect(field, &QPlainTextEdit::textChanged, this, &TFormAbbr::takeFields);
    }
    v->addLayout(grid, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* okButton = new QPushButton(QStringLiteral("Ok"), this);
    okButton->setObjectName(QStringLiteral("BtnOk"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    v->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, &TFormAbbr::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(700, 330);
}

void TFormAbbr::takeFields()
{
    for (int f = 0; f < kRouteFamilies; ++f) {
        QStringList lines = fields_[size_t(f)]->toPlainText().split(QLatin1Char('\n'));
        if (lines.size() == 1 && lines.first().isEmpty())
            lines.clear();
        abbreviations_.setLines(f, lines);
    }
}

void TFormAbbr::ok()
{
    takeFields();
    try {
        abbreviations_.save(directory_);
    } catch (const Error& e) {
        // The lists stay in effect; the user may correct them and press "Ok" again.
        prompter_.error(windowTitle(), e.message());
        return;
    }
    accept();
}

} // namespace tk::routes
