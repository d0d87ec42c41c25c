#include "LocalClock.h"

#include <time.h>

namespace {

bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

bool FieldsInRange(const ClockFields& clock)
{
    return clock.year >= 1970 && InRange(clock.month, 1, 12) && InRange(clock.day, 1, 31) &&
           InRange(clock.hours, 0, 23) && InRange(clock.minutes, 0, 59) && InRange(clock.seconds, 0, 59);
}

}  // namespace

bool NormaliseLocalClock(const ClockFields& clock, std::tm& normalised)
{
    if (!FieldsInRange(clock))
        return false;

    std::tm local{};
    local.tm_sec = clock.seconds;
    local.tm_min = clock.minutes;
    local.tm_hour = clock.hours;
    local.tm_mday = clock.day;
    local.tm_mon = clock.month - 1;
    local.tm_year = clock.year - 1900;
    local.tm_isdst = -1;  // let the runtime decide whether daylight saving applies

    const __time64_t calendarTime = _mktime64(&local);
    if (calendarTime == -1)
        return false;
    return _localtime64_s(&normalised, &calendarTime) == 0;
}
