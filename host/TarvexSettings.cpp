#include "TarvexSettings.h"

#include "ErrorText.h"
#include "UniqueHandle.h"
#include "util/UsersGrant.h"

#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>

namespace {

// Adds the Users grant to the folder's access list, keeping the entries it has. A folder whose
// list cannot be changed is still usable, so failures only skip.
void GrantUsersFullAccess(HANDLE folder)
{
    PACL currentAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &currentAcl, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        currentAcl = nullptr;
        descriptor = nullptr;
    }
    // The current list lives inside the descriptor, which must outlive the merge.
    const CUniqueLocalMemory<void> descriptorOwner(descriptor);
    const LocalAcl combined = BuildAclWithUsersGrant(currentAcl);
    if (combined) {
        SetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, combined.Get(), nullptr);
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
    const CUniqueFileHandle handle(CreateFileW(folder.c_str(), READ_CONTROL | WRITE_DAC, 0, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsValid()) {
        return false;
    }
    GrantUsersFullAccess(handle.Get());
    return true;
}
