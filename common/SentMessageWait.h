// Waiting on a thread that other threads send messages to. A sender waits until its message has been
// handled, and it may be the very thread this one waits for, so the wait serves sent messages.
#pragma once

#include <windows.h>

#include <algorithm>

inline bool NotDoneYet()
{
    return false;
}

// Waits until `event` (none: null) is set or `done()` holds, for at most `milliseconds` (INFINITE:
// no limit), running the messages sent to this thread meanwhile. `done` is asked again at least
// every 50 ms, since what it looks at may change without a message.
template <typename Done = bool (*)()>
void WaitServingSentMessages(HANDLE event, DWORD milliseconds, Done done = NotDoneYet)
{
    constexpr DWORD SliceMs = 50;
    const DWORD handles = event != nullptr ? 1 : 0;
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (milliseconds != INFINITE && elapsed >= milliseconds) {
            return;
        }
        const DWORD slice = milliseconds == INFINITE ? SliceMs : std::min(milliseconds - elapsed, SliceMs);
        const DWORD wait = MsgWaitForMultipleObjects(handles, &event, FALSE, slice, QS_SENDMESSAGE);
        if (wait == WAIT_FAILED || (handles == 1 && wait == WAIT_OBJECT_0)) {
            return;
        }
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs the sent messages
    }
}
