// The four enumerations of the control's type library, as plain C++ enums for the control's own code.
// The numbers are part of the automation interface: the host stores them in its settings file and
// passes them back unchanged, so they must stay in step with the type library.
#pragma once

#include <cstdint>

// Infrared adapter between the COM port and the terminal.
enum enumIRDADev : std::int32_t { irdaNone = 0, irdaParallax = 1, irdaTekram = 2, irdaActiSys = 3, irdaDKV5500 = 4 };

// How a protocol run ends: never, after a count of successful sessions, or after a count of polls
// that no terminal answered.
enum enumCommType : std::int32_t { commContinuous = 0, commSuccess = 1, commNoAnswer = 2 };

// What happens to a received file whose PC name already exists.
enum enumDownType : std::int32_t { downAppend = 0, downOverwrite = 1, downNewExtension = 2, downNewFile = 3 };

// The twenty texts of the terminal clock: twelve time-and-date, two time-only, six date-only.
enum enumTimeDateFmt : std::int32_t {
    tdFmthhmmssDDMMYYYYY = 0,
    tdFmthhmmssDDMMYY = 1,
    tdFmthhmmssMMDDYYYY = 2,
    tdFmthhmmssMMDDYY = 3,
    tdFmthhmmssYYYYMMDD = 4,
    tdFmthhmmssYYMMDD = 5,
    tdFmthhmmDDMMYYYYY = 6,
    tdFmthhmmDDMMYY = 7,
    tdFmthhmmMMDDYYYY = 8,
    tdFmthhmmMMDDYY = 9,
    tdFmthhmmYYYYMMDD = 10,
    tdFmthhmmYYMMDD = 11,
    tdFmthhmmss = 12,
    tdFmthhmm = 13,
    tdFmtDDMMYYYYY = 14,
    tdFmtDDMMYY = 15,
    tdFmtMMDDYYYY = 16,
    tdFmtMMDDYY = 17,
    tdFmtYYYYMMDD = 18,
    tdFmtYYMMDD = 19
};
