#include "EngineEventRelay.h"

#include "SentMessageWait.h"

CEngineEventRelay::CEngineEventRelay()
{
    m_directIdle.Reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
}

ULONG CEngineEventRelay::Open(HWND window, IEngineMessageTarget* directTarget)
{
    CScopedLock hold(m_lock);
    m_route.window = window;
    m_route.target = directTarget;
    m_route.cookie = m_gate.OpenRun();
    return m_route.cookie;
}

void CEngineEventRelay::Close(ULONG cookie)
{
    m_gate.CloseRun(cookie);
}

void CEngineEventRelay::Detach()
{
    bool wait = false;
    {
        CScopedLock hold(m_lock);
        m_detached = true;
        m_gate.CloseRun(m_route.cookie);  // a message already on its way fires nothing now
        m_route = Route{};
        // A control released from inside an event on the worker cannot wait for its own delivery;
        // its handler touches nothing of the control once the event has been fired.
        wait = m_directDeliveries > 0 && m_directThread != GetCurrentThreadId();
    }
    if (wait) {
        WaitForDirectDelivery();
    }
}

void CEngineEventRelay::WaitForDirectDelivery()
{
    // The delivery ends when the client's event handler returns; until then the control is in use
    // and may not go, however long the handler takes. The handler may itself be sending to this
    // thread.
    WaitServingSentMessages(m_directIdle.Get(), INFINITE);
}

bool CEngineEventRelay::BeginDelivery(Route& route)
{
    CScopedLock hold(m_lock);
    const bool open = !m_detached && (m_route.window || m_route.target);
    if (open) {
        route = m_route;
        if (route.target) {
            ++m_directDeliveries;
            m_directThread = GetCurrentThreadId();
            ResetEvent(m_directIdle.Get());
        }
    }
    return open;
}

void CEngineEventRelay::EndDirectDelivery()
{
    CScopedLock hold(m_lock);
    if (--m_directDeliveries == 0) {
        m_directThread = 0;
        SetEvent(m_directIdle.Get());
    }
}

void CEngineEventRelay::Deliver(UINT message, WPARAM wParam, LPARAM lParam)
{
    Route route;
    if (!BeginDelivery(route)) {
        return;
    }
    {
        CEngineMessageGate::CAnnouncement announced(m_gate, route.cookie, message, wParam, lParam);
        if (announced && route.target) {
            route.target->OnEngineMessage(message, wParam, lParam);
        } else if (announced) {
            SendMessageW(route.window, message, wParam, lParam);
        }
    }
    if (route.target) {
        EndDirectDelivery();
    }
}

void CEngineEventRelay::Connected(long terminalId)
{
    Deliver(WM_WEXLINK_CONNECTED, 0, static_cast<LPARAM>(terminalId));
}

void CEngineEventRelay::Progress(std::int16_t percentage)
{
    Deliver(WM_WEXLINK_PROGRESS, 0, static_cast<LPARAM>(percentage));
}

void CEngineEventRelay::Status(int statusId, const wchar_t* message)
{
    Deliver(WM_WEXLINK_STATUS, static_cast<WPARAM>(statusId), reinterpret_cast<LPARAM>(message));
}
