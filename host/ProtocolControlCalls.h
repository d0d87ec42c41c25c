// The calls into the embedded protocol control, each by its dispatch identifier with the argument
// types of the control's interface: the task queue for the dispatcher, the run's settings and its
// start and stop for the frame.
#pragma once

#include "TaskDispatcher.h"
#include "Wexlinkctl1.h"

#include <string>
#include <vector>

class CProtocolControlCalls : public ITaskControl {
public:
    explicit CProtocolControlCalls(CWexlinkctl1& control) : m_control(control) {}
    CProtocolControlCalls(const CProtocolControlCalls&) = delete;
    CProtocolControlCalls& operator=(const CProtocolControlCalls&) = delete;

    void PutComport(short port);
    void PutBaudrate(long baudrate);
    void PutIrDADevice(long device);
    short StartProtocol(long protocolType, short protocolTimes);
    short IsProtocolRunning();

    void ClearProtocolOptionsList() override;
    void StopProtocol() override;
    short AddGetTerminalOSVersion() override;
    short AddGetTerminalApplicationVersion() override;
    short AddGetTerminalTimeDate(long format) override;
    short AddSetTerminalLocalTimeDate() override;
    short AddGetTerminalFileList(const std::wstring& terminalFile, short terminalDrive) override;
    short AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType, const std::wstring& terminalFile,
                                     short terminalDrive, bool contOnNotAvail) override;
    short AddTransmitFileToTerminal(const std::wstring& pcFile, const std::wstring& terminalFile, short terminalDrive,
                                    bool contOnNotAvail) override;
    short AddDeleteTerminalFiles(const std::wstring& terminalFile, short terminalDrive) override;

private:
    // A method call; its answer when it takes arguments (those return one), else 0.
    short CallMethod(DISPID id, const std::vector<COleVariant>& arguments = {});
    void PutProperty(DISPID id, const COleVariant& value);

    CWexlinkctl1& m_control;
};
