// The terminal clock as text in one of the twenty enumTimeDateFmt formats. The values are checked and
// normalised through the local calendar (31 April shows as 1 May); anything refused, and a format
// above 19, gives an empty text instead of an error.
#pragma once

#include <cstdint>
#include <string>

class CTimeDateFmtString {
public:
    CTimeDateFmtString(std::int16_t hours, std::int16_t minutes, std::int16_t seconds, std::int16_t day,
                       std::int16_t month, std::int16_t year, std::uint32_t format);
    virtual ~CTimeDateFmtString() = default;

    std::wstring text;
};
