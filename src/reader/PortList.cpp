#include "reader/PortList.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tk::reader {
namespace {

void markSelected(PortList& list, int item, int line)
{
    list.checkedItem = item;
    list.selectedLine = line;
}

#ifdef Q_OS_WIN
// Value data of HKLM\Hardware\DeviceMap\SerialComm, in the order the registry lists them.
QStringList registryPortNames()
{
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Hardware\\DeviceMap\\SerialComm", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameLen = 256;
        wchar_t data[256];
        DWORD dataLen = sizeof data;
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, i, valueName, &nameLen, nullptr, &type,
                                      reinterpret_cast<LPBYTE>(data), &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        names << QString::fromWCharArray(data, int(dataLen / sizeof(wchar_t))).remove(QChar(0));
    }
    RegCloseKey(key);
    return names;
}
#endif

} // namespace

PortList portListFromNames(const QStringList& names, int selected)
{
    PortList list;
    for (const QString& name : names) {
        list.comboLines << name;
        bool ok = false;
        const int number = name.mid(3).toInt(&ok);
        if (!ok)
            continue; // the line stays; no menu item carries it
        list.items.push_back({name, number, name});
        if (number == selected)
            markSelected(list, int(list.items.size()) - 1, int(list.comboLines.size()) - 1);
    }
    return list;
}

PortList portListFromProbe(const std::function<bool(int)>& openAndWrite, int selected)
{
    PortList list;
    for (int n = 1; n <= 16; ++n) {
        if (!openAndWrite(n))
            continue;
        const QString name = QStringLiteral("Com") + QString::number(n);
        list.comboLines << name;
        list.items.push_back({name, n, QStringLiteral("COM") + QString::number(n)});
        if (n == selected)
            markSelected(list, int(list.items.size()) - 1, int(list.comboLines.size()) - 1);
    }
    return list;
}

PortList portListFromDevices(const QStringList& devices, const QString& selectedDevice)
{
    PortList list;
    for (const QString& device : devices) {
        list.comboLines << device;
        list.items.push_back({device, 0, device});
        if (device == selectedDevice)
            markSelected(list, int(list.items.size()) - 1, int(list.comboLines.size()) - 1);
    }
    return list;
}

void addDevice(PortList& list, const QString& device)
{
    for (size_t i = 0; i < list.items.size(); ++i) {
        if (list.items[i].device == device) {
            const int line = lineForItem(list, int(i));
            markSelected(list, int(i), line);
            return;
        }
    }
    list.comboLines << device;
    list.items.push_back({device, 0, device});
    markSelected(list, int(list.items.size()) - 1, int(list.comboLines.size()) - 1);
}

int itemForComboLine(const PortList& list, int line)
{
    if (line < 0 || line >= list.comboLines.size())
        return -1;
    const QString& text = list.comboLines.at(line);
    bool ok = false;
    const int number = text.mid(3).toInt(&ok);
    for (size_t i = 0; i < list.items.size(); ++i) {
        const PortItem& item = list.items[i];
        if (ok ? item.number == number : item.device == text)
            return int(i);
    }
    return -1;
}

int lineForItem(const PortList& list, int item)
{
    if (item < 0 || item >= int(list.items.size()))
        return -1;
    const PortItem& it = list.items[size_t(item)];
    const QString com = QStringLiteral("Com") + QString::number(it.number);
    for (int i = 0; i < list.comboLines.size(); ++i) {
        const QString& line = list.comboLines.at(i);
        if (it.number > 0 ? line.compare(com, Qt::CaseInsensitive) == 0 : line == it.device)
            return i;
    }
    return -1;
}

PortList BuildPortList(int selectedNumber, const QString& selectedDevice)
{
#ifdef Q_OS_WIN
    PortList list = portListFromNames(registryPortNames(), selectedNumber);
    if (list.comboLines.isEmpty()) {
        list = portListFromProbe(
            [](int n) {
                QSerialPort port(QStringLiteral("COM") + QString::number(n));
                if (!port.open(QIODevice::ReadWrite))
                    return false;
                const bool written = port.write(QByteArray(1, '\0')) == 1 && port.waitForBytesWritten(100);
                port.close();
                return written;
            },
            selectedNumber);
    }
    if (!selectedDevice.isEmpty() && !selectedDevice.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        addDevice(list, selectedDevice);
    return list;
#else
    Q_UNUSED(selectedNumber);
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    PortList list = portListFromDevices(devices, selectedDevice);
    if (!selectedDevice.isEmpty() && list.checkedItem < 0)
        addDevice(list, selectedDevice);
    return list;
#endif
}

} // namespace tk::reader
