#include "util/Registry.h"

namespace {

constexpr DWORD kMaxValueNameLength = 260;
constexpr DWORD kMaxValueDataBytes = 2048;

}  // namespace

void CRegistry::CloseKey()
{
    m_key.Reset();
}

bool CRegistry::OpenKey(const wchar_t* subKey, HKEY root, REGSAM access, bool keepList)
{
    if (subKey == nullptr)
        subKey = L"";
    if (!keepList) {
        if (!m_hasSubKey || CompareStringOrdinal(m_subKey.c_str(), -1, subKey, -1, TRUE) != CSTR_EQUAL) {
            m_entries.clear();
            m_subKey = subKey;
            m_hasSubKey = true;
        }
        m_root = root;
    }
    CloseKey();

    REGSAM wanted = access;
    if ((m_flags & OpenOnDemand) != 0 && !keepList)
        wanted = KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY;
    else if ((m_flags & CreateKeys) != 0)
        wanted |= KEY_CREATE_SUB_KEY;

    LONG result = (m_flags & CreateKeys) != 0 ? RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                                wanted, nullptr, m_key.Receive(), nullptr)
                                              : RegOpenKeyExW(root, subKey, 0, wanted, m_key.Receive());
    if (result != ERROR_SUCCESS)
        return false;
    return keepList ? true : LoadValues();
}

bool CRegistry::OpenRemembered(REGSAM access)
{
    if (!m_hasSubKey || m_root == nullptr)
        return false;
    CloseKey();
    LONG result = (m_flags & CreateKeys) != 0
                      ? RegCreateKeyExW(m_root, m_subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access | KEY_CREATE_SUB_KEY, nullptr, m_key.Receive(), nullptr)
                      : RegOpenKeyExW(m_root, m_subKey.c_str(), 0, access, m_key.Receive());
    return result == ERROR_SUCCESS;
}

bool CRegistry::EnsureKeyOpen(REGSAM access)
{
    if (m_key || (m_flags & OpenOnDemand) == 0)
        return true;
    return OpenRemembered(access);
}

bool CRegistry::LoadValues()
{
    if ((m_flags & OpenOnDemand) != 0 && !EnsureKeyOpen(KEY_QUERY_VALUE))
        return false;
    if (!m_key)
        return false;
    DWORD count = 0;
    if (RegQueryInfoKeyW(m_key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        if ((m_flags & OpenOnDemand) != 0)
            CloseKey();
        return false;
    }

    const DWORD savedFlags = m_flags;
    m_flags = (m_flags | Loading) & ~OpenOnDemand;
    for (DWORD index = 0; index < count; ++index) {
        wchar_t name[kMaxValueNameLength + 1];
        DWORD nameLength = kMaxValueNameLength + 1;
        // One spare character, so that a text stored without its terminator still ends in one.
        BYTE data[kMaxValueDataBytes + sizeof(wchar_t)] = {};
        DWORD size = kMaxValueDataBytes;
        DWORD type = REG_NONE;
        if (RegEnumValueW(m_key.Get(), index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            continue;
        StoreValue(name, type, data, size);
    }
    m_flags = savedFlags;
    if ((m_flags & OpenOnDemand) != 0)
        CloseKey();
    return true;
}

void CRegistry::StoreValue(const wchar_t* name, DWORD type, const BYTE* data, DWORD size)
{
    const auto* characters = reinterpret_cast<const wchar_t*>(data);
    switch (type) {
    case REG_SZ:
        FindOrAddEntry(name).SetText(characters);
        break;
    case REG_BINARY:
        FindOrAddEntry(name).SetBinary(data, size);
        break;
    case REG_DWORD:
        if (size >= sizeof(DWORD)) {
            DWORD number = 0;
            memcpy(&number, data, sizeof(number));
            FindOrAddEntry(name).SetNumber(number);
        }
        break;
    case REG_MULTI_SZ:
        FindOrAddEntry(name).SetTextList(characters, size / sizeof(wchar_t));
        break;
    default:
        break;
    }
}

CRegEntry& CRegistry::FindOrAddEntry(const wchar_t* name)
{
    if (name == nullptr)
        name = L"";
    for (const auto& entry : m_entries) {
        if (CompareStringOrdinal(entry->GetName().c_str(), -1, name, -1, TRUE) == CSTR_EQUAL)
            return *entry;
    }
    m_entries.push_back(std::make_unique<CRegEntry>(this, name));
    return *m_entries.back();
}

void CRegistry::WriteValue(const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    const bool onDemand = (m_flags & OpenOnDemand) != 0;
    if (onDemand && !OpenRemembered(KEY_SET_VALUE))
        return;
    if (m_key)
        RegSetValueExW(m_key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (onDemand)
        CloseKey();
}

void CRegistry::RefreshBeforeRead()
{
    if ((m_flags & RefreshOnRead) == 0 || (m_flags & Loading) != 0)
        return;
    LoadValues();
}
