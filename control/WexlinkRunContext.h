#pragma once
// Everything a protocol run shares between the control and its worker thread: the option queue with
// its lock and list event, the stop event, the settings of the run, and the sink its reports go to.
// Both hold a reference, so whichever lets go last frees it: a run that outlives its released control
// still has all it uses, and the control is never reached from the worker except through the sink,
// which the control detaches in its final release.
//
// While it exists it holds a lock on the module, so COM does not unload the library under a worker.

#include <windows.h>

#include "ComRef.h"
#include "EngineEventRelay.h"
#include "ScopedLock.h"
#include "UniqueHandle.h"
#include "WexlinkProtocol.h"
#include "com/Module.h"

class CWexlinkRunContext {
public:
    // Null when the events cannot be made or memory is short; otherwise the one reference.
    static CComRef<CWexlinkRunContext> Create();
    void AddRef();
    void Release();

    CCriticalSection& OptionLock() { return m_optionLock; }
    CCommOptionsList& Options() { return m_options; }
    HANDLE ListEvent() const { return m_listEvent.Get(); }
    HANDLE StopEvent() const { return m_stopEvent.Get(); }
    // Set from a successful Start until the worker has finished its run.
    volatile LONG& RunningFlag() { return m_running; }
    CEngineEventRelay& Relay() { return m_relay; }

    // Starts a worker for one run with the settings (its queue, events and sink are this context's),
    // reporting to `window`, or straight to `directTarget` when that is not null. Only while no run
    // is going. Returns the worker's handle, which the caller owns; null when no thread could be made.
    HANDLE Start(const CWexlinkWorkerSetup& settings, HWND window, IEngineMessageTarget* directTarget);

private:
    CWexlinkRunContext();
    ~CWexlinkRunContext() = default;
    CWexlinkRunContext(const CWexlinkRunContext&) = delete;
    CWexlinkRunContext& operator=(const CWexlinkRunContext&) = delete;

    static DWORD WINAPI WorkerThread(void* context);
    void RunWorker();

    CModuleLockHolder m_moduleLock;  // first, so that it goes after every other member
    volatile LONG m_references = 1;
    CCriticalSection m_optionLock;
    CCommOptionsList m_options;
    CUniqueKernelHandle m_listEvent;
    CUniqueKernelHandle m_stopEvent;
    volatile LONG m_running = 0;
    CWexlinkWorkerSetup m_setup;
    ULONG m_runCookie = 0;
    CEngineEventRelay m_relay;
};
