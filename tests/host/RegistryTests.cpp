// The registry reader on a real key of the current user: values read in by type, stores written
// through, reopening, and the on-demand modes.
#include "util/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = L"Software\\WexlinkRegistryTests-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr),
            ERROR_SUCCESS);
    }
    void TearDown() override
    {
        RegCloseKey(m_key);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }

    void PutText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ)
    {
        RegSetValueExW(m_key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void PutNumber(const wchar_t* name, DWORD number)
    {
        RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    }
    std::vector<BYTE> Stored(const wchar_t* name, DWORD& type)
    {
        std::vector<BYTE> data(8192);
        DWORD size = static_cast<DWORD>(data.size());
        type = REG_NONE;
        if (RegQueryValueExW(m_key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            return {};
        data.resize(size);
        return data;
    }

    std::wstring m_path;
    HKEY m_key = nullptr;
};

TEST_F(RegistryTest, ReadsTextNumberAndTextListValuesAndSkipsOtherTypes)
{
    PutText(L"", L"default text");
    PutText(L"Name", L"value");
    PutNumber(L"Count", 4000000000u);
    const wchar_t list[] = L"one\0two\0";
    RegSetValueExW(m_key, L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list), sizeof(list));
    const BYTE bytes[] = {1, 2, 3};
    RegSetValueExW(m_key, L"Bytes", 0, REG_BINARY, bytes, sizeof(bytes));
    PutText(L"Expand", L"%TEMP%", REG_EXPAND_SZ);

    CRegistry registry;
    ASSERT_TRUE(registry.OpenKey(m_path.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    EXPECT_EQ(registry.GetEntryCount(), 5u);
    EXPECT_EQ(registry.FindOrAddEntry(L"").GetText(), L"default text");
    EXPECT_EQ(registry.FindOrAddEntry(L"NAME").GetText(), L"value");
    EXPECT_EQ(registry.FindOrAddEntry(L"Count").GetText(), L"4000000000");
    EXPECT_EQ(registry.FindOrAddEntry(L"List").GetText(), std::wstring(L"one\0two\0", 8));
    std::wstring joined;
    registry.FindOrAddEntry(L"List").GetTextList(joined);
    EXPECT_EQ(joined, std::wstring(L"one\0two\0\0", 9));
    EXPECT_EQ(registry.FindOrAddEntry(L"Bytes").GetBinary(), std::vector<BYTE>(bytes, bytes + 3));

    // A value the key lacks (or of a type the reader skips) is a new, empty entry.
    CRegEntry& expand = registry.FindOrAddEntry(L"Expand");
    EXPECT_EQ(expand.GetType(), 0u);
    EXPECT_EQ(expand.GetText(), L"");
    EXPECT_EQ(registry.GetEntryCount(), 6u);
}

TEST_F(RegistryTest, SkipsOversizeValuesAndEndsATextStoredWithoutTerminator)
{
    PutText(L"Huge", std::wstring(1500, L'x'));
    const wchar_t bare[] = {L'a', L'b', L'c'};
    RegSetValueExW(m_key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), sizeof(bare));

    CRegistry registry;
    ASSERT_TRUE(registry.OpenKey(m_path.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    EXPECT_EQ(registry.FindOrAddEntry(L"Bare").GetText(), L"abc");
    EXPECT_EQ(registry.FindOrAddEntry(L"Huge").GetType(), 0u);
}

TEST_F(RegistryTest, StoresAreWrittenThroughWhileTheKeyIsOpen)
{
    CRegistry registry;
    ASSERT_TRUE(registry.OpenKey(m_path.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE | KEY_SET_VALUE));
    registry.FindOrAddEntry(L"Text").SetText(L"written");
    registry.FindOrAddEntry(L"Number").SetNumber(7);
    const wchar_t list[] = L"a\0bc\0";
    registry.FindOrAddEntry(L"List").SetTextList(list, 6);

    DWORD type = 0;
    std::vector<BYTE> text = Stored(L"Text", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text.size(), 8 * sizeof(wchar_t));
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(text.data()), L"written");
    std::vector<BYTE> number = Stored(L"Number", type);
    ASSERT_EQ(number.size(), 4u);
    EXPECT_EQ(number[0], 7);
    std::vector<BYTE> stored = Stored(L"List", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<const BYTE*>(list), reinterpret_cast<const BYTE*>(list) + 12), stored);
    EXPECT_EQ(registry.FindOrAddEntry(L"List").GetText(), std::wstring(L"a\0bc\0", 5));

    // Closed, the key takes no more writes; the entry still holds the value.
    registry.CloseKey();
    registry.FindOrAddEntry(L"Text").SetText(L"later");
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(Stored(L"Text", type).data()), L"written");
    EXPECT_EQ(registry.FindOrAddEntry(L"Text").GetText(), L"later");
}

TEST_F(RegistryTest, ReopeningTheSameKeyRefreshesItsEntriesAndAnotherKeyDropsThem)
{
    PutText(L"Name", L"first");
    CRegistry registry;
    ASSERT_TRUE(registry.OpenKey(m_path.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    CRegEntry& entry = registry.FindOrAddEntry(L"Name");
    registry.FindOrAddEntry(L"Absent");
    PutText(L"Name", L"second");

    std::wstring otherCase = m_path;
    for (wchar_t& c : otherCase)
        c = static_cast<wchar_t>(towupper(c));
    ASSERT_TRUE(registry.OpenKey(otherCase.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    EXPECT_EQ(registry.GetEntryCount(), 2u);
    EXPECT_EQ(&registry.FindOrAddEntry(L"name"), &entry);
    EXPECT_EQ(entry.GetText(), L"second");

    ASSERT_TRUE(registry.OpenKey(L"Software", HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    registry.CloseKey();
    EXPECT_EQ(registry.FindOrAddEntry(L"Name").GetText(), L"");

    EXPECT_FALSE(registry.OpenKey((m_path + L"\\Missing").c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    EXPECT_FALSE(registry.IsOpen());
}

TEST_F(RegistryTest, OnDemandRegistryOpensTheKeyForEachAccessAndRefreshesOnRead)
{
    CRegistry registry(CRegistry::OpenOnDemand | CRegistry::RefreshOnRead | CRegistry::CreateKeys);
    std::wstring created = m_path + L"\\Created";
    ASSERT_TRUE(registry.OpenKey(created.c_str(), HKEY_CURRENT_USER, KEY_QUERY_VALUE));
    EXPECT_FALSE(registry.IsOpen());

    registry.FindOrAddEntry(L"Number").SetNumber(12);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, created.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    DWORD number = 0;
    DWORD size = sizeof(number);
    EXPECT_EQ(RegQueryValueExW(key, L"Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(number, 12u);
    EXPECT_FALSE(registry.IsOpen());

    number = 99;
    RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
    EXPECT_EQ(registry.FindOrAddEntry(L"Number").GetText(), L"99");
    EXPECT_FALSE(registry.IsOpen());
}

}  // namespace
