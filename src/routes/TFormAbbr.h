#pragma once
// "Аббревиатуры": the five abbreviation lists, edited side by side. The type mapping always uses
// what the fields hold; "Ok" also writes the five files.
#include "routes/Abbreviations.h"

#include <QDialog>
#include <array>

class QPlainTextEdit;

namespace tk {
class Prompter;
}

namespace tk::routes {

class TFormAbbr : public QDialog {
    Q_OBJECT
public:
    // Loads the lists from the working directory's files (defaults where a file is missing).
    TFormAbbr(Abbreviations& abbreviations, QString directory, Prompter& prompter, QWidget* owner = nullptr);

private:
    void takeFields();
    void ok();

    Abbreviations& abbreviations_;
    QString directory_;
    Prompter& prompter_;
    std::array<QPlainTextEdit*, kRouteFamilies> fields_{};
};

} // namespace tk::routes
