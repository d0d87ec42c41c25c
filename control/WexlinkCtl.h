#pragma once
// The control: configured through three properties, fed with protocol options, started and
// stopped. One worker thread per run hosts the protocol engine and reports back through window
// messages to the hidden window "MyWexlinkWnd", which turns them into the three events. The worker
// holds the run's context, never the control, so the control is always destroyed on the thread that
// releases it. The only client code the worker ever calls is a site-less client's event sink, which
// then receives the events directly on the worker.

#include <windows.h>

#include "CommOptionsObj.h"
#include "EngineEventRelay.h"
#include "Proxy_IWexlinkCtlEvents.h"
#include "Wexlink.h"
#include "WexlinkRunContext.h"
#include "com/OleControl.h"
#include "com/TypeInfoHolder.h"

class CWexlinkCtl final : public COleControl, public IWexlinkCtl_1_1, private IEngineMessageTarget {
public:
    // The class factory's creator.
    static HRESULT CreateInstance(REFIID riid, void** object);

    // The OLEMISC bits registered for the control and answered by GetMiscStatus.
    static constexpr DWORD MiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                        OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INVISIBLEATRUNTIME |
                                        OLEMISC_SETCLIENTSITEFIRST;
    static const wchar_t WindowClassName[];
    static const wchar_t HiddenWindowName[];

    // IUnknown, shared by every interface of the object.
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, served through the type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IWexlinkCtl
    STDMETHODIMP get_Comport(short* pVal) override;
    STDMETHODIMP put_Comport(short newVal) override;
    STDMETHODIMP get_Baudrate(LONG* pVal) override;
    STDMETHODIMP put_Baudrate(LONG newVal) override;
    STDMETHODIMP get_IrDADevice(enumIRDADev* pVal) override;
    STDMETHODIMP put_IrDADevice(enumIRDADev newVal) override;
    STDMETHODIMP StartProtocol(enumCommType commType, short timesCount, short* pVal) override;
    STDMETHODIMP StopProtocol() override;
    STDMETHODIMP IsProtocolRunning(short* pVal) override;
    STDMETHODIMP ClearProtocolOptionsList() override;
    STDMETHODIMP AddGetTerminalTimeDate(enumTimeDateFmt fmtTimeDate, short* pVal) override;
    STDMETHODIMP AddSetTerminalTimeDate(short hours, short minutes, short seconds, short Day, short Month, short Year,
                                        short* pVal) override;
    STDMETHODIMP AddSetTerminalLocalTimeDate() override;
    STDMETHODIMP AddReceiveFileFromTerminal(BSTR pcFile, enumDownType downType, BSTR terminalFile, short terminalDrive,
                                            unsigned char contOnNotAvail, short* pVal) override;
    STDMETHODIMP AddTransmitFileToTerminal(BSTR pcFile, BSTR terminalFile, short terminalDrive,
                                           unsigned char contOnNotAvail, short* pVal) override;
    STDMETHODIMP AddGetTerminalOSVersion() override;
    STDMETHODIMP AddGetTerminalApplicationVersion() override;
    STDMETHODIMP AddGetTerminalFileList(BSTR queryFile, short terminalDrive, short* pVal) override;
    STDMETHODIMP AddDeleteTerminalFiles(BSTR deleteFile, short terminalDrive, short* pVal) override;

    // IOleObject: whatever the container asks for, the extent becomes 1000 x 1000 HIMETRIC.
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;

protected:
    void* InternalQueryInterface(REFIID riid) override;
    void FinalRelease() override;
    void OnClose() override;
    void OnDraw(HDC dc, const RECT& bounds) override;
    HWND CreateControlWindow(HWND parent, const RECT& position) override;
    bool OnWindowlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    explicit CWexlinkCtl(CComRef<CWexlinkRunContext> context);
    ~CWexlinkCtl() override = default;

    HRESULT FinalConstruct();
    static bool RegisterWindowClass();
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(HWND window);
    void OnNcDestroy(HWND window);

    // Fires the event of an engine message that the current run's worker delivers; such a message
    // from anyone else is swallowed unread. False for any other message.
    bool HandleEngineMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Without a client site the worker hands its messages over here, on its own thread.
    void OnEngineMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Queues a record built by `make`; a refusal goes to *pVal (when there is one).
    template <typename MakeOption>
    HRESULT AddOption(short* pVal, MakeOption make);

    bool IsClosing() const;
    void LetGoOfWorker();
    void DestroyHiddenWindow();
    static void DetachWindow(HWND window);

    short m_comport = 1;
    enumIRDADev m_irdaDevice = irdaParallax;
    LONG m_baudrate = 115200;
    enumCommType m_commType = commContinuous;
    short m_timesCount = 0;
    // Shared with the worker; the control holds one reference until its final release. The queue,
    // its lock and the events live there, so that a run that outlives the control still has them.
    CComRef<CWexlinkRunContext> m_context;
    CCriticalSection& m_listLock;
    CCommOptionsList& m_jobList;
    const HANDLE m_listEvent;
    const HANDLE m_stopEvent;
    volatile LONG& m_workerRunning;
    volatile LONG m_closing = 0;

    // The thread handle belongs to the control alone: the worker only clears m_workerRunning.
    CUniqueKernelHandle m_workerThread;

    HWND m_hiddenWindow = nullptr;
    CTypeInfoHolder m_dispatchInfo;
    CProxy_IWexlinkCtlEvents m_proxy;
};
