#include "TarvexSettings.h"

#include "ErrorText.h"

#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

namespace {

// Owns a handle from CreateFileW.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_Handle(handle) {}
    ~FileHandle()
    {
        if (IsValid()) {
            CloseHandle(m_Handle);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsValid() const { return m_Handle != INVALID_HANDLE_VALUE && m_Handle != nullptr; }
    HANDLE Get() const { return m_Handle; }

private:
    HANDLE m_Handle;
};

// Owns memory that the security functions hand out with LocalAlloc.
template <typename T>
class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory()
    {
        if (m_Pointer != nullptr) {
            LocalFree(m_Pointer);
        }
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    T* Get() const { return m_Pointer; }
    T** Receive() { return &m_Pointer; }

private:
    T* m_Pointer = nullptr;
};

// Owns the SID of the built-in Users group.
class UsersGroupSid {
public:
    UsersGroupSid()
    {
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0,
                                      0, 0, 0, 0, 0, &m_Sid)) {
            m_Sid = nullptr;
        }
    }
    ~UsersGroupSid()
    {
        if (m_Sid != nullptr) {
            FreeSid(m_Sid);
        }
    }
    UsersGroupSid(const UsersGroupSid&) = delete;
    UsersGroupSid& operator=(const UsersGroupSid&) = delete;
    PSID Get() const { return m_Sid; }

private:
    PSID m_Sid = nullptr;
};

// Adds an inherited full-access entry for the Users group to the folder's access list, keeping the
// entries it has. A folder whose list cannot be changed is still usable, so failures only skip.
void GrantUsersFullAccess(HANDLE folder)
{
    PACL currentAcl = nullptr;
    LocalMemory<void> descriptor;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &currentAcl,
                        nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
        currentAcl = nullptr;
    }
    UsersGroupSid users;
    if (users.Get() == nullptr) {
        return;
    }
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.pMultipleTrustee = nullptr;
    access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(users.Get());

    LocalMemory<ACL> newAcl;
    if (SetEntriesInAclW(1, &access, currentAcl, newAcl.Receive()) == ERROR_SUCCESS && newAcl.Get() != nullptr) {
        SetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, newAcl.Get(),
                        nullptr);
    }
}

}  // namespace

std::wstring CTarvexSettings::GetCommonAppDataFolder()
{
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return ErrorText;
    }
    return folder;
}

bool CTarvexSettings::CreateSharedFolder(const std::wstring& folder)
{
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        return false;
    }
    FileHandle handle(CreateFileW(folder.c_str(), READ_CONTROL | WRITE_DAC, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsValid()) {
        return false;
    }
    GrantUsersFullAccess(handle.Get());
    return true;
}
