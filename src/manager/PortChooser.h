#pragma once
// The port choice: the drop-down of the main tool bar and the radio items of "Ридер" → "Порт",
// kept in step with each other and with the serial channel, and switched off while the link is up.
#include "reader/PortList.h"

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QWidget;

namespace tk::reader {
class SerialChannel;
}

namespace tk::manager {

class PortChooser : public QObject {
    Q_OBJECT
public:
    PortChooser(reader::SerialChannel& channel, QMenu* portMenu, QWidget* parent);

    // The drop-down, to be placed on the tool bar.
    QComboBox* comboBox() const { return ComboPort; }

    // Fills both controls from the system's ports (plus a device given on the command line) and
    // selects the saved port: its number, or its device where the names are not "COM" + n.
    void build(int selected, const QString& selectedDevice, const QString& commandLineDevice);

    void PortClick(int item);
    void ComboPortChange(int line);
    void setLinkUp(bool up);

    // What the settings keep: the port number, and the device path when it is not "COM" + n.
    int portNumber() const;
    QString deviceName() const { return chosenDevice_; }

private:
    void chooseItem(int item);

    reader::SerialChannel& channel_;
    QMenu* NPort;
    QComboBox* ComboPort;
    QActionGroup* group_ = nullptr;
    QList<QAction*> items_;
    reader::PortList list_;
    QString chosenDevice_;
};

} // namespace tk::manager
