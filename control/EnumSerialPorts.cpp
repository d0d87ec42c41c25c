#include "EnumSerialPorts.h"

#include "ComPortName.h"
#include "DeviceInfoList.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

// The device-installation library is loaded at run time, so that the control still loads (and
// falls back to the spooler's list) where it is missing.
using ClassGuidsFromNameFn = decltype(&SetupDiClassGuidsFromNameW);
using GetClassDevsFn = decltype(&SetupDiGetClassDevsW);
using EnumDeviceInfoFn = decltype(&SetupDiEnumDeviceInfo);
using OpenDevRegKeyFn = decltype(&SetupDiOpenDevRegKey);
using DestroyDeviceInfoListFn = decltype(&SetupDiDestroyDeviceInfoList);

struct SetupApi {
    OpenDevRegKeyFn openDevRegKey = nullptr;
    ClassGuidsFromNameFn classGuidsFromName = nullptr;
    GetClassDevsFn getClassDevs = nullptr;
    DestroyDeviceInfoListFn destroyDeviceInfoList = nullptr;
    EnumDeviceInfoFn enumDeviceInfo = nullptr;
};

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

bool ResolveSetupApi(HMODULE module, SetupApi& api)
{
    // The registry-property function is not used, but a library without it is not the one expected.
    decltype(&SetupDiGetDeviceRegistryPropertyW) getDeviceRegistryProperty = nullptr;
    return Resolve(module, "SetupDiOpenDevRegKey", api.openDevRegKey) &&
           Resolve(module, "SetupDiClassGuidsFromNameW", api.classGuidsFromName) &&
           Resolve(module, "SetupDiGetClassDevsW", api.getClassDevs) &&
           Resolve(module, "SetupDiGetDeviceRegistryPropertyW", getDeviceRegistryProperty) &&
           Resolve(module, "SetupDiDestroyDeviceInfoList", api.destroyDeviceInfoList) &&
           Resolve(module, "SetupDiEnumDeviceInfo", api.enumDeviceInfo);
}

// The port number of one device from its "PortName" value, or 0 when it has none usable.
int DevicePortNumber(const SetupApi& api, HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const CUniqueRegistryKey key(api.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE));
    if (!key.IsValid()) {
        return 0;
    }
    // Twenty characters of value, plus a terminator of our own: a registry string need not carry one.
    wchar_t name[21] = {};
    DWORD size = 20 * sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return 0;
    }
    return ComPortNumberOf(name, wcsnlen(name, 20), ComPrefixCase::AnyCase);
}

// Lists the present devices of the first class of the name "Ports". False when the service cannot be
// used at all, in which case the spooler's list has to do.
bool EnumFromDeviceInstallation(std::vector<int>& ports)
{
    const CUniqueLibrary library(LoadLibraryW(L"SETUPAPI.DLL"));
    SetupApi api;
    if (library.Get() == nullptr || !ResolveSetupApi(library.Get(), api)) {
        return false;
    }
    DWORD classCount = 0;
    api.classGuidsFromName(L"Ports", nullptr, 0, &classCount);
    if (classCount == 0) {
        return false;
    }
    std::vector<GUID> classes(classCount);
    if (!api.classGuidsFromName(L"Ports", classes.data(), classCount, &classCount)) {
        return false;
    }
    const CLoadedDeviceInfoList set(api.getClassDevs(&classes[0], nullptr, nullptr, DIGCF_PRESENT),
                                    LoadedDeviceInfoListTraits(api.destroyDeviceInfoList));
    if (!set.IsValid()) {
        return false;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!api.enumDeviceInfo(set.Get(), index, &device)) {
            break;
        }
        const int number = DevicePortNumber(api, set.Get(), device);
        if (number != 0) {
            ports.push_back(number);
        }
    }
    return true;
}

// A spooler port name such as "COM2:" counts when it names a COM port that has a default comm
// configuration.
int SpoolerPortNumber(const wchar_t* name)
{
    if (name == nullptr || wcslen(name) < 4) {
        return 0;
    }
    const int number = ComPortNumberOf(name, wcslen(name), ComPrefixCase::AnyCase);
    if (number == 0) {
        return 0;
    }
    std::wstring device(name);
    if (device.back() == L':') {
        device.pop_back();
    }
    COMMCONFIG config{};
    config.dwSize = sizeof(config);
    DWORD size = sizeof(config);
    return GetDefaultCommConfigW(device.c_str(), &config, &size) ? number : 0;
}

unsigned short SortedCount(std::vector<int>& ports)
{
    std::stable_sort(ports.begin(), ports.end());
    return static_cast<unsigned short>(ports.size());
}

}  // namespace

unsigned short EnumSerialPorts(std::vector<int>& ports)
{
    ports.clear();
    if (!EnumFromDeviceInstallation(ports)) {
        return EnumSerialPortsFallback(ports);
    }
    return SortedCount(ports);
}

unsigned short EnumSerialPortsFallback(std::vector<int>& ports)
{
    ports.clear();
    DWORD needed = 0;
    DWORD returned = 0;
    EnumPortsW(nullptr, 1, nullptr, 0, &needed, &returned);
    if (needed > 0) {
        std::vector<BYTE> buffer(needed);
        if (EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &returned)) {
            const auto* entries = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
            for (DWORD i = 0; i < returned; ++i) {
                const int number = SpoolerPortNumber(entries[i].pName);
                if (number != 0) {
                    ports.push_back(number);
                }
            }
        }
    }
    return SortedCount(ports);
}
