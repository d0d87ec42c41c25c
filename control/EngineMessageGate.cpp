#include "EngineMessageGate.h"

ULONG CEngineMessageGate::OpenRun()
{
    CScopedLock hold(m_lock);
    if (++m_lastCookie == 0) {
        m_lastCookie = 1;  // 0 means "no run"
    }
    m_runCookie = m_lastCookie;
    m_pending = false;
    return m_runCookie;
}

void CEngineMessageGate::CloseRun(ULONG cookie)
{
    CScopedLock hold(m_lock);
    if (cookie != 0 && cookie == m_runCookie) {
        m_runCookie = 0;
        m_pending = false;
    }
}

bool CEngineMessageGate::Announce(ULONG cookie, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScopedLock hold(m_lock);
    if (cookie == 0 || cookie != m_runCookie) {
        return false;
    }
    m_pending = true;
    m_senderThread = GetCurrentThreadId();
    m_message = message;
    m_wParam = wParam;
    m_lParam = lParam;
    return true;
}

void CEngineMessageGate::Withdraw(ULONG cookie)
{
    CScopedLock hold(m_lock);
    if (cookie == m_runCookie) {
        m_pending = false;
    }
}

// The worker delivers either by a direct call on its own thread (no client site) or by a send to
// the window's thread. A posted message, or one the window's own thread sends, is neither.
bool CEngineMessageGate::ComesFromSender() const
{
    if (GetCurrentThreadId() == m_senderThread) {
        return true;
    }
    return (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_REPLIED)) != 0;
}

bool CEngineMessageGate::Admit(UINT message, WPARAM wParam, LPARAM lParam)
{
    CScopedLock hold(m_lock);
    if (!m_pending || message != m_message || wParam != m_wParam || lParam != m_lParam || !ComesFromSender()) {
        return false;
    }
    m_pending = false;  // one delivery, one event: a copy sent alongside it fires nothing
    return true;
}

CEngineMessageGate::CAnnouncement::CAnnouncement(CEngineMessageGate& gate, ULONG cookie, UINT message, WPARAM wParam,
                                                 LPARAM lParam)
    : m_gate(gate),
      m_cookie(cookie),
      m_announced(gate.Announce(cookie, message, wParam, lParam))
{
}

CEngineMessageGate::CAnnouncement::~CAnnouncement()
{
    if (m_announced) {
        m_gate.Withdraw(m_cookie);
    }
}
