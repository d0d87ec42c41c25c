#include "SimPacedReceiver.h"

#include <cmath>

void CSimPacedReceiver::Arrived(const SimBytes& bytes, double now)
{
    if (!bytes.empty()) {
        m_held.push_back({m_line.Book(bytes.size(), now), bytes});
    }
}

bool CSimPacedReceiver::TakeCrossed(double now, SimBytes& out)
{
    bool took = false;
    while (!m_held.empty() && m_held.front().crossedAt <= now) {
        const SimBytes& bytes = m_held.front().bytes;
        out.insert(out.end(), bytes.begin(), bytes.end());
        m_lastCrossedAt = m_held.front().crossedAt;
        m_held.pop_front();
        took = true;
    }
    return took;
}

DWORD CSimPacedReceiver::MsUntilNext(double now, DWORD idleMs) const
{
    if (m_held.empty()) {
        return idleMs;
    }
    const double remaining = m_held.front().crossedAt - now;
    if (remaining <= 0.0) {
        return 0;
    }
    const double ms = std::ceil(remaining * 1000.0);
    return ms >= static_cast<double>(idleMs) ? idleMs : static_cast<DWORD>(ms);
}
