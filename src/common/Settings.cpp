#include "common/Settings.h"

#include "common/Error.h"
#include "common/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tk {

Settings::Settings(QString keyName) : keyName_(std::move(keyName)) {}

Settings::~Settings()
{
    close();
}

QString Settings::location() const
{
    return settingsLocation(keyName_).path;
}

bool Settings::open(bool create)
{
    close();
    const SettingsLocation where = settingsLocation(keyName_);
    if (where.registry) {
        auto s = std::make_unique<QSettings>(where.path, QSettings::NativeFormat);
        if (!create && s->allKeys().isEmpty() && s->childGroups().isEmpty()) {
            // An empty key and an absent one look alike through QSettings; look at the parent.
            const int cut = where.path.lastIndexOf(QLatin1Char('\\'));
            QSettings parent(where.path.left(cut), QSettings::NativeFormat);
            if (!parent.childGroups().contains(where.path.mid(cut + 1), Qt::CaseInsensitive))
                return false;
        }
        if (create)
            s->sync();
        store_ = std::move(s);
        return true;
    }
    const QFileInfo file(where.path);
    if (!file.exists()) {
        if (!create)
            return false;
        if (!QDir().mkpath(file.absolutePath()))
            return false;
        QFile f(where.path);
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    store_ = std::make_unique<QSettings>(where.path, QSettings::IniFormat);
    return store_->status() == QSettings::NoError;
}

void Settings::close()
{
    if (store_) {
        store_->sync();
        store_.reset();
    }
}

std::optional<int> Settings::readInt(const QString& name) const
{
    if (!store_ || !store_->contains(name))
        return std::nullopt;
    bool ok = false;
    const int v = store_->value(name).toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<bool> Settings::readBool(const QString& name) const
{
    const auto v = readInt(name);
    return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

std::optional<QString> Settings::readString(const QString& name) const
{
    if (!store_ || !store_->contains(name))
        return std::nullopt;
    return store_->value(name).toString();
}

void Settings::writeInt(const QString& name, int value)
{
    if (!store_)
        throw Error(QStringLiteral("Настройки не открыты: ") + location());
    store_->setValue(name, value);
}

void Settings::writeBool(const QString& name, bool value)
{
    writeInt(name, value ? 1 : 0);
}

void Settings::writeString(const QString& name, const QString& value)
{
    if (!store_)
        throw Error(QStringLiteral("Настройки не открыты: ") + location());
    store_->setValue(name, value);
}

} // namespace tk
