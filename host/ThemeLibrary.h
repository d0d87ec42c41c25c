// The visual-styles functions, looked up at start-up. The library may be missing, and so may any
// of the functions: callers test the module first, then IsThemeActive, and use the rest only
// when both say yes.
#pragma once

#include <windows.h>
#include <uxtheme.h>

class CThemeLibrary {
public:
    using IsThemeActiveFunction = BOOL(WINAPI*)();
    using OpenThemeDataFunction = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseThemeDataFunction = HRESULT(WINAPI*)(HTHEME);
    using GetThemeBackgroundContentRectFunction = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPRECT);
    using DrawThemeBackgroundFunction = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPCRECT);

    CThemeLibrary();
    CThemeLibrary(const CThemeLibrary&) = delete;
    CThemeLibrary& operator=(const CThemeLibrary&) = delete;
    ~CThemeLibrary();

    HMODULE m_hModule = nullptr;
    IsThemeActiveFunction IsThemeActive = nullptr;
    OpenThemeDataFunction OpenThemeData = nullptr;
    CloseThemeDataFunction CloseThemeData = nullptr;
    GetThemeBackgroundContentRectFunction GetThemeBackgroundContentRect = nullptr;
    DrawThemeBackgroundFunction DrawThemeBackground = nullptr;
};

// Filled when the process starts.
extern CThemeLibrary ThemeLibrary;
