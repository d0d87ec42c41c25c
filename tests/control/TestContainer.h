#pragma once
// A minimal container for the control in tests: a client site that answers the ambient UserMode,
// and an event sink that records every event with the thread it arrived on. A test can hook the
// sink to act from inside an event, as a real container does.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ComRef.h"
#include "NamelessDispatch.h"
#include "Wexlink.h"

namespace controltest {

// IUnknown for the small test objects below; they live on the test's stack and ignore the count.
template <typename Interface, const IID* Iid>
class StackObject : public Interface {
public:
    virtual ~StackObject() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *Iid) || OtherInterface(riid, object)) {
            if (!*object)
                *object = static_cast<Interface*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

protected:
    virtual bool OtherInterface(REFIID, void**) { return false; }
};

// Serves DISPID_AMBIENT_USERMODE through IDispatch.
class TestAmbient : public StackObject<CNamelessDispatch, &IID_IDispatch> {
public:
    bool userMode = true;

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id != DISPID_AMBIENT_USERMODE || !result)
            return DISP_E_MEMBERNOTFOUND;
        V_VT(result) = VT_BOOL;
        V_BOOL(result) = userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};

// Lets the control activate in place as a child of `window`.
class TestInPlaceSite : public StackObject<IOleInPlaceSite, &IID_IOleInPlaceSite> {
public:
    HWND window = nullptr;
    RECT position{0, 0, 32, 32};

    STDMETHODIMP GetWindow(HWND* result) override
    {
        *result = window;
        return window ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO) override
    {
        *frame = nullptr;
        *document = nullptr;
        *pos = *clip = position;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
};

class TestSite : public StackObject<IOleClientSite, &IID_IOleClientSite> {
public:
    TestAmbient ambient;
    TestInPlaceSite* inPlace = nullptr;  // offered only when set

    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

protected:
    bool OtherInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IDispatch))
            *object = static_cast<IDispatch*>(&ambient);
        else if (inPlace && IsEqualIID(riid, IID_IOleInPlaceSite))
            *object = static_cast<IOleInPlaceSite*>(inPlace);
        else
            return false;
        return true;
    }
};

// The dispatch ids of the control's events.
constexpr DISPID kConnectedEvent = 1;
constexpr DISPID kProgressEvent = 2;
constexpr DISPID kStatusEvent = 3;

struct RecordedEvent {
    DISPID id = 0;
    long value = 0;        // terminal ID, percentage or status id
    std::wstring message;  // StatusInformation only
    bool nullMessage = false;
    DWORD threadId = 0;
};

class TestEventSink : public StackObject<CNamelessDispatch, &IID_IDispatch> {
public:
    // Runs inside each event, after it was recorded.
    std::function<void(const RecordedEvent&)> onEvent;
    // Long runs keep nothing, so that the test's own memory stays flat.
    bool record = true;

    std::vector<RecordedEvent> Events()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    bool HasStatusText(const std::wstring& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return HasStatusTextLocked(text);
    }
    // For events that arrive on another thread: waits without serving this thread's messages.
    bool WaitForStatusText(const std::wstring& text, DWORD timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_recorded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return HasStatusTextLocked(text); });
    }

    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        RecordedEvent event;
        event.id = id;
        event.threadId = GetCurrentThreadId();
        if (flags != DISPATCH_METHOD || !params)
            return E_INVALIDARG;
        if (id == kConnectedEvent && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_I4)
            event.value = V_I4(&params->rgvarg[0]);
        else if (id == kProgressEvent && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_I2)
            event.value = V_I2(&params->rgvarg[0]);
        else if (id == kStatusEvent && params->cArgs == 2 && V_VT(&params->rgvarg[1]) == VT_I2 &&
                 V_VT(&params->rgvarg[0]) == VT_BSTR) {
            event.value = V_I2(&params->rgvarg[1]);
            event.nullMessage = V_BSTR(&params->rgvarg[0]) == nullptr;
            if (!event.nullMessage)
                event.message = V_BSTR(&params->rgvarg[0]);
        } else {
            event.id = -1;  // a malformed call
        }
        if (record) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back(event);
        }
        m_recorded.notify_all();
        if (onEvent)
            onEvent(event);
        return S_OK;
    }

private:
    bool HasStatusTextLocked(const std::wstring& text) const
    {
        for (const RecordedEvent& event : m_events)
            if (event.id == kStatusEvent && event.message == text)
                return true;
        return false;
    }

    std::mutex m_mutex;
    std::condition_variable m_recorded;
    std::vector<RecordedEvent> m_events;
};

// Connects a container to the control as a real one does: gives it the client site (none when
// `site` is null) and advises `sink` on its event connection point. S_OK, or the first step's
// result that was not S_OK.
inline HRESULT AttachContainer(IUnknown* control, IOleClientSite* site, IDispatch* sink,
                               CComRef<IConnectionPoint>& point, DWORD& cookie)
{
    HRESULT hr = S_OK;
    if (site) {
        CComRef<IOleObject> object;
        hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.Receive()));
        if (hr != S_OK)
            return hr;
        hr = object->SetClientSite(site);
        if (hr != S_OK)
            return hr;
    }
    CComRef<IConnectionPointContainer> container;
    hr = control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Receive()));
    if (hr != S_OK)
        return hr;
    hr = container->FindConnectionPoint(DIID__IWexlinkCtlEvents, point.Receive());
    if (hr != S_OK)
        return hr;
    return point->Advise(sink, &cookie);
}

// Undoes AttachContainer: no more events, and no client site.
inline void DetachContainer(IUnknown* control, CComRef<IConnectionPoint>& point, DWORD cookie)
{
    if (point)
        point->Unadvise(cookie);
    point.Reset();
    CComRef<IOleObject> object;
    if (control && SUCCEEDED(object.QueryFrom(control, IID_IOleObject)))
        object->SetClientSite(nullptr);
}

}  // namespace controltest
