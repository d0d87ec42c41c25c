// ReadClock PORT [BAUD [ADAPTER]]: prints the clock of the terminal on COM port PORT, read through the
// Wexlink control. It uses the control as any program can: it creates it by its ProgID, calls it by
// name through IDispatch and takes its StatusInformation events on a sink of its own.
// ADAPTER is the infrared adapter on the port, 0 to 4 as the control's IrDADevice takes it; 0, none,
// for a cable or cradle unless given.
// Exit code 0 with the clock printed; 1 a wrong argument, 2 no usable control, 3 the port cannot be
// used, 4 no clock: the whole run takes at most 30 s.
#include <windows.h>
#include <ocidl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "WexlinkCodes.h"
#include "WexlinkDispIds.h"
#include "WexlinkEnums.h"

namespace {

// The control's event interface, _IWexlinkCtlEvents.
const IID kEventsIid = {0xB6C7B1D1, 0x57F3, 0x4F72, {0x91, 0xD7, 0x2C, 0xBE, 0x3F, 0xD5, 0xD5, 0x86}};

constexpr DWORD kRunMs = 30000;           // the whole run, its stop included
constexpr DWORD kStopAllowanceMs = 5000;  // of which a stop is given this much to end the run

const wchar_t* const kAdapterNames[] = {L"none", L"Litelink compatible", L"Tekram compatible", L"ActiSys compatible",
                                        L"DKV-5500 cradle"};

// Fixed buffers: the sink copies into them on the control's thread, where nothing may throw.
struct RunReport {
    wchar_t clock[64] = L"";
    wchar_t lastError[256] = L"";
    StatusInfoId last = StatusId::None;  // the run's last report, once it came
};

// Without a client site the control calls its sinks on its worker thread: this one only keeps what
// the main thread needs, under a lock, and wakes it.
class CStatusSink final : public IDispatch {
public:
    CStatusSink() { InitializeCriticalSection(&m_lock); }
    HANDLE Ended() const { return m_ended; }
    HANDLE PortMissing() const { return m_portMissing; }
    RunReport Report()
    {
        EnterCriticalSection(&m_lock);
        const RunReport copy = m_report;
        LeaveCriticalSection(&m_lock);
        return copy;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IDispatch || iid == kEventsIid ? this : nullptr;
        return *object ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // StatusInformation(short status, BSTR message), whose arguments come last one first.
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        if (id != DISPID_WEXLINK_STATUSINFORMATION || params->cArgs != 2 || V_VT(&params->rgvarg[1]) != VT_I2 ||
            V_VT(&params->rgvarg[0]) != VT_BSTR)
            return S_OK;
        const StatusInfoId status = V_I2(&params->rgvarg[1]);
        const wchar_t* text = V_BSTR(&params->rgvarg[0]) ? V_BSTR(&params->rgvarg[0]) : L"";
        const bool last = status == StatusId::AbortedAfterSuccesses || status == StatusId::UserAborted ||
                          status == StatusId::CannotOpenPort;
        EnterCriticalSection(&m_lock);
        if (status == StatusId::TimeDate)
            lstrcpynW(m_report.clock, text, ARRAYSIZE(m_report.clock));
        else if (status > StatusId::Success && status < StatusId::AbortedAfterSuccesses &&
                 status != StatusId::UserAborted)
            lstrcpynW(m_report.lastError, text, ARRAYSIZE(m_report.lastError));  // a failure, not our own stop
        if (last)
            m_report.last = status;
        LeaveCriticalSection(&m_lock);
        if (last)
            SetEvent(m_ended);
        if (status == StatusId::PortNotAvailable)
            SetEvent(m_portMissing);
        return S_OK;
    }

private:
    ~CStatusSink()
    {
        CloseHandle(m_ended);
        CloseHandle(m_portMissing);
        DeleteCriticalSection(&m_lock);
    }
    LONG m_refs = 1;
    CRITICAL_SECTION m_lock;
    RunReport m_report;
    HANDLE m_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE m_portMissing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// What the command line asks for.
struct Line {
    short port = 0;
    LONG baud = 115200;
    LONG adapter = irdaNone;
};

VARIANT Number(VARTYPE type, LONG value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    VariantChangeType(&v, &v, 0, type);
    return v;
}

// Calls a member of the control by name. args: its parameters, last one first; answer: its
// [out, retval], when it has one.
HRESULT Call(IDispatch* control, const wchar_t* name, WORD kind, VARIANT* args = nullptr, UINT count = 0,
             LONG* answer = nullptr)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    DISPID put = DISPID_PROPERTYPUT;
    const bool isPut = kind == DISPATCH_PROPERTYPUT;
    DISPPARAMS params = {args, isPut ? &put : nullptr, count, isPut ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    if (SUCCEEDED(hr))
        hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &result, nullptr, nullptr);
    if (SUCCEEDED(hr) && answer && SUCCEEDED(hr = VariantChangeType(&result, &result, 0, VT_I4)))
        *answer = V_I4(&result);
    VariantClear(&result);
    return hr;
}

int Fail(int code, const std::wstring& why, HRESULT hr = S_OK)
{
    fwprintf(stderr, FAILED(hr) ? L"ReadClock: %ls, error 0x%08lX\n" : L"ReadClock: %ls\n", why.c_str(),
             static_cast<unsigned long>(hr));
    return code;
}

// Puts a whole-number property and returns what the control then holds, or -1: the control keeps
// only values it takes, and refuses the others without an error.
LONG PutAndReadBack(IDispatch* control, const wchar_t* name, VARTYPE type, LONG value)
{
    VARIANT put = Number(type, value);
    LONG held = -1;
    if (FAILED(Call(control, name, DISPATCH_PROPERTYPUT, &put, 1)) ||
        FAILED(Call(control, name, DISPATCH_PROPERTYGET, nullptr, 0, &held)))
        return -1;
    return held;
}

// The run ends on its own, or at the stop it is given when the time for the clock is up or the port
// is missing; by the end of kRunMs either way.
void AwaitEnd(IDispatch* control, CStatusSink* sink)
{
    const ULONGLONG deadline = GetTickCount64() + kRunMs;
    HANDLE waits[] = {sink->Ended(), sink->PortMissing()};
    DWORD which = 0;
    if (CoWaitForMultipleHandles(0, kRunMs - kStopAllowanceMs, 2, waits, &which) == S_OK && which == 0)
        return;
    Call(control, L"StopProtocol", DISPATCH_METHOD);
    const ULONGLONG now = GetTickCount64();
    CoWaitForMultipleHandles(0, static_cast<DWORD>(deadline > now ? deadline - now : 0), 1, waits, &which);
}

// Sets the line up, queues the clock request, runs one session and waits for the run's end.
int ReadClock(IDispatch* control, CStatusSink* sink, const Line& line)
{
    const std::wstring com = L"COM" + std::to_wstring(line.port);
    const LONG port = PutAndReadBack(control, L"Comport", VT_I2, line.port);
    if (port != line.port)
        return Fail(1, L"the control takes no port " + com);
    const LONG baud = PutAndReadBack(control, L"Baudrate", VT_I4, line.baud);
    if (baud != line.baud)
        return Fail(1, L"the control takes no baud rate " + std::to_wstring(line.baud));
    const LONG adapter = PutAndReadBack(control, L"IrDADevice", VT_I4, line.adapter);
    if (adapter != line.adapter)
        return Fail(1, L"the control takes no adapter " + std::to_wstring(line.adapter));
    // The line as the control holds it (the adapter was checked against the command line's 0 to 4).
    fwprintf(stderr, L"ReadClock: COM%ld at %ld baud, infrared adapter %ld (%ls)\n", port, baud, adapter,
             kAdapterNames[adapter]);

    // Queued before the start: the run asks the first terminal that answers for what is queued.
    VARIANT format = Number(VT_I4, tdFmthhmmssYYYYMMDD);
    VARIANT start[] = {Number(VT_I2, 1), Number(VT_I4, commSuccess)};  // one successful session
    LONG queued = -1, started = -1;
    if (FAILED(Call(control, L"AddGetTerminalTimeDate", DISPATCH_METHOD, &format, 1, &queued)) || queued != 0 ||
        FAILED(Call(control, L"StartProtocol", DISPATCH_METHOD, start, 2, &started)) || started != 0)
        return Fail(2, L"the control refused the clock request or the start");

    AwaitEnd(control, sink);
    const RunReport report = sink->Report();
    if (report.clock[0]) {  // what was asked for, even when the stop came just after it
        wprintf(L"%ls\n", report.clock);
        return 0;
    }
    if (report.last == StatusId::CannotOpenPort)
        return Fail(3, L"cannot open " + com +
                           (line.adapter != irdaNone ? L", or its adapter has no setting for this baud rate" : L""));
    if (WaitForSingleObject(sink->PortMissing(), 0) == WAIT_OBJECT_0)
        return Fail(3, L"the system lists no port " + com + L" (Device Manager, Ports (COM & LPT))");
    return Fail(4, L"no clock within " + std::to_wstring((kRunMs - kStopAllowanceMs) / 1000) +
                       L" s from a terminal on " + com +
                       (report.lastError[0] ? L" (last: " + std::wstring(report.lastError) + L")" : L""));
}

int Run(const Line& line)
{
    CLSID clsid;
    IDispatch* control = nullptr;
    if (FAILED(CLSIDFromProgID(L"Wexlink.WexlinkCtl", &clsid)))
        return Fail(2, L"the control Wexlink.WexlinkCtl is not registered (regsvr32 Wexlink.dll)");
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&control));
    if (FAILED(hr))
        return Fail(2, L"cannot create the control", hr);
    IConnectionPointContainer* container = nullptr;
    IConnectionPoint* point = nullptr;
    CStatusSink* sink = new CStatusSink;
    DWORD cookie = 0;
    hr = sink->Ended() && sink->PortMissing() ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    if (SUCCEEDED(hr))
        hr = control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (SUCCEEDED(hr))
        hr = container->FindConnectionPoint(kEventsIid, &point);
    if (SUCCEEDED(hr))
        hr = point->Advise(sink, &cookie);
    const int result =
        SUCCEEDED(hr) ? ReadClock(control, sink, line) : Fail(2, L"cannot take the control's events", hr);
    if (cookie)
        point->Unadvise(cookie);
    if (point)
        point->Release();
    if (container)
        container->Release();
    sink->Release();
    control->Release();
    return result;
}

// A whole decimal number, or -1.
long Whole(const wchar_t* text)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    return end != text && *end == L'\0' ? value : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const long port = argc >= 2 && argc <= 4 ? Whole(argv[1]) : -1;
    const long baud = argc >= 3 ? Whole(argv[2]) : 115200;
    const long adapter = argc == 4 ? Whole(argv[3]) : long{irdaNone};
    if (port < 1 || port > 255 || baud < 1 || adapter < irdaNone || adapter > irdaDKV5500) {
        fwprintf(stderr,
                 L"usage: ReadClock PORT [BAUD [ADAPTER]]   (PORT 1 for COM1; BAUD 115200 unless given;\n"
                 L"       ADAPTER 0 none, 1 Litelink, 2 Tekram, 3 ActiSys, 4 DKV-5500 cradle; 0 unless given)\n");
        return 1;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return Fail(2, L"COM does not start here");
    const int result = Run(Line{static_cast<short>(port), baud, adapter});
    CoUninitialize();
    return result;
}
