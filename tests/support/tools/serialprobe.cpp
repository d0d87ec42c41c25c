// serialprobe [SESSIONS [LIBRARY]]: what the system's serial layer itself keeps in memory per line
// operation, with no control. Runs, against the terminal simulator on the virtual line, the overlapped
// writes, event waits and reads that the control makes for one session of the long-run test (connect,
// get the OS version, end of session), in the same order and with the same calls around them, in
// four runs of SESSIONS sessions each (default 25) that each open and close the port. The first run
// warms up; the growth of private bytes and handles over the other three is printed per session and
// per operation. Exit code 0 when every session completed, 1 otherwise, 2 for a bad argument.
//
// LIBRARY, when given, is loaded first and nothing more is done with it. Wine keeps a little of every
// thread it starts for an event wait, and that little grows with each loaded library that has
// thread-local data (the control's library has), so the baseline of a process that has loaded the
// control needs that library loaded too.
//
// Runs through scripts/wine-run, which provides the line (WEXLINK_VIRTUAL_PORTS).
#include "ProcessUsage.h"
#include "SimClockCommands.h"
#include "SimCrc16.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kIoTimeoutMs = 2500;  // the control's I/O time-out of a session
constexpr DWORD kAnswerTimeoutMs = 5000;
constexpr DWORD kCancelWaitMs = 2000;  // bounded: a probe that cannot cancel gives up
constexpr int kRuns = 4;               // one warm-up run, then the measured ones
constexpr DWORD kShortestFrame = 11;   // header and CRC: what the control asks for in its first read
constexpr DWORD kLongestFrame = 16384;

struct OperationCounts {
    unsigned long long writes = 0;
    unsigned long long waits = 0;
    unsigned long long reads = 0;
    unsigned long long cancels = 0;  // event waits ended because the answer was queued already
    unsigned long long Total() const { return writes + waits + reads; }
};

// The PC's end of the line with plain Win32 calls, set up as the control sets up its port.
class CProbePort {
public:
    CProbePort() = default;
    ~CProbePort() { Close(); }
    CProbePort(const CProbePort&) = delete;
    CProbePort& operator=(const CProbePort&) = delete;

    bool Open(int comNumber);
    void Close();
    // One request and its answer; false when the answer did not come whole.
    bool Exchange(const std::vector<BYTE>& request, std::vector<BYTE>& answer, OperationCounts& counts);

private:
    bool Configure();
    bool Finish(OVERLAPPED& request, BOOL started, DWORD timeoutMs, DWORD& transferred);
    void Cancel(OVERLAPPED& request);
    bool Write(const std::vector<BYTE>& bytes);
    void WaitForData(OperationCounts& counts);
    DWORD ReadOnce(BYTE* buffer, DWORD count);
    bool ReadAll(BYTE* buffer, DWORD count, OperationCounts& counts);

    HANDLE m_port = INVALID_HANDLE_VALUE;
    OVERLAPPED m_read{};
    OVERLAPPED m_write{};
    OVERLAPPED m_wait{};
    DWORD m_eventResult = 0;
};

bool CProbePort::Open(int comNumber)
{
    const std::wstring path = VirtualLine::DevicePath(comNumber);
    m_port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                         nullptr);
    if (m_port == INVALID_HANDLE_VALUE)
        return false;
    for (OVERLAPPED* request : {&m_read, &m_write, &m_wait}) {
        *request = OVERLAPPED{};
        request->hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!request->hEvent)
            return false;
    }
    return Configure();
}

bool CProbePort::Configure()
{
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(m_port, &dcb))
        return false;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1000;
    return SetCommState(m_port, &dcb) && SetCommTimeouts(m_port, &timeouts) &&
           SetCommMask(m_port, EV_RXCHAR | EV_BREAK | EV_ERR) && SetupComm(m_port, 8192, 8192) &&
           PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void CProbePort::Close()
{
    if (m_port != INVALID_HANDLE_VALUE)
        CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
    for (OVERLAPPED* request : {&m_read, &m_write, &m_wait}) {
        if (request->hEvent)
            CloseHandle(request->hEvent);
        request->hEvent = nullptr;
    }
}

// Waits for a started request; one that does not end in time is cancelled, and the wait for the
// cancel is bounded too.
bool CProbePort::Finish(OVERLAPPED& request, BOOL started, DWORD timeoutMs, DWORD& transferred)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return false;
    if (WaitForSingleObject(request.hEvent, timeoutMs) != WAIT_OBJECT_0)
        Cancel(request);
    return GetOverlappedResult(m_port, &request, &transferred, FALSE) != FALSE;
}

void CProbePort::Cancel(OVERLAPPED& request)
{
    CancelIoEx(m_port, &request);
    if (WaitForSingleObject(request.hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        std::fwprintf(stderr, L"serialprobe: a cancelled request did not end\n");
        ExitProcess(1);  // its buffer may still be written to: nothing is safe to reuse
    }
}

bool CProbePort::Write(const std::vector<BYTE>& bytes)
{
    DWORD written = 0;
    const BOOL started = WriteFile(m_port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &m_write);
    return Finish(m_write, started, kIoTimeoutMs, written) && written == bytes.size();
}

// The control's data wait: the mask set again, then an event wait. When the answer is queued already
// (Wine's wait may not see bytes that came before it was armed), the wait is cancelled at once;
// otherwise it runs until an event or its time-out. The read after it waits for the bytes either way.
void CProbePort::WaitForData(OperationCounts& counts)
{
    SetCommMask(m_port, EV_RXCHAR);
    m_eventResult = 0;
    DWORD ignored = 0;
    const BOOL started = WaitCommEvent(m_port, &m_eventResult, &m_wait);
    if (!started && GetLastError() == ERROR_IO_PENDING) {
        DWORD errors = 0;
        COMSTAT status{};
        if (ClearCommError(m_port, &errors, &status) && status.cbInQue > 0) {
            ++counts.cancels;
            Cancel(m_wait);
            GetOverlappedResult(m_port, &m_wait, &ignored, FALSE);
            return;
        }
    }
    Finish(m_wait, started, kAnswerTimeoutMs, ignored);
}

// One read as the control makes it: it returns once the count has come or the line has gone quiet.
DWORD CProbePort::ReadOnce(BYTE* buffer, DWORD count)
{
    DWORD got = 0;
    const BOOL started = ReadFile(m_port, buffer, count, &got, &m_read);
    return Finish(m_read, started, kIoTimeoutMs, got) ? got : 0;
}

bool CProbePort::ReadAll(BYTE* buffer, DWORD count, OperationCounts& counts)
{
    for (DWORD got = 0; got < count;) {
        ++counts.reads;
        const DWORD part = ReadOnce(buffer + got, count - got);
        if (part == 0)
            return false;
        got += part;
    }
    return true;
}

bool CProbePort::Exchange(const std::vector<BYTE>& request, std::vector<BYTE>& answer, OperationCounts& counts)
{
    PurgeComm(m_port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    SetCommMask(m_port, EV_RXCHAR);
    ++counts.writes;
    if (!Write(request))
        return false;
    ++counts.waits;
    WaitForData(counts);
    // As the control reads an answer: as much as the shortest frame holds, which brings the start
    // byte and the length field, then the rest of the frame in one more read (two while the line
    // hands it over in parts).
    answer.assign(kLongestFrame, 0);
    ++counts.reads;
    DWORD got = ReadOnce(&answer[0], kShortestFrame);
    if (got == 0 || answer[0] != 'T')
        return false;
    if (got < 3) {
        if (!ReadAll(&answer[got], 3 - got, counts))
            return false;
        got = 3;
    }
    const DWORD length = (static_cast<DWORD>(answer[1]) << 8) | answer[2];
    if (length < kShortestFrame || length > kLongestFrame)
        return false;
    if (got < length && !ReadAll(&answer[got], length - got, counts))
        return false;
    answer.resize(length);
    return true;
}

// A request frame: 'P', length, terminal ID, command, status 0, block 0, no payload, CRC.
std::vector<BYTE> Request(DWORD terminalId, BYTE command)
{
    std::vector<BYTE> frame{'P',
                            0,
                            11,
                            static_cast<BYTE>(terminalId >> 16),
                            static_cast<BYTE>(terminalId >> 8),
                            static_cast<BYTE>(terminalId),
                            command,
                            0,
                            0};
    const uint16_t crc = CSimCrc16::Compute(frame, frame.size());
    frame.push_back(static_cast<BYTE>(crc >> 8));
    frame.push_back(static_cast<BYTE>(crc));
    return frame;
}

std::vector<BYTE> ConnectRequest()
{
    std::vector<BYTE> frame{'P', 0, 6, 0x05};
    const uint16_t crc = CSimCrc16::Compute(frame, frame.size());
    frame.push_back(static_cast<BYTE>(crc >> 8));
    frame.push_back(static_cast<BYTE>(crc));
    return frame;
}

// One session as the long-run test has the control make it.
bool RunSession(CProbePort& port, CTerminalSimulator& terminal, OperationCounts& counts)
{
    terminal.ClearLog();
    std::vector<BYTE> answer;
    if (!port.Exchange(ConnectRequest(), answer, counts) || answer.size() < 15)
        return false;
    const DWORD terminalId = (static_cast<DWORD>(answer[3]) << 16) | (static_cast<DWORD>(answer[4]) << 8) | answer[5];
    return port.Exchange(Request(terminalId, 0x03), answer, counts) &&
           port.Exchange(Request(terminalId, 0x00), answer, counts);
}

bool RunBatch(int comNumber, CTerminalSimulator& terminal, int sessions, OperationCounts& counts)
{
    CProbePort port;
    if (!port.Open(comNumber))
        return false;
    for (int session = 0; session < sessions; ++session) {
        if (!RunSession(port, terminal, counts))
            return false;
    }
    return true;
}

bool ParseSessions(int argc, wchar_t** argv, int& sessions)
{
    sessions = 25;
    if (argc < 2)
        return true;
    wchar_t* end = nullptr;
    const long value = std::wcstol(argv[1], &end, 10);
    if (argc > 3 || *end != L'\0' || value < 1 || value > 1000000)
        return false;
    sessions = static_cast<int>(value);
    return true;
}

// Loads the library named on the command line, if any; it stays loaded for the whole run.
bool LoadNamedLibrary(int argc, wchar_t** argv)
{
    if (argc < 3)
        return true;
    if (!LoadLibraryW(argv[2])) {
        std::fwprintf(stderr, L"serialprobe: cannot load %ls (error %lu)\n", argv[2], GetLastError());
        return false;
    }
    std::printf("serialprobe: with %ls loaded\n", argv[2]);
    return true;
}

void Report(int sessions, const OperationCounts& counts, const ProcessUsage& start, const ProcessUsage& end,
            DWORD elapsedMs)
{
    const double growth = static_cast<double>(end.privateBytes) - static_cast<double>(start.privateBytes);
    std::printf("serialprobe: %d sessions, %llu operations (%llu writes, %llu waits, %llu reads; %llu waits cancelled "
                "on a queued answer), %lu ms\n",
                sessions, counts.Total(), counts.writes, counts.waits, counts.reads, counts.cancels, elapsedMs);
    std::printf("serialprobe: handles %lu -> %lu, private bytes %llu -> %llu\n", start.handles, end.handles,
                static_cast<unsigned long long>(start.privateBytes), static_cast<unsigned long long>(end.privateBytes));
    std::printf("serialprobe: %.1f bytes per session, %.1f bytes per operation\n", growth / sessions,
                growth / static_cast<double>(counts.Total()));
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    int sessions = 0;
    VirtualLine line;
    if (!ParseSessions(argc, argv, sessions)) {
        std::fwprintf(stderr, L"usage: serialprobe [SESSIONS [LIBRARY]]\n");
        return 2;
    }
    if (!VirtualLine::FromEnvironment(line)) {
        std::fwprintf(stderr, L"serialprobe: no virtual line (WEXLINK_VIRTUAL_PORTS)\n");
        return 1;
    }
    if (!LoadNamedLibrary(argc, argv))
        return 1;
    CTerminalSimulator terminal;
    RegisterClockCommands(terminal);
    if (!terminal.Start(line.terminalPort)) {
        std::fwprintf(stderr, L"serialprobe: the terminal simulator did not start\n");
        return 1;
    }
    OperationCounts warmUp;
    bool ok = RunBatch(line.pcPort, terminal, sessions, warmUp);
    const ProcessUsage start = ProcessUsage::Measure();
    const DWORD startTime = GetTickCount();
    OperationCounts counts;
    for (int run = 1; ok && run < kRuns; ++run)
        ok = RunBatch(line.pcPort, terminal, sessions, counts);
    const DWORD elapsed = GetTickCount() - startTime;
    const ProcessUsage end = ProcessUsage::Measure();
    terminal.Stop();
    if (!ok) {
        std::fwprintf(stderr, L"serialprobe: a session did not complete\n");
        return 1;
    }
    Report(sessions * (kRuns - 1), counts, start, end, elapsed);
    return 0;
}
