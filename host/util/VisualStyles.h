// The visual-styles functions that draw a themed frame, as the program found them. The library may
// be missing, and so may any of the functions: a frame draws with them only when all are there
// and the styles are active.
#pragma once

#include <windows.h>
#include <uxtheme.h>

class CVisualStyles {
public:
    using IsThemeActiveFunction = BOOL(WINAPI*)();
    using OpenThemeDataFunction = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseThemeDataFunction = HRESULT(WINAPI*)(HTHEME);
    using GetThemeBackgroundContentRectFunction = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPRECT);
    using DrawThemeBackgroundFunction = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPCRECT);

    // Whether the visual styles draw now.
    bool IsActive() const
    {
        return IsThemeActive != nullptr && OpenThemeData != nullptr && CloseThemeData != nullptr &&
               GetThemeBackgroundContentRect != nullptr && DrawThemeBackground != nullptr && IsThemeActive();
    }

    IsThemeActiveFunction IsThemeActive = nullptr;
    OpenThemeDataFunction OpenThemeData = nullptr;
    CloseThemeDataFunction CloseThemeData = nullptr;
    GetThemeBackgroundContentRectFunction GetThemeBackgroundContentRect = nullptr;
    DrawThemeBackgroundFunction DrawThemeBackground = nullptr;
};
