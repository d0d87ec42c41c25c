#pragma once
// A timer procedure that cancels the dialog or sheet it fires for, so that a test whose action left a
// modal window open ends it instead of hanging. The system calls timer procedures with its own calling
// convention, which a lambda's conversion to a function pointer does not have on 32-bit Windows.

#include <windows.h>

inline void CALLBACK CancelWindowOnTimer(HWND window, UINT, UINT_PTR, DWORD)
{
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}
