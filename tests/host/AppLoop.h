#pragma once
// The application's own message loop in tests that start the program object: run for a while with
// its idle time, and closed at the end. Both are bounded in time, so a window that keeps asking for
// work cannot hang a test.

#include "Wexlink32App.h"

#include <windows.h>

namespace hosttest {

// Runs the loop for a while; returns early once the loop has ended.
inline void PumpApp(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        if (!theApp.PumpPendingMessages())
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Closes the main window, takes the loop to its end and runs the exit step.
inline void CloseApp()
{
    if (HWND main = theApp.MainWindowHandle())
        SendMessageW(main, WM_CLOSE, 0, 0);
    PumpApp(3000);
    theApp.ExitInstance();
}

}  // namespace hosttest
