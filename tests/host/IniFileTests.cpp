// Reading numbers, flags and long values through the INI accessor, and its path rule.
#include "TempFolder.h"
#include "util/IniFile.h"

#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { m_Ini.SetPath(m_Temp.File(L"values.ini")); }

    // Writes the given value under [S] key=... and reads it back as a number or flag.
    unsigned int Int(const std::string& text, unsigned int defaultValue = 1)
    {
        WriteTextFile(m_Temp.File(L"values.ini"), "[S]\r\nkey=" + text + "\r\n");
        return m_Ini.GetInt(L"S", L"key", defaultValue);
    }
    int Bool(const std::string& text, int defaultValue)
    {
        WriteTextFile(m_Temp.File(L"values.ini"), "[S]\r\nkey=" + text + "\r\n");
        return m_Ini.GetBool(L"S", L"key", defaultValue);
    }

    TempFolder m_Temp;
    CIniFile m_Ini;
};

}  // namespace

TEST_F(IniFileTest, NumbersReadAsUnsignedDecimal)
{
    EXPECT_EQ(3u, Int("3x"));
    EXPECT_EQ(0u, Int("x"));
    EXPECT_EQ(1u, Int(""));
    EXPECT_EQ(4294967295u, Int("-1"));
    EXPECT_EQ(1u, Int("-4294967295"));
    EXPECT_EQ(4294967295u, Int("99999999999999999999"));
    EXPECT_EQ(4294967295u, Int("-99999999999999999999"));
    EXPECT_EQ(42u, Int("+42"));
    EXPECT_EQ(0u, Int("- 5"));
    EXPECT_EQ(115200u, Int("115200"));
    EXPECT_EQ(7u, m_Ini.GetInt(L"S", L"missing", 7));
    EXPECT_EQ(7u, m_Ini.GetInt(L"Missing", L"key", 7));
}

TEST_F(IniFileTest, FlagsReadAsWordsOrNumbers)
{
    for (const char* yes : {"yes", "True", "TRUE", "YES", "2", "-1", "99999999999"}) {
        EXPECT_EQ(1, Bool(yes, 0)) << yes;
    }
    for (const char* no : {"no", "abc", "0", "false", "truex"}) {
        EXPECT_EQ(0, Bool(no, 1)) << no;
    }
    EXPECT_EQ(1, Bool("", 1));
    EXPECT_EQ(0, Bool("", 0));
}

TEST_F(IniFileTest, LongValuesAreReadWhole)
{
    for (size_t length : {510u, 511u, 512u, 513u, 1023u, 1024u, 5000u}) {
        const std::string value(length, 'v');
        WriteTextFile(m_Temp.File(L"values.ini"), "[S]\r\nkey=" + value + "\r\nnext=1\r\n");
        EXPECT_EQ(length, m_Ini.GetString(L"S", L"key").size());
    }
}

TEST_F(IniFileTest, MissingFileAndNullNamesReadEmpty)
{
    CIniFile missing;
    missing.SetPath(m_Temp.File(L"none.ini"));
    EXPECT_EQ(L"", missing.GetString(L"S", L"key"));
    EXPECT_EQ(L"", m_Ini.GetString(nullptr, L"key"));
    EXPECT_EQ(L"", m_Ini.GetString(L"S", nullptr));
    EXPECT_TRUE(missing.GetSectionNames().empty());
}

TEST_F(IniFileTest, NewFilesKeepTextOutsideTheAnsiCodePage)
{
    CIniFile fresh;
    fresh.SetPath(m_Temp.File(L"fresh.ini"));
    const std::wstring folder = L"C:\\\x30c7\x30fc\x30bf";
    EXPECT_TRUE(fresh.WriteString(L"S", L"folder", folder.c_str()));
    EXPECT_EQ(folder, fresh.GetString(L"S", L"folder"));
    EXPECT_EQ(std::string("\xff\xfe"), ReadTextFile(m_Temp.File(L"fresh.ini")).substr(0, 2));
}

TEST_F(IniFileTest, WritesKeepOtherLinesAndNeverDeleteSections)
{
    WriteTextFile(m_Temp.File(L"values.ini"), "[S]\r\nkeep=1\r\nkey=old\r\n[T]\r\nx=2\r\n");
    EXPECT_TRUE(m_Ini.WriteString(L"S", L"key", L"new"));
    EXPECT_TRUE(m_Ini.WriteString(L"S", L"empty", nullptr));
    EXPECT_FALSE(m_Ini.WriteString(L"T", nullptr, L"v"));
    EXPECT_FALSE(m_Ini.WriteString(nullptr, L"k", L"v"));
    EXPECT_EQ(L"new", m_Ini.GetString(L"S", L"key"));
    EXPECT_EQ(L"1", m_Ini.GetString(L"S", L"keep"));
    EXPECT_EQ(L"2", m_Ini.GetString(L"T", L"x"));
    EXPECT_EQ((std::vector<std::wstring>{L"S", L"T"}), m_Ini.GetSectionNames());
}

TEST_F(IniFileTest, LongListsOfSectionNamesAreReadWhole)
{
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "[Section" + std::to_string(i) + "]\r\nk=1\r\n";
    }
    WriteTextFile(m_Temp.File(L"values.ini"), text);
    const std::vector<std::wstring> names = m_Ini.GetSectionNames();
    ASSERT_EQ(300u, names.size());
    EXPECT_EQ(L"Section0", names.front());
    EXPECT_EQ(L"Section299", names.back());
}

TEST(IniFilePath, BareFileNameIsTakenFromTheCurrentFolder)
{
    CIniFile ini;
    ini.SetPath(L"site.wxf");
    EXPECT_EQ(L".\\site.wxf", ini.GetPath());
    ini.SetPath(L"C:\\data\\site.wxf");
    EXPECT_EQ(L"C:\\data\\site.wxf", ini.GetPath());
    ini.SetPath(L"C:site.wxf");
    EXPECT_EQ(L"C:site.wxf", ini.GetPath());

    // Written and read through the current folder, not the Windows folder.
    TempFolder temp;
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));
    ini.SetPath(L"site.wxf");
    EXPECT_TRUE(ini.WriteString(L"S", L"k", L"v"));
    SetCurrentDirectoryW(previous);
    CIniFile written;
    written.SetPath(temp.File(L"site.wxf"));
    EXPECT_EQ(L"v", written.GetString(L"S", L"k"));
}
