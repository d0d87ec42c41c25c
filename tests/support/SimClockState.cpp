#include "SimClockState.h"

SimBytes SimClock::ToPayload() const
{
    return {hours, minutes, seconds, day, month, static_cast<uint8_t>(year >> 8), static_cast<uint8_t>(year)};
}

bool SimClock::FromPayload(const SimBytes& payload, SimClock& clock)
{
    if (payload.size() != kPayloadSize) {
        return false;
    }
    clock.hours = payload[0];
    clock.minutes = payload[1];
    clock.seconds = payload[2];
    clock.day = payload[3];
    clock.month = payload[4];
    clock.year = static_cast<uint16_t>((payload[5] << 8) | payload[6]);
    return true;
}

bool SimClock::operator==(const SimClock& other) const
{
    return ToPayload() == other.ToPayload();
}

void CSimClockState::SetClock(const SimClock& clock)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_clock = clock;
}

SimClock CSimClockState::Clock() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_clock;
}

std::vector<SimClock> CSimClockState::ClocksSet() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_clocksSet;
}

void CSimClockState::RecordSet(const SimClock& clock)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_clock = clock;
    m_clocksSet.push_back(clock);
}

void CSimClockState::SetOsVersion(const SimBytes& payload)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_osVersion = payload;
}

void CSimClockState::SetApplicationVersion(const SimBytes& payload)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_applicationVersion = payload;
}

SimBytes CSimClockState::OsVersion() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_osVersion;
}

SimBytes CSimClockState::ApplicationVersion() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_applicationVersion;
}

SimBytes CSimClockState::VersionPayload(const std::string& text)
{
    SimBytes payload(text.begin(), text.end());
    payload.push_back(0);
    return payload;
}
