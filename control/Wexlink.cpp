// The control library's module: its entry point and the five exports of an in-process server.
#include <windows.h>
#include <olectl.h>

#include <new>
#include <string>

#include "ComRef.h"
#include "Resource.h"
#include "ScopedLock.h"
#include "Wexlink.h"
#include "WexlinkCtl.h"
#include "com/ClassFactory.h"
#include "com/Module.h"
#include "com/ServerRegistration.h"

namespace {

const wchar_t kAppId[] = L"{38327298-36F2-459B-B6F0-37B49B12C96B}";

// Created on first use and kept for the life of the library.
CComRef<CClassFactory> g_factory;

CServerRegistration Registration()
{
    const std::wstring miscStatus = std::to_wstring(CWexlinkCtl::MiscStatus);
    return CServerRegistration({{IDR_WEXLINK, false}, {IDR_WEXLINKCTL, true}},
                               {{L"APPID", kAppId}, {L"OLEMISC", miscStatus}});
}

HRESULT RegisterServer()
{
    try {
        return Registration().Register();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterServer()
{
    try {
        return Registration().Unregister();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        TheModule().Init(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit (reserved non-null) other threads are gone and COM may be too.
        if (!reserved) {
            g_factory.Reset();
            UnregisterClassW(CWexlinkCtl::WindowClassName, instance);
        }
        g_factory.Detach();  // at process exit the module's reference is left as it is
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return TheModule().LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_WexlinkCtl))
        return CLASS_E_CLASSNOTAVAILABLE;
    CClassFactory* factory = nullptr;
    {
        CScopedLock hold(TheModule().GlobalLock());
        if (!g_factory)
            g_factory = CComRef<CClassFactory>::Adopt(new (std::nothrow) CClassFactory(CWexlinkCtl::CreateInstance));
        factory = g_factory.Get();
    }
    if (!factory)
        return E_OUTOFMEMORY;
    return factory->QueryInterface(riid, object);
}

STDAPI DllRegisterServer()
{
    return RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return UnregisterServer();
}

STDAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (commandLine && _wcsicmp(commandLine, L"user") == 0)
        TheModule().SetPerUserRegistration(true);
    if (!install)
        return UnregisterServer();
    const HRESULT hr = RegisterServer();
    if (FAILED(hr))
        UnregisterServer();
    return hr;
}
