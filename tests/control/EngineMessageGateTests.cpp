// The gate that lets the control act only on the messages its own worker delivers for the current
// run: what it admits and what it refuses, directly and through a window of another thread; and the
// relay that carries the worker's reports to the control until the control lets go of the run.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EngineEventRelay.h"
#include "EngineMessageGate.h"
#include "SentMessageWait.h"
#include "WexlinkCodes.h"

namespace {

DWORD WINAPI RunWork(void* param)
{
    (*static_cast<std::function<void()>*>(param))();
    return 0;
}

// Runs a function on a thread of its own and waits for it.
void OnOtherThread(std::function<void()> work)
{
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitServingSentMessages(thread, 10000);  // as a window's thread does
    CloseHandle(thread);
}

// A message-only window of this thread that asks the gate about every engine message it gets.
class GateWindow {
public:
    explicit GateWindow(CEngineMessageGate& gate) : m_gate(gate)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &GateWindow::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"EngineMessageGateTestWindow";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, this);
    }
    ~GateWindow()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    GateWindow(const GateWindow&) = delete;
    GateWindow& operator=(const GateWindow&) = delete;

    HWND Handle() const { return m_window; }
    int admitted = 0;
    int refused = 0;

    void PumpPosted()
    {
        MSG msg;
        while (PeekMessageW(&msg, m_window, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<GateWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message >= WM_WEXLINK_CONNECTED && message <= WM_WEXLINK_STATUS) {
            if (self->m_gate.Admit(message, wParam, lParam))
                ++self->admitted;
            else
                ++self->refused;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    CEngineMessageGate& m_gate;
    HWND m_window = nullptr;
};

}  // namespace

TEST(EngineMessageGate, AdmitsOnlyTheAnnouncedMessageAndOnlyOnce)
{
    CEngineMessageGate gate;
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_CONNECTED, 0, 0)) << "nothing announced";
    const ULONG run = gate.OpenRun();
    EXPECT_NE(0u, run);
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_CONNECTED, 0, 0)) << "a run, but nothing announced";

    const wchar_t text[] = L"Communication session complete.";
    const LPARAM pointer = reinterpret_cast<LPARAM>(text);
    ASSERT_TRUE(gate.Announce(run, WM_WEXLINK_STATUS, StatusId::SessionComplete, pointer));
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_CONNECTED, StatusId::SessionComplete, pointer));
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_STATUS, 1211, pointer));
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_STATUS, StatusId::SessionComplete, pointer + 2));
    EXPECT_TRUE(gate.Admit(WM_WEXLINK_STATUS, StatusId::SessionComplete, pointer));
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_STATUS, StatusId::SessionComplete, pointer)) << "a second copy of one delivery";

    ASSERT_TRUE(gate.Announce(run, WM_WEXLINK_PROGRESS, 0, 40));
    gate.Withdraw(run);
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_PROGRESS, 0, 40)) << "after the delivery ended";

    {
        CEngineMessageGate::CAnnouncement announced(gate, run, WM_WEXLINK_PROGRESS, 0, 50);
        EXPECT_TRUE(static_cast<bool>(announced));
    }
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_PROGRESS, 0, 50)) << "the announcement ends with its scope";
}

TEST(EngineMessageGate, OnlyTheCurrentRunsCookieAnnounces)
{
    CEngineMessageGate gate;
    EXPECT_FALSE(gate.Announce(0, WM_WEXLINK_PROGRESS, 0, 1)) << "no run open";
    const ULONG first = gate.OpenRun();
    ASSERT_TRUE(gate.Announce(first, WM_WEXLINK_PROGRESS, 0, 1));
    gate.CloseRun(first);
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_PROGRESS, 0, 1)) << "closing the run drops what it announced";
    EXPECT_FALSE(gate.Announce(first, WM_WEXLINK_PROGRESS, 0, 1)) << "a closed run";

    const ULONG second = gate.OpenRun();
    EXPECT_NE(first, second);
    EXPECT_FALSE(gate.Announce(first, WM_WEXLINK_PROGRESS, 0, 2)) << "an earlier run's cookie";
    {
        CEngineMessageGate::CAnnouncement stale(gate, first, WM_WEXLINK_PROGRESS, 0, 2);
        EXPECT_FALSE(static_cast<bool>(stale));
        EXPECT_FALSE(gate.Admit(WM_WEXLINK_PROGRESS, 0, 2));
    }
    ASSERT_TRUE(gate.Announce(second, WM_WEXLINK_PROGRESS, 0, 3));
    gate.CloseRun(first);  // a late close of the old run leaves the new one alone
    gate.Withdraw(first);
    EXPECT_TRUE(gate.Admit(WM_WEXLINK_PROGRESS, 0, 3));
}

TEST(EngineMessageGate, OnlyTheAnnouncingThreadDeliversDirectlyOrBySend)
{
    CEngineMessageGate gate;
    GateWindow window(gate);
    ASSERT_TRUE(window.Handle());
    const ULONG run = gate.OpenRun();

    // Announced on another thread: a direct call here is not that thread's delivery.
    OnOtherThread([&] { gate.Announce(run, WM_WEXLINK_CONNECTED, 0, 7); });
    EXPECT_FALSE(gate.Admit(WM_WEXLINK_CONNECTED, 0, 7));
    gate.Withdraw(run);

    // Posted by the announcing thread: a post is no delivery of the worker, which always waits.
    OnOtherThread([&] {
        CEngineMessageGate::CAnnouncement announced(gate, run, WM_WEXLINK_CONNECTED, 0, 8);
        PostMessageW(window.Handle(), WM_WEXLINK_CONNECTED, 0, 8);
        window.PumpPosted();  // from the wrong thread: the post stays queued for the window's thread
    });
    window.PumpPosted();
    EXPECT_EQ(0, window.admitted);
    EXPECT_EQ(1, window.refused);

    // Sent by the announcing thread while it is announced: the one message that counts.
    OnOtherThread([&] {
        CEngineMessageGate::CAnnouncement announced(gate, run, WM_WEXLINK_CONNECTED, 0, 9);
        SendMessageW(window.Handle(), WM_WEXLINK_CONNECTED, 0, 9);
        SendMessageW(window.Handle(), WM_WEXLINK_CONNECTED, 0, 9);
    });
    EXPECT_EQ(1, window.admitted);
    EXPECT_EQ(2, window.refused);

    // The window's own thread sending the announced message is no delivery either.
    OnOtherThread([&] { gate.Announce(run, WM_WEXLINK_CONNECTED, 0, 10); });
    SendMessageW(window.Handle(), WM_WEXLINK_CONNECTED, 0, 10);
    EXPECT_EQ(1, window.admitted);
    EXPECT_EQ(3, window.refused);

    // A direct call on the announcing thread (windowless delivery) is admitted.
    bool directOnSender = false;
    OnOtherThread([&] {
        gate.Announce(run, WM_WEXLINK_STATUS, 5, 11);
        directOnSender = gate.Admit(WM_WEXLINK_STATUS, 5, 11);
    });
    EXPECT_TRUE(directOnSender);
}

namespace {

// Stands in for the control's handler of messages delivered without a window: asks the gate, as the
// control does, and records what it admits. `during` runs inside each delivery.
class RecordingTarget : public IEngineMessageTarget {
public:
    explicit RecordingTarget(CEngineMessageGate& gate) : m_gate(gate) {}

    void OnEngineMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_gate.Admit(message, wParam, lParam)) {
            admitted.push_back(message);
            values.push_back(message == WM_WEXLINK_STATUS ? static_cast<LPARAM>(wParam) : lParam);
            if (message == WM_WEXLINK_STATUS)
                text = reinterpret_cast<const wchar_t*>(lParam);
        }
        threads.push_back(GetCurrentThreadId());
        if (during)
            during();
    }

    std::vector<UINT> admitted;
    std::vector<LPARAM> values;
    std::vector<DWORD> threads;
    std::wstring text;
    std::function<void()> during;

private:
    CEngineMessageGate& m_gate;
};

DWORD WINAPI ReportStatus(void* relay)
{
    static_cast<CEngineEventRelay*>(relay)->Status(StatusId::SessionComplete, L"Report.");
    return 0;
}

}  // namespace

TEST(EngineEventRelay, WithoutAWindowReportsReachTheTargetOnTheWorkerUntilTheControlDetaches)
{
    CEngineEventRelay relay;
    RecordingTarget target(relay.Gate());
    relay.Open(nullptr, &target);
    DWORD worker = 0;
    OnOtherThread([&] {
        worker = GetCurrentThreadId();
        relay.Connected(0x0A0B0C);
        relay.Progress(-1);
        relay.Status(StatusId::SessionComplete, L"Report.");
    });
    EXPECT_EQ((std::vector<UINT>{WM_WEXLINK_CONNECTED, WM_WEXLINK_PROGRESS, WM_WEXLINK_STATUS}), target.admitted);
    EXPECT_EQ((std::vector<LPARAM>{0x0A0B0C, -1, StatusId::SessionComplete}), target.values)
        << "progress is sign-extended";
    EXPECT_EQ(L"Report.", target.text);
    EXPECT_EQ((std::vector<DWORD>{worker, worker, worker}), target.threads);

    relay.Detach();
    OnOtherThread([&] { relay.Status(1211, L"Late."); });
    EXPECT_EQ(3u, target.threads.size()) << "a detached control is never reached";
}

// The control's final release may come while the worker is inside one of its events: the control
// must stay until that event is over, and the event may be waiting for the control's thread.
TEST(EngineEventRelay, DetachWaitsForAReportUnderWayWhileServingWhatItSendsHere)
{
    HWND here = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(here);
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CEngineEventRelay relay;
    RecordingTarget target(relay.Gate());
    LRESULT sent = 0;
    volatile LONG finished = 0;
    target.during = [&] {
        SetEvent(entered);
        DWORD_PTR ignored = 0;
        sent = SendMessageTimeoutW(here, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
        Sleep(200);
        InterlockedExchange(&finished, 1);
    };
    relay.Open(nullptr, &target);
    HANDLE thread = CreateThread(nullptr, 0, ReportStatus, &relay, 0, nullptr);
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(entered, 5000));

    relay.Detach();
    EXPECT_EQ(1, finished) << "detached while the control was still in use";
    EXPECT_NE(0, sent) << "the send to the detaching thread was not served";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    CloseHandle(entered);
    DestroyWindow(here);
}

TEST(EngineEventRelay, AControlReleasedInsideItsOwnEventOnTheWorkerDoesNotWaitForItself)
{
    CEngineEventRelay relay;
    RecordingTarget target(relay.Gate());
    target.during = [&] { relay.Detach(); };
    relay.Open(nullptr, &target);
    HANDLE thread = CreateThread(nullptr, 0, ReportStatus, &relay, 0, nullptr);
    ASSERT_TRUE(thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
    EXPECT_EQ(1u, target.admitted.size());
}
