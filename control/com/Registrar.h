#pragma once
// Runs registration scripts: nested registry keys with default and named values, in the form
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove '%CLSID%' = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Registering creates every key and value. Unregistering deletes every key the script names,
// except NoRemove keys, which stay (their subkeys are still processed). ForceRemove keys are
// deleted with all their subkeys before they are written and when they are removed. %NAME% is
// replaced by the value given with AddReplacement; %% stands for one percent sign.
// Root keys: HKCR (or the current user's classes when per-user), HKCU, HKLM.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "UniqueHandle.h"

class CRegistrar {
public:
    void AddReplacement(const std::wstring& name, const std::wstring& value);
    void SetPerUser(bool perUser) { m_perUser = perUser; }

    HRESULT RegisterScript(const std::wstring& script);
    HRESULT UnregisterScript(const std::wstring& script);

    // Runs the REGISTRY resource `id` of `module` (8-bit text).
    HRESULT ResourceRegister(HMODULE module, UINT id, bool doRegister);

private:
    struct Entry {
        std::wstring name;
        bool isValue = false;  // "val name = ..." rather than a key
        bool noRemove = false;
        bool forceRemove = false;
        bool hasData = false;  // "= s '...'" or "= d '...'"
        wchar_t type = L's';
        std::wstring data;
        std::vector<Entry> children;
    };

    class Parser;

    HRESULT Run(const std::wstring& script, bool doRegister);
    // A root that has to be opened (the current user's classes) is left in `opened`, which closes it.
    HRESULT OpenRoot(const std::wstring& name, HKEY& root, CUniqueRegistryKey& opened) const;

    static HRESULT WriteData(HKEY key, const Entry& entry, const wchar_t* valueName);
    static HRESULT RegisterEntries(HKEY parent, const std::vector<Entry>& entries);
    static HRESULT UnregisterEntries(HKEY parent, const std::vector<Entry>& entries);

    std::map<std::wstring, std::wstring> m_replacements;
    bool m_perUser = false;
};
