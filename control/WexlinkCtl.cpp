#include "WexlinkCtl.h"

#include <new>
#include <string>
#include <utility>

#include "Resource.h"
#include "com/Module.h"
#include "LineSettings.h"
#include "ScopedLock.h"
#include "WexlinkCodes.h"

const wchar_t CWexlinkCtl::WindowClassName[] = L"WexlinkWnd";
const wchar_t CWexlinkCtl::HiddenWindowName[] = L"MyWexlinkWnd";

namespace {

COleControlTraits ControlTraits()
{
    COleControlTraits traits{};
    traits.clsid = CLSID_WexlinkCtl;
    traits.eventIid = DIID__IWexlinkCtlEvents;
    traits.errorInfoIid = IID_IWexlinkCtl;
    traits.miscStatus = CWexlinkCtl::MiscStatus;
    traits.initialExtent = SIZEL{5080, 5080};
    return traits;
}

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

}  // namespace

// ---- construction and destruction ----------------------------------------------------------------

CWexlinkCtl::CWexlinkCtl(CComRef<CWexlinkRunContext> context)
    : COleControl(ControlTraits()),
      m_context(std::move(context)),
      m_listLock(m_context->OptionLock()),
      m_jobList(m_context->Options()),
      m_listEvent(m_context->ListEvent()),
      m_stopEvent(m_context->StopEvent()),
      m_workerRunning(m_context->RunningFlag()),
      m_dispatchInfo(IID_IWexlinkCtl),
      m_proxy(EventConnectionPoint())
{
}

HRESULT CWexlinkCtl::CreateInstance(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CComRef<CWexlinkRunContext> context = CWexlinkRunContext::Create();
    if (!context)
        return E_OUTOFMEMORY;
    // The creation's own reference: on failure its release destroys the object.
    const auto control = CComRef<CWexlinkCtl>::Adopt(new (std::nothrow) CWexlinkCtl(std::move(context)));
    if (!control)
        return E_OUTOFMEMORY;
    HRESULT hr = control->FinalConstruct();
    if (SUCCEEDED(hr))
        hr = control->QueryInterface(riid, object);
    return hr;
}

HRESULT CWexlinkCtl::FinalConstruct()
{
    if (!RegisterWindowClass()) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    SetLastError(0);
    m_hiddenWindow = CreateWindowExW(0, WindowClassName, HiddenWindowName, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                     TheModule().Instance(), this);
    if (!m_hiddenWindow) {
        // Wine without a display fails with last error 0: never report success for an object
        // that has no window to receive the engine's messages.
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    return S_OK;
}

void CWexlinkCtl::FinalRelease()
{
    InterlockedExchange(&m_closing, 1);  // from here no event fires
    LetGoOfWorker();
    // Only a client that releases the control on another thread leaves a window to close later.
    DetachWindow(ControlWindow());
    InPlaceDeactivate();
    DestroyHiddenWindow();
}

void CWexlinkCtl::LetGoOfWorker()
{
    // The worker reaches the control only through the run's sink: detached, it reports nowhere, and
    // a report it is handing to the control right now is waited for. A run that is still going
    // carries on to its end with the context it holds (a container that wants it ended closes the
    // control or stops it first), and its thread ends on its own.
    m_context->Relay().Detach();
    m_workerThread.Reset();
}

void CWexlinkCtl::DestroyHiddenWindow()
{
    HWND window = m_hiddenWindow;
    m_hiddenWindow = nullptr;
    if (!window)
        return;
    DetachWindow(window);
    DestroyWindowOnItsThread(window);
}

void CWexlinkCtl::DetachWindow(HWND window)
{
    // From here the window's messages no longer reach the object; its module lock stays until
    // WM_NCDESTROY, so the library outlives a window that closes later on its own thread (and the
    // hidden window no longer refuses to close).
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

void CWexlinkCtl::OnClose()
{
    // A closed control has no container left to report to: its run ends.
    if (InterlockedCompareExchange(&m_workerRunning, 0, 0))
        SetEvent(m_stopEvent);
}

// ---- IUnknown, IDispatch -------------------------------------------------------------------------

void* CWexlinkCtl::InternalQueryInterface(REFIID riid)
{
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWexlinkCtl) || IsEqualIID(riid, IID_IWexlinkCtl_1_1))
        return static_cast<IWexlinkCtl_1_1*>(this);
    return COleControl::InternalQueryInterface(riid);
}

STDMETHODIMP CWexlinkCtl::QueryInterface(REFIID riid, void** object)
{
    return COleControl::QueryInterface(riid, object);
}

STDMETHODIMP_(ULONG) CWexlinkCtl::AddRef()
{
    return COleControl::AddRef();
}

STDMETHODIMP_(ULONG) CWexlinkCtl::Release()
{
    return COleControl::Release();
}

STDMETHODIMP CWexlinkCtl::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    return m_dispatchInfo.GetTypeInfo(index, info);
}

STDMETHODIMP CWexlinkCtl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return m_dispatchInfo.GetIDsOfNames(names, count, ids);
}

STDMETHODIMP CWexlinkCtl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argError)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return m_dispatchInfo.Invoke(static_cast<IWexlinkCtl*>(this), id, flags, params, result, exception, argError);
}

// ---- properties ----------------------------------------------------------------------------------

STDMETHODIMP CWexlinkCtl::get_Comport(short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_comport;
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::put_Comport(short newVal)
{
    if (newVal < 1 || newVal > 255)
        return S_FALSE;
    m_comport = newVal;
    SetDirty(true);
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::get_Baudrate(LONG* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_baudrate;
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::put_Baudrate(LONG newVal)
{
    // Only the rates a user can be offered; the engine's cable-only rate is not one of them.
    if (!IsLineBaudRate(newVal))
        return S_FALSE;
    m_baudrate = newVal;
    SetDirty(true);
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::get_IrDADevice(enumIRDADev* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = m_irdaDevice;
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::put_IrDADevice(enumIRDADev newVal)
{
    if (!IsAdapterKind(static_cast<ULONG>(newVal)))
        return S_FALSE;
    m_irdaDevice = newVal;
    SetDirty(true);
    return S_OK;
}

// ---- running the protocol ------------------------------------------------------------------------

STDMETHODIMP CWexlinkCtl::StartProtocol(enumCommType commType, short timesCount, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = StartResult::Started;
    switch (commType) {
    case commContinuous:
        m_commType = commContinuous;
        break;
    case commSuccess:
    case commNoAnswer:
        m_commType = commType;
        if (timesCount < kFewestRunCount) {
            *pVal = StartResult::TimesCountBelowOne;
            return S_FALSE;
        }
        m_timesCount = timesCount;
        break;
    default:
        *pVal = StartResult::UnknownCommType;
        return S_FALSE;
    }
    if (InterlockedCompareExchange(&m_workerRunning, 0, 0)) {
        *pVal = StartResult::AlreadyRunning;
        return S_FALSE;
    }
    ResetEvent(m_stopEvent);

    m_workerThread.Reset();  // the previous worker has finished its run
    CWexlinkWorkerSetup settings;
    settings.comPort = m_comport;
    settings.baudRate = m_baudrate;
    settings.irdaDevice = m_irdaDevice;
    settings.commType = m_commType;
    settings.timesCount = m_timesCount;
    // With a client site there is a message loop on this thread: the events fire here, sent to the
    // hidden window. Without one the worker hands its messages over itself.
    IEngineMessageTarget* direct = ClientSite() ? nullptr : this;
    HANDLE thread = m_context->Start(settings, m_hiddenWindow, direct);
    if (!thread) {
        *pVal = StartResult::ThreadCreationFailed;
        return S_FALSE;
    }
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    m_workerThread.Reset(thread);
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::StopProtocol()
{
    SetEvent(m_stopEvent);
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::IsProtocolRunning(short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = InterlockedCompareExchange(&m_workerRunning, 0, 0) ? 1 : 0;
    return S_OK;
}

// ---- the option queue ----------------------------------------------------------------------------

STDMETHODIMP CWexlinkCtl::ClearProtocolOptionsList()
{
    CCommOptionsList removed;
    {
        CScopedLock hold(m_listLock);
        removed.swap(m_jobList);
        SetEvent(m_listEvent);
    }
    return S_OK;  // the removed records are freed outside the lock
}

template <typename MakeOption>
HRESULT CWexlinkCtl::AddOption(short* pVal, MakeOption make)
{
    if (pVal)
        *pVal = 0;
    try {
        CCommOptionsObj option = make();
        CScopedLock hold(m_listLock);
        m_jobList.push_back(option);
    } catch (const CCommOptExcept& refusal) {
        if (pVal)
            *pVal = static_cast<short>(refusal.code);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    return S_OK;
}

STDMETHODIMP CWexlinkCtl::AddGetTerminalTimeDate(enumTimeDateFmt fmtTimeDate, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [=] { return CCommOptionsObj(fmtTimeDate); });
}

STDMETHODIMP CWexlinkCtl::AddSetTerminalTimeDate(short hours, short minutes, short seconds, short Day, short Month,
                                                 short Year, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [=] { return CCommOptionsObj(hours, minutes, seconds, Day, Month, Year); });
}

STDMETHODIMP CWexlinkCtl::AddSetTerminalLocalTimeDate()
{
    return AddOption(nullptr, [] { return CCommOptionsObj(optSetLocalTimeDate); });
}

STDMETHODIMP CWexlinkCtl::AddReceiveFileFromTerminal(BSTR pcFile, enumDownType downType, BSTR terminalFile,
                                                     short terminalDrive, unsigned char contOnNotAvail, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [&] {
        return CCommOptionsObj(FromBstr(pcFile), downType, FromBstr(terminalFile), terminalDrive, contOnNotAvail != 0);
    });
}

STDMETHODIMP CWexlinkCtl::AddTransmitFileToTerminal(BSTR pcFile, BSTR terminalFile, short terminalDrive,
                                                    unsigned char contOnNotAvail, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [&] {
        return CCommOptionsObj(FromBstr(pcFile), FromBstr(terminalFile), terminalDrive, contOnNotAvail != 0);
    });
}

STDMETHODIMP CWexlinkCtl::AddGetTerminalOSVersion()
{
    return AddOption(nullptr, [] { return CCommOptionsObj(optGetOSVersion); });
}

STDMETHODIMP CWexlinkCtl::AddGetTerminalApplicationVersion()
{
    return AddOption(nullptr, [] { return CCommOptionsObj(optGetApplicationVersion); });
}

STDMETHODIMP CWexlinkCtl::AddGetTerminalFileList(BSTR queryFile, short terminalDrive, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [&] { return CCommOptionsObj(optGetFileList, FromBstr(queryFile), terminalDrive); });
}

STDMETHODIMP CWexlinkCtl::AddDeleteTerminalFiles(BSTR deleteFile, short terminalDrive, short* pVal)
{
    if (!pVal)
        return E_POINTER;
    return AddOption(pVal, [&] { return CCommOptionsObj(optDeleteFiles, FromBstr(deleteFile), terminalDrive); });
}

// ---- events --------------------------------------------------------------------------------------

bool CWexlinkCtl::IsClosing() const
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&m_closing), 0, 0) != 0;
}

bool CWexlinkCtl::HandleEngineMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg < WM_WEXLINK_CONNECTED || msg > WM_WEXLINK_STATUS)
        return false;
    if (!m_context->Relay().Gate().Admit(msg, wParam, lParam))
        return true;  // forged or stale: lParam may point anywhere, so it is not even looked at
    switch (msg) {
    case WM_WEXLINK_CONNECTED:
        if (!IsClosing())
            m_proxy.Fire_Connected(static_cast<long>(lParam));
        return true;
    case WM_WEXLINK_PROGRESS:
        if (!IsClosing())
            m_proxy.Fire_Progress(static_cast<short>(lParam));
        return true;
    case WM_WEXLINK_STATUS:
        if (!IsClosing()) {
            // Without memory for the copy the status still goes out, with an empty text.
            BSTR text = lParam ? SysAllocString(reinterpret_cast<const wchar_t*>(lParam)) : nullptr;
            m_proxy.Fire_StatusInformation(static_cast<short>(wParam), text);
            SysFreeString(text);
        }
        return true;
    default:
        return false;
    }
}

void CWexlinkCtl::OnEngineMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        HandleEngineMessage(msg, wParam, lParam);
    } catch (...) {
        // The worker's report goes on; nothing unwinds into the engine.
    }
}

bool CWexlinkCtl::OnWindowlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    return HandleEngineMessage(msg, wParam, lParam);
}

// ---- windows and drawing -------------------------------------------------------------------------

bool CWexlinkCtl::RegisterWindowClass()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = TheModule().Instance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = WindowClassName;
    if (RegisterClassExW(&wc))
        return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWexlinkCtl::CreateControlWindow(HWND parent, const RECT& position)
{
    return CreateWindowExW(0, WindowClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                           position.left, position.top, position.right - position.left, position.bottom - position.top,
                           parent, nullptr, TheModule().Instance(), this);
}

LRESULT CALLBACK CWexlinkCtl::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        if (msg == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            TheModule().Lock();  // the window procedure lives in this module until WM_NCDESTROY
        }
        auto* control = reinterpret_cast<CWexlinkCtl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) {
            if (control)
                control->OnNcDestroy(window);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            TheModule().Unlock();
            return DefWindowProcW(window, msg, wParam, lParam);
        }
        if (control) {
            if (control->HandleEngineMessage(msg, wParam, lParam))
                return 0;
            // The engine reports only to the hidden window: a close request from outside would
            // silently cut every later run off from its container. The control detaches the
            // window before it closes it itself.
            if (msg == WM_CLOSE && window == control->m_hiddenWindow)
                return 0;
            if (msg == WM_PAINT)
                return control->OnPaint(window);
        }
    } catch (...) {
        // Nothing may unwind into the system's message dispatch.
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CWexlinkCtl::OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc) {
        RECT client;
        GetClientRect(window, &client);
        OnDraw(dc, client);
    }
    EndPaint(window, &paint);
    return 0;
}

void CWexlinkCtl::OnNcDestroy(HWND window)
{
    if (window == m_hiddenWindow)
        m_hiddenWindow = nullptr;
    if (window == ControlWindow())
        ForgetControlWindow();
}

void CWexlinkCtl::OnDraw(HDC dc, const RECT& bounds)
{
    // Only a design-time container sees the picture; when the container cannot say, the control
    // stays invisible as it is at run time.
    bool userMode = true;
    if (!ReadAmbientUserMode(userMode))
        userMode = true;
    if (userMode)
        return;
    HBITMAP picture = LoadBitmapW(TheModule().Instance(), MAKEINTRESOURCEW(IDB_DESIGNVIEW));
    if (!picture)
        return;
    HDC source = CreateCompatibleDC(dc);
    if (source) {
        BITMAP info{};
        GetObjectW(picture, sizeof(info), &info);
        HGDIOBJ old = SelectObject(source, picture);
        StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left + 1, bounds.bottom - bounds.top + 1, source,
                   0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    DeleteObject(picture);
}

STDMETHODIMP CWexlinkCtl::SetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    SIZEL fixed{1000, 1000};
    return COleControl::SetExtent(aspect, &fixed);
}
