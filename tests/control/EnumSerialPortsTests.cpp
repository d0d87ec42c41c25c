// The COM port list from the devices of the "Ports" setup class, and the spooler fallback. Other test
// programs register ports in the same Wine prefix at the same time, so the checks look at this
// program's own port numbers only.
#include "DeviceInfoList.h"
#include "EnumSerialPorts.h"
#include "PortDevice.h"
#include "UniqueHandle.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// A device of the "Ports" class whose PortName is any value at all, removed again on destruction.
class FakePortsDevice {
public:
    FakePortsDevice(const std::wstring& portName, DWORD type = REG_SZ)
        : m_set(SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr))
    {
        m_device.cbSize = sizeof(m_device);
        if (!m_set.IsValid() ||
            !SetupDiCreateDeviceInfoW(m_set.Get(), L"PortListTest", &GUID_DEVCLASS_PORTS, nullptr, nullptr,
                                      DICD_GENERATE_ID, &m_device) ||
            !SetupDiRegisterDeviceInfo(m_set.Get(), &m_device, 0, nullptr, nullptr, nullptr)) {
            return;
        }
        m_registered = true;
        const CUniqueRegistryKey key(
            SetupDiCreateDevRegKeyW(m_set.Get(), &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr));
        if (!key.IsValid()) {
            return;
        }
        const DWORD number = 7399;
        const BYTE* data =
            type == REG_SZ ? reinterpret_cast<const BYTE*>(portName.c_str()) : reinterpret_cast<const BYTE*>(&number);
        const DWORD size = type == REG_SZ ? static_cast<DWORD>((portName.size() + 1) * sizeof(wchar_t))
                                          : static_cast<DWORD>(sizeof(number));
        m_named = RegSetValueExW(key.Get(), L"PortName", 0, type, data, size) == ERROR_SUCCESS;
    }
    ~FakePortsDevice()
    {
        if (m_registered) {
            SetupDiRemoveDevice(m_set.Get(), &m_device);
        }
    }
    FakePortsDevice(const FakePortsDevice&) = delete;
    FakePortsDevice& operator=(const FakePortsDevice&) = delete;

    bool IsReady() const { return m_registered && m_named; }

private:
    CUniqueDeviceInfoList m_set;
    SP_DEVINFO_DATA m_device{};
    bool m_registered = false;
    bool m_named = false;
};

std::vector<int> OnlyThese(const std::vector<int>& ports, const std::vector<int>& wanted)
{
    std::vector<int> mine;
    std::copy_if(ports.begin(), ports.end(), std::back_inserter(mine),
                 [&](int port) { return std::find(wanted.begin(), wanted.end(), port) != wanted.end(); });
    return mine;
}

bool Contains(const std::vector<int>& ports, int port)
{
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

}  // namespace

TEST(EnumSerialPorts, ListsPortsDevicesSortedWithDuplicatesAndSkipsOtherNames)
{
    std::vector<std::unique_ptr<FakePortsDevice>> devices;
    for (const wchar_t* name : {L"COM7310", L"COM7303", L"COM7301", L"COM7305", L"COM7305", L"com7307", L"LPT7",
                                L"COM0", L"COMX", L"COM7320 with a name longer than the buffer"}) {
        devices.push_back(std::make_unique<FakePortsDevice>(name));
        ASSERT_TRUE(devices.back()->IsReady())
            << "cannot register a device for " << std::string(name, name + wcslen(name));
    }
    devices.push_back(std::make_unique<FakePortsDevice>(L"", REG_DWORD));
    ASSERT_TRUE(devices.back()->IsReady());

    std::vector<int> ports = {42, 43};  // whatever the caller had is replaced
    const unsigned short count = EnumSerialPorts(ports);

    EXPECT_EQ(count, ports.size());
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
    EXPECT_EQ(OnlyThese(ports, {7301, 7303, 7305, 7307, 7310, 7320, 7399, 7, 0, 42, 43}),
              (std::vector<int>{7301, 7303, 7305, 7305, 7307, 7310}));
    // The device list works, so the spooler's COM1 to COM4 are not consulted.
    for (int spoolerPort = 1; spoolerPort <= 4; ++spoolerPort) {
        EXPECT_FALSE(Contains(ports, spoolerPort)) << spoolerPort;
    }
}

TEST(EnumSerialPorts, UnpluggedPortIsNotListed)
{
    VirtualLine line;
    ASSERT_TRUE(VirtualLine::FromEnvironment(line));
    CPortDevice device(line.pcPort);
    ASSERT_TRUE(device.IsAdded());

    std::vector<int> ports;
    EnumSerialPorts(ports);
    EXPECT_TRUE(Contains(ports, line.pcPort));

    ASSERT_TRUE(device.Remove());
    EnumSerialPorts(ports);
    EXPECT_FALSE(Contains(ports, line.pcPort));
}

TEST(EnumSerialPorts, FallbackListsTheSpoolersComPortsThatHaveAConfiguration)
{
    std::vector<int> ports = {99};
    const unsigned short count = EnumSerialPortsFallback(ports);
    EXPECT_EQ(count, ports.size());
    EXPECT_EQ(OnlyThese(ports, {1, 2, 3, 4, 99}), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
}
