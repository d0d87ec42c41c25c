// The word splitter that picks the settings file from the command line (and later splits the
// control's messages), the choice of the settings file, and the single-instance mutex name.
#include "TempFolder.h"
#include "Wexlink32App.h"
#include "util/CommandLineSplitter.h"
#include "util/InstanceChecker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Words(const wchar_t* text)
{
    CCommandLineSplitter splitter(text);
    std::vector<std::wstring> words;
    for (int i = 0; i < splitter.GetCount(); ++i)
        words.emplace_back(splitter.GetWord(i));
    return words;
}

using WordList = std::vector<std::wstring>;

}  // namespace

TEST(CommandLineSplitter, SeparatesAtWhiteSpaceAndCommas)
{
    EXPECT_EQ((WordList{L"a", L"", L"b"}), Words(L"a,,b"));
    EXPECT_EQ((WordList{L"a", L"", L"b"}), Words(L"a , b"));
    EXPECT_EQ((WordList{L"a", L"b"}), Words(L"a, b"));
    EXPECT_EQ((WordList{L"a", L"b"}), Words(L"  a \t  b"));
    EXPECT_EQ((WordList{}), Words(L""));
    EXPECT_EQ((WordList{}), Words(nullptr));
}

TEST(CommandLineSplitter, QuotedWordsKeepBlanksCommasAndTheirFinalDot)
{
    EXPECT_EQ((WordList{L"x y", L"z"}), Words(L"\"x y\",z"));
    EXPECT_EQ((WordList{
                  L"a.",
              }),
              Words(L"\"a.\""));
    // A quote followed by anything else is an ordinary character, in either kind of word.
    EXPECT_EQ((WordList{L"a\"b", L"c"}), Words(L"a\"b c"));
    EXPECT_EQ((WordList{L"x\"y z"}), Words(L"\"x\"y z"));
    // An unterminated quoted word runs to the end.
    EXPECT_EQ((WordList{L"a", L"b c"}), Words(L"a \"b c"));
}

TEST(CommandLineSplitter, UnquotedWordsLoseOneFinalDot)
{
    EXPECT_EQ((WordList{L"a", L"b"}), Words(L"a. b."));
    EXPECT_EQ((WordList{L""}), Words(L"."));
    EXPECT_EQ((WordList{L"a."}), Words(L"a.."));
}

TEST(CommandLineSplitter, TrailingBlanksAddAnEmptyWordOnlyWhenThereAreTwo)
{
    EXPECT_EQ((WordList{L"a"}), Words(L"a "));
    EXPECT_EQ((WordList{L"a", L""}), Words(L"a  "));
}

TEST(CommandLineSplitter, AMissingWordIsEmpty)
{
    CCommandLineSplitter splitter(L"one two");
    EXPECT_STREQ(L"", splitter.GetWord(2));
    EXPECT_STREQ(L"", splitter.GetWord(-1));
}

TEST(SettingsFileFromCommandLine, TakesTheOnlyArgumentWhenTheFileExists)
{
    TempFolder temp;
    const std::wstring file = temp.File(L"site.wxf");
    WriteTextFile(file, "[RS232]\r\nCOM=3\r\n");

    EXPECT_EQ(file, CWexlink32App::SettingsFileFromCommandLine((L"\"C:\\prog dir\\Wexlink32.exe\" " + file).c_str()));
    // A final dot is dropped before the file is looked for.
    EXPECT_EQ(file, CWexlink32App::SettingsFileFromCommandLine((L"prog " + file + L".").c_str()));
    // No argument, a missing file, two blanks after the argument, or a second argument: the default file.
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine(L"\"C:\\prog dir\\Wexlink32.exe\""));
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + temp.File(L"missing.wxf")).c_str()));
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + file + L"  ").c_str()));
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + file + L" x").c_str()));
    // A folder, or a file that cannot be read now, gives no settings: loading it would replace the
    // user's with defaults.
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + temp.Path()).c_str()));
    HANDLE locked = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + file).c_str()));
    CloseHandle(locked);
    // Nor does a file of another kind: it would read as all defaults just the same.
    const std::wstring binary = temp.File(L"picture.bmp");
    WriteTextFile(binary, std::string("BM\x00\x01\xff\xfe\r\n\x00", 10));
    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + binary).c_str()));
}

TEST(SettingsFileFromCommandLine, APathWithABlankMustBeQuoted)
{
    TempFolder temp;
    CreateDirectoryW(temp.File(L"with blank").c_str(), nullptr);
    const std::wstring file = temp.File(L"with blank\\site.wxf");
    WriteTextFile(file, "[RS232]\r\nCOM=3\r\n");

    EXPECT_EQ(L"", CWexlink32App::SettingsFileFromCommandLine((L"prog " + file).c_str()));
    EXPECT_EQ(file, CWexlink32App::SettingsFileFromCommandLine((L"prog \"" + file + L"\"").c_str()));
}

TEST(InstanceChecker, MutexNameIsTheGuidAHyphenAndTheDesktopName)
{
    CInstanceChecker checker;
    wchar_t name[MAX_PATH];
    ASSERT_EQ(name, checker.GetMutexName(name));
    std::wstring text(name);
    ASSERT_GT(text.size(), 39u);
    EXPECT_EQ(L'{', text[0]);
    EXPECT_EQ(L'}', text[37]);
    EXPECT_EQ(L'-', text[38]);
    EXPECT_EQ(std::wstring::npos, text.find(L'\\')) << "no namespace prefix";
    // The same name for every checker, so that a second instance finds the first one's mutex.
    wchar_t again[MAX_PATH];
    EXPECT_STREQ(name, CInstanceChecker().GetMutexName(again));

    SetLastError(0);
    EXPECT_EQ(nullptr, checker.GetMutexName(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(InstanceChecker, ASecondClaimOnTheSameDesktopIsRefused)
{
    CInstanceChecker first;
    CInstanceChecker second;
    EXPECT_TRUE(first.ClaimInstance());
    EXPECT_FALSE(second.ClaimInstance());
    EXPECT_TRUE(second.HasMutex());
}
