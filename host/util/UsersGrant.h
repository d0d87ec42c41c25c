// The access-list entry that shares a folder with every local user: full access for the built-in
// Users group, inherited by files and sub-folders.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

using LocalAcl = CUniqueLocalMemory<ACL>;

// A new access list holding the entries of the current one (which may be null) and the grant;
// null when it cannot be built.
LocalAcl BuildAclWithUsersGrant(PACL current);
