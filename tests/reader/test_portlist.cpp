#include "reader/PortList.h"

#include <gtest/gtest.h>

using namespace tk::reader;

TEST(PortList, RegistryNamesBecomeLinesAndRadioItems)
{
    PortList list = portListFromNames({"COM1", "COM12", "XYZ"}, 12);
    EXPECT_EQ(QStringList({"COM1", "COM12", "XYZ"}), list.comboLines);
    ASSERT_EQ(2u, list.items.size()) << "a name without a number gets no item";
    EXPECT_EQ(1, list.items[0].number);
    EXPECT_EQ(12, list.items[1].number);
    EXPECT_EQ(1, list.checkedItem);
    EXPECT_EQ(1, list.selectedLine);

    // Choosing COM12 from the menu selects its line; the line selects the first item of its number.
    EXPECT_EQ(1, lineForItem(list, 1));
    EXPECT_EQ(1, itemForComboLine(list, 1));
    EXPECT_EQ(-1, itemForComboLine(list, 2));
}

TEST(PortList, ProbeListsOnlyPortsThatCouldBeOpenedAndWritten)
{
    PortList list = portListFromProbe([](int n) { return n == 2 || n == 16; }, 16);
    EXPECT_EQ(QStringList({"Com2", "Com16"}), list.comboLines);
    ASSERT_EQ(2u, list.items.size());
    EXPECT_EQ(16, list.items[1].number);
    EXPECT_EQ(1, list.checkedItem);
    EXPECT_EQ(1, lineForItem(list, 1)) << "Com16 matches COM16 regardless of case";
}

TEST(PortList, DevicePathsAndAnUnlistedPty)
{
    PortList list = portListFromDevices({"/dev/ttyS0", "/dev/ttyUSB0"}, "/dev/ttyUSB0");
    EXPECT_EQ(1, list.checkedItem);
    addDevice(list, "/dev/pts/7");
    EXPECT_EQ(QStringList({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/pts/7"}), list.comboLines);
    EXPECT_EQ(2, list.checkedItem);
    EXPECT_EQ(2, list.selectedLine);
    addDevice(list, "/dev/ttyS0");
    EXPECT_EQ(3, list.comboLines.size()) << "a listed device is selected, not added twice";
    EXPECT_EQ(0, list.checkedItem);
    EXPECT_EQ(0, itemForComboLine(list, 0));
    EXPECT_EQ(2, lineForItem(list, 2));
}
