// Checking and normalising a clock given as six values through the local calendar, shared by the
// set-time option and the clock text so that both accept and normalise exactly the same values.
#pragma once

#include <cstdint>
#include <ctime>

struct ClockFields {
    std::int16_t hours;
    std::int16_t minutes;
    std::int16_t seconds;
    std::int16_t day;    // 1..31
    std::int16_t month;  // 1..12
    std::int16_t year;   // full year, 1970 or later
};

// Refuses values out of range and dates the 64-bit calendar cannot hold; otherwise converts the
// values as local time and back, so that 31 April becomes 1 May. On success normalised holds the
// local broken-down time (tm_mon from 0, tm_year from 1900).
bool NormaliseLocalClock(const ClockFields& clock, std::tm& normalised);
