// Turns an engine result code into the status id and text sent to the host, and decides whether the
// report is new. One lives in each protocol engine and is used by its worker thread only.
#pragma once

#include "StatusMessageTable.h"

#include <string>

class CBuildStatusInfo {
public:
    CBuildStatusInfo() = default;
    virtual ~CBuildStatusInfo() = default;

    // Looks the code up and fills message, statusId and changed. The text's first "%s" takes first and
    // its second "%s" takes second; with first empty the text is kept as stored, placeholders
    // included. A code without an entry gives statusId -1, "Unknown" and changed false.
    void Build(ProtocolCode code, std::wstring first = std::wstring(), std::wstring second = std::wstring());

    std::wstring message;                    // text of the last build
    StatusInfoId statusId = StatusId::None;  // id of the last build, compared by the next one
    bool changed = false;                    // the last build is a new report and must be sent
};
