// The control's status vocabulary: every engine result code, the status id the host receives for it
// in the StatusInformation event, and its English text. The host takes the arguments out of these
// texts by matching them (word positions are its fall-back), so the texts are an interface,
// misspellings included.
#pragma once

#include "WexlinkCodes.h"

#include <cstddef>

struct StatusMessageEntry {
    ProtocolCode protocolCode;
    StatusInfoId statusInfoId;
    const wchar_t* text;  // "%s" marks where an argument goes; never null
};

// 52 entries and the end marker (statusInfoId -1), in scan order.
constexpr std::size_t StatusMessageTableSize = 53;
extern const StatusMessageEntry StatusMessageTable[StatusMessageTableSize];

// The entry of a code, scanning from the top up to the end marker; nullptr when the code has none.
const StatusMessageEntry* FindStatusMessage(ProtocolCode code);
