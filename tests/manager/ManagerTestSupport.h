#pragma once
// Seams of the manager tests: a private settings location and a private working directory.
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

#include "ConfigHome.h"

namespace tk::test {

// Makes a temporary folder the working directory for the test's lifetime.
class WorkDir {
public:
    WorkDir() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WorkDir() { QDir::setCurrent(old_); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString old_;
};

} // namespace tk::test
