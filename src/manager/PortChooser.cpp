#include "manager/PortChooser.h"

#include "reader/SerialChannel.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMenu>

namespace tk::manager {

PortChooser::PortChooser(reader::SerialChannel& channel, QMenu* portMenu, QWidget* parent)
    : QObject(parent), channel_(channel), NPort(portMenu)
{
    ComboPort = new QComboBox(parent);
    ComboPort->setObjectName(QStringLiteral("ComboPort"));
    ComboPort->setEditable(false);
    ComboPort->setMinimumContentsLength(8);
    ComboPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboPort->setAccessibleName(QStringLiteral("Порт"));
    ComboPort->setToolTip(QStringLiteral("Порт"));
    connect(ComboPort, &QComboBox::activated, this, &PortChooser::ComboPortChange);
}

void PortChooser::build(int selected, const QString& selectedDevice, const QString& commandLineDevice)
{
    list_ = reader::BuildPortList(selected, selectedDevice);
    if (!commandLineDevice.isEmpty())
        reader::addDevice(list_, commandLineDevice);

    {
        const QSignalBlocker block(ComboPort);
        ComboPort->clear();
        ComboPort->addItems(list_.comboLines);
        ComboPort->setCurrentIndex(list_.selectedLine);
    }
    group_ = new QActionGroup(this);
    group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < int(list_.items.size()); ++i) {
        QAction* item = NPort->addAction(list_.items[size_t(i)].caption);
        item->setObjectName(QStringLiteral("NPort_%1").arg(i));
        item->setCheckable(true);
        item->setChecked(i == list_.checkedItem);
        group_->addAction(item);
        items_.append(item);
        connect(item, &QAction::triggered, this, [this, i] { PortClick(i); });
    }

    channel_.setPortNumber(selected);
    chosenDevice_ = selectedDevice;
    if (list_.checkedItem >= 0)
        chooseItem(list_.checkedItem);
}

void PortChooser::chooseItem(int item)
{
    for (int i = 0; i < items_.size(); ++i)
        items_[i]->setChecked(i == item);
    if (item < 0)
        return;
    const reader::PortItem& p = list_.items[size_t(item)];
    channel_.setDevice(p.device);
    if (p.number > 0) {
        channel_.setPortNumber(p.number);
        chosenDevice_.clear();
    } else {
        chosenDevice_ = p.device;
    }
}

void PortChooser::PortClick(int item)
{
    if (item < 0 || item >= int(list_.items.size()))
        return;
    chooseItem(item);
    const QSignalBlocker block(ComboPort);
    ComboPort->setCurrentIndex(reader::lineForItem(list_, item));
}

void PortChooser::ComboPortChange(int line)
{
    if (line < 0 || line >= list_.comboLines.size())
        return;
    const QString text = list_.comboLines[line];
    const int item = reader::itemForComboLine(list_, line);
    if (item >= 0) {
        chooseItem(item);
        return;
    }
    chooseItem(-1);
    bool ok = false;
    const int n = text.mid(3).toInt(&ok);
    if (ok && n > 0) {
        channel_.setDevice(QString());
        channel_.setPortNumber(n);
        chosenDevice_.clear();
    }
}

void PortChooser::setLinkUp(bool up)
{
    NPort->setEnabled(!up);
    NPort->menuAction()->setEnabled(!up);
    ComboPort->setEnabled(!up);
}

int PortChooser::portNumber() const
{
    return channel_.portNumber();
}

} // namespace tk::manager
