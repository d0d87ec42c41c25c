#include "TransferBench.h"

#include "EngineTestSupport.h"
#include "FileBytes.h"
#include "LineSettings.h"
#include "PortDevice.h"
#include "ScopedLock.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <thread>

namespace {

constexpr size_t DefaultSize = 1024u * 1024u;
constexpr unsigned long LargestRate = 1000000;

// The engine sizes its transfers to the baud rate it is told; on a line paced to fewer bytes a second
// than that rate carries, a large frame would outlast a transfer's time. So it is told the fastest of
// its rates that the paced line (ten bits a byte) keeps up with, or the slowest of them; an unpaced
// line (0) the fastest.
long EngineRateFor(unsigned long lineRate)
{
    if (lineRate == 0) {
        return std::end(kLineBaudRates)[-1];
    }
    long chosen = kCableOnlyBaudRate;
    for (const long rate : kLineBaudRates) {
        if (static_cast<unsigned long>(rate) <= lineRate * 10) {
            chosen = rate;
        }
    }
    return chosen;
}

constexpr DWORD RunLimitMs = 10 * 60 * 1000;

double Seconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

double ProcessCpuSeconds()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring TemporaryFile(const wchar_t* prefix)
{
    return TempPath(prefix + std::to_wstring(GetCurrentProcessId()) + L".dat");
}

// A whole decimal number in [0, largest], without sign.
bool ParseWhole(const wchar_t* text, unsigned long long largest, unsigned long long& value)
{
    if (text == nullptr || *text < L'0' || *text > L'9') {
        return false;
    }
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstoull(text, &end, 10);
    return errno == 0 && *end == L'\0' && value <= largest;
}

bool IsFailureStatus(int id)
{
    return id >= StatusId::NoResponse && id <= StatusId::PortNotAvailable;
}

}  // namespace

CTransferBench::CTransferBench(const TransferBenchKind& kind) : m_kind(kind), m_pcFile(TemporaryFile(kind.pcFilePrefix))
{
}

CTransferBench::~CTransferBench()
{
    DeleteFileW(m_pcFile.c_str());
}

bool CTransferBench::ParseArguments(int argc, wchar_t** argv)
{
    size_t size = DefaultSize;
    bool sizeGiven = false;
    bool good = true;
    for (int i = 1; good && i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--rate") == 0) {
            good = i + 1 < argc && ParseRate(argv[++i]);
            continue;
        }
        unsigned long long value = 0;
        good = !sizeGiven && ParseWhole(argv[i], m_kind.largestSize, value);
        size = static_cast<size_t>(value);
        sizeGiven = true;
    }
    if (!good) {
        fwprintf(stderr,
                 L"usage: %ls [SIZE] [--rate BYTES]\n"
                 L"  SIZE: bytes to transfer, at most %llu (default %zu)\n"
                 L"  BYTES: the line's bytes a second, at most %lu (default 11520; 0: unpaced)\n",
                 m_kind.program, m_kind.largestSize, DefaultSize, LargestRate);
        return false;
    }
    m_data = PatternBytes(size);
    return true;
}

bool CTransferBench::ParseRate(const wchar_t* text)
{
    unsigned long long value = 0;
    if (!ParseWhole(text, LargestRate, value)) {
        return false;
    }
    m_lineRate = static_cast<unsigned long>(value);
    return true;
}

int CTransferBench::Run(const CCommOptionsObj& option, const std::function<void(CTerminalSimulator&)>& prepare,
                        const std::function<bool(CTerminalSimulator&)>& arrivedIntact)
{
    VirtualLine line;
    if (!VirtualLine::FromEnvironment(line)) {
        fwprintf(stderr, L"no virtual line: run through scripts/wine-run with WEXLINK_VIRTUAL_PORTS\n");
        return 1;
    }
    CPortDevice port(line.pcPort);

    SimTerminalConfig config;
    config.maxFrameSize = static_cast<uint16_t>(CWexlinkProtocol::MaxFrameSize);
    CTerminalSimulator terminal(config);
    terminal.SetLineRate(static_cast<double>(m_lineRate));
    prepare(terminal);
    if (!port.IsAdded() || !terminal.Start(line.terminalPort)) {
        fwprintf(stderr, L"cannot set up the virtual line\n");
        return 1;
    }

    const Measurement measurement = RunSession(line.pcPort, option);
    terminal.Stop();

    if (measurement.stored <= 0.0 || !arrivedIntact(terminal)) {
        fwprintf(stderr, L"failure: the file did not arrive intact\n");
        return 1;
    }
    Print(measurement, CountFrames(terminal));
    return 0;
}

CTransferBench::Measurement CTransferBench::RunSession(int pcPort, const CCommOptionsObj& option) const
{
    CTestEvent stop;
    CCriticalSection queueLock;
    CCommOptionsList queue{option};
    CMessageRecord record;
    CRecordingSink sink(record);

    std::atomic<double> started{0.0};
    std::atomic<double> stored{0.0};
    std::atomic<int> progressMessages{0};
    record.SetHandler([&](const DeliveredMessage& message) {
        if (message.message == WM_WEXLINK_PROGRESS) {
            ++progressMessages;
        } else if (message.message == WM_WEXLINK_STATUS) {
            const int id = static_cast<int>(message.wParam);
            if (id == m_kind.startedStatus) {
                started = Now();
            } else if (id == m_kind.storedStatus) {
                stored = Now();
            } else if (IsFailureStatus(id)) {
                fwprintf(stderr, L"failure: %ls\n", message.text.c_str());
                stop.Set();
            }
        }
    });

    const double cpuBefore = ProcessCpuSeconds();
    std::thread worker([&] {
        CWexlinkProtocol engine;
        engine.SetComPort(pcPort);
        engine.SetBaudRate(EngineRateFor(m_lineRate));
        engine.SetStopEvent(stop.Handle());
        engine.SetCriticalSection(queueLock.Get());
        engine.SetOptionsList(&queue);
        engine.SetSink(&sink);
        engine.RunSession(commSuccess, 1);
    });
    // A run that never ends is stopped, so the program cannot hang.
    std::thread watchdog([&] {
        if (WaitForSingleObject(stop.Handle(), RunLimitMs) == WAIT_TIMEOUT) {
            fwprintf(stderr, L"failure: no result within %lu s\n", static_cast<unsigned long>(RunLimitMs / 1000));
            stop.Set();
        }
    });
    worker.join();
    stop.Set();
    watchdog.join();
    Measurement measurement;
    measurement.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    measurement.started = started;
    measurement.stored = stored;
    measurement.progressMessages = progressMessages;
    return measurement;
}

CTransferBench::LineUse CTransferBench::CountFrames(CTerminalSimulator& terminal) const
{
    LineUse line;
    for (const SimFrameRecord& record : terminal.Frames()) {
        if (record.command >= m_kind.firstCommand && record.command <= m_kind.firstCommand + 3) {
            ++line.frames;
            line.exchanges += record.direction == SimDirection::Sent ? 1 : 0;
            line.bytes += record.raw.size();
        }
    }
    line.terminalLateMs = terminal.MeanAnswerLatenessMs();
    return line;
}

void CTransferBench::Print(const Measurement& measurement, const LineUse& line) const
{
    const size_t size = m_data.size();
    const double elapsed = measurement.stored - measurement.started;
    wprintf(L"file size:            %zu bytes\n", size);
    wprintf(L"frame size:           %d bytes\n", CWexlinkProtocol::MaxFrameSize);
    wprintf(L"%-22ls%.3f s\n", (std::wstring(m_kind.timeLabel) + L" time:").c_str(), elapsed);
    wprintf(L"payload throughput:   %.0f bytes/s\n", elapsed > 0.0 ? static_cast<double>(size) / elapsed : 0.0);
    wprintf(L"frames (0x%02X-0x%02X):   %zu (requests and answers)\n", m_kind.firstCommand, m_kind.firstCommand + 3,
            line.frames);
    wprintf(L"progress messages:    %d\n", measurement.progressMessages);
    wprintf(L"process CPU time:     %.3f s (PC side and simulated terminal)\n", measurement.cpuSeconds);
    PrintPacing(elapsed, line);
}

// The line's own share: the payload's pace against the line rate, and the time per exchange in which
// the line carried nothing (both sides' turnaround between a frame's end and the next frame's start).
void CTransferBench::PrintPacing(double elapsed, const LineUse& line) const
{
    if (m_lineRate == 0) {
        wprintf(L"line:                 unpaced\n");
        return;
    }
    const double rate = static_cast<double>(m_lineRate);
    const double busy = static_cast<double>(line.bytes) / rate;
    wprintf(L"line rate:            %lu bytes/s\n", m_lineRate);
    wprintf(L"of line rate:         %.2f %% (payload)\n",
            elapsed > 0.0 ? 100.0 * static_cast<double>(m_data.size()) / elapsed / rate : 0.0);
    wprintf(L"line idle:            %.2f ms per exchange (%zu exchanges, %zu bytes on the line)\n",
            line.exchanges != 0 ? 1000.0 * (elapsed - busy) / static_cast<double>(line.exchanges) : 0.0, line.exchanges,
            line.bytes);
    wprintf(L"  of which terminal:  %.2f ms per answer (the simulator's own lateness; the rest is the PC's)\n",
            line.terminalLateMs);
}
