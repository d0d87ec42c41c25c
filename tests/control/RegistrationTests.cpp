// Registration of the control library in the test prefix: the registry entries its users follow,
// unregistration, per-user registration, regsvr32, and the class-object exports.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ComRef.h"
#include "ControlDll.h"
#include "UniqueHandle.h"
#include "Wexlink.h"

using namespace controltest;

namespace {

// The library loaded on its own, so that each test starts with its per-user switch off.
class LoadedDll {
public:
    LoadedDll() : m_module(LoadLibraryW(DllPath().c_str())) {}

    void Free() { m_module.Reset(); }

    bool Loaded() const { return m_module.IsValid(); }
    HMODULE Module() const { return m_module.Get(); }

    HRESULT Register() const { return Call<HRESULT(WINAPI*)()>("DllRegisterServer")(); }
    HRESULT Unregister() const { return Call<HRESULT(WINAPI*)()>("DllUnregisterServer")(); }
    HRESULT Install(BOOL install, const wchar_t* commandLine) const
    {
        return Call<HRESULT(WINAPI*)(BOOL, LPCWSTR)>("DllInstall")(install, commandLine);
    }
    HRESULT CanUnloadNow() const { return Call<HRESULT(WINAPI*)()>("DllCanUnloadNow")(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const
    {
        return Call<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, riid, object);
    }

private:
    template <typename Function>
    Function Call(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(m_module.Get(), name)));
    }

    CUniqueLibrary m_module;
};

const std::wstring kClassKey = std::wstring(L"CLSID\\") + ClsidText();
const std::wstring kUserClasses = L"Software\\Classes\\";

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

bool TypeLibRegistered()
{
    CComRef<ITypeLib> library;
    return SUCCEEDED(LoadRegTypeLib(LIBID_WexlinkLib, 1, 0, 0x409, library.Receive()));
}

std::wstring NameOf(ITypeInfo* info, MEMBERID member)
{
    BSTR name = nullptr;
    info->GetDocumentation(member, &name, nullptr, nullptr, nullptr);
    const std::wstring text = name ? name : L"";
    SysFreeString(name);
    return text;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(dll.Loaded()) << "cannot load " << std::string(DllPath().begin(), DllPath().end());
    }
    void TearDown() override
    {
        // Other test programs create the control: it stays registered machine-wide, by a fresh
        // load of the library whose per-user switch is off.
        dll.Free();
        LoadedDll fresh;
        fresh.Register();
        CoUninitialize();
    }

    LoadedDll dll;
};

}  // namespace

TEST_F(Registration, WritesTheProgIdChainClassKeyAndAppId)
{
    ASSERT_EQ(S_OK, dll.Register());

    EXPECT_EQ(L"WexlinkCtl Class", ReadString(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl"));
    EXPECT_EQ(L"Wexlink.WexlinkCtl.1", ReadString(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl\\CurVer"));
    EXPECT_EQ(ClsidText(), ReadString(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl\\CLSID"));
    EXPECT_EQ(L"WexlinkCtl Class", ReadString(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl.1"));
    EXPECT_EQ(ClsidText(), ReadString(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl.1\\CLSID"));

    wchar_t path[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(dll.Module(), path, MAX_PATH));
    EXPECT_EQ(L"WexlinkCtl Class", ReadString(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(Lower(path), Lower(ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32")));
    EXPECT_EQ(L"Apartment", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"Wexlink.WexlinkCtl.1", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\ProgID"));
    EXPECT_EQ(L"Wexlink.WexlinkCtl", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\VersionIndependentProgID"));
    EXPECT_EQ(AppIdText(), ReadString(HKEY_CLASSES_ROOT, kClassKey, L"AppID"));
    EXPECT_EQ(Lower(std::wstring(path) + L", 102"),
              Lower(ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\ToolboxBitmap32")));
    EXPECT_EQ(L"0", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\MiscStatus"));
    EXPECT_EQ(L"132497", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\MiscStatus\\1"));
    EXPECT_EQ(L"{00782AAA-3D23-49E7-85CD-7DA3CC20B60D}", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib"));
    EXPECT_EQ(L"1.0", ReadString(HKEY_CLASSES_ROOT, kClassKey + L"\\Version"));
    for (const wchar_t* flag : {L"\\Programmable", L"\\Control", L"\\Insertable"})
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + flag)) << flag;

    EXPECT_EQ(L"Wexlink", ReadString(HKEY_CLASSES_ROOT, std::wstring(L"AppID\\") + AppIdText()));
    EXPECT_EQ(AppIdText(), ReadString(HKEY_CLASSES_ROOT, L"AppID\\Wexlink.DLL", L"AppID"));
    EXPECT_TRUE(TypeLibRegistered());

    CLSID fromProgId{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"Wexlink.WexlinkCtl", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_WexlinkCtl, fromProgId));
}

TEST_F(Registration, RegisteringAgainRewritesTheClassKeyClean)
{
    ASSERT_EQ(S_OK, dll.Register());
    HKEY stray = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stray").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &stray, nullptr));
    RegCloseKey(stray);

    ASSERT_EQ(S_OK, dll.Register());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Stray"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32"));
}

TEST_F(Registration, UnregisteringRemovesTheEntriesButKeepsTheSharedRoots)
{
    ASSERT_EQ(S_OK, dll.Register());
    ASSERT_EQ(S_OK, dll.Unregister());

    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Wexlink.WexlinkCtl.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"AppID\\") + AppIdText()));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\Wexlink.DLL"));
    EXPECT_FALSE(TypeLibRegistered());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));

    // Unregistering what is not registered is no failure.
    EXPECT_EQ(S_OK, dll.Unregister());
}

TEST_F(Registration, Regsvr32RegistersAndUnregisters)
{
    const std::wstring target = L"\"" + DllPath() + L"\"";
    ASSERT_EQ(0, RunProgram(L"regsvr32.exe /s /u " + target));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));

    ASSERT_EQ(0, RunProgram(L"regsvr32.exe /s " + target));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32"));
}

TEST_F(Registration, PerUserSwitchSendsThisAndLaterRegistrationsToTheUsersClasses)
{
    ASSERT_EQ(S_OK, dll.Unregister());  // so that machine-wide keys cannot be mistaken for the user's

    ASSERT_EQ(S_OK, dll.Install(TRUE, L"USER"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kClassKey + L"\\InprocServer32"));
    EXPECT_EQ(L"Wexlink.WexlinkCtl.1", ReadString(HKEY_CURRENT_USER, kUserClasses + L"Wexlink.WexlinkCtl\\CurVer"));
    EXPECT_EQ(AppIdText(), ReadString(HKEY_CURRENT_USER, kUserClasses + L"AppID\\Wexlink.DLL", L"AppID"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + kClassKey));

    // The switch stays on: a plain registration goes to the user's classes too.
    ASSERT_EQ(S_OK, dll.Install(FALSE, nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kClassKey));
    ASSERT_EQ(S_OK, dll.Register());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kClassKey + L"\\InprocServer32"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + kClassKey));

    ASSERT_EQ(S_OK, dll.Install(FALSE, L"user"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kClassKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID"));  // NoRemove
}

TEST_F(Registration, OnlyTheWholeWordUserSwitchesToPerUser)
{
    ASSERT_EQ(S_OK, dll.Install(FALSE, L"users"));
    ASSERT_EQ(S_OK, dll.Install(TRUE, L"users"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kClassKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\InprocServer32"));
}

TEST_F(Registration, ClassObjectAndUnloadRules)
{
    IClassFactory* factory = nullptr;
    EXPECT_EQ(E_POINTER, dll.GetClassObject(CLSID_WexlinkCtl, IID_IClassFactory, nullptr));
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              dll.GetClassObject(IID_IWexlinkCtl, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(nullptr, factory);

    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_WexlinkCtl, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IClassFactory* again = nullptr;
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_WexlinkCtl, IID_IClassFactory, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(factory, again);  // one class factory, kept
    again->Release();
    // A client that holds the class object keeps the library: it will call into it again.
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());

    IUnknown* control = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&control)));
    IUnknown* outer = control;
    IUnknown* aggregated = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)));
    factory->Release();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());  // the control is alive
    control->Release();
    EXPECT_EQ(S_OK, dll.CanUnloadNow());

    // A server lock outlives the client's reference to the class object.
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_WexlinkCtl, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_WexlinkCtl, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
}

// Wexlink.h takes its enums from shared/WexlinkEnums.h, not from the type library: only this
// comparison notices the two drifting apart.
#define NAMED(member) std::pair<const std::wstring, long>(L## #member, member)

TEST_F(Registration, TheTypeLibrarysEnumsAreTheSharedHeadersEnums)
{
    using Enums = std::map<std::wstring, std::map<std::wstring, long>>;
    const Enums header = {
        {L"enumIRDADev",
         {NAMED(irdaNone), NAMED(irdaParallax), NAMED(irdaTekram), NAMED(irdaActiSys), NAMED(irdaDKV5500)}},
        {L"enumCommType", {NAMED(commContinuous), NAMED(commSuccess), NAMED(commNoAnswer)}},
        {L"enumDownType", {NAMED(downAppend), NAMED(downOverwrite), NAMED(downNewExtension), NAMED(downNewFile)}},
        {L"enumTimeDateFmt",
         {NAMED(tdFmthhmmssDDMMYYYYY), NAMED(tdFmthhmmssDDMMYY), NAMED(tdFmthhmmssMMDDYYYY), NAMED(tdFmthhmmssMMDDYY),
          NAMED(tdFmthhmmssYYYYMMDD),  NAMED(tdFmthhmmssYYMMDD), NAMED(tdFmthhmmDDMMYYYYY),  NAMED(tdFmthhmmDDMMYY),
          NAMED(tdFmthhmmMMDDYYYY),    NAMED(tdFmthhmmMMDDYY),   NAMED(tdFmthhmmYYYYMMDD),   NAMED(tdFmthhmmYYMMDD),
          NAMED(tdFmthhmmss),          NAMED(tdFmthhmm),         NAMED(tdFmtDDMMYYYYY),      NAMED(tdFmtDDMMYY),
          NAMED(tdFmtMMDDYYYY),        NAMED(tdFmtMMDDYY),       NAMED(tdFmtYYYYMMDD),       NAMED(tdFmtYYMMDD)}},
    };
    ASSERT_EQ(S_OK, dll.Register());
    CComRef<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_WexlinkLib, 1, 0, 0x409, library.Receive()));
    Enums typeLibrary;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        CComRef<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, library->GetTypeInfo(i, info.Receive()));
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
        for (WORD v = 0; attributes->typekind == TKIND_ENUM && v < attributes->cVars; ++v) {
            VARDESC* member = nullptr;
            ASSERT_EQ(S_OK, info->GetVarDesc(v, &member));
            typeLibrary[NameOf(info.Get(), MEMBERID_NIL)][NameOf(info.Get(), member->memid)] = member->lpvarValue->lVal;
            info->ReleaseVarDesc(member);
        }
        info->ReleaseTypeAttr(attributes);
    }
    EXPECT_EQ(header, typeLibrary);
}
