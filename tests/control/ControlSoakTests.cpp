// Soak: consecutive sessions in continuous mode against the terminal simulator, over several runs
// of the same control. Prints the sessions per second and the process's handle count and private
// bytes, and fails when handles or memory grow with the number of sessions or runs.
// WEXLINK_SOAK_SESSIONS sets the sessions of each run (default 25).
#include <windows.h>
#include <ole2.h>
#include <psapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ControlDll.h"
#include "PortDevice.h"
#include "SimClockCommands.h"
#include "TerminalSimulator.h"
#include "TestContainer.h"
#include "VirtualLine.h"
#include "Wexlink.h"
#include "com/ComRef.h"

using namespace controltest;

namespace {

struct Usage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

// The system's handle table, for where GetProcessHandleCount answers 0 (Wine does).
struct SystemHandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};

DWORD CountHandlesInSystemTable()
{
    using QueryFn = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return 0;
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 22);
    ULONG needed = 0;
    if (query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0)
        return 0;
    const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
    const USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    DWORD count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].processId == self)
            ++count;
    return count;
}

Usage Measure()
{
    Usage usage;
    if (!GetProcessHandleCount(GetCurrentProcess(), &usage.handles) || usage.handles == 0)
        usage.handles = CountHandlesInSystemTable();
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    // Private bytes; Wine fills only the page-file figure, which Windows keeps equal to it.
    usage.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return usage;
}

int SessionsPerBatch()
{
    const wchar_t* text = _wgetenv(L"WEXLINK_SOAK_SESSIONS");
    const int value = text ? _wtoi(text) : 0;
    return value > 0 ? value : 25;
}

}  // namespace

TEST(ControlSoak, SessionsDoNotLeakHandlesOrMemory)
{
    VirtualLine line;
    ASSERT_TRUE(VirtualLine::FromEnvironment(line));
    CPortDevice port(line.pcPort);
    ASSERT_TRUE(port.IsAdded());
    CTerminalSimulator terminal;
    RegisterClockCommands(terminal);
    ASSERT_TRUE(terminal.Start(line.terminalPort));
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        CComRef<IWexlinkCtl> control;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IWexlinkCtl,
                                         reinterpret_cast<void**>(control.Receive())));
        control->put_Comport(static_cast<short>(line.pcPort));
        control->put_IrDADevice(irdaNone);
        TestSite site;
        TestEventSink sink;
        std::atomic<int> completed{0};
        sink.record = false;
        sink.onEvent = [&](const RecordedEvent& event) {
            if (event.id == 1) {  // a task per session, as the host queues them
                terminal.ClearLog();
                control->ClearProtocolOptionsList();
                control->AddGetTerminalOSVersion();
            } else if (event.id == 3 && event.message == L"Communication session complete.") {
                ++completed;
            }
        };
        CComRef<IOleObject> object;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.Receive()));
        object->SetClientSite(&site);
        CComRef<IConnectionPointContainer> container;
        control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Receive()));
        CComRef<IConnectionPoint> point;
        ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IWexlinkCtlEvents, point.Receive()));
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));

        const int batch = SessionsPerBatch();
        auto runSessions = [&](int sessions) {
            const int target = completed + sessions;
            short code = 99;
            EXPECT_EQ(S_OK, control->StartProtocol(commContinuous, 0, &code));
            const bool done = PumpUntil([&] { return completed >= target; }, 120000);
            control->StopProtocol();
            const bool stopped = PumpUntil([&] {
                short running = 1;
                control->IsProtocolRunning(&running);
                return running == 0;
            }, 10000);
            return done && stopped;
        };
        // The first run warms up every allocation made once; the later runs must not grow.
        ASSERT_TRUE(runSessions(batch)) << completed;
        const Usage start = Measure();
        const DWORD startTime = GetTickCount();
        constexpr int kRuns = 3;
        for (int run = 0; run < kRuns; ++run)
            ASSERT_TRUE(runSessions(batch)) << completed;
        const DWORD elapsed = GetTickCount() - startTime;
        const Usage end = Measure();
        ASSERT_NE(0u, start.handles);
        ASSERT_NE(0u, start.privateBytes);
        const int sessions = kRuns * batch;

        point->Unadvise(cookie);
        object->SetClientSite(nullptr);

        std::printf("soak: %d sessions in %d runs, %lu ms, %.1f sessions/s\n", sessions, kRuns, elapsed,
                    elapsed ? sessions * 1000.0 / elapsed : 0.0);
        std::printf("soak: handles %lu -> %lu, private bytes %llu -> %llu\n", start.handles, end.handles,
                    static_cast<unsigned long long>(start.privateBytes),
                    static_cast<unsigned long long>(end.privateBytes));
        // Handles: slack for the runtime's caches, less than one leaked handle per run. Memory: Wine's
        // serial layer itself keeps about 0.5 KB per overlapped wait on a pseudo-terminal (a few
        // waits per session), so the allowance per session is that cost with room to spare; a
        // leaked engine, frame buffer or option list exceeds it at once.
        EXPECT_LE(end.handles, start.handles + kRuns - 1);
        EXPECT_LE(end.privateBytes, start.privateBytes + 256 * 1024 + static_cast<SIZE_T>(sessions) * 8 * 1024);
    }
    CoUninitialize();
    terminal.Stop();
}
