#pragma once
// Every question to the user goes through a Prompter: message boxes with a title, an icon and
// buttons, and the file and folder dialogs. The programs install the widget implementation;
// tests install a scripted one that checks the exact texts and answers.
#include <QString>
#include <QStringList>

namespace tk {

class Prompter {
public:
    enum class Icon { Error, Warning, Information, Question, None };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompter() = default;

    virtual Answer message(const QString& title, const QString& text, Icon icon, Buttons buttons) = 0;

    // Empty result when the user cancels. The working directory is left as it was.
    virtual QString openFile(const QString& title, const QString& filter) = 0;
    virtual QString saveFile(const QString& title, const QString& filter, const QString& suggested) = 0;

    // Shorthands for the common shapes.
    void error(const QString& title, const QString& text) { message(title, text, Icon::Error, Buttons::Ok); }
    void information(const QString& title, const QString& text)
    {
        message(title, text, Icon::Information, Buttons::Ok);
    }
    bool confirm(const QString& title, const QString& text, Icon icon = Icon::Warning)
    {
        return message(title, text, icon, Buttons::OkCancel) == Answer::Ok;
    }
};

} // namespace tk
