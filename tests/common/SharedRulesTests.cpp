// The small rules that the control and the host share.
#include "ComPortName.h"
#include "LineSettings.h"
#include "PathFolder.h"

#include <gtest/gtest.h>

TEST(ComPortName, NamesOfPortDevicesGiveTheirNumbers)
{
    auto anyCase = [](const wchar_t* name) { return ComPortNumberOf(std::wstring(name), ComPrefixCase::AnyCase); };
    EXPECT_EQ(4, anyCase(L"com4"));
    EXPECT_EQ(12, anyCase(L"COM12"));
    EXPECT_EQ(3, anyCase(L"Com3x"));
    EXPECT_EQ(2, anyCase(L"COM2:"));  // the spooler's spelling
    EXPECT_EQ(0, anyCase(L"COM"));
    EXPECT_EQ(0, anyCase(L"COM0"));
    EXPECT_EQ(0, anyCase(L"LPT1"));
    EXPECT_EQ(0, anyCase(L"CO"));
    EXPECT_EQ(0, anyCase(L"COMx1"));
    EXPECT_EQ(0, anyCase(L"COM99999999999"));
    EXPECT_EQ(0, anyCase(L"COM2147483648"));
    EXPECT_EQ(2147483647, anyCase(L"COM2147483647"));
    // Signs and blanks are no part of a port number: no port is negative.
    EXPECT_EQ(0, anyCase(L"COM-3"));
    EXPECT_EQ(0, anyCase(L"COM+3"));
    EXPECT_EQ(0, anyCase(L"COM 3"));
}

TEST(ComPortName, ExactPrefixAndLengthBoundTheReading)
{
    EXPECT_EQ(3, ComPortNumberOf(L"COM3", 4, ComPrefixCase::Exact));
    EXPECT_EQ(0, ComPortNumberOf(L"com3", 4, ComPrefixCase::Exact));
    EXPECT_EQ(0, ComPortNumberOf(L"Com3", 4, ComPrefixCase::Exact));
    // Characters past the given length are never read: a notification's name need not end.
    const wchar_t unterminated[] = {L'C', L'O', L'M', L'1', L'3'};
    EXPECT_EQ(1, ComPortNumberOf(unterminated, 4, ComPrefixCase::Exact));
    EXPECT_EQ(0, ComPortNumberOf(unterminated, 3, ComPrefixCase::Exact));
    EXPECT_EQ(0, ComPortNumberOf(nullptr, 4, ComPrefixCase::AnyCase));
}

TEST(LineSettings, TheEngineTakesTheCableRateThatNothingOffers)
{
    for (long rate : kLineBaudRates) {
        EXPECT_TRUE(IsLineBaudRate(rate)) << rate;
        EXPECT_TRUE(IsEngineBaudRate(rate)) << rate;
    }
    EXPECT_FALSE(IsLineBaudRate(1200));
    EXPECT_TRUE(IsEngineBaudRate(1200));
    for (long rate : {0L, -9600L, 600L, 14400L, 230400L}) {
        EXPECT_FALSE(IsEngineBaudRate(rate)) << rate;
    }
    EXPECT_TRUE(IsAdapterKind(0));
    EXPECT_TRUE(IsAdapterKind(4));
    EXPECT_FALSE(IsAdapterKind(5));
    EXPECT_FALSE(IsAdapterKind(static_cast<unsigned long>(-1)));
}

TEST(PathFolder, TheFolderOfAPathEndsWhereTheShellCutsIt)
{
    EXPECT_EQ(L"C:\\data", FolderOfPath(L"C:\\data\\file.txt"));
    EXPECT_EQ(L"C:\\", FolderOfPath(L"C:\\file.txt"));
    EXPECT_EQ(L"", FolderOfPath(L"file.txt"));
    EXPECT_EQ(L"C:\\data\\", FolderOfPathWithBackslash(L"C:\\data\\file.txt"));
    EXPECT_EQ(L"C:\\", FolderOfPathWithBackslash(L"C:\\file.txt"));
    EXPECT_EQ(L"", FolderOfPathWithBackslash(L"file.txt"));
    EXPECT_EQ(L"\\\\server\\share\\", FolderOfPathWithBackslash(L"\\\\server\\share\\file.txt"));
}
