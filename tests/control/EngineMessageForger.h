#pragma once
// A thread that forges the engine's three messages to the control's hidden window, as any thread or
// process that found the window could.

#include <windows.h>

#include "MessagePump.h"
#include "WexlinkCodes.h"

// Forges the engine's three messages, sent and posted, until told to stop. The status text lies
// in this object, so a control that took it would show it; the other pointer points nowhere.
class Forger {
public:
    explicit Forger(HWND target) : m_target(target) {}
    ~Forger() { Stop(); }

    bool Start()
    {
        m_thread = CreateThread(nullptr, 0, &Forger::Run, this, 0, nullptr);
        return m_thread != nullptr;
    }
    void Stop()
    {
        if (!m_thread)
            return;
        InterlockedExchange(&m_stop, 1);
        PumpUntil([this] { return WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0; }, 10000);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    int Rounds() const { return m_rounds; }

    static constexpr wchar_t Text[] = L"Forged status.";
    static constexpr LPARAM Nowhere = 0x10;
    static constexpr long TerminalId = 0x4242;

private:
    static DWORD WINAPI Run(void* param)
    {
        auto* self = static_cast<Forger*>(param);
        while (!InterlockedCompareExchange(&self->m_stop, 0, 0)) {
            self->Round();
            Sleep(5);
        }
        return 0;
    }
    void Round()
    {
        DWORD_PTR ignored = 0;
        const auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
            SendMessageTimeoutW(m_target, message, wParam, lParam, SMTO_NORMAL, 1000, &ignored);
            PostMessageW(m_target, message, wParam, lParam);
        };
        send(WM_USER + 101, 0, TerminalId);
        send(WM_USER + 102, 0, 77);
        send(WM_USER + 103, StatusId::SessionComplete, reinterpret_cast<LPARAM>(Text));
        send(WM_USER + 103, StatusId::SessionComplete, Nowhere);
        ++m_rounds;
    }

    HWND m_target;
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    volatile int m_rounds = 0;
};
