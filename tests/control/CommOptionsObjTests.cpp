#include "CommOptionsObj.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs a construction and returns the refusal code, or 0 when the option was built.
std::int32_t RefusalOf(const std::function<void()>& construct)
{
    try {
        construct();
    } catch (const CCommOptExcept& refusal) {
        return refusal.code;
    }
    return 0;
}

TEST(TerminalFileName, LengthStemAndExtensionLimits)
{
    for (const wchar_t* valid : {L"", L"DATA.TXT", L"ABCDEFGH", L"ABCDEFGH.TXT", L"ABCDEFG.TEXT", L"A.BCDE", L"A.",
                                 L".TXT", L"*.*", L"*.DAT", L"DAT?.*", L"ABCDEFGH.", L"\u00e9T\u00e9.TXT"})
        EXPECT_TRUE(CCommOptionsObj::IsValidTerminalFileName(valid)) << valid;
    for (const wchar_t* invalid :
         {L"ABCDEFGHI", L"ABCDEFGHI.T", L"A.BCDEF", L"ABCDEFGH.TXTX", L"A.B.X", L"AB..", L"..", L"ABCDEFGHIJKLM"})
        EXPECT_FALSE(CCommOptionsObj::IsValidTerminalFileName(invalid)) << invalid;
}

TEST(TerminalFileName, ForbiddenCharactersAnywhere)
{
    for (wchar_t forbidden : std::wstring(L"<>:\"/\\| ")) {
        for (const std::wstring& name : {std::wstring(1, forbidden) + L"A.TXT", L"A.T" + std::wstring(1, forbidden),
                                         L"AB" + std::wstring(1, forbidden) + L"C"})
            EXPECT_FALSE(CCommOptionsObj::IsValidTerminalFileName(name)) << name;
    }
}

TEST(OptionRefusals, KindOnlyAndTimeRead)
{
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(optDeleteFiles); }), 0);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(static_cast<enumOptionKind>(9)); }), OptionRefusal::BadKind);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(static_cast<enumOptionKind>(-1)); }), OptionRefusal::BadKind);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(tdFmtYYMMDD); }), 0);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(static_cast<enumTimeDateFmt>(20)); }), OptionRefusal::BadTimeDateFmt);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(static_cast<enumTimeDateFmt>(-1)); }), OptionRefusal::BadTimeDateFmt);
}

TEST(OptionRefusals, ReceiveChecksInOrder)
{
    const auto receive = [](const wchar_t* pc, int down, const wchar_t* terminal) {
        return RefusalOf([=] { CCommOptionsObj o(pc, static_cast<enumDownType>(down), terminal, 2, false); });
    };
    EXPECT_EQ(receive(L"", 0, L"A.TXT"), OptionRefusal::BadPcFile);
    EXPECT_EQ(receive(L"C:", 7, L"BAD NAME"), OptionRefusal::BadPcFile);
    EXPECT_EQ(receive(L"C:\\x", 4, L"BAD NAME"), OptionRefusal::BadDownType);
    EXPECT_EQ(receive(L"C:\\x", -1, L"A.TXT"), OptionRefusal::BadDownType);
    EXPECT_EQ(receive(L"C:\\x", 3, L"BAD NAME"), OptionRefusal::BadTerminalFile);
    EXPECT_EQ(receive(L"C:x", 3, L"A.TXT"), 0);
}

TEST(OptionRefusals, AReceiveIntoADeviceOrAnImpossibleFileNameIsRefusedAsABadPcFile)
{
    const auto receive = [](const std::wstring& pc) {
        return RefusalOf([&] { CCommOptionsObj o(pc, downOverwrite, L"A.TXT", 2, false); });
    };
    // Device names, in any case, with an extension, blanks before it, or as the whole path.
    for (const wchar_t* device : {L"NUL", L"nul", L"CON", L"AUX.DAT", L"PRN.txt", L"COM1", L"com9.log", L"LPT1",
                                  L"LPT9.X", L"NUL .TXT", L"CONIN$", L"CONOUT$"}) {
        EXPECT_EQ(OptionRefusal::BadPcFile, receive(std::wstring(L"C:\\in\\") + device)) << device;
        EXPECT_EQ(OptionRefusal::BadPcFile, receive(std::wstring(L"C:") + device)) << device;
    }
    EXPECT_EQ(OptionRefusal::BadPcFile, receive(L"\\\\.\\NUL"));
    // Names the file system cannot store as asked.
    for (const wchar_t* name :
         {L".", L"..", L"A*.TXT", L"A?.TXT", L"A.", L"A ", L"A:B", L"A|B", L"A<B", L"A>B", L"A\"B"})
        EXPECT_EQ(OptionRefusal::BadPcFile, receive(std::wstring(L"C:\\in\\") + name)) << name;
    EXPECT_EQ(OptionRefusal::BadPcFile, receive(std::wstring(L"C:\\in\\A") + L'\x01' + L".TXT"));
    EXPECT_EQ(OptionRefusal::BadPcFile, receive(L"C:\\in\\")) << "a folder is no file";
    EXPECT_EQ(OptionRefusal::BadPcFile, receive(L"C:\\in/")) << "either separator";

    // Names that only look like devices are files.
    for (const wchar_t* name : {L"NULL", L"CONSOLE.TXT", L"COM10", L"COM0", L"LPT", L"AUXDATA", L"A.NUL",
                                L"NUL_0001.DAT", L"\u00e9T\u00e9.TXT", L"A B.TXT", L".TXT"})
        EXPECT_EQ(0, receive(std::wstring(L"C:\\in\\") + name)) << name;
    EXPECT_EQ(0, receive(L"C:\\NUL\\DATA.TXT")) << "only the last part counts";

    // A transmit only reads its PC file: it is not held to the storing rule.
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(L"C:\\in\\A.", L"A.TXT", 2, false); }), 0);
}

TEST(OptionRefusals, TransmitListAndDelete)
{
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(L"ab", L"BAD NAME", 2, true); }), OptionRefusal::BadPcFile);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(L"abc", L"ABCDEFGHI", 2, true); }), OptionRefusal::BadTerminalFile);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(optGetFileList, L"A.B.C", 2); }), OptionRefusal::BadTerminalFile);
    EXPECT_EQ(RefusalOf([] { CCommOptionsObj o(optDeleteFiles, L"*.DAT", 2); }), 0);
}

TEST(OptionValues, EachConstructorStoresItsArgumentsAndDefaultsTheRest)
{
    const CCommOptionsObj working;
    EXPECT_EQ(working.kind, optGetOSVersion);
    EXPECT_EQ(working.terminalDrive, -1);

    const CCommOptionsObj receive(L"C:\\in\\A.TXT", downNewFile, L"A.TXT", 2, true);
    EXPECT_EQ(receive.kind, optReceiveFile);
    EXPECT_EQ(receive.pcFile, L"C:\\in\\A.TXT");
    EXPECT_EQ(receive.downType, downNewFile);
    EXPECT_EQ(receive.terminalFile, L"A.TXT");
    EXPECT_EQ(receive.terminalDrive, 2);
    EXPECT_TRUE(receive.contOnNotAvail);

    const CCommOptionsObj transmit(L"C:\\out\\B.TXT", L"B.TXT", 1, false);
    EXPECT_EQ(transmit.kind, optTransmitFile);
    EXPECT_EQ(transmit.downType, downAppend);
    EXPECT_EQ(transmit.terminalDrive, 1);

    const CCommOptionsObj list(optGetFileList, L"", 0);
    EXPECT_EQ(list.kind, optGetFileList);
    EXPECT_EQ(list.terminalFile, L"");
    EXPECT_FALSE(list.contOnNotAvail);

    const CCommOptionsObj remove(optDeleteFiles, L"*.DAT", 3);
    EXPECT_EQ(remove.kind, optDeleteFiles);
    EXPECT_EQ(remove.terminalFile, L"*.DAT");
    EXPECT_EQ(remove.terminalDrive, 3);

    const CCommOptionsObj readClock(tdFmtYYMMDD);
    EXPECT_EQ(readClock.kind, optGetTimeDate);
    EXPECT_EQ(readClock.timeDateFmt, tdFmtYYMMDD);

    EXPECT_EQ(CCommOptionsObj(optSetLocalTimeDate).kind, optSetLocalTimeDate);
    EXPECT_EQ(CCommOptionsObj(optGetApplicationVersion).kind, optGetApplicationVersion);
}

struct Clock {
    int hours, minutes, seconds, day, month, year;
};

Clock SetTimeOf(const CCommOptionsObj& o)
{
    return {o.hours, o.minutes, o.seconds, o.day, o.month, o.year};
}

void ExpectClock(const Clock& actual, const Clock& expected)
{
    EXPECT_EQ(actual.hours, expected.hours);
    EXPECT_EQ(actual.minutes, expected.minutes);
    EXPECT_EQ(actual.seconds, expected.seconds);
    EXPECT_EQ(actual.day, expected.day);
    EXPECT_EQ(actual.month, expected.month);
    EXPECT_EQ(actual.year, expected.year);
}

TEST(SetTimeOption, StoresTheNormalisedLocalTime)
{
    const CCommOptionsObj leapless(10, 0, 0, 29, 2, 2026);
    EXPECT_EQ(leapless.kind, optSetTimeDate);
    ExpectClock(SetTimeOf(leapless), {10, 0, 0, 1, 3, 2026});
    ExpectClock(SetTimeOf(CCommOptionsObj(23, 59, 59, 29, 2, 2024)), {23, 59, 59, 29, 2, 2024});
    ExpectClock(SetTimeOf(CCommOptionsObj(12, 30, 0, 31, 4, 2025)), {12, 30, 0, 1, 5, 2025});
    ExpectClock(SetTimeOf(CCommOptionsObj(0, 0, 0, 2, 1, 1970)), {0, 0, 0, 2, 1, 1970});
}

TEST(SetTimeOption, RefusesValuesOutOfRangeAndBeyondTheCalendar)
{
    const Clock refused[] = {
        {10, 0, 0, 31, 12, 1969}, {24, 0, 0, 1, 1, 2026}, {-1, 0, 0, 1, 1, 2026}, {0, 60, 0, 1, 1, 2026},
        {0, 0, 60, 1, 1, 2026},   {0, 0, -1, 1, 1, 2026}, {0, 0, 0, 0, 1, 2026},  {0, 0, 0, 32, 1, 2026},
        {0, 0, 0, 1, 0, 2026},    {0, 0, 0, 1, 13, 2026}, {0, 0, 0, 1, 6, 3001},  {0, 0, 0, 1, 1, 32767},
        {0, 0, 0, 1, 1, -1},
    };
    for (const Clock& c : refused) {
        EXPECT_EQ(RefusalOf([&] {
                      CCommOptionsObj o(static_cast<std::int16_t>(c.hours), static_cast<std::int16_t>(c.minutes),
                                        static_cast<std::int16_t>(c.seconds), static_cast<std::int16_t>(c.day),
                                        static_cast<std::int16_t>(c.month), static_cast<std::int16_t>(c.year));
                  }),
                  OptionRefusal::BadTimeDate)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hours << ":" << c.minutes << ":" << c.seconds;
    }
}

}  // namespace
