#include "ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace tk::test {

void ScriptedPrompter::expect(QString title, QString text, Icon icon, Buttons buttons, Answer answer)
{
    expected_.push_back({std::move(title), std::move(text), icon, buttons, answer});
}

Prompter::Answer ScriptedPrompter::message(const QString& title, const QString& text, Icon icon, Buttons buttons)
{
    asked_.push_back({title, text, icon, buttons});
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected message: [" << title.toStdString() << "] " << text.toStdString();
        return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
    const Expected e = expected_.front();
    expected_.pop_front();
    EXPECT_EQ(e.title.toStdString(), title.toStdString());
    if (e.prefixOnly)
        EXPECT_TRUE(text.startsWith(e.text)) << text.toStdString();
    else
        EXPECT_EQ(e.text.toStdString(), text.toStdString());
    EXPECT_EQ(int(e.icon), int(icon)) << text.toStdString();
    EXPECT_EQ(int(e.buttons), int(buttons)) << text.toStdString();
    return e.answer;
}

QString ScriptedPrompter::openFile(const QString&, const QString&)
{
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected open-file dialog";
        return {};
    }
    QString f = files_.front();
    files_.pop_front();
    return f;
}

QString ScriptedPrompter::saveFile(const QString&, const QString&, const QString&)
{
    return openFile({}, {});
}

QStringList ScriptedPrompter::openFiles(const QString&, const QString&)
{
    if (fileLists_.empty()) {
        ADD_FAILURE() << "unexpected open-files dialog";
        return {};
    }
    QStringList f = fileLists_.front();
    fileLists_.pop_front();
    return f;
}

} // namespace tk::test
