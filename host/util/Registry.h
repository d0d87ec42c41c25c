// One registry key and the values read from it. The key stays open from OpenKey until the next
// OpenKey, CloseKey or the destructor, unless the registry opens it on demand for each access.
#pragma once

#include "UniqueHandle.h"
#include "util/RegEntry.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CRegistry {
public:
    // Option flags.
    static constexpr DWORD CreateKeys = 1;     // create missing keys, asking for KEY_CREATE_SUB_KEY too
    static constexpr DWORD OpenOnDemand = 2;   // open the key for each access and close it after
    static constexpr DWORD RefreshOnRead = 4;  // reading an entry re-reads all values first
    static constexpr DWORD Loading = 8;        // values are being read in: stores are not written back

    explicit CRegistry(DWORD flags = 0) : m_flags(flags) {}
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    virtual ~CRegistry() = default;

    // Opens subKey under root. Unless keepList is set, the path is remembered and all values are
    // read (the result is then that of LoadValues); opening the remembered path again, in any
    // letter case, keeps the entries and refreshes them, another path drops them.
    bool OpenKey(const wchar_t* subKey, HKEY root, REGSAM access, bool keepList = false);
    void CloseKey();
    // Reads every value of the open key into entries; false when the key could not be queried.
    bool LoadValues();
    // True when a key is open or the registry does not open on demand; otherwise opens (or creates)
    // the remembered path with the given access.
    bool EnsureKeyOpen(REGSAM access);
    // The entry of that name (compared without regard to case); a new empty one when there is none.
    CRegEntry& FindOrAddEntry(const wchar_t* name);

    DWORD GetFlags() const { return m_flags; }
    bool IsOpen() const { return m_key.IsValid(); }
    size_t GetEntryCount() const { return m_entries.size(); }

private:
    friend class CRegEntry;

    // Writes one value through to the registry, opening the key for it in on-demand mode.
    void WriteValue(const std::wstring& name, DWORD type, const void* data, DWORD size);
    // Before an entry is read: re-reads the values when the registry refreshes on read.
    void RefreshBeforeRead();
    bool OpenRemembered(REGSAM access);
    void StoreValue(const wchar_t* name, DWORD type, const BYTE* data, DWORD size);

    CUniqueRegistryKey m_key;
    DWORD m_flags;
    HKEY m_root = nullptr;
    std::wstring m_subKey;
    bool m_hasSubKey = false;
    std::vector<std::unique_ptr<CRegEntry>> m_entries;
};
