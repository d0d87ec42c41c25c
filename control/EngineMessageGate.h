#pragma once
// Tells the engine's own messages from anything else that reaches the control. The hidden window
// can be found by its class and title, so any thread or process can send it the engine's message
// numbers, and one of them carries a pointer to text. The worker of the current run announces each
// message right before it delivers it and withdraws it right after; the receiving side acts on a
// message only while exactly that message (number, wParam and lParam) is announced, only once, and
// only when it comes from the announcing thread, directly or by a send. A pointer in lParam is
// therefore read only when it is the worker's own, while the worker waits for the delivery to end.

#include <windows.h>

#include "ScopedLock.h"

// The messages that carry the engine's reports to the control's hidden window. wParam and lParam as
// noted; the status text is valid only for the duration of the call.
constexpr UINT WM_WEXLINK_CONNECTED = WM_USER + 101;  // lParam: terminal ID
constexpr UINT WM_WEXLINK_PROGRESS = WM_USER + 102;   // lParam: percentage, sign-extended
constexpr UINT WM_WEXLINK_STATUS = WM_USER + 103;     // wParam: status id; lParam: const wchar_t* text

class CEngineMessageGate {
public:
    // Starts a new run and returns its cookie (never 0); every earlier cookie stops being accepted.
    ULONG OpenRun();
    // Ends the run of the cookie (a newer run stays open), and any announcement it left behind.
    void CloseRun(ULONG cookie);

    // On the worker: false, and nothing announced, when the cookie is not the current run's.
    bool Announce(ULONG cookie, UINT message, WPARAM wParam, LPARAM lParam);
    void Withdraw(ULONG cookie);

    // On the receiving side, for a message in the engine's range: true once for the announced one.
    bool Admit(UINT message, WPARAM wParam, LPARAM lParam);

    // Holds an announcement for the length of one delivery.
    class CAnnouncement {
    public:
        CAnnouncement(CEngineMessageGate& gate, ULONG cookie, UINT message, WPARAM wParam, LPARAM lParam);
        ~CAnnouncement();
        CAnnouncement(const CAnnouncement&) = delete;
        CAnnouncement& operator=(const CAnnouncement&) = delete;
        explicit operator bool() const { return m_announced; }

    private:
        CEngineMessageGate& m_gate;
        ULONG m_cookie;
        bool m_announced;
    };

private:
    bool ComesFromSender() const;

    CCriticalSection m_lock;
    ULONG m_lastCookie = 0;
    ULONG m_runCookie = 0;  // 0 while no run is open
    bool m_pending = false;
    DWORD m_senderThread = 0;
    UINT m_message = 0;
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
};
