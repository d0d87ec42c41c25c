#include "ThemeLibrary.h"

namespace {

template <typename Function>
Function Lookup(HMODULE module, const char* name)
{
    // The entry points are looked up by name; their types are fixed by the library's interface.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

CThemeLibrary::CThemeLibrary() : m_hModule(LoadLibraryW(L"uxtheme.dll"))
{
    if (!m_hModule)
        return;
    IsThemeActive = Lookup<IsThemeActiveFunction>(m_hModule.Get(), "IsThemeActive");
    OpenThemeData = Lookup<OpenThemeDataFunction>(m_hModule.Get(), "OpenThemeData");
    CloseThemeData = Lookup<CloseThemeDataFunction>(m_hModule.Get(), "CloseThemeData");
    GetThemeBackgroundContentRect =
        Lookup<GetThemeBackgroundContentRectFunction>(m_hModule.Get(), "GetThemeBackgroundContentRect");
    DrawThemeBackground = Lookup<DrawThemeBackgroundFunction>(m_hModule.Get(), "DrawThemeBackground");
}
