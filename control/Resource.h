#pragma once
// Resource identifiers of the control library. They are fixed: other programs and the registration
// scripts refer to them by number.

#define IDS_PROJNAME 100
#define IDR_WEXLINK 101
#define IDB_WEXLINKCTL 102
#define IDR_WEXLINKCTL 103
#define IDB_DESIGNVIEW 201
