#pragma once
// Seams of the Kelvadi tests: a private settings folder, a private working directory filled
// with fixture or fresh tables, a manual one-shot timer and a scripted text question.
#include "processing/SingleShot.h"
#include "processing/TextQuestion.h"
#include "store/dbf/Restructure.h"
#include "store/dbf/StandardTables.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

#include "ConfigHome.h"
#include "ScratchWorkDir.h"

namespace tk::test {

inline QString fixtureDir(const QString& folder)
{
    return qEnvironmentVariable("TK_FIXTURES", QStringLiteral(TK_FIXTURES_DEFAULT)) + QStringLiteral("/dbf/") + folder;
}


// A scratch working directory, made current for the test's lifetime, with tables.
class WorkDir : public ScratchWorkDir {
public:
    // Copies of the tables of a fixture folder, writable.
    void copyFixtures(const QString& folder) const
    {
        const QDir src(fixtureDir(folder));
        for (const QString& name : src.entryList(QDir::Files)) {
            if (!name.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive))
                continue;
            const QString to = file(name);
            ASSERT_TRUE(QFile::copy(src.filePath(name), to)) << name.toStdString();
            QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    // Empty tables with the programs' layouts, as the table tool makes them.
    void createTables() const
    {
        for (const dbf::StandardTable& t : dbf::standardTables())
            dbf::createTable(file(t.fileName), t.schema);
    }
};

// A timer that fires only when the test moves time on.
class ManualShot : public processing::SingleShot {
public:
    void start(int ms) override { remaining_ = ms; }
    void stop() override { remaining_ = -1; }
    bool isActive() const override { return remaining_ >= 0; }
    void advance(int ms)
    {
        if (remaining_ < 0)
            return;
        remaining_ -= ms;
        if (remaining_ <= 0) {
            remaining_ = -1;
            fire();
        }
    }

private:
    int remaining_ = -1;
};

// Answers the text questions in order; an unexpected one fails the test and is cancelled.
class ScriptedQuestion : public processing::TextQuestion {
public:
    struct Expected {
        QString title, prompt, initial;
        std::optional<QString> answer;
    };
    void expect(Expected e) { expected_.push_back(std::move(e)); }
    bool allAnswered() const { return expected_.empty(); }

    std::optional<QString> askText(const QString& title, const QString& prompt, const QString& initial) override
    {
        if (expected_.empty()) {
            ADD_FAILURE() << "unexpected question: " << title.toStdString();
            return std::nullopt;
        }
        const Expected e = expected_.front();
        expected_.pop_front();
        EXPECT_EQ(e.title, title);
        EXPECT_EQ(e.prompt, prompt);
        EXPECT_EQ(e.initial, initial);
        return e.answer;
    }

private:
    std::deque<Expected> expected_;
};

} // namespace tk::test
