#pragma once
// A Prompter for tests: each expected question is queued with its exact title, text, icon,
// buttons and the answer to give. An unexpected question fails the test and answers Cancel/No.
#include "common/Prompter.h"

#include <QString>
#include <QStringList>
#include <deque>

namespace tk::test {

class ScriptedPrompter : public Prompter {
public:
    struct Expected {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
        Answer answer;
        bool prefixOnly = false; // the text only has to start with `text`
    };
    struct Asked {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
    };

    void expect(QString title, QString text, Icon icon, Buttons buttons, Answer answer);
    void expectError(QString title, QString text) { expect(title, text, Icon::Error, Buttons::Ok, Answer::Ok); }
    // For texts that end in what the system says (an open error's reason).
    void expectErrorStartingWith(QString title, QString prefix)
    {
        expected_.push_back({std::move(title), std::move(prefix), Icon::Error, Buttons::Ok, Answer::Ok, true});
    }
    // Any message whose text starts with `prefix` (it ends in what a database or the system says).
    void expectStartingWith(QString title, QString prefix, Icon icon, Buttons buttons, Answer answer)
    {
        expected_.push_back({std::move(title), std::move(prefix), icon, buttons, answer, true});
    }
    // Files answered by the next openFile/saveFile call; empty means cancel.
    void answerFile(QString path) { files_.push_back(std::move(path)); }
    // The files answered by the next openFiles call; empty means cancel.
    void answerFiles(QStringList paths) { fileLists_.push_back(std::move(paths)); }

    Answer message(const QString& title, const QString& text, Icon icon, Buttons buttons) override;
    QString openFile(const QString& title, const QString& filter) override;
    QString saveFile(const QString& title, const QString& filter, const QString& suggested) override;
    QStringList openFiles(const QString& title, const QString& filter) override;

    bool allAnswered() const { return expected_.empty(); }
    const std::deque<Asked>& asked() const { return asked_; }

private:
    std::deque<Expected> expected_;
    std::deque<QString> files_;
    std::deque<QStringList> fileLists_;
    std::deque<Asked> asked_;
};

} // namespace tk::test
