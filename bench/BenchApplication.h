#pragma once
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

namespace tk::bench {

// An offscreen application working in a scratch folder that also holds its settings, so a run
// neither needs a display nor touches the user's own files.
class ScratchApplication {
public:
    ScratchApplication(int& argc, char** argv) : prepared_(prepare(work_)), app_(argc, argv)
    {
        QDir::setCurrent(work_.path());
    }
    QApplication& app() { return app_; }
    QString path() const { return work_.path(); }
    QString filePath(const QString& name) const { return work_.filePath(name); }

private:
    static bool prepare(const QTemporaryDir& work)
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", work.path().toUtf8());
        return true;
    }
    QTemporaryDir work_;
    bool prepared_;
    QApplication app_;
};

} // namespace tk::bench
