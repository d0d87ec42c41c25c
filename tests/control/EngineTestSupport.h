#pragma once
// Helpers shared by the engine's test programs: a sink and a message window that record what the
// engine reports (as the control's engine messages), and an engine whose port can be opened without
// running the whole driver.

#include "EngineMessageGate.h"
#include "UniqueHandle.h"
#include "WexlinkProtocol.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct DeliveredMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::wstring text;   // the status text, copied during the call
    DWORD threadId = 0;  // the thread the message was delivered on
};

// Collects delivered messages; the handler, when set, runs inside the delivery as the host's would.
class CMessageRecord {
public:
    using Handler = std::function<void(const DeliveredMessage&)>;

    void SetHandler(Handler handler)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_handler = std::move(handler);
    }

    void Add(UINT message, WPARAM wParam, LPARAM lParam)
    {
        DeliveredMessage delivered{message, wParam, lParam, {}, GetCurrentThreadId()};
        if (message == WM_WEXLINK_STATUS && lParam) {
            delivered.text = reinterpret_cast<const wchar_t*>(lParam);
        }
        Handler handler;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_messages.push_back(delivered);
            handler = m_handler;
        }
        m_changed.notify_all();
        if (handler) {
            handler(delivered);
        }
    }

    void Clear()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_messages.clear();
        m_handler = nullptr;
    }

    std::vector<DeliveredMessage> Snapshot() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_messages;
    }

    // The status ids in delivery order.
    std::vector<int> StatusIds() const
    {
        std::vector<int> ids;
        for (const DeliveredMessage& m : Snapshot()) {
            if (m.message == WM_WEXLINK_STATUS) {
                ids.push_back(static_cast<int>(m.wParam));
            }
        }
        return ids;
    }

    // The status ids in delivery order as one line, for a failure's message.
    std::string StatusTrail() const
    {
        std::string trail;
        for (int id : StatusIds()) {
            trail += (trail.empty() ? "" : " ") + std::to_string(id);
        }
        return trail;
    }

    size_t CountStatus(int id) const
    {
        size_t count = 0;
        for (int seen : StatusIds()) {
            count += seen == id ? 1 : 0;
        }
        return count;
    }

    std::wstring TextOf(int id) const
    {
        for (const DeliveredMessage& m : Snapshot()) {
            if (m.message == WM_WEXLINK_STATUS && static_cast<int>(m.wParam) == id) {
                return m.text;
            }
        }
        return L"<not delivered>";
    }

    bool WaitForStatus(int id, DWORD timeoutMs) const
    {
        std::unique_lock<std::mutex> hold(m_lock);
        return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
            for (const DeliveredMessage& m : m_messages) {
                if (m.message == WM_WEXLINK_STATUS && static_cast<int>(m.wParam) == id) {
                    return true;
                }
            }
            return false;
        });
    }

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<DeliveredMessage> m_messages;
    Handler m_handler;
};

// Records each report as the control's engine message, on the engine's thread.
class CRecordingSink final : public IEngineSink {
public:
    explicit CRecordingSink(CMessageRecord& record) : m_record(record) {}

    void Connected(long terminalId) override { m_record.Add(WM_WEXLINK_CONNECTED, 0, static_cast<LPARAM>(terminalId)); }
    void Progress(std::int16_t percentage) override
    {
        m_record.Add(WM_WEXLINK_PROGRESS, 0, static_cast<LPARAM>(percentage));
    }
    void Status(int statusId, const wchar_t* message) override
    {
        m_record.Add(WM_WEXLINK_STATUS, static_cast<WPARAM>(statusId), reinterpret_cast<LPARAM>(message));
    }

private:
    CMessageRecord& m_record;
};

// A hidden window that records the engine's messages on the thread that created it.
class CRecordingWindow {
public:
    explicit CRecordingWindow(CMessageRecord& record) : m_record(record)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CRecordingWindow::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"EngineTestRecordingWindow";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   windowClass.hInstance, this);
    }
    ~CRecordingWindow()
    {
        if (m_window) {
            DestroyWindow(m_window);
        }
    }
    CRecordingWindow(const CRecordingWindow&) = delete;
    CRecordingWindow& operator=(const CRecordingWindow&) = delete;

    HWND Handle() const { return m_window; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CRecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message >= WM_WEXLINK_CONNECTED && message <= WM_WEXLINK_STATUS) {
            self->m_record.Add(message, wParam, lParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    CMessageRecord& m_record;
    HWND m_window = nullptr;
};

// Waits short enough that a fault case costs a fraction of a second, yet long enough that an answer
// of the simulated terminal still crosses the virtual line in time on a loaded machine: a late answer
// would read as a lost one and add a retry.
inline CProtocolTimings ShortTimings()
{
    CProtocolTimings timings;
    timings.connectTimeoutMs = 1000;
    timings.answerTimeoutMs = 1000;
    timings.retryPauseMs = 100;
    timings.ioTimeoutMs = 1000;
    timings.readIntervalMs = 250;
    timings.portRecheckMs = 200;
    return timings;
}

// The engine with its driver's steps opened up for tests.
class CTestEngine : public CWexlinkProtocol {
public:
    CTestEngine() = default;
    explicit CTestEngine(CSerialPlatform& platform) : CWexlinkProtocol(platform) {}

    using CWexlinkProtocol::IsConfiguredPortListed;
    using CWexlinkProtocol::OpenConfiguredPort;
    using CWexlinkProtocol::SetUpLine;
};

// A manual-reset event owned by the test.
class CTestEvent {
public:
    CTestEvent() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    HANDLE Handle() const { return m_event.Get(); }
    void Set() { SetEvent(m_event.Get()); }

private:
    CUniqueKernelHandle m_event;
};
