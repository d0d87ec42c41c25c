// The PC name of a received file: parts, formats and the 24 orders.
#include "ReceiveFileName.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// 14:07:09 on 5 March 2024.
std::tm Moment()
{
    std::tm moment{};
    moment.tm_year = 2024 - 1900;
    moment.tm_mon = 2;
    moment.tm_mday = 5;
    moment.tm_hour = 14;
    moment.tm_min = 7;
    moment.tm_sec = 9;
    return moment;
}

std::wstring Name(const std::wstring& base, bool f, bool i, bool t, bool d, int fmtTime, int fmtDate, int order,
                  long termId = 1234)
{
    return BuildReceiveFileNameAt(Moment(), base, f, i, termId, t, fmtTime, d, fmtDate, order);
}

}  // namespace

TEST(ReceiveFileName, WorkedExamples)
{
    EXPECT_EQ(L"DATA.TXT", Name(L"DATA.TXT", true, false, false, false, 0, 0, 0));
    EXPECT_EQ(L"DATA123414070920240305.TXT", Name(L"DATA.TXT", true, true, true, true, 0, 4, 0));
    EXPECT_EQ(L"050314071234DATA.TXT", Name(L"DATA.TXT", true, true, true, true, 1, 11, 23));
    EXPECT_EQ(L"1234.TXT", Name(L"DATA.TXT", false, true, false, false, 0, 0, 0));
    EXPECT_EQ(L".TXT", Name(L"DATA.TXT", true, false, true, false, 2, 0, 24));
}

TEST(ReceiveFileName, BaseSplitsAtTheFirstDot)
{
    EXPECT_EQ(L"DATA.OLD.TXT", Name(L"DATA.OLD.TXT", true, false, false, false, 0, 0, 0));
    EXPECT_EQ(L"1234.OLD.TXT", Name(L"DATA.OLD.TXT", false, true, false, false, 0, 0, 0));
    EXPECT_EQ(L"DATA", Name(L"DATA", true, false, false, false, 0, 0, 0));
    EXPECT_EQ(L"", Name(L"DATA", false, false, false, false, 0, 0, 0));
    EXPECT_EQ(L"", Name(L"", true, false, false, false, 0, 0, 0));
    EXPECT_EQ(L".TXT", Name(L".TXT", true, false, false, false, 0, 0, 0));
}

TEST(ReceiveFileName, FormatsAndTheirRanges)
{
    const wchar_t* const times[] = {L"140709", L"1407", L"14"};
    for (int format = 0; format < 3; ++format) {
        EXPECT_EQ(std::wstring(times[format]) + L".TXT", Name(L"A.TXT", false, false, true, false, format, 0, 0));
    }
    const wchar_t* const dates[] = {L"05032024", L"050324", L"03052024", L"030524", L"20240305", L"240305",
                                    L"032024",   L"0324",   L"202403",   L"2403",   L"0305",     L"0503"};
    for (int format = 0; format < 12; ++format) {
        EXPECT_EQ(std::wstring(dates[format]) + L".TXT", Name(L"A.TXT", false, false, false, true, 0, format, 0));
    }
    // Formats out of range add nothing; so does an order out of range.
    EXPECT_EQ(L"A.TXT", Name(L"A.TXT", true, false, true, true, 3, 12, 0));
    EXPECT_EQ(L"A.TXT", Name(L"A.TXT", true, false, true, true, -1, -1, 0));
    EXPECT_EQ(L".TXT", Name(L"A.TXT", true, true, true, true, 0, 0, -1));
}

TEST(ReceiveFileName, TerminalIdInDecimal)
{
    EXPECT_EQ(L"0", Name(L"A", false, true, false, false, 0, 0, 0, 0));
    EXPECT_EQ(L"-5", Name(L"A", false, true, false, false, 0, 0, 0, -5));
    EXPECT_EQ(L"16777215", Name(L"A", false, true, false, false, 0, 0, 0, 16777215));
}

TEST(ReceiveFileName, EveryOrderJoinsThePartsAsListed)
{
    // With distinct one-letter-ish parts the order of each value reads straight off the result:
    // F = "F", I = "7", T = "14", D = "0503".
    const wchar_t* const orders[24] = {
        L"F7140503", L"F7050314", L"F0503714", L"F1470503", L"F1405037", L"F0503147", L"7F140503", L"7F050314",
        L"0503F714", L"14F70503", L"14F05037", L"0503F147", L"714F0503", L"70503F14", L"05037F14", L"147F0503",
        L"140503F7", L"050314F7", L"7140503F", L"7050314F", L"0503714F", L"1470503F", L"1405037F", L"0503147F",
    };
    for (int order = 0; order < 24; ++order) {
        EXPECT_EQ(std::wstring(orders[order]) + L".X", Name(L"F.X", true, true, true, true, 2, 11, order, 7))
            << "order " << order;
    }
}

TEST(ReceiveFileName, ReadsTheClock)
{
    const std::wstring name = BuildReceiveFileName(L"A.TXT", true, false, 0, true, 0, true, 4, 0);
    EXPECT_TRUE(std::regex_match(name, std::wregex(L"A[0-2][0-9][0-5][0-9][0-6][0-9]20[0-9]{6}\\.TXT")))
        << std::string(name.begin(), name.end());
}
