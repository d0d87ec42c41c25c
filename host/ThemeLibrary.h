// The visual-styles library of the system, loaded and its functions looked up at start-up; the
// library may be missing, and so may any of the functions.
#pragma once

#include "util/VisualStyles.h"

#include <windows.h>

class CThemeLibrary : public CVisualStyles {
public:
    CThemeLibrary();
    CThemeLibrary(const CThemeLibrary&) = delete;
    CThemeLibrary& operator=(const CThemeLibrary&) = delete;
    ~CThemeLibrary();

    HMODULE m_hModule = nullptr;
};

// Filled when the process starts.
extern CThemeLibrary ThemeLibrary;
