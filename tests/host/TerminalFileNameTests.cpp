// The host's terminal file-name rule and the names under which PC files are transmitted.
#include "TerminalFileName.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(TerminalFileNameRule, AcceptsEightDotFourNamesAndPatterns)
{
    for (const wchar_t* name : {L"A.TEXT", L"ABCDEFGH.TXT", L"DATA?.DAT", L"*.*", L"ABCDEFGH", L"X", L"NAME.", L".TXT"})
        EXPECT_TRUE(IsValidHostTerminalFileName(name)) << name;
}

TEST(TerminalFileNameRule, RefusesEmptyLongAndMalformedNames)
{
    for (const wchar_t* name : {L"", L"ABCDEFGHI", L"AB.CD.EF", L"ABCDEFGHI.T", L"A.TEXTS", L"ABCDEFGH.TXTX",
                                L"MY FILE", L"A<B", L"A>B", L"A:B", L"A\"B", L"A/B", L"A\\B", L"A|B"})
        EXPECT_FALSE(IsValidHostTerminalFileName(name)) << name;
}

TEST(TerminalFileNameShortening, CutsTheBaseToSixWithTildeOAndTheExtensionToThree)
{
    EXPECT_EQ(L"VERYLO~o.TXT", ShortenTerminalFileName(L"VERYLONGNAME.TXT"));
    EXPECT_EQ(L"REPORT.HTM", ShortenTerminalFileName(L"REPORT.HTML"));
    EXPECT_EQ(L"ABCDEF~o", ShortenTerminalFileName(L"ABCDEFGHIJ"));
    // Two dots: the text before the first dot and the last extension.
    EXPECT_EQ(L"ARCHIV.GZ", ShortenTerminalFileName(L"ARCHIV.TAR.GZ"));
    EXPECT_EQ(L"DATA.BAC", ShortenTerminalFileName(L"DATA.2024.BACKUP"));
    // A blank after the last dot means there is no extension to keep.
    EXPECT_EQ(L"NOTES", ShortenTerminalFileName(L"NOTES.MY FILE"));
}

TEST(TerminalFileNameShortening, TransmitNameDropsTheFolderAndKeepsAValidName)
{
    EXPECT_EQ(L"DATA.TXT", TransmitTerminalFileName(L"C:\\no such folder\\DATA.TXT"));
    EXPECT_EQ(L"somelo~o.csv", TransmitTerminalFileName(L"C:\\no such folder\\somelongname.csv"));

    // An existing file is sent under its file system short name when that is valid.
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
    std::wstring path = std::wstring(folder) + L"transmit name check.data";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    std::wstring name = TransmitTerminalFileName(path);
    DeleteFileW(path.c_str());
    EXPECT_LE(name.size(), 12u) << name;
    EXPECT_EQ(std::wstring::npos, name.find(L' ')) << name;
}
