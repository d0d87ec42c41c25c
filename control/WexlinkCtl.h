#pragma once
// The control: configured through three properties, fed with protocol options, started and
// stopped. One worker thread per run hosts the protocol engine and reports back through window
// messages to the hidden window "MyWexlinkWnd", which turns them into the three events.

#include <windows.h>

#include "CommOptionsObj.h"
#include "EngineMessageGate.h"
#include "Proxy_IWexlinkCtlEvents.h"
#include "Wexlink.h"
#include "WexlinkProtocol.h"
#include "com/OleControl.h"
#include "com/TypeInfoHolder.h"

class CWexlinkCtl final : public COleControl, public IWexlinkCtl_1_1 {
public:
    // The class factory's creator.
    static HRESULT CreateInstance(REFIID riid, void** object);

    // The OLEMISC bits registered for the control and answered by GetMiscStatus.
    static constexpr DWORD MiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                        OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INVISIBLEATRUNTIME |
                                        OLEMISC_SETCLIENTSITEFIRST;
    // Exit code of a worker that had to be terminated.
    static constexpr DWORD TerminatedWorkerExitCode = 10101;
    // How long the final release waits for a running worker.
    static constexpr DWORD WorkerStopWaitMs = 2000;

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
    STDMETHODIMP AddSetTerminalTimeDate(short hours, short minutes, short seconds, short Day, short Month,
                                        short Year, short* pVal) override;
    STDMETHODIMP AddSetTerminalLocalTimeDate() override;
    STDMETHODIMP AddReceiveFileFromTerminal(BSTR pcFile, enumDownType downType, BSTR terminalFile,
                                            short terminalDrive, unsigned char contOnNotAvail,
                                            short* pVal) override;
    STDMETHODIMP AddTransmitFileToTerminal(BSTR pcFile, BSTR terminalFile, short terminalDrive,
                                           unsigned char contOnNotAvail, short* pVal) override;
    STDMETHODIMP AddGetTerminalOSVersion() override;
    STDMETHODIMP AddGetTerminalApplicationVersion() override;
    STDMETHODIMP AddGetTerminalFileList(BSTR queryFile, short terminalDrive, short* pVal) override;
    STDMETHODIMP AddDeleteTerminalFiles(BSTR deleteFile, short terminalDrive, short* pVal) override;

    // IOleObject: whatever the container asks for, the extent becomes 1000 x 1000 HIMETRIC.
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;

    // The worker thread.
    static DWORD WINAPI ThreadStartRoutine(void* control);
    void ProtocolThread();

protected:
    void* InternalQueryInterface(REFIID riid) override;
    void FinalRelease() override;
    void OnClose() override;
    void OnDraw(HDC dc, const RECT& bounds) override;
    HWND CreateControlWindow(HWND parent, const RECT& position) override;
    bool OnWindowlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CWexlinkCtl();
    ~CWexlinkCtl() override;

    HRESULT FinalConstruct();
    static bool RegisterWindowClass();
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(HWND window);
    void OnNcDestroy(HWND window);

    // Fires the event of an engine message that the current run's worker delivers; such a message
    // from anyone else is swallowed unread. False for any other message.
    bool HandleEngineMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // Queues a record built by `make`; a refusal goes to *pVal (when there is one).
    template <typename MakeOption>
    HRESULT AddOption(short* pVal, MakeOption make);

    bool IsClosing() const;
    void StopWorkerForRelease();
    void DestroyHiddenWindow();
    static void DetachWindow(HWND window);

    short m_comport = 1;
    enumIRDADev m_irdaDevice = irdaParallax;
    LONG m_baudrate = 115200;
    enumCommType m_commType = commContinuous;
    short m_timesCount = 0;
    CRITICAL_SECTION m_listLock;
    CCommOptionsList m_jobList;
    HANDLE m_listEvent = nullptr;
    HANDLE m_stopEvent = nullptr;
    volatile LONG m_closing = 0;

    // The thread handle belongs to the control alone: the worker only clears m_workerRunning, so a
    // waiting final release never holds a handle that someone else has closed.
    HANDLE m_workerThread = nullptr;
    DWORD m_workerThreadId = 0;
    volatile LONG m_workerRunning = 0;
    CWexlinkWorkerSetup m_workerSetup;
    CEngineMessageGate m_messageGate;
    CComRef<IOleClientSite> m_workerSite;

    HWND m_hiddenWindow = nullptr;
    CTypeInfoHolder m_dispatchInfo;
    CProxy_IWexlinkCtlEvents m_proxy;
};
