// bench_TransmitBench [SIZE]: sends one PC file of SIZE bytes (default 4 MiB) to the simulated
// terminal through the virtual line, at the largest frame size, with the whole session driver, and
// prints the payload throughput, the frames on the line and the process's CPU time. The CPU time
// includes the simulated terminal, which runs on a thread of this process.
//
// Runs through scripts/wine-run, which provides the line (WEXLINK_VIRTUAL_PORTS). Exit code 0 when
// the terminal stored the file intact, 1 otherwise, 2 for a bad argument.
#include "EngineTestSupport.h"
#include "PortDevice.h"
#include "SimTransmitCommands.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"
#include "WexlinkProtocol.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr short Drive = 2;
constexpr int StatusTransmitStarted = 1110;
constexpr int StatusTransmitStored = 1120;
constexpr int StatusSessionLimit = 1000;
constexpr DWORD RunLimitMs = 10 * 60 * 1000;
constexpr unsigned long long LargestSize = 1024ull * 1024ull * 1024ull;  // what the benchmark accepts

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

bool ParseSize(int argc, wchar_t** argv, size_t& size)
{
    if (argc < 2) {
        return true;
    }
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long value = std::wcstoull(argv[1], &end, 10);
    if (argc > 2 || errno != 0 || *end != L'\0' || argv[1][0] == L'-' || value > LargestSize) {
        return false;
    }
    size = static_cast<size_t>(value);
    return true;
}

SimBytes Pattern(size_t size)
{
    SimBytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 131 + i / 4099);
    }
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const SimBytes& data)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = data.empty() ||
                    (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                     written == data.size());
    CloseHandle(file);
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    size_t size = 4u * 1024u * 1024u;
    if (!ParseSize(argc, argv, size)) {
        fwprintf(stderr, L"usage: bench_TransmitBench [SIZE]   (bytes, at most %llu)\n", LargestSize);
        return 2;
    }
    VirtualLine line;
    if (!VirtualLine::FromEnvironment(line)) {
        fwprintf(stderr, L"no virtual line: run through scripts/wine-run with WEXLINK_VIRTUAL_PORTS\n");
        return 1;
    }
    CPortDevice port(line.pcPort);

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring pcFile = std::wstring(temp) + L"wexlink-bench-tx-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
    const SimBytes data = Pattern(size);
    if (!WriteFileBytes(pcFile, data)) {
        fwprintf(stderr, L"cannot write the PC file %ls\n", pcFile.c_str());
        return 1;
    }

    SimTerminalConfig config;
    config.maxFrameSize = static_cast<uint16_t>(CWexlinkProtocol::MaxFrameSize);
    CTerminalSimulator terminal(config);
    RegisterTransmitCommands(terminal);
    if (!port.IsAdded() || !terminal.Start(line.terminalPort)) {
        fwprintf(stderr, L"cannot set up the virtual line\n");
        DeleteFileW(pcFile.c_str());
        return 1;
    }

    CTestEvent stop;
    CRITICAL_SECTION queueLock;
    InitializeCriticalSection(&queueLock);
    CCommOptionsList queue{CCommOptionsObj(pcFile, L"BENCH.DAT", Drive, false)};
    CMessageRecord record;
    CRecordingWindowless sink(record);

    std::atomic<double> started{0.0};
    std::atomic<double> stored{0.0};
    std::atomic<int> progressMessages{0};
    record.SetHandler([&](const DeliveredMessage& message) {
        if (message.message == WM_WEXLINK_PROGRESS) {
            ++progressMessages;
        } else if (message.message == WM_WEXLINK_STATUS) {
            const int id = static_cast<int>(message.wParam);
            if (id == StatusTransmitStarted) {
                started = Now();
            } else if (id == StatusTransmitStored) {
                stored = Now();
            } else if (id != StatusSessionLimit && id >= 10 && id <= 240) {
                fwprintf(stderr, L"failure: %ls\n", message.text.c_str());
                stop.Set();
            }
        }
    });

    const double cpuBefore = ProcessCpuSeconds();
    std::thread worker([&] {
        CWexlinkProtocol engine;
        engine.SetComPort(line.pcPort);
        engine.SetStopEvent(stop.Handle());
        engine.SetCriticalSection(&queueLock);
        engine.SetOptionsList(&queue);
        engine.SetWindowlessObject(&sink);
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
    const double cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    terminal.Stop();
    DeleteCriticalSection(&queueLock);
    DeleteFileW(pcFile.c_str());

    SimBytes onTerminal;
    const bool intact = stored > 0.0 && terminal.Files().Get(Drive, "BENCH.DAT", onTerminal) && onTerminal == data;
    if (!intact) {
        fwprintf(stderr, L"failure: the file did not arrive intact\n");
        return 1;
    }

    size_t frames = 0;
    for (int command = 0x20; command <= 0x23; ++command) {
        frames += terminal.Log().Count(SimDirection::Received, command) + terminal.Log().Count(SimDirection::Sent, command);
    }
    const double elapsed = stored - started;
    wprintf(L"file size:            %zu bytes\n", size);
    wprintf(L"frame size:           %d bytes\n", CWexlinkProtocol::MaxFrameSize);
    wprintf(L"transmit time:        %.3f s\n", elapsed);
    wprintf(L"payload throughput:   %.0f bytes/s\n", elapsed > 0.0 ? static_cast<double>(size) / elapsed : 0.0);
    wprintf(L"frames (0x20-0x23):   %zu (requests and answers)\n", frames);
    wprintf(L"progress messages:    %d\n", progressMessages.load());
    wprintf(L"process CPU time:     %.3f s (PC side and simulated terminal)\n", cpuSeconds);
    return 0;
}
