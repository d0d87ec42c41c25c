#include "WexlinkRunContext.h"

#include <new>

#include "com/Module.h"

CWexlinkRunContext::CWexlinkRunContext()
{
    m_listEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

CComRef<CWexlinkRunContext> CWexlinkRunContext::Create()
{
    auto context = CComRef<CWexlinkRunContext>::Adopt(new (std::nothrow) CWexlinkRunContext);
    if (context && (!context->m_listEvent || !context->m_stopEvent || !context->m_relay.Ready())) {
        context.Reset();
    }
    return context;
}

void CWexlinkRunContext::AddRef()
{
    InterlockedIncrement(&m_references);
}

void CWexlinkRunContext::Release()
{
    if (InterlockedDecrement(&m_references) == 0) {
        delete this;
    }
}

HANDLE CWexlinkRunContext::Start(const CWexlinkWorkerSetup& settings, HWND window, IEngineMessageTarget* directTarget)
{
    m_setup = settings;
    m_setup.stopEvent = m_stopEvent.Get();
    m_setup.optionLock = m_optionLock.Get();
    m_setup.optionQueue = &m_options;
    m_setup.listEvent = m_listEvent.Get();
    m_setup.sink = &m_relay;
    m_runCookie = m_relay.Open(window, directTarget);

    // The worker's reference is taken before the thread exists, so that a control released at once
    // cannot free the context under a starting worker.
    CComRef<CWexlinkRunContext> workerReference(this);
    InterlockedExchange(&m_running, 1);
    HANDLE thread = CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
    if (!thread) {
        m_relay.Close(m_runCookie);
        InterlockedExchange(&m_running, 0);
        return nullptr;  // without the worker's reference; the caller still holds its own
    }
    workerReference.Detach();  // the worker lets go of it
    return thread;
}

DWORD WINAPI CWexlinkRunContext::WorkerThread(void* param)
{
    // A run may outlive its control, and with it the library's last object: once the context is
    // released below, COM may unload the library while this thread is still in its code. The
    // thread's own reference on the module keeps it loaded until the thread is out of it.
    HMODULE self = nullptr;
    const bool pinned = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                           reinterpret_cast<LPCWSTR>(&CWexlinkRunContext::WorkerThread), &self);
    {
        const auto context = CComRef<CWexlinkRunContext>::Adopt(static_cast<CWexlinkRunContext*>(param));
        context->RunWorker();
    }
    if (pinned) {
        FreeLibraryAndExitThread(self, 0);
    }
    return 0;
}

void CWexlinkRunContext::RunWorker()
{
    CWexlinkProtocol::RunWorker(m_setup);  // catches everything itself
    m_relay.Close(m_runCookie);            // before a new run may replace the setup
    InterlockedExchange(&m_running, 0);    // from here a new StartProtocol is accepted
}
