#include "manager/ManagerSettings.h"

#include "common/Regional.h"
#include "common/Settings.h"

#include <algorithm>
#include <limits>

namespace tk::manager {

namespace {

constexpr int kAnyPositive = std::numeric_limits<int>::max();

QString tarifName(int zone)
{
    return QStringLiteral("Tarif_%1").arg(zone);
}

QString timeName(int zone)
{
    return QStringLiteral("Time_%1").arg(zone);
}

QString gridName(int i)
{
    return QStringLiteral("Grid%1").arg(i + 1);
}

bool isTariff(const QString& t)
{
    return t == QLatin1String("1") || t == QLatin1String("2") || t == QLatin1String("3");
}

// Takes an integer value only when it lies within the control's limits; a value outside them
// is a damaged setting and leaves the default.
void readInRange(const Settings& s, const QString& name, int lo, int hi, int& into)
{
    if (const auto v = s.readInt(name); v && *v >= lo && *v <= hi)
        into = *v;
}

} // namespace

bool ManagerSettings::load(Settings& s)
{
    if (!s.open(true))
        return false;
    if (const auto v = s.readBool(QStringLiteral("Maximized")))
        maximized = *v;
    if (const auto v = s.readInt(QStringLiteral("Width")))
        width = *v;
    if (const auto v = s.readInt(QStringLiteral("Height")))
        height = *v;
    if (const auto v = s.readInt(QStringLiteral("Left")))
        left = *v;
    if (const auto v = s.readInt(QStringLiteral("Top")))
        top = *v;
    for (int i = 0; i < 3; ++i)
        readInRange(s, gridName(i), 1, kAnyPositive, gridHeights[size_t(i)]);
    readInRange(s, QStringLiteral("Port"), 1, kAnyPositive, port);
    for (int z = 0; z < kZones; ++z) {
        if (const auto t = s.readString(tarifName(z)); t && isTariff(*t))
            tariffs[size_t(z)] = *t;
        if (const auto t = s.readString(timeName(z)))
            if (const auto time = regional::parseTime(*t))
                times[size_t(z)] = *time;
    }
    if (const auto v = s.readBool(QStringLiteral("OneTarif")))
        oneTarif = *v;
    readInRange(s, QStringLiteral("CountDay"), 1, 31, countDay);
    readInRange(s, QStringLiteral("CountHour"), 0, 23, countHour);
    if (const auto v = s.readBool(QStringLiteral("Summer")))
        summer = *v;
    if (const auto v = s.readInt(QStringLiteral("Indi")))
        indi = *v & 0xFF;
    readInRange(s, QStringLiteral("Password"), 0, 65535, password);
    if (const auto v = s.readString(QStringLiteral("PortName")))
        portName = *v;
    s.close();
    return true;
}

bool ManagerSettings::save(Settings& s) const
{
    if (!s.open(false))
        return false;
    if (maximized) {
        s.writeBool(QStringLiteral("Maximized"), true);
    } else {
        if (width)
            s.writeInt(QStringLiteral("Width"), *width);
        if (height)
            s.writeInt(QStringLiteral("Height"), *height);
        if (left)
            s.writeInt(QStringLiteral("Left"), *left);
        if (top)
            s.writeInt(QStringLiteral("Top"), *top);
        s.writeBool(QStringLiteral("Maximized"), false);
    }
    for (int i = 0; i < 3; ++i)
        s.writeInt(gridName(i), gridHeights[size_t(i)]);
    if (port != 0)
        s.writeInt(QStringLiteral("Port"), port);
    for (int z = 0; z < kZones; ++z) {
        s.writeString(tarifName(z), tariffs[size_t(z)]);
        s.writeString(timeName(z), regional::longTime(times[size_t(z)]));
    }
    s.writeBool(QStringLiteral("OneTarif"), oneTarif);
    s.writeInt(QStringLiteral("CountDay"), countDay);
    s.writeInt(QStringLiteral("CountHour"), countHour);
    s.writeBool(QStringLiteral("Summer"), summer);
    s.writeInt(QStringLiteral("Indi"), indi & 0xFF);
    s.writeInt(QStringLiteral("Password"), password);
    if (!portName.isEmpty())
        s.writeString(QStringLiteral("PortName"), portName);
    s.close();
    return true;
}

QRect restoredGeometry(const ManagerSettings& s, const QRect& available)
{
    const int w = std::max(s.width.value_or(kDefaultWidth), kMinimumWidth);
    const int h = std::max(s.height.value_or(kDefaultHeight), kMinimumHeight);
    const int x = s.left.value_or(available.x() + (available.width() - w) / 2);
    const int y = s.top.value_or(available.y() + (available.height() - h) / 2);
    return {x, y, w, h};
}

int passwordFromText(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

QString applicationTitle()
{
    return QStringLiteral("ТК4718ЕН-менеджер");
}

reader::ReaderSettings ManagerSettings::readerSettings() const
{
    reader::ReaderSettings r;
    for (int z = 0; z < kZones; ++z)
        r.zones[size_t(z)] = {tariffs[size_t(z)], times[size_t(z)]};
    r.oneTariff = oneTarif;
    r.billingDay = countDay;
    r.billingHour = countHour;
    r.summer = summer;
    r.display = indi;
    r.password = QString::number(password);
    return r;
}

void ManagerSettings::setReaderSettings(const reader::ReaderSettings& r)
{
    for (int z = 0; z < kZones; ++z) {
        tariffs[size_t(z)] = r.zones[size_t(z)].tariff;
        times[size_t(z)] = r.zones[size_t(z)].start;
    }
    oneTarif = r.oneTariff;
    countDay = r.billingDay;
    countHour = r.billingHour;
    summer = r.summer;
    indi = r.display;
    password = passwordFromText(r.password);
}

} // namespace tk::manager
