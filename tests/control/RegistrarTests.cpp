// The registrar's script rules, run against a scratch key of the current user.
#include <windows.h>

#include <gtest/gtest.h>

#include "ControlDll.h"
#include "com/Registrar.h"

using namespace controltest;

namespace {

const wchar_t kScratch[] = L"Software\\WexlinkRegistrarTest";

class Registrar : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }

    static std::wstring Script(const std::wstring& body)
    {
        return L"HKCU { NoRemove Software { NoRemove WexlinkRegistrarTest {\n" + body + L"\n} } }";
    }
    static std::wstring Key(const std::wstring& sub) { return std::wstring(kScratch) + L"\\" + sub; }

    CRegistrar registrar;
};

}  // namespace

TEST_F(Registrar, WritesKeysValuesAndReplacements)
{
    registrar.AddReplacement(L"MODULE", L"C:\\it's\\Wexlink.dll");
    const std::wstring body = LR"(
        'Quoted {Name}' = s 'a ''quoted'' text'
        Plain.Key.1 = s '%MODULE%, 102'
        {
            val Named = s '100%% sure'
            Count = d '42'
        })";
    ASSERT_EQ(S_OK, registrar.RegisterScript(Script(body)));

    EXPECT_EQ(L"a 'quoted' text", ReadString(HKEY_CURRENT_USER, Key(L"Quoted {Name}")));
    EXPECT_EQ(L"C:\\it's\\Wexlink.dll, 102", ReadString(HKEY_CURRENT_USER, Key(L"Plain.Key.1")));
    EXPECT_EQ(L"100% sure", ReadString(HKEY_CURRENT_USER, Key(L"Plain.Key.1"), L"Named"));
    DWORD count = 0;
    DWORD size = sizeof(count);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, Key(L"Plain.Key.1\\Count").c_str(), nullptr,
                                          RRF_RT_REG_DWORD, nullptr, &count, &size));
    EXPECT_EQ(42u, count);
}

TEST_F(Registrar, BadScriptsWriteNothing)
{
    for (const wchar_t* body : {L"Key = s 'unterminated", L"Key { Sub", L"Key = x 'type'", L"val Lonely",
                                L"Key = s '%UNKNOWN%'", L"Key = s 'single % sign'"}) {
        EXPECT_TRUE(FAILED(registrar.RegisterScript(Script(body)))) << std::string(body, body + wcslen(body));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratch));
    }
}

TEST_F(Registrar, UnregisteringHonoursNoRemoveForceRemoveAndForeignSubkeys)
{
    const std::wstring body = LR"(
        NoRemove Shared { Ours = s 'x' }
        ForceRemove Owned { Child { Grandchild } }
        Plain { Listed })";
    ASSERT_EQ(S_OK, registrar.RegisterScript(Script(body)));
    HKEY foreign = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, Key(L"Plain\\NotOurs").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &foreign, nullptr));
    RegCloseKey(foreign);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, Key(L"Owned\\Extra").c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &foreign, nullptr));
    RegCloseKey(foreign);

    ASSERT_EQ(S_OK, registrar.UnregisterScript(Script(body)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"Shared")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"Shared\\Ours")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"Owned")));  // with the key it did not write
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"Plain\\Listed")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"Plain\\NotOurs")));  // someone else's stays

    // Unregistering again finds nothing to remove and is no failure.
    EXPECT_EQ(S_OK, registrar.UnregisterScript(Script(body)));
}
