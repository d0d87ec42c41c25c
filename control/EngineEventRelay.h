#pragma once
// The control's side of the engine's sink: turns each report into one of the control's engine
// messages and decides how it travels. With a client site it is sent to the control's hidden window,
// so the event fires on the control's thread while the worker waits. Without one there may be no
// message loop to serve a send: the message goes straight to the control's handler on the worker.
// Either way the gate announces it for the length of the delivery, so nothing but the current run's
// worker gets an event fired.
//
// The relay outlives the control when a run outlives it: once the control has detached, the reports
// go nowhere, and the control is never reached again.

#include <windows.h>

#include "EngineMessageGate.h"
#include "EngineSink.h"
#include "ScopedLock.h"
#include "UniqueHandle.h"

// Where messages go that are delivered without a window.
class IEngineMessageTarget {
public:
    virtual void OnEngineMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~IEngineMessageTarget() = default;
};

class CEngineEventRelay final : public IEngineSink {
public:
    CEngineEventRelay();
    CEngineEventRelay(const CEngineEventRelay&) = delete;
    CEngineEventRelay& operator=(const CEngineEventRelay&) = delete;

    // Before a run starts: the window that receives its messages, and the target that takes them
    // directly instead (null: by the window). Returns the run's cookie at the gate.
    ULONG Open(HWND window, IEngineMessageTarget* directTarget);
    // When the run has ended, on the worker.
    void Close(ULONG cookie);
    // From the control's final release: nothing is delivered from here on. A direct delivery that is
    // under way on another thread is waited for, serving the messages sent to this thread meanwhile,
    // because it is inside the control.
    void Detach();

    // False when the relay could not get its event.
    bool Ready() const { return m_directIdle.IsValid(); }
    CEngineMessageGate& Gate() { return m_gate; }

    void Connected(long terminalId) override;
    void Progress(std::int16_t percentage) override;
    void Status(int statusId, const wchar_t* message) override;

private:
    struct Route {
        HWND window = nullptr;
        IEngineMessageTarget* target = nullptr;
        ULONG cookie = 0;
    };
    void Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    bool BeginDelivery(Route& route);
    void EndDirectDelivery();
    void WaitForDirectDelivery();

    CEngineMessageGate m_gate;
    CCriticalSection m_lock;
    bool m_detached = false;
    Route m_route;
    LONG m_directDeliveries = 0;       // under m_lock
    DWORD m_directThread = 0;          // the worker, while it delivers directly
    CUniqueKernelHandle m_directIdle;  // manual-reset; set while no direct delivery is under way
};
