// Where the framework puts a dialog or sheet that its own code left where the system made it:
// centred on its owner and wholly inside the work area of the owner's monitor, so that its title bar
// and its controls can always be reached.
#pragma once

#include <windows.h>

// The top-left corner of a window of the given size centred on `around` and then moved inside
// `workArea`; a window larger than the work area keeps its top-left corner inside it.
POINT CenteredInside(const RECT& around, SIZE size, const RECT& workArea);

// Centres a top-level window on its owner. A hidden or minimised owner, or none, gives way to the
// work area of the owner's monitor (the window's own without an owner). Child windows stay put.
void CenterWindowOnOwner(HWND window);
