#include "ServerRegistration.h"

#include <oleauto.h>

#include "ComRef.h"
#include "Module.h"
#include "Registrar.h"
#include "TypeInfoHolder.h"

namespace {

// The per-user type library functions are looked up at run time: older systems lack them.
using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

template <typename Function>
Function OleAutFunction(const char* name)
{
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    FARPROC found = oleaut ? GetProcAddress(oleaut, name) : nullptr;
    // Through the generic function type, the one cast between function types that is sound.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// Restores the thread locale when the registration ends.
class CThreadLocaleScope {
public:
    explicit CThreadLocaleScope(LCID locale) : m_saved(GetThreadLocale()) { SetThreadLocale(locale); }
    ~CThreadLocaleScope() { SetThreadLocale(m_saved); }
    CThreadLocaleScope(const CThreadLocaleScope&) = delete;
    CThreadLocaleScope& operator=(const CThreadLocaleScope&) = delete;

private:
    LCID m_saved;
};

}  // namespace

CServerRegistration::CServerRegistration(std::vector<Script> scripts,
                                         std::vector<std::pair<std::wstring, std::wstring>> replacements)
    : m_scripts(std::move(scripts)),
      m_replacements(std::move(replacements))
{
}

HRESULT CServerRegistration::RunScript(UINT resourceId, bool doRegister)
{
    CRegistrar registrar;
    registrar.SetPerUser(TheModule().PerUserRegistration());
    wchar_t path[MAX_PATH];
    if (!TheModule().ModuleFileName(path, MAX_PATH))
        return E_FAIL;
    registrar.AddReplacement(L"MODULE", path);
    for (const auto& replacement : m_replacements)
        registrar.AddReplacement(replacement.first, replacement.second);
    return registrar.ResourceRegister(TheModule().Instance(), resourceId, doRegister);
}

HRESULT CServerRegistration::Register()
{
    CThreadLocaleScope locale(LOCALE_SYSTEM_DEFAULT);
    const bool perUser = TheModule().PerUserRegistration();
    for (const Script& script : m_scripts) {
        HRESULT hr = S_OK;
        if (script.withTypeLib)
            hr = RegisterTypeLibrary(perUser);
        if (SUCCEEDED(hr))
            hr = RunScript(script.resourceId, true);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CServerRegistration::Unregister()
{
    CThreadLocaleScope locale(LOCALE_SYSTEM_DEFAULT);
    const bool perUser = TheModule().PerUserRegistration();
    HRESULT first = S_OK;
    for (auto it = m_scripts.rbegin(); it != m_scripts.rend(); ++it) {
        HRESULT hr = RunScript(it->resourceId, false);
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
        if (it->withTypeLib) {
            hr = UnregisterTypeLibrary(perUser);
            if (FAILED(hr) && SUCCEEDED(first))
                first = hr;
        }
    }
    return first;
}

HRESULT CServerRegistration::RegisterTypeLibrary(bool perUser)
{
    wchar_t path[MAX_PATH];
    if (!TheModule().ModuleFileName(path, MAX_PATH))
        return E_FAIL;
    CComRef<ITypeLib> library;
    HRESULT hr = CTypeInfoHolder::LoadModuleTypeLib(library.Receive());
    if (FAILED(hr))
        return hr;
    if (!perUser)
        return RegisterTypeLib(library.Get(), path, nullptr);
    auto registerForUser = OleAutFunction<RegisterForUserFn>("RegisterTypeLibForUser");
    if (!registerForUser)
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return registerForUser(library.Get(), path, nullptr);
}

HRESULT CServerRegistration::UnregisterTypeLibrary(bool perUser)
{
    CComRef<ITypeLib> library;
    HRESULT hr = CTypeInfoHolder::LoadModuleTypeLib(library.Receive());
    if (FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr))
        return hr;
    const TLIBATTR attr = *attributes;
    library->ReleaseTLibAttr(attributes);
    // A type library that is not registered (any more) is what unregistering wants.
    BSTR registeredPath = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, &registeredPath)))
        return S_OK;
    SysFreeString(registeredPath);
    if (perUser) {
        auto unregisterForUser = OleAutFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser");
        if (!unregisterForUser)
            return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        hr = unregisterForUser(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
    } else {
        hr = UnRegisterTypeLib(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
    }
    return hr;
}
