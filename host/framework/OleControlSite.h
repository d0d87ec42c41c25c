// The container's side of one embedded ActiveX control: it creates the control by class
// identifier, gives it a client site with in-place activation in a container window and the
// ambient properties (UserMode TRUE: the program runs, it is not being designed), connects an
// event sink, and takes everything down again in order.
//
// The site is a COM object of its own: the control (and a worker thread of the control) may hold
// references on it past the owner's lifetime, so it never reaches back into its owner.
#pragma once

#include "ComRef.h"

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>
#include <ocidl.h>

class COleControlSite : public IOleClientSite, public IOleInPlaceSite, public IDispatch {
public:
    // The caller holds the first reference; null when there is no memory.
    static COleControlSite* Create();

    // Creates the control and activates it in place at `position` (client coordinates of the
    // container window), with the event sink connected to the event interface `eventIid` when
    // one is given. On failure nothing stays behind.
    HRESULT CreateControl(REFCLSID clsid, HWND container, const RECT& position, REFIID eventIid, IUnknown* eventSink);
    // Disconnects the events, closes the control, takes the site back from it and releases it.
    void DestroyControl();

    IDispatch* GetDispatch() const { return m_dispatch.Get(); }
    // The control's window while it is active in place; null for a windowless control.
    HWND GetControlWindow() const;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

private:
    COleControlSite() = default;
    virtual ~COleControlSite() = default;

    HRESULT Embed(REFCLSID clsid, REFIID eventIid, IUnknown* eventSink);
    HRESULT ConnectEvents(REFIID eventIid, IUnknown* eventSink);

    LONG m_refs = 1;
    HWND m_container = nullptr;
    RECT m_position = {0, 0, 0, 0};
    bool m_inPlaceActive = false;
    CComRef<IOleObject> m_object;
    CComRef<IDispatch> m_dispatch;
    CComRef<IConnectionPoint> m_eventPoint;
    DWORD m_eventCookie = 0;
};
