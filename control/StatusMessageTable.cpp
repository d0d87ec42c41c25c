#include "StatusMessageTable.h"

// Scan order matters only for code 0, which appears twice: the first entry (status OK) wins, and
// the scan stops at the end marker before the marker's own code is compared.
const StatusMessageEntry StatusMessageTable[StatusMessageTableSize] = {
    {0, 1, L""},
    {-1, 10, L"No response from terminal."},
    {-2, 20, L"CRC error in receive frame."},
    {-3, 30, L"Wrong command response."},
    {-5, 50, L"Session/Terminal ID mismatch."},
    {-6, 60, L"Cannot transmit frame data."},
    {-7, 70, L"Terminal cannot open/create file %s."},
    {-8, 80, L"Error reading from file %s."},
    {-9, 90, L"Error writing to file %s."},
    {-10, 100, L"Error wrong block."},
    {-11, 110, L"File size mismatch."},
    {-13, 120, L"Requested terminal file %s is not available."},
    {-14, 130, L"Not succeeded after retries."},
    {-15, 140, L"Received frame exceeds max frame size."},
    {-16, 150, L"The PC folder %s does not exist."},
    {-17, 160, L"Cannot open/create PC file %s."},
    {-18, 170, L"PC file %s is not available."},
    {-30, 180, L"User aborted the protocol."},
    {-19, 190, L"Cannot open port %s."},
    {-20, 200, L"No more file extension available."},
    {-21, 210, L"No more free filenames available."},
    {-22, 220, L"Terminal file and PC file have different file size."},
    {-23, 230, L"Function not supported until Wexlink protocol version %s."},
    {-24, 240, L"Port %s not available."},
    {-100, 1000, L"Aborted after %s times successful communication."},
    {-101, 1010, L"Aborted after %s times no answer from terminal."},
    {-102, 1020, L"Receive time and date from terminal."},
    {-103, 1030, L""},
    {-104, 1040, L"Set new time and date."},
    {-105, 1050, L"Set new time and date successfull."},
    {-106, 1060, L"Set local pc time in terminal."},
    {-107, 1070, L"Set local pc time in terminal successful."},
    {-108, 1080, L"Receive file %s from terminal."},
    {-109, 1090, L"Received file %s stored as %s."},
    {-110, 1100, L"Continue session when file not available."},
    {-111, 1110, L"Transmit file %s to terminal."},
    {-112, 1120, L"File %s stored in terminal as %s."},
    {-113, 1130, L"Get terminal OS version."},
    {-114, 1140, L"OS version: %s."},
    {-115, 1150, L"Get terminal application version."},
    {-116, 1160, L"Application version: %s."},
    {-117, 1170, L"List file(s) %s."},
    {-118, 1180, L"Total file(s) found is %s."},
    {-119, 1190, L"%s, %s bytes."},
    {-120, 1200, L"File listing complete."},
    {-121, 1210, L"Communication session complete."},
    {-126, 1220, L"Terminal Wexlink protocol version %s"},
    {-122, 1300, L"Delete file(s) %s."},
    {-123, 1310, L"Deleting %s file(s)."},
    {-124, 1320, L"%s deleted."},
    {-125, 1330, L"Deleting file(s) complete."},
    {-127, 1400, L"Resuming Wexlink operation."},
    {0, -1, L""}, // end marker
};

const StatusMessageEntry* FindStatusMessage(ProtocolCode code)
{
    for (const StatusMessageEntry& entry : StatusMessageTable) {
        if (entry.statusInfoId == -1)
            return nullptr;
        if (entry.protocolCode == code)
            return &entry;
    }
    return nullptr;
}
