#pragma once
// Seams of the manager tests: a private settings location and a private working directory.
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

namespace tk::test {

// Points the settings of this test at an empty temporary config folder, before anything reads them.
class ConfigHome {
public:
    ConfigHome() : old_(qgetenv("XDG_CONFIG_HOME")) { qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit()); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old_); }

    QString iniPath() const { return dir_.path() + QStringLiteral("/Korvent/TK4718EH.ini"); }
    bool exists() const { return QFileInfo::exists(iniPath()); }

    // The stored values as they are in the file, so that types and absences can be checked.
    QVariant raw(const QString& name) const { return QSettings(iniPath(), QSettings::IniFormat).value(name); }
    bool has(const QString& name) const { return QSettings(iniPath(), QSettings::IniFormat).contains(name); }
    void put(const QString& name, const QVariant& value) const
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/Korvent"));
        QSettings s(iniPath(), QSettings::IniFormat);
        s.setValue(name, value);
    }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

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
