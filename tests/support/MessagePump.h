#pragma once
// Waiting in a test thread that owns windows or an apartment: the wait keeps serving the thread's
// messages, since events, sent messages and posted closes arrive through them.

#include <windows.h>

// Serves the thread's messages until `done` holds or `timeoutMs` passes; returns `done()`.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}
