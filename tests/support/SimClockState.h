#pragma once
// The simulated terminal's clock and version texts, shared by its clock and version commands and the
// test that steers them. The clock stands still at what it was last set to, so that an answer is known
// to the byte; every clock the PC sets is kept in order.

#include "SimTypes.h"

#include <mutex>
#include <string>
#include <vector>

// A clock as the wire carries it: hours, minutes, seconds, day, month, then the year big-endian.
struct SimClock {
    uint8_t hours = 12;
    uint8_t minutes = 5;
    uint8_t seconds = 33;
    uint8_t day = 8;
    uint8_t month = 12;
    uint16_t year = 2026;

    static constexpr size_t kPayloadSize = 7;

    SimBytes ToPayload() const;
    // False when the payload is not exactly a clock.
    static bool FromPayload(const SimBytes& payload, SimClock& clock);

    bool operator==(const SimClock& other) const;
};

class CSimClockState {
public:
    void SetClock(const SimClock& clock);
    SimClock Clock() const;
    // The clocks the PC has set, oldest first.
    std::vector<SimClock> ClocksSet() const;
    // Sets the clock as the PC does, and keeps it in ClocksSet.
    void RecordSet(const SimClock& clock);

    // The version answers' payloads exactly as sent: usually a text ending in a NUL byte.
    void SetOsVersion(const SimBytes& payload);
    void SetApplicationVersion(const SimBytes& payload);
    SimBytes OsVersion() const;
    SimBytes ApplicationVersion() const;

    // A text and its terminating NUL, as a terminal sends it.
    static SimBytes VersionPayload(const std::string& text);

private:
    mutable std::mutex m_lock;
    SimClock m_clock;
    std::vector<SimClock> m_clocksSet;
    SimBytes m_osVersion = VersionPayload("2.10");
    SimBytes m_applicationVersion = VersionPayload("1.04");
};
