// The port helper makes a COM port appear in and vanish from SetupAPI's "Ports" class. Other test
// programs register their own ports at the same time, so only this program's port is asserted on.
#include "PortDevice.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

namespace {

int OwnPort()
{
    VirtualLine line;
    // Without a line (run by hand) a number no other test program uses.
    return VirtualLine::FromEnvironment(line) ? line.pcPort : 240;
}

bool Listed(const std::wstring& name)
{
    for (const std::wstring& found : ListPortsDeviceNames()) {
        if (found == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(PortDevice, AppearsInPortsClassAndVanishesOnRemoval)
{
    const int port = OwnPort();
    const std::wstring name = L"COM" + std::to_wstring(port);
    ASSERT_TRUE(RemovePortsDevice(port));
    ASSERT_FALSE(Listed(name));

    ASSERT_TRUE(AddPortsDevice(port));
    EXPECT_TRUE(Listed(name));
    EXPECT_TRUE(IsPortsDevicePresent(port));

    ASSERT_TRUE(RemovePortsDevice(port));
    EXPECT_FALSE(Listed(name));
    EXPECT_FALSE(IsPortsDevicePresent(port));
}

TEST(PortDevice, AddingTwiceRegistersOneDeviceThatOneRemovalTakesAway)
{
    const int port = OwnPort();
    ASSERT_TRUE(AddPortsDevice(port));
    ASSERT_TRUE(AddPortsDevice(port));
    int count = 0;
    for (const std::wstring& found : ListPortsDeviceNames()) {
        count += found == L"COM" + std::to_wstring(port) ? 1 : 0;
    }
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(RemovePortsDevice(port));
    EXPECT_FALSE(IsPortsDevicePresent(port));
}

TEST(PortDevice, GuardRemovesItsPortAndCanUnplugAndReplug)
{
    const int port = OwnPort();
    {
        CPortDevice guard(port);
        ASSERT_TRUE(guard.IsAdded());
        EXPECT_TRUE(IsPortsDevicePresent(port));
        ASSERT_TRUE(guard.Remove());
        EXPECT_FALSE(IsPortsDevicePresent(port));
        ASSERT_TRUE(guard.Add());
        EXPECT_TRUE(IsPortsDevicePresent(port));
    }
    EXPECT_FALSE(IsPortsDevicePresent(port));
}

TEST(PortDevice, RejectsPortNumberZero)
{
    EXPECT_FALSE(AddPortsDevice(0));
    EXPECT_FALSE(RemovePortsDevice(-1));
}
