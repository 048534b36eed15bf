#pragma once
// Points the programs' settings at an empty temporary config folder for a test's lifetime, and
// reads and writes the stored values as they are in the files (types and absences included).
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

namespace tk::test {

class ConfigHome {
public:
    ConfigHome() : old_(qgetenv("XDG_CONFIG_HOME")) { qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit()); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old_); }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

    // The file of a settings key (SOFTWARE\Korvent\<key>).
    QString iniPath(const QString& key = QStringLiteral("TK4718EH")) const
    {
        return dir_.path() + QStringLiteral("/Korvent/") + key + QStringLiteral(".ini");
    }
    bool exists() const { return QFileInfo::exists(iniPath()); }

    QVariant raw(const QString& name, const QString& key = QStringLiteral("TK4718EH")) const
    {
        return QSettings(iniPath(key), QSettings::IniFormat).value(name);
    }
    bool has(const QString& name) const { return QSettings(iniPath(), QSettings::IniFormat).contains(name); }
    void put(const QString& name, const QVariant& value, const QString& key = QStringLiteral("TK4718EH")) const
    {
        QDir().mkpath(dir_.path() + QStringLiteral("/Korvent"));
        QSettings(iniPath(key), QSettings::IniFormat).setValue(name, value);
    }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};

} // namespace tk::test
