// The session driver: finds and opens the port, waits for a lost port, polls for terminals, runs the
// queued options against each one, and reports status, progress and connection to its sink.
#include "WexlinkProtocol.h"

#include "EnumSerialPorts.h"
#include "LineSettings.h"
#include "PathFolder.h"
#include "ScopedLock.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

namespace {

bool IsEventSet(HANDLE event)
{
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// True when the thread's code page carries every character of the terminal name or pattern as
// itself. A character it lacks would go out as '?', or by best fit as another character such as
// '*', which the terminal reads as a wildcard or another name: a deletion could remove files that
// were never named.
bool FitsTerminalText(const std::wstring& text)
{
    if (text.empty()) {
        return true;
    }
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr,
                            &usedDefault) > 0) {
        return !usedDefault;
    }
    // A code page such as UTF-8 takes neither the flag nor the question, and carries every character.
    return GetLastError() == ERROR_INVALID_PARAMETER &&
           WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr) > 0;
}

bool SendsTerminalName(enumOptionKind kind)
{
    return kind == optReceiveFile || kind == optTransmitFile || kind == optGetFileList || kind == optDeleteFiles;
}

}  // namespace

// One row per enumOptionKind, in the order of its values: the report before the routine, the
// routine, the report after it succeeded. optSetLocalTimeDate gets the option with its clock fields
// set to the PC's local time.
const CWexlinkProtocol::OptionStep CWexlinkProtocol::s_optionSteps[] =
    {
        {ProtocolReport::GetTimeDate,
         [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) { return e.GetTimeDate(id, o.timeDateFmt); },
         0},  // optGetTimeDate: the routine reports the time itself
        {ProtocolReport::SetTimeDate,
         [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.SetTimeDate(id, o.hours, o.minutes, o.seconds, o.day, o.month, o.year);
         },
         ProtocolReport::SetTimeDateDone},  // optSetTimeDate
        {ProtocolReport::SetLocalTimeDate,
         [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.SetTimeDate(id, o.hours, o.minutes, o.seconds, o.day, o.month, o.year);
         },
         // optSetLocalTimeDate: the driver has put the PC's clock into the option
         ProtocolReport::SetLocalTimeDateDone},
                                   {0,  // optReceiveFile
                                    [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.ReceiveFile(id, o.pcFile, o.downType, ToTerminalText(o.terminalFile), o.terminalDrive);
                                    },
                                    0},
    {0,  // optTransmitFile
     [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.TransmitFile(id, o.pcFile, ToTerminalText(o.terminalFile), o.terminalDrive);
     },
     0},
    {ProtocolReport::GetOsVersion,
     [](CWexlinkProtocol& e, long id, const CCommOptionsObj&) { return e.GetOsVersion(id); }, 0},  // optGetOSVersion
    {ProtocolReport::GetApplicationVersion,
     [](CWexlinkProtocol& e, long id, const CCommOptionsObj&) { return e.GetApplicationVersion(id); },
     0},  // optGetApplicationVersion
    {0,   // optGetFileList
     [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.ListFiles(id, ToTerminalText(o.terminalFile), o.terminalDrive);
     },
     0},
    {0,  // optDeleteFiles: the driver refuses it below protocol version 1.01
     [](CWexlinkProtocol& e, long id, const CCommOptionsObj& o) {
    return e.DeleteFiles(id, ToTerminalText(o.terminalFile), o.terminalDrive);
     },
     0},
    };

CWexlinkProtocol::CWexlinkProtocol()
{
    m_sendFrame[0] = 0;
    m_receiveFrame[0] = 0;
    m_blockData[0] = 0;
    m_nextFrame[0] = 0;
}

CWexlinkProtocol::CWexlinkProtocol(CSerialPlatform& platform) : m_serial(platform)
{
    m_sendFrame[0] = 0;
    m_receiveFrame[0] = 0;
    m_blockData[0] = 0;
    m_nextFrame[0] = 0;
}

CWexlinkProtocol::~CWexlinkProtocol() = default;

int CWexlinkProtocol::RunWorker(const CWexlinkWorkerSetup& setup)
{
    try {
        CWexlinkProtocol engine;
        engine.SetComPort(setup.comPort);
        engine.SetBaudRate(setup.baudRate);
        engine.SetIrdaDevice(setup.irdaDevice);
        engine.SetStopEvent(setup.stopEvent);
        engine.SetCriticalSection(setup.optionLock);
        engine.SetOptionsList(setup.optionQueue);
        engine.SetListEvent(setup.listEvent);
        engine.SetSink(setup.sink);
        engine.SetTimings(setup.timings);
        return engine.RunSession(setup.commType, setup.timesCount);
    } catch (...) {
        // Out of memory while copying an option or a text: the run ends, and the port is closed
        // with the engine, rather than taking the whole process down from a worker thread.
        return 1;
    }
}

void CWexlinkProtocol::SetComPort(int port)
{
    m_comPort = port;
}

void CWexlinkProtocol::SetTimings(const CProtocolTimings& timings)
{
    m_timings = timings;
}

void CWexlinkProtocol::SetBaudRate(long rate)
{
    if (IsEngineBaudRate(rate)) {
        m_baudRate = rate;
    }
}

void CWexlinkProtocol::SetIrdaDevice(enumIRDADev device)
{
    if (IsAdapterKind(static_cast<unsigned long>(device))) {
        m_irdaDevice = device;
    }
}

void CWexlinkProtocol::SetStopEvent(HANDLE stopEvent)
{
    if (stopEvent) {
        m_stopEvent = stopEvent;
    }
}

void CWexlinkProtocol::SetCriticalSection(CRITICAL_SECTION* optionLock)
{
    m_optionLock = optionLock;
}

void CWexlinkProtocol::SetOptionsList(CCommOptionsList* optionQueue)
{
    m_optionQueue = optionQueue;
}

void CWexlinkProtocol::SetListEvent(HANDLE listEvent)
{
    m_listEvent = listEvent;
}

void CWexlinkProtocol::SetSink(IEngineSink* sink)
{
    m_sink = sink;
}

void CWexlinkProtocol::ReportStatus(ProtocolCode code, std::wstring first, std::wstring second)
{
    m_statusBuilder.Build(code, std::move(first), std::move(second));
    if (!m_statusBuilder.changed) {
        return;
    }
    if (!m_sink) {
        return;
    }
    // The sink may call back into whoever runs the engine, which must not see the builder change
    // under it.
    const std::wstring message = m_statusBuilder.message;
    m_sink->Status(m_statusBuilder.statusId, message.c_str());
}

void CWexlinkProtocol::SendProgress(std::int16_t percentage)
{
    if (m_sink) {
        m_sink->Progress(percentage);
    }
}

bool CWexlinkProtocol::IsStopSet() const
{
    return IsEventSet(m_stopEvent);
}

bool CWexlinkProtocol::WaitForStop(DWORD ms) const
{
    if (!m_stopEvent) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(m_stopEvent, ms) == WAIT_OBJECT_0;
}

std::wstring CWexlinkProtocol::PortText() const
{
    return L"COM" + std::to_wstring(m_comPort);
}

bool CWexlinkProtocol::IsConfiguredPortListed() const
{
    // A device list read while another device of the class is added or removed can miss an entry
    // that is there all along (seen under Wine, where the listing walks registry keys that shift
    // under it, about once in a hundred reads). A port not found is looked for again before it
    // counts as gone; a port that really is gone costs a few more reads of the list.
    constexpr int Looks = 3;
    std::vector<int> ports;
    for (int look = 0; look < Looks; ++look) {
        EnumSerialPorts(ports);
        if (std::find(ports.begin(), ports.end(), m_comPort) != ports.end()) {
            return true;
        }
    }
    return false;
}

bool CWexlinkProtocol::OpenConfiguredPort()
{
    if (TryOpenLine()) {
        return true;
    }
    ReportOpenFailure();
    return false;
}

// Opening leaves the port at 19200 baud with the adapter set for that rate; the line is only of use
// at the configured rate and framing. A port whose adapter cannot be told that rate cannot carry a
// frame to the terminal, so it counts as a port that did not open, and is closed again.
bool CWexlinkProtocol::TryOpenLine()
{
    if (!m_serial.OpenPort(m_comPort, true)) {
        return false;
    }
    if (SetUpLine()) {
        return true;
    }
    m_serial.Close();
    return false;
}

// A stop ends an open under way (the adapter's control byte is cut short); the stop is what the user
// asked for, and the only thing reported.
void CWexlinkProtocol::ReportOpenFailure()
{
    if (IsStopSet()) {
        ReportStatus(ProtocolResult::UserAborted, std::wstring(), std::wstring());
    } else {
        ReportStatus(ProtocolResult::CannotOpenPort, PortText(), std::wstring());
    }
}

bool CWexlinkProtocol::SetUpLine()
{
    m_serial.SetBaudRate(static_cast<DWORD>(m_baudRate));
    // The adapter's sequence for the configured rate: the one result that decides whether the line
    // can reach the terminal at all.
    const bool adapterTold = m_serial.SetAdapterType(m_irdaDevice);
    m_serial.SetByteSize(8);
    m_serial.SetParity(NOPARITY);
    m_serial.SetStopBits(ONESTOPBIT);
    m_serial.SetTimeouts(m_timings.readIntervalMs, 0, 0, 0, 0);
    m_serial.SetIoTimeout(m_timings.ioTimeoutMs);
    m_serial.SetAbortEvent(m_stopEvent);
    m_serial.Purge();
    return adapterTold && m_serial.IsOpen();
}

// After a failed connect or session: whether the line has gone. The serial port closes itself when
// a transfer fails on the line; a refused write on a port that is no longer listed tells the same.
bool CWexlinkProtocol::IsLineLost(long result) const
{
    return !m_serial.IsOpen() || (result == ProtocolResult::CannotTransmit && !IsConfiguredPortListed());
}

// The port is closed (or was never open) and is opened again with the full line set-up once it can
// be, looked at in the pace of the port re-check. A port missing from the port list has gone away as
// far as the user is concerned: it is reported, waited for as long as it takes, and its return is
// announced, as is the return of a port refused with access denied. After any other line failure,
// which was reported as the transfer it failed, the port is reopened quietly.
//
// A port that is listed but refuses to open may only be a moment from ready (an adapter's port is
// listed before its driver takes an open), so it is given a grace; one that still refuses after it
// (the device behind it went for good, or another program took the port) ends the run as a port that
// cannot be opened at the start does, rather than holding the run without a word. A port that opens
// but whose adapter cannot be told the configured rate is a try that failed, within the same grace.
bool CWexlinkProtocol::AwaitLineBack(bool announce)
{
    announce = announce || m_serial.GetLineFailure() == ERROR_ACCESS_DENIED;
    m_serial.Close();
    ULONGLONG listedSince = GetTickCount64();  // the grace's start; 0 while the port is not listed
    for (;;) {
        if (WaitForStop(m_timings.portRecheckMs)) {
            ReportStatus(ProtocolResult::UserAborted, std::wstring(), std::wstring());
            return false;
        }
        if (!IsConfiguredPortListed()) {
            ReportStatus(ProtocolResult::PortNotAvailable, PortText(), std::wstring());
            announce = true;
            listedSince = 0;
            continue;
        }
        if (listedSince == 0) {
            listedSince = GetTickCount64();
        }
        const bool opened = TryOpenLine();
        // A stop during the try is all that is reported, whether or not the port opened.
        if (IsStopSet() || (!opened && GetTickCount64() - listedSince >= m_timings.portOpenGraceMs)) {
            ReportOpenFailure();
            return false;
        }
        if (opened) {
            break;
        }
    }
    if (announce) {
        ReportStatus(ProtocolReport::Resuming, std::wstring(), std::wstring());
    }
    return true;
}

int CWexlinkProtocol::RunSession(enumCommType commType, long timesCount)
{
    const bool listed = IsConfiguredPortListed();
    if (listed && !OpenConfiguredPort()) {
        return 0;
    }
    if (!listed) {
        ReportStatus(ProtocolResult::PortNotAvailable, PortText(), std::wstring());
        // On a port that is not there yet this only stores what lives in the serial object: the
        // adapter, the I/O time-out and the abort event.
        SetUpLine();
        if (!AwaitLineBack(true)) {
            return 0;
        }
    }

    long noAnswerCount = 0;
    long successCount = 0;
    for (;;) {
        if (IsStopSet()) {
            ReportStatus(ProtocolResult::UserAborted, std::wstring(), std::wstring());
            return 0;
        }
        const long connected = Connect(m_timings.connectTimeoutMs);
        if (connected == ProtocolResult::UserAborted) {
            return 0;
        }
        if (connected < 0 && IsLineLost(connected)) {
            if (!AwaitLineBack()) {
                return 0;
            }
            continue;
        }
        if (connected < 0) {
            m_serial.Purge();
            if (commType == commNoAnswer && ++noAnswerCount >= timesCount) {
                ReportStatus(ProtocolReport::AbortedAfterNoAnswers, std::to_wstring(timesCount), std::wstring());
                return 0;
            }
            if (connected == ProtocolResult::CannotTransmit) {
                // A write the port refuses at once would otherwise be tried again as fast as it is
                // refused; the port is given the pace of the port re-check instead.
                WaitForStop(m_timings.portRecheckMs);
            }
            continue;
        }

        if (commType == commNoAnswer) {
            noAnswerCount = 0;
        }
        const SessionOutcome outcome = RunConnectedSession(connected);
        if (outcome == SessionOutcome::Aborted) {
            return 0;
        }
        if (commType == commSuccess && outcome == SessionOutcome::Completed && ++successCount >= timesCount) {
            ReportStatus(ProtocolReport::AbortedAfterSuccesses, std::to_wstring(timesCount), std::wstring());
            return 0;
        }
        if (!m_serial.IsOpen() && !AwaitLineBack()) {
            return 0;  // the line failed during the session and did not come back (already reported)
        }
    }
}

CWexlinkProtocol::SessionOutcome CWexlinkProtocol::RunConnectedSession(long terminalId)
{
    size_t index = 0;
    size_t count = 0;
    // The host clears the queue and adds its first task while this message is being handled.
    if (m_sink) {
        m_sink->Connected(terminalId);
    }
    ReportStatus(ProtocolReport::ProtocolVersion, VersionText(), std::wstring());

    for (;;) {
        if (IsAborted(0)) {
            return SessionOutcome::Aborted;
        }
        CCommOptionsObj option;
        if (!TakeNextOption(index, count, option)) {
            break;
        }
        switch (RunOption(terminalId, option)) {
        case OptionOutcome::Done:
            ++index;
            continue;
        case OptionOutcome::Aborted:
            return SessionOutcome::Aborted;
        case OptionOutcome::Failed:
            return SessionOutcome::NotCompleted;
        }
    }

    if (index != count) {
        return SessionOutcome::NotCompleted;
    }
    // Only a stop ends the run here; any other failure of the end request leaves the session
    // complete. Reporting it complete after a stop would put the stop report twice in the log.
    if (Disconnect(terminalId) == ProtocolResult::UserAborted) {
        return SessionOutcome::Aborted;
    }
    ReportStatus(ProtocolReport::SessionComplete, std::wstring(), std::wstring());
    return SessionOutcome::Completed;
}

bool CWexlinkProtocol::TakeNextOption(size_t& index, size_t& count, CCommOptionsObj& option)
{
    CScopedLock hold(m_optionLock);
    if (IsEventSet(m_listEvent)) {
        index = 0;
        ResetEvent(m_listEvent);
    }
    count = m_optionQueue ? m_optionQueue->size() : 0;
    if (index >= count) {
        return false;
    }
    option = (*m_optionQueue)[index];
    return true;
}

CWexlinkProtocol::OptionOutcome CWexlinkProtocol::RunOption(long terminalId, const CCommOptionsObj& option)
{
    const ProtocolCode result = RunOptionStep(terminalId, option);
    if (result == 0) {
        return OptionOutcome::Done;
    }
    if (result == ProtocolResult::UserAborted) {
        return OptionOutcome::Aborted;
    }
    ReportStatus(result, FailureArgument(result, option), std::wstring());
    return OptionOutcome::Failed;
}

ProtocolCode CWexlinkProtocol::RunOptionStep(long terminalId, const CCommOptionsObj& option)
{
    const size_t kind = static_cast<size_t>(static_cast<std::uint32_t>(option.kind));
    if (kind >= std::size(s_optionSteps)) {
        return 0;
    }
    if (option.kind == optDeleteFiles && IsVersionBelow101()) {
        ReportStatus(ProtocolResult::VersionTooOld, L"1.01", std::wstring());
        return 0;
    }
    const OptionStep& step = s_optionSteps[kind];

    CCommOptionsObj prepared = option;
    if (option.kind == optSetLocalTimeDate) {
        SYSTEMTIME local{};
        GetLocalTime(&local);
        if (!LocalClockToOption(local, prepared)) {
            // A PC clock outside the calendar-time range: nothing can be sent, and the option
            // fails rather than setting the terminal to some other time.
            ReportStatus(step.before, std::wstring(), std::wstring());
            return ProtocolResult::CannotTransmit;
        }
    }
    if (step.before != 0) {
        ReportStatus(step.before, std::wstring(), std::wstring());
    }

    ProtocolCode result = 0;
    if (SendsTerminalName(option.kind) && !FitsTerminalText(option.terminalFile)) {
        // No file on the terminal can be named so: the transmit's file cannot be created, and
        // the others are not available.
        result = option.kind == optTransmitFile ? ProtocolResult::TerminalCannotOpenFile
                                                : ProtocolResult::TerminalFileNotAvailable;
    } else {
        result = step.routine(*this, terminalId, prepared);
    }
    const bool notAvailable = (option.kind == optReceiveFile && result == ProtocolResult::TerminalFileNotAvailable) ||
                              (option.kind == optTransmitFile && result == ProtocolResult::PcFileNotAvailable);
    if (notAvailable && option.contOnNotAvail) {
        ReportStatus(ProtocolReport::ContinueNotAvailable, std::wstring(), std::wstring());
        result = 0;
    }
    if (result == 0 && step.after != 0) {
        ReportStatus(step.after, std::wstring(), std::wstring());
    }
    return result;
}

// The argument that fills the "%s" of a failed option's message: what the message names, so that a
// file message names the file and the host finds it at the word position it reads.
std::wstring CWexlinkProtocol::FailureArgument(ProtocolCode code, const CCommOptionsObj& option) const
{
    switch (code) {
    case ProtocolResult::TerminalCannotOpenFile:    // the terminal cannot open or create its file
    case ProtocolResult::TerminalFileNotAvailable:  // the terminal file is not available
        return option.terminalFile;
    case ProtocolResult::FileReadError:       // reading the PC file
    case ProtocolResult::FileWriteError:      // writing the PC file
    case ProtocolResult::PcFileCannotOpen:    // opening or creating the PC file
    case ProtocolResult::PcFileNotAvailable:  // the PC file is not available
        return option.pcFile;
    case ProtocolResult::PcFolderMissing:                 // the PC folder does not exist
        return FolderOfPathWithBackslash(option.pcFile);  // as the receive routine names it
    case ProtocolResult::CannotOpenPort:
    case ProtocolResult::PortNotAvailable:
        return PortText();
    case ProtocolResult::VersionTooOld:
        return L"1.01";
    default:
        return std::wstring();  // the message names nothing
    }
}

std::wstring CWexlinkProtocol::VersionText() const
{
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%d.%02d", m_versionMajor, m_versionMinor);
    return text;
}

bool CWexlinkProtocol::IsVersionBelow101() const
{
    return m_versionMajor == 0 || (m_versionMajor == 1 && m_versionMinor == 0);
}

bool CWexlinkProtocol::LocalClockToOption(const SYSTEMTIME& local, CCommOptionsObj& option)
{
    __time64_t calendar = 0;
    if (local.wYear >= 1900) {
        std::tm broken{};
        broken.tm_year = local.wYear - 1900;
        broken.tm_mon = local.wMonth - 1;
        broken.tm_mday = local.wDay;
        broken.tm_hour = local.wHour;
        broken.tm_min = local.wMinute;
        broken.tm_sec = local.wSecond;
        broken.tm_isdst = -1;
        calendar = _mktime64(&broken);
        if (calendar == -1) {
            return false;
        }
    }
    std::tm back{};
    if (_localtime64_s(&back, &calendar) != 0) {
        return false;
    }
    option.hours = static_cast<std::int16_t>(back.tm_hour);
    option.minutes = static_cast<std::int16_t>(back.tm_min);
    option.seconds = static_cast<std::int16_t>(back.tm_sec);
    option.day = static_cast<std::int16_t>(back.tm_mday);
    option.month = static_cast<std::int16_t>(back.tm_mon + 1);
    option.year = static_cast<std::int16_t>(back.tm_year + 1900);
    return true;
}

std::string CWexlinkProtocol::ToTerminalText(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    const int wideLength = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string converted(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), wideLength, converted.data(), length, nullptr, nullptr);
    return converted;
}

std::wstring CWexlinkProtocol::FromTerminalText(const char* text, int length)
{
    if (length <= 0) {
        return std::wstring();
    }
    const int wideLength = MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, nullptr, 0);
    if (wideLength <= 0) {
        return std::wstring();
    }
    std::wstring converted(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, converted.data(), wideLength);
    return converted;
}

std::wstring CWexlinkProtocol::FromTerminalText(const std::string& text)
{
    return FromTerminalText(text.data(), static_cast<int>(text.size()));
}
