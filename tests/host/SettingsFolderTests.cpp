// The settings folder below the all-users folder, created with an inherited grant for Users, and
// the program folder in its place when that cannot be had.
#include "TempFolder.h"
#include "ErrorText.h"
#include "TarvexSettings.h"
#include "Wexlink32App.h"
#include "util/UsersGrant.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>

namespace {

bool IsDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class UsersSid {
public:
    UsersSid()
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &m_Sid);
    }
    ~UsersSid() { FreeSid(m_Sid); }
    PSID Get() const { return m_Sid; }

private:
    PSID m_Sid = nullptr;
};

struct AllowedEntry {
    ACCESS_MASK mask = 0;
    BYTE flags = 0;
};

// The access-allowed entries of a list that name the given SID.
std::vector<AllowedEntry> EntriesFor(PACL acl, PSID sid)
{
    std::vector<AllowedEntry> entries;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (GetAce(acl, i, &ace) && static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            if (EqualSid(&allowed->SidStart, sid)) {
                entries.push_back({allowed->Mask, allowed->Header.AceFlags});
            }
        }
    }
    return entries;
}

bool IsFullAccess(ACCESS_MASK mask)
{
    return (mask & GENERIC_ALL) != 0 || (mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
}

constexpr BYTE Inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// Wine keeps no access list on files: it derives one from the Unix mode bits.
bool PlatformKeepsFileAccessLists()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

const std::wstring ProgramFolder = L"C:\\program";

}  // namespace

TEST(UsersGrant, AddsInheritedFullAccessAndKeepsExistingEntries)
{
    UsersSid users;
    const LocalAcl alone = BuildAclWithUsersGrant(nullptr);
    ASSERT_TRUE(alone);
    const auto grant = EntriesFor(alone.Get(), users.Get());
    ASSERT_EQ(1u, grant.size());
    EXPECT_TRUE(IsFullAccess(grant[0].mask));
    EXPECT_EQ(Inherited, grant[0].flags & Inherited);

    // An existing list with one entry for Everyone keeps that entry beside the grant.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(DWORD) BYTE buffer[256];
    auto* existing = reinterpret_cast<PACL>(buffer);
    ASSERT_TRUE(InitializeAcl(existing, sizeof buffer, ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAce(existing, ACL_REVISION, FILE_GENERIC_READ, everyone));
    const LocalAcl combined = BuildAclWithUsersGrant(existing);
    ASSERT_TRUE(combined);
    EXPECT_EQ(1u, EntriesFor(combined.Get(), everyone).size());
    EXPECT_EQ(1u, EntriesFor(combined.Get(), users.Get()).size());
    FreeSid(everyone);
}

TEST(SharedFolder, CreatesOnlyNewFolders)
{
    TempFolder temp;
    const std::wstring folder = temp.File(L"shared");
    ASSERT_TRUE(CTarvexSettings::CreateSharedFolder(folder));
    EXPECT_TRUE(IsDirectory(folder));
    EXPECT_FALSE(CTarvexSettings::CreateSharedFolder(folder));
    EXPECT_FALSE(CTarvexSettings::CreateSharedFolder(temp.File(L"missing\\child")));
}

// Run as a test of its own, so that where it skips itself the skip shows.
TEST(SharedFolder, NewFolderGrantsUsersInheritedFullAccess)
{
    if (!PlatformKeepsFileAccessLists()) {
        GTEST_SKIP() << "this platform keeps no access list on files to read back";
    }
    TempFolder temp;
    const std::wstring folder = temp.File(L"shared");
    ASSERT_TRUE(CTarvexSettings::CreateSharedFolder(folder));
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                   nullptr, &acl, nullptr, &descriptor));
    UsersSid users;
    bool granted = false;
    for (const AllowedEntry& entry : EntriesFor(acl, users.Get())) {
        granted = granted || (IsFullAccess(entry.mask) && (entry.flags & Inherited) == Inherited);
    }
    LocalFree(descriptor);
    EXPECT_TRUE(granted);
}

TEST(SettingsFolder, CreatesBothFoldersBelowTheAllUsersFolderAndReusesThem)
{
    TempFolder temp;
    const std::wstring expected = temp.Path() + L"\\quenlar\\Wexlink32";
    EXPECT_EQ(expected, CWexlink32App::SettingsFolderBelow(temp.Path(), ProgramFolder));
    EXPECT_TRUE(IsDirectory(expected));
    EXPECT_EQ(expected, CWexlink32App::SettingsFolderBelow(temp.Path(), ProgramFolder));
}

TEST(SettingsFolder, FallsBackToTheProgramFolder)
{
    EXPECT_EQ(ProgramFolder, CWexlink32App::SettingsFolderBelow(ErrorText, ProgramFolder));

    TempFolder makerIsFile;
    WriteTextFile(makerIsFile.File(L"quenlar"), "not a folder");
    EXPECT_EQ(ProgramFolder, CWexlink32App::SettingsFolderBelow(makerIsFile.Path(), ProgramFolder));

    TempFolder programIsFile;
    ASSERT_TRUE(CreateDirectoryW(programIsFile.File(L"quenlar").c_str(), nullptr));
    WriteTextFile(programIsFile.File(L"quenlar\\Wexlink32"), "not a folder");
    EXPECT_EQ(ProgramFolder, CWexlink32App::SettingsFolderBelow(programIsFile.Path(), ProgramFolder));

    EXPECT_EQ(ProgramFolder, CWexlink32App::SettingsFolderBelow(makerIsFile.File(L"missing"), ProgramFolder));
}

TEST(SettingsFolder, LiesBelowTheAllUsersApplicationDataFolder)
{
    const std::wstring common = CTarvexSettings::GetCommonAppDataFolder();
    ASSERT_NE(std::wstring(ErrorText), common);
    CWexlink32App app;
    EXPECT_EQ(common + L"\\quenlar\\Wexlink32", app.GetSettingsFolder());
}
