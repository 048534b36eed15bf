#pragma once
// The manager's window connected to the emulator on a pty, in a workplace of its own, with the
// demo reader content: the start of the end-to-end tests of reader operations.
#include "ScriptedPrompter.h"
#include "SimProcess.h"
#include "WindowParts.h"
#include "Workplace.h"

#include "manager/TFormVorm.h"
#include "reader/Engine.h"

#include <QAction>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tk::test {

// A writable copy of the demo reader content in the workplace, for the emulator to start from
// (the emulator writes its state back at exit).
inline QString copyDemoReader(const Workplace& work)
{
    const QString state = work.filePath("reader.json");
    EXPECT_TRUE(QFile::copy(QStringLiteral(TK_SOURCE_DIR "/tools/reader-sim/demo.json"), state));
    QFile::setPermissions(state, QFile::ReadOwner | QFile::WriteOwner);
    return state;
}

class ManagerOnSim : public ::testing::Test {
protected:
    // prepare runs in the workplace before the window opens (tables the test needs).
    void start(const std::function<void()>& prepare = {})
    {
        ASSERT_TRUE(work.valid());
        if (prepare)
            prepare();
        state = copyDemoReader(work);
        sim = std::make_unique<SimProcess>(QStringList{"--state", state});
        ASSERT_TRUE(sim->started()) << sim->error().toStdString();
        manager::StartupOptions options;
        options.arguments = {"Vormer_2005", "--port", sim->pty(), "--connect"};
        w = std::make_unique<manager::TFormVorm>(&prompter, options);
        // The whole first cycle: the header's counts and the street base are in.
        ASSERT_TRUE(QTest::qWaitFor([&] { return idle() && !part<QLineEdit>(*w, "EditDate")->text().isEmpty(); }, 10000));
    }
    void TearDown() override
    {
        EXPECT_TRUE(prompter.allAnswered());
        w.reset();
        sim.reset();
    }

    // Back in the poll with the reader actions enabled again.
    bool idle() const { return w->engine().stepNo() <= reader::StepClock && w->action("ActionTime")->isEnabled(); }
    bool run(const char* action, int timeoutMs = 10000)
    {
        w->action(action)->trigger();
        return QTest::qWaitFor([&] { return idle(); }, timeoutMs);
    }
    // What the emulated reader holds now.
    QJsonObject savedState()
    {
        EXPECT_TRUE(sim->command("save"));
        QFile f(state);
        f.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    Workplace work;
    QString state;
    std::unique_ptr<SimProcess> sim;
    ScriptedPrompter prompter;
    std::unique_ptr<manager::TFormVorm> w;
};

} // namespace tk::test
