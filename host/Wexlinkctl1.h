// The embedded protocol control. Every call goes through the control's automation interface by
// DISPID; the host never links the control's code, COM loads it through its registration.
#pragma once

#include "framework/OleControlWnd.h"

#include "WexlinkDispIds.h"

#include <string>

class CWexlinkctl1 : public COleControlWnd {
public:
    // Dispatch identifiers of the control's interface and of its events, as its type library has them.
    enum DispatchId : DISPID {
        dispidComport = DISPID_WEXLINK_COMPORT,
        dispidBaudrate = DISPID_WEXLINK_BAUDRATE,
        dispidIrDADevice = DISPID_WEXLINK_IRDADEVICE,
        dispidStartProtocol = DISPID_WEXLINK_STARTPROTOCOL,
        dispidStopProtocol = DISPID_WEXLINK_STOPPROTOCOL,
        dispidIsProtocolRunning = DISPID_WEXLINK_ISPROTOCOLRUNNING,
        dispidClearProtocolOptionsList = DISPID_WEXLINK_CLEARPROTOCOLOPTIONSLIST,
        dispidAddGetTerminalTimeDate = DISPID_WEXLINK_ADDGETTERMINALTIMEDATE,
        dispidAddSetTerminalLocalTimeDate = DISPID_WEXLINK_ADDSETTERMINALLOCALTIMEDATE,
        dispidAddReceiveFileFromTerminal = DISPID_WEXLINK_ADDRECEIVEFILEFROMTERMINAL,
        dispidAddTransmitFileToTerminal = DISPID_WEXLINK_ADDTRANSMITFILETOTERMINAL,
        dispidAddGetTerminalOSVersion = DISPID_WEXLINK_ADDGETTERMINALOSVERSION,
        dispidAddGetTerminalApplicationVersion = DISPID_WEXLINK_ADDGETTERMINALAPPLICATIONVERSION,
        dispidAddGetTerminalFileList = DISPID_WEXLINK_ADDGETTERMINALFILELIST,
        dispidAddDeleteTerminalFiles = DISPID_WEXLINK_ADDDELETETERMINALFILES,
    };
    enum EventId : DISPID {
        eventConnected = DISPID_WEXLINK_CONNECTED,
        eventProgress = DISPID_WEXLINK_PROGRESS,
        eventStatusInformation = DISPID_WEXLINK_STATUSINFORMATION,
    };

    // Creates the control where the placeholder `id` of the form sits.
    HRESULT Create(HWND form, UINT id);

    // The control's answer: 0 queued, a negative code refused; callFailed when the control could
    // not be called or gave no answer.
    short AddGetTerminalFileList(const std::wstring& queryFile, short terminalDrive);
    static constexpr short callFailed = -1;
};
