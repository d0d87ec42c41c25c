#include "ComPortList.h"

#include "ComPortName.h"
#include "DeviceInfoList.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

// Room for 19 characters and the terminator, and 127 and the terminator.
const DWORD kPortNameChars = 20;
const DWORD kFriendlyNameChars = 128;

bool FirstPortsClass(GUID& guid)
{
    DWORD required = 0;
    SetupDiClassGuidsFromNameW(L"Ports", nullptr, 0, &required);
    if (required == 0)
        return false;
    std::vector<GUID> guids(required);
    if (!SetupDiClassGuidsFromNameW(L"Ports", guids.data(), required, &required) || required == 0)
        return false;
    guid = guids[0];
    return true;
}

int PortNumberOfDevice(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const CUniqueRegistryKey key(SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE));
    if (!key.IsValid())
        return 0;
    wchar_t name[kPortNameChars] = L"";
    DWORD type = 0;
    // One character short of the buffer, so that a value stored without its terminator still
    // reads as a terminated string.
    DWORD size = (kPortNameChars - 1) * sizeof(wchar_t);
    LONG status = RegQueryValueExW(key.Get(), L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    name[std::min<DWORD>(size / sizeof(wchar_t), kPortNameChars - 1)] = L'\0';
    return ComPortNumberOf(name, wcsnlen(name, kPortNameChars), ComPrefixCase::AnyCase);
}

std::wstring FriendlyNameOfDevice(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    wchar_t name[kFriendlyNameChars] = L"";
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, &type, reinterpret_cast<BYTE*>(name),
                                           (kFriendlyNameChars - 1) * sizeof(wchar_t), nullptr) ||
        type != REG_SZ)
        return std::wstring();
    name[kFriendlyNameChars - 1] = L'\0';
    return name;
}

void AppendPresentPorts(std::vector<ComPortEntry>& ports)
{
    GUID portsClass;
    if (!FirstPortsClass(portsClass))
        return;
    const CUniqueDeviceInfoList set(SetupDiGetClassDevsW(&portsClass, nullptr, nullptr, DIGCF_PRESENT));
    if (!set.IsValid())
        return;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
        int number = PortNumberOfDevice(set.Get(), device);
        if (number != 0)
            ports.push_back({number, FriendlyNameOfDevice(set.Get(), device)});
    }
}

}  // namespace

void MergeComPortReads(std::vector<ComPortEntry>& ports, const std::vector<ComPortEntry>& again)
{
    for (const ComPortEntry& entry : again) {
        const auto same = [&entry](const ComPortEntry& e) {
            return e.number == entry.number && e.displayName == entry.displayName;
        };
        if (std::any_of(ports.begin(), ports.end(), same))
            continue;
        // A read can also miss a device's friendly name, and the port is still one port: a name
        // fills in a bare entry of its number rather than adding a second row.
        const auto number = [&entry](const ComPortEntry& e) { return e.number == entry.number; };
        const auto found = std::find_if(ports.begin(), ports.end(), number);
        if (found == ports.end())
            ports.push_back(entry);
        else if (found->displayName.empty())
            found->displayName = entry.displayName;
    }
}

unsigned short GetComPortList(std::vector<ComPortEntry>& ports)
{
    ports.clear();
    // A device list read while another device of the class is added or removed can miss an entry that
    // is there all along (seen under Wine, where the listing walks registry keys that shift under it,
    // about once in a hundred reads). A second read fills in what the first missed.
    AppendPresentPorts(ports);
    std::vector<ComPortEntry> again;
    AppendPresentPorts(again);
    MergeComPortReads(ports, again);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const ComPortEntry& a, const ComPortEntry& b) { return a.number < b.number; });
    return static_cast<unsigned short>(std::min<size_t>(ports.size(), 0xFFFF));
}
