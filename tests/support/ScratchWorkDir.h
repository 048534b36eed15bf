#pragma once
// A temporary folder made the working directory for a test's lifetime, as the programs run in
// the folder of their tables.
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace tk::test {

class ScratchWorkDir {
public:
    ScratchWorkDir() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~ScratchWorkDir() { QDir::setCurrent(old_); }
    ScratchWorkDir(const ScratchWorkDir&) = delete;
    ScratchWorkDir& operator=(const ScratchWorkDir&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString old_;
};

} // namespace tk::test
