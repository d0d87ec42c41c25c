#include "TimeDateFmtString.h"
#include "WexlinkEnums.h"

#include <gtest/gtest.h>

namespace {

std::wstring Text(int hours, int minutes, int seconds, int day, int month, int year, std::uint32_t format)
{
    return CTimeDateFmtString(static_cast<std::int16_t>(hours), static_cast<std::int16_t>(minutes),
                              static_cast<std::int16_t>(seconds), static_cast<std::int16_t>(day),
                              static_cast<std::int16_t>(month), static_cast<std::int16_t>(year), format)
        .text;
}

TEST(ClockText, TwentyFormatsOfFiveMarch2006)
{
    const wchar_t* const expected[] = {
        L"9:07:04 5/3/2006", L"9:07:04 5/3/06", L"9:07:04 3/5/2006", L"9:07:04 3/5/06", L"9:07:04 2006/3/5",
        L"9:07:04 06/3/5",   L"9:07 5/3/2006",  L"9:07 5/3/06",      L"9:07 3/5/2006",  L"9:07 3/5/06",
        L"9:07 2006/3/5",    L"9:07 06/3/5",    L"9:07:04",          L"9:07",           L"5/3/2006",
        L"5/3/06",           L"3/5/2006",       L"3/5/06",           L"2006/3/5",       L"06/3/5",
    };
    for (std::uint32_t format = tdFmthhmmssDDMMYYYYY; format <= tdFmtYYMMDD; ++format)
        EXPECT_EQ(Text(9, 7, 4, 5, 3, 2006, format), expected[format]) << "format " << format;
}

TEST(ClockText, TwoDigitFieldsKeepTheirWidth)
{
    EXPECT_EQ(Text(12, 5, 33, 8, 12, 2026, tdFmthhmmssDDMMYYYYY), L"12:05:33 8/12/2026");
    EXPECT_EQ(Text(12, 5, 33, 8, 12, 2026, tdFmtYYMMDD), L"26/12/8");
    EXPECT_EQ(Text(0, 0, 0, 1, 1, 2000, tdFmthhmm), L"0:00");
    EXPECT_EQ(Text(23, 59, 59, 31, 12, 2000, tdFmthhmmssYYMMDD), L"23:59:59 00/12/31");
    EXPECT_EQ(Text(0, 0, 0, 2, 1, 1970, tdFmthhmmssMMDDYYYY), L"0:00:00 1/2/1970");
}

TEST(ClockText, ShowsTheNormalisedDate)
{
    EXPECT_EQ(Text(10, 0, 0, 29, 2, 2024, tdFmtDDMMYYYYY), L"29/2/2024");
    EXPECT_EQ(Text(10, 0, 0, 29, 2, 2025, tdFmtDDMMYYYYY), L"1/3/2025");
    EXPECT_EQ(Text(10, 0, 0, 29, 2, 2100, tdFmtDDMMYYYYY), L"1/3/2100");
    EXPECT_EQ(Text(10, 0, 0, 29, 2, 2000, tdFmtDDMMYYYYY), L"29/2/2000");
    EXPECT_EQ(Text(10, 0, 0, 31, 4, 2026, tdFmtDDMMYYYYY), L"1/5/2026");
    EXPECT_EQ(Text(23, 59, 59, 30, 12, 3000, tdFmtYYYYMMDD), L"3000/12/30");
}

TEST(ClockText, RefusedValuesGiveAnEmptyText)
{
    const int refused[][6] = {
        {10, 0, 0, 31, 12, 1969}, {24, 0, 0, 1, 1, 2026}, {-1, 0, 0, 1, 1, 2026}, {0, 60, 0, 1, 1, 2026},
        {0, -1, 0, 1, 1, 2026},   {0, 0, 60, 1, 1, 2026}, {0, 0, 0, 0, 1, 2026},  {0, 0, 0, 32, 1, 2026},
        {0, 0, 0, 1, 0, 2026},    {0, 0, 0, 1, 13, 2026}, {0, 0, 0, 1, 6, 3001},  {0, 0, 0, 1, 1, 32767},
    };
    for (const auto& v : refused)
        EXPECT_EQ(Text(v[0], v[1], v[2], v[3], v[4], v[5], tdFmthhmmssDDMMYYYYY), L"")
            << v[5] << "-" << v[4] << "-" << v[3] << " " << v[0] << ":" << v[1] << ":" << v[2];
}

TEST(ClockText, FormatBeyondTheTwentyGivesAnEmptyText)
{
    for (std::uint32_t format : {20u, 21u, 0xFFFFFFFFu})
        EXPECT_EQ(Text(9, 7, 4, 5, 3, 2006, format), L"") << format;
}

}  // namespace
