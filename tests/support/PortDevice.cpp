#include "PortDevice.h"

#include "DeviceInfoList.h"
#include "UniqueHandle.h"

#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <cwchar>

namespace {

// Holds the prefix-wide lock on changes to the "Ports" class for one change. Test programs run side by
// side and add and remove their ports at the same moments; Wine's server has been seen to crash
// while many processes created and deleted device keys under the same class at once.
class PortsClassChange {
public:
    PortsClassChange() : m_mutex(CreateMutexW(nullptr, FALSE, L"Local\\WexlinkPortsClassChange"))
    {
        if (m_mutex) {
            const DWORD waited = WaitForSingleObject(m_mutex.Get(), 30000);
            m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        }
    }
    ~PortsClassChange()
    {
        if (m_held) {
            ReleaseMutex(m_mutex.Get());
        }
    }
    PortsClassChange(const PortsClassChange&) = delete;
    PortsClassChange& operator=(const PortsClassChange&) = delete;

    bool IsHeld() const { return m_held; }

private:
    CUniqueKernelHandle m_mutex;
    bool m_held = false;
};

std::wstring PortName(int comNumber)
{
    return L"COM" + std::to_wstring(comNumber);
}

// The PortName value of one device, or an empty text when the device has none.
std::wstring ReadPortName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const CUniqueRegistryKey key(SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE));
    if (!key.IsValid()) {
        return {};
    }
    wchar_t buffer[64] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer) - sizeof(wchar_t);  // keeps room for a terminator the value may lack
    if (RegQueryValueExW(key.Get(), L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return buffer;
}

// Calls visit(set, device, portName) for each device of the "Ports" class; presentOnly asks SetupAPI
// for the present devices only, as the port lists of the system do.
template <typename Visit>
bool ForEachPortsDevice(bool presentOnly, Visit visit)
{
    const CUniqueDeviceInfoList set(
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, presentOnly ? DIGCF_PRESENT : 0));
    if (!set.IsValid()) {
        return false;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!SetupDiEnumDeviceInfo(set.Get(), index, &device)) {
            break;
        }
        visit(set.Get(), device, ReadPortName(set.Get(), device));
    }
    return true;
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

bool WriteDeviceKey(HDEVINFO set, SP_DEVINFO_DATA& device, const std::wstring& name)
{
    const CUniqueRegistryKey key(
        SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr));
    if (!key.IsValid()) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()), bytes) ==
           ERROR_SUCCESS;
}

void WriteFriendlyName(HDEVINFO set, SP_DEVINFO_DATA& device, const std::wstring& name)
{
    // The host shows the friendly name beside the number; a port without one is still listed.
    const std::wstring friendly = L"Virtual serial port (" + name + L")";
    const DWORD bytes = static_cast<DWORD>((friendly.size() + 1) * sizeof(wchar_t));
    SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(friendly.c_str()),
                                      bytes);
}

bool CreatePortsDevice(const std::wstring& name)
{
    const CUniqueDeviceInfoList set(SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr));
    if (!set.IsValid()) {
        return false;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    // One enumerator name per port: test programs add their ports at the same moment, and two of
    // them generating the next free ID under one shared name could both take the same instance.
    const std::wstring enumeratorName = L"WexlinkVirtual" + name;
    if (!SetupDiCreateDeviceInfoW(set.Get(), enumeratorName.c_str(), &GUID_DEVCLASS_PORTS, name.c_str(), nullptr,
                                  DICD_GENERATE_ID, &device)) {
        return false;
    }
    if (!SetupDiRegisterDeviceInfo(set.Get(), &device, 0, nullptr, nullptr, nullptr)) {
        return false;
    }
    if (!WriteDeviceKey(set.Get(), device, name)) {
        // A registered device without its PortName would be listed by nobody: take it away again.
        SetupDiRemoveDevice(set.Get(), &device);
        return false;
    }
    WriteFriendlyName(set.Get(), device, name);
    return true;
}

}  // namespace

bool AddPortsDevice(int comNumber)
{
    if (comNumber <= 0) {
        return false;
    }
    const PortsClassChange change;
    if (!change.IsHeld()) {
        return false;
    }
    if (IsPortsDevicePresent(comNumber)) {
        return true;
    }
    return CreatePortsDevice(PortName(comNumber));
}

bool RemovePortsDevice(int comNumber)
{
    if (comNumber <= 0) {
        return false;
    }
    const PortsClassChange change;
    if (!change.IsHeld()) {
        return false;
    }
    const std::wstring name = PortName(comNumber);
    // Under Wine a read of the class can miss a device while other programs read or change it, so
    // the port counts as gone only when a few reads in a row find nothing of it left.
    constexpr int CleanReads = 3;
    constexpr int MostReads = 20;
    int clean = 0;
    for (int read = 0; read < MostReads && clean < CleanReads; ++read) {
        bool found = false;
        bool removed = true;
        const bool listed =
            ForEachPortsDevice(false, [&](HDEVINFO set, SP_DEVINFO_DATA& device, const std::wstring& portName) {
                if (SameName(portName, name)) {
                    found = true;
                    removed = SetupDiRemoveDevice(set, &device) && removed;
                }
            });
        if (!listed || !removed) {
            return false;
        }
        clean = found ? 0 : clean + 1;
    }
    return clean >= CleanReads;
}

bool IsPortsDevicePresent(int comNumber)
{
    const std::wstring name = PortName(comNumber);
    bool present = false;
    ForEachPortsDevice(true, [&](HDEVINFO, SP_DEVINFO_DATA&, const std::wstring& found) {
        present = present || SameName(found, name);
    });
    return present;
}

std::vector<std::wstring> ListPortsDeviceNames()
{
    std::vector<std::wstring> names;
    ForEachPortsDevice(true, [&](HDEVINFO, SP_DEVINFO_DATA&, const std::wstring& found) {
        if (!found.empty()) {
            names.push_back(found);
        }
    });
    return names;
}

CPortDevice::CPortDevice(int comNumber) : m_comNumber(comNumber)
{
    Add();
}

CPortDevice::~CPortDevice()
{
    if (m_added) {
        RemovePortsDevice(m_comNumber);
    }
}

bool CPortDevice::Add()
{
    m_added = AddPortsDevice(m_comNumber);
    return m_added;
}

bool CPortDevice::Remove()
{
    if (!RemovePortsDevice(m_comNumber)) {
        return false;
    }
    m_added = false;
    return true;
}
