#include "TransferBench.h"

#include "EngineTestSupport.h"
#include "PortDevice.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr size_t DefaultSize = 4u * 1024u * 1024u;
constexpr int StatusSessionLimit = 1000;
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

SimBytes Pattern(size_t size)
{
    SimBytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 131 + i / 4099);
    }
    return bytes;
}

std::wstring TemporaryFile(const wchar_t* prefix)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) + L".dat";
}

bool IsFailureStatus(int id)
{
    return id != StatusSessionLimit && id >= 10 && id <= 240;
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
    if (argc >= 2) {
        wchar_t* end = nullptr;
        errno = 0;
        const unsigned long long value = std::wcstoull(argv[1], &end, 10);
        if (argc > 2 || errno != 0 || *end != L'\0' || argv[1][0] == L'-' || value > m_kind.largestSize) {
            fwprintf(stderr, L"usage: %ls [SIZE]   (bytes, at most %llu)\n", m_kind.program, m_kind.largestSize);
            return false;
        }
        size = static_cast<size_t>(value);
    }
    m_data = Pattern(size);
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
    CRITICAL_SECTION queueLock;
    InitializeCriticalSection(&queueLock);
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
        engine.SetStopEvent(stop.Handle());
        engine.SetCriticalSection(&queueLock);
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
    DeleteCriticalSection(&queueLock);
    return measurement;
}

size_t CTransferBench::CountFrames(CTerminalSimulator& terminal) const
{
    size_t frames = 0;
    for (int command = m_kind.firstCommand; command <= m_kind.firstCommand + 3; ++command) {
        frames += terminal.Log().Count(SimDirection::Received, command) + terminal.Log().Count(SimDirection::Sent, command);
    }
    return frames;
}

void CTransferBench::Print(const Measurement& measurement, size_t frames) const
{
    const size_t size = m_data.size();
    const double elapsed = measurement.stored - measurement.started;
    wprintf(L"file size:            %zu bytes\n", size);
    wprintf(L"frame size:           %d bytes\n", CWexlinkProtocol::MaxFrameSize);
    wprintf(L"%-22ls%.3f s\n", (std::wstring(m_kind.timeLabel) + L" time:").c_str(), elapsed);
    wprintf(L"payload throughput:   %.0f bytes/s\n", elapsed > 0.0 ? static_cast<double>(size) / elapsed : 0.0);
    wprintf(L"frames (0x%02X-0x%02X):   %zu (requests and answers)\n", m_kind.firstCommand, m_kind.firstCommand + 3,
            frames);
    wprintf(L"progress messages:    %d\n", measurement.progressMessages);
    wprintf(L"process CPU time:     %.3f s (PC side and simulated terminal)\n", measurement.cpuSeconds);
}
