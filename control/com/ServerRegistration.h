#pragma once
// Registration of an in-process server: its registration scripts (REGISTRY resources) and the
// type library in its TYPELIB 1 resource, machine-wide or, after the per-user switch of the module,
// for the current user only.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class CServerRegistration {
public:
    struct Script {
        UINT resourceId;
        bool withTypeLib;  // the type library is registered together with this script
    };

    // `scripts` in registration order; unregistration runs them the other way round.
    CServerRegistration(std::vector<Script> scripts, std::vector<std::pair<std::wstring, std::wstring>> replacements);

    // Registers every script and the type library; the thread locale is the system default while
    // it runs. Returns the first failure.
    HRESULT Register();
    // Removes what the scripts wrote and unregisters the type library; keeps going after a failure
    // and returns the first one.
    HRESULT Unregister();

private:
    HRESULT RunScript(UINT resourceId, bool doRegister);
    static HRESULT RegisterTypeLibrary(bool perUser);
    static HRESULT UnregisterTypeLibrary(bool perUser);

    std::vector<Script> m_scripts;
    std::vector<std::pair<std::wstring, std::wstring>> m_replacements;
};
