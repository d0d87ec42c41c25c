// The visual-styles library of the system, loaded and its functions looked up at start-up; the
// library may be missing, and so may any of the functions.
#pragma once

#include "UniqueHandle.h"
#include "util/VisualStyles.h"

#include <windows.h>

class CThemeLibrary : public CVisualStyles {
public:
    CThemeLibrary();

    CUniqueLibrary m_hModule;
};

// Filled when the process starts.
extern CThemeLibrary ThemeLibrary;
