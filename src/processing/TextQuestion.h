#pragma once
// The one question of this program that the shared Prompter has no shape for: a line of text
// typed by the user, asked with a title, a prompt and a pre-filled answer. The program asks it
// through an input box; tests answer it from a script.
#include <QString>
#include <optional>

namespace tk::processing {

class TextQuestion {
public:
    virtual ~TextQuestion() = default;
    // nullopt when the user cancels.
    virtual std::optional<QString> askText(const QString& title, const QString& prompt, const QString& initial) = 0;
};

} // namespace tk::processing
