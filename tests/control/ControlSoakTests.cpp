// Soak: consecutive sessions in continuous mode against the terminal simulator, over several runs
// of the same control. Prints the sessions per second and the process's handle count and private
// bytes, and fails when handles or memory grow with the number of sessions or runs.
// WEXLINK_SOAK_SESSIONS sets the sessions of each run (default 25).
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "ComRef.h"
#include "ControlDll.h"
#include "PortDevice.h"
#include "ProcessUsage.h"
#include "SimClockCommands.h"
#include "TerminalSimulator.h"
#include "TestContainer.h"
#include "VirtualLine.h"
#include "Wexlink.h"

using namespace controltest;

namespace {

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
            if (event.id == kConnectedEvent) {  // a task per session, as the host queues them
                terminal.ClearLog();
                control->ClearProtocolOptionsList();
                control->AddGetTerminalOSVersion();
            } else if (event.id == kStatusEvent && event.message == L"Communication session complete.") {
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
            // Generous for a machine under load: the figures, not the pace, are what this checks.
            const DWORD limitMs = 60000 + 200 * static_cast<DWORD>(sessions);
            const bool done = PumpUntil([&] { return completed >= target; }, limitMs);
            control->StopProtocol();
            const bool stopped = PumpUntil(
                [&] {
                short running = 1;
                control->IsProtocolRunning(&running);
                return running == 0;
                },
                10000);
            return done && stopped;
        };
        // The first run warms up every allocation made once; the later runs must not grow.
        ASSERT_TRUE(runSessions(batch)) << completed;
        const ProcessUsage start = ProcessUsage::Measure();
        const DWORD startTime = GetTickCount();
        constexpr int kRuns = 3;
        for (int run = 0; run < kRuns; ++run)
            ASSERT_TRUE(runSessions(batch)) << completed;
        const DWORD elapsed = GetTickCount() - startTime;
        const ProcessUsage end = ProcessUsage::Measure();
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
        // Handles: slack for the runtime's caches, less than one leaked handle per run.
        // Memory: a session is 11 line operations (3 writes, 3 event waits, 5 reads: an answer is read
        // as much as the shortest frame at once, then the rest), and Wine keeps a little of each; that
        // little grows with each loaded library that has thread-local data (Wine starts a thread for
        // every event wait), this control's among them. The serial probe (tools/serialprobe), making
        // the same operations with no control but with the control's library loaded, measured 1537
        // bytes per session (140 per operation) over 10,002 sessions, and this test 1541 per session
        // over 10,002: the growth is Wine's. The allowance is that baseline with 10% to spare, 1690
        // bytes per session, plus 256 KB for the runtime's caches and page granularity. A leak of ours
        // of a few hundred bytes per session exceeds it over a long run.
        constexpr SIZE_T kAllowedBytesPerSession = 1690;
        EXPECT_LE(end.handles, start.handles + kRuns - 1);
        EXPECT_LE(end.privateBytes,
                  start.privateBytes + 256 * 1024 + static_cast<SIZE_T>(sessions) * kAllowedBytesPerSession);
    }
    CoUninitialize();
    terminal.Stop();
}
