#include "UsersGrant.h"

#include <aclapi.h>

namespace {

// Owns the SID of the built-in Users group.
class UsersGroupSid {
public:
    UsersGroupSid()
    {
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0,
                                      0, 0, &m_Sid)) {
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

}  // namespace

LocalAcl BuildAclWithUsersGrant(PACL current)
{
    UsersGroupSid users;
    if (users.Get() == nullptr) {
        return LocalAcl();
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

    PACL combined = nullptr;
    if (SetEntriesInAclW(1, &access, current, &combined) != ERROR_SUCCESS) {
        return LocalAcl();
    }
    return LocalAcl(combined);
}
