#include "ProtocolControlCalls.h"

namespace {

COleVariant Flag(bool value)
{
    // The control takes its yes/no arguments as one unsigned byte.
    return COleVariant(static_cast<unsigned char>(value ? 1 : 0));
}

}  // namespace

short CProtocolControlCalls::CallMethod(DISPID id, const std::vector<COleVariant>& arguments)
{
    short answer = 0;
    m_control.InvokeHelper(id, DISPATCH_METHOD, arguments.empty() ? VT_EMPTY : VT_I2,
                           arguments.empty() ? nullptr : &answer, arguments);
    return answer;
}

void CProtocolControlCalls::PutProperty(DISPID id, const COleVariant& value)
{
    m_control.InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {value});
}

void CProtocolControlCalls::PutComport(short port)
{
    PutProperty(CWexlinkctl1::dispidComport, COleVariant(port));
}

void CProtocolControlCalls::PutBaudrate(long baudrate)
{
    PutProperty(CWexlinkctl1::dispidBaudrate, COleVariant(baudrate));
}

void CProtocolControlCalls::PutIrDADevice(long device)
{
    PutProperty(CWexlinkctl1::dispidIrDADevice, COleVariant(device));
}

short CProtocolControlCalls::StartProtocol(long protocolType, short protocolTimes)
{
    short result = 0;
    m_control.InvokeHelper(CWexlinkctl1::dispidStartProtocol, DISPATCH_METHOD, VT_I2, &result,
                           {COleVariant(protocolType), COleVariant(protocolTimes)});
    return result;
}

short CProtocolControlCalls::IsProtocolRunning()
{
    short running = 0;
    m_control.InvokeHelper(CWexlinkctl1::dispidIsProtocolRunning, DISPATCH_METHOD, VT_I2, &running);
    return running;
}

void CProtocolControlCalls::StopProtocol()
{
    m_control.InvokeHelper(CWexlinkctl1::dispidStopProtocol, DISPATCH_METHOD, VT_EMPTY, nullptr);
}

void CProtocolControlCalls::ClearProtocolOptionsList()
{
    CallMethod(CWexlinkctl1::dispidClearProtocolOptionsList);
}

short CProtocolControlCalls::AddGetTerminalOSVersion()
{
    return CallMethod(CWexlinkctl1::dispidAddGetTerminalOSVersion);
}

short CProtocolControlCalls::AddGetTerminalApplicationVersion()
{
    return CallMethod(CWexlinkctl1::dispidAddGetTerminalApplicationVersion);
}

short CProtocolControlCalls::AddGetTerminalTimeDate(long format)
{
    return CallMethod(CWexlinkctl1::dispidAddGetTerminalTimeDate, {COleVariant(format)});
}

short CProtocolControlCalls::AddSetTerminalLocalTimeDate()
{
    return CallMethod(CWexlinkctl1::dispidAddSetTerminalLocalTimeDate);
}

short CProtocolControlCalls::AddGetTerminalFileList(const std::wstring& terminalFile, short terminalDrive)
{
    return m_control.AddGetTerminalFileList(terminalFile, terminalDrive);
}

short CProtocolControlCalls::AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType,
                                                        const std::wstring& terminalFile, short terminalDrive,
                                                        bool contOnNotAvail)
{
    return CallMethod(CWexlinkctl1::dispidAddReceiveFileFromTerminal,
                      {COleVariant(pcFile), COleVariant(downType), COleVariant(terminalFile),
                       COleVariant(terminalDrive), Flag(contOnNotAvail)});
}

short CProtocolControlCalls::AddTransmitFileToTerminal(const std::wstring& pcFile, const std::wstring& terminalFile,
                                                       short terminalDrive, bool contOnNotAvail)
{
    return CallMethod(
        CWexlinkctl1::dispidAddTransmitFileToTerminal,
        {COleVariant(pcFile), COleVariant(terminalFile), COleVariant(terminalDrive), Flag(contOnNotAvail)});
}

short CProtocolControlCalls::AddDeleteTerminalFiles(const std::wstring& terminalFile, short terminalDrive)
{
    return CallMethod(CWexlinkctl1::dispidAddDeleteTerminalFiles,
                      {COleVariant(terminalFile), COleVariant(terminalDrive)});
}
