#pragma once
// A test's own working directory and settings folder, with the office's Russian locale, as the
// manager finds them on an office PC; all are put back when the test ends.
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

namespace tk::test {

class Workplace {
public:
    Workplace() : previous_(QDir::currentPath())
    {
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
        QDir::setCurrent(dir_.path());
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    ~Workplace()
    {
        QDir::setCurrent(previous_);
        QLocale::setDefault(QLocale::c());
    }
    Workplace(const Workplace&) = delete;
    Workplace& operator=(const Workplace&) = delete;

    bool valid() const { return dir_.isValid(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace tk::test
