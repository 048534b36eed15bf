#pragma once
// The list of serial ports offered in the port drop-down and the "Порт" submenu.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tk::reader {

struct PortItem {
    QString caption; // menu caption
    int number = 0;  // "COM" + number; 0 where the platform's names are not of that form
    QString device;  // what the serial channel opens: "COM3", "/dev/ttyUSB0", a pty path
};

struct PortList {
    QStringList comboLines;      // lines of the drop-down, in order
    std::vector<PortItem> items; // radio items of the submenu, in order
    int checkedItem = -1;        // item of the selected port, -1 for none
    int selectedLine = -1;       // line of the selected port, -1 for none
};

// From the port names of the registry's SerialComm key: each name is a line; its number is taken
// from the characters after the first three; a name that yields no number gets no menu item
// (its line stays in the drop-down).
PortList portListFromNames(const QStringList& names, int selected);

// When the system lists no port: ports 1..16 that could be opened and written ("Com" + n).
PortList portListFromProbe(const std::function<bool(int number)>& openAndWrite, int selected);

// Device paths as the system reports them (systems whose names are not "COM" + n); selected by path.
PortList portListFromDevices(const QStringList& devices, const QString& selectedDevice);

// Adds a device path that the system does not list (a pty, a --port argument) and selects it.
void addDevice(PortList& list, const QString& device);

// The platform's list: the registry on Windows (with the probe as fall-back), the serial ports
// the system reports elsewhere.
PortList BuildPortList(int selectedNumber, const QString& selectedDevice);

// The menu item to check for a drop-down line: the first item whose number is the one read
// from the line after its first three characters; -1 when none (or the line yields no number).
int itemForComboLine(const PortList& list, int line);
// The drop-down line for a clicked item: the line equal to "Com" + number ignoring case, or the
// item's device; -1 when none.
int lineForItem(const PortList& list, int item);

} // namespace tk::reader
