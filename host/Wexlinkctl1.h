// The embedded protocol control. Every call goes through the control's automation interface by
// DISPID; the host never links the control's code, COM loads it through its registration.
#pragma once

#include "framework/OleControlWnd.h"

#include <string>

class CWexlinkctl1 : public COleControlWnd {
public:
    // Dispatch identifiers of the control's interface and of its events.
    enum DispatchId : DISPID {
        dispidComport = 1,
        dispidBaudrate = 2,
        dispidIrDADevice = 3,
        dispidStartProtocol = 4,
        dispidStopProtocol = 5,
        dispidIsProtocolRunning = 6,
        dispidClearProtocolOptionsList = 7,
        dispidAddGetTerminalTimeDate = 8,
        dispidAddSetTerminalLocalTimeDate = 10,
        dispidAddReceiveFileFromTerminal = 11,
        dispidAddTransmitFileToTerminal = 12,
        dispidAddGetTerminalOSVersion = 13,
        dispidAddGetTerminalApplicationVersion = 14,
        dispidAddGetTerminalFileList = 15,
        dispidAddDeleteTerminalFiles = 16,
    };
    enum EventId : DISPID { eventConnected = 1, eventProgress = 2, eventStatusInformation = 3 };

    // Creates the control where the placeholder `id` of the form sits.
    HRESULT Create(HWND form, UINT id);

    // The control's answer: 0 queued, a negative code refused; callFailed when the control could
    // not be called or gave no answer.
    short AddGetTerminalFileList(const std::wstring& queryFile, short terminalDrive);
    static constexpr short callFailed = -1;
};
