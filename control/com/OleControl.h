#pragma once
// The OLE control side of an ActiveX control: embedding (IOleObject), in-place activation with a
// child window or windowless message delivery, drawing (IViewObjectEx), persistence of the extent
// (IPersistStreamInit, IPersistStorage), quick activation, class information, scripting safety,
// error-info support and one connection point for the default event interface.
//
// A derived class adds its own automation interface through InternalQueryInterface, draws in
// OnDraw, creates its in-place window in CreateControlWindow and handles windowless messages in
// OnWindowlessMessage. Objects live on the heap and delete themselves on their last Release.

#include <ocidl.h>
#include <oleidl.h>
#include <objsafe.h>

#include "ComRef.h"
#include "ConnectionPoint.h"
#include "ScopedLock.h"
#include "TypeInfoHolder.h"

struct COleControlTraits {
    CLSID clsid;
    IID eventIid;         // the default source interface
    IID errorInfoIid;     // the one interface that supports error info
    DWORD miscStatus;     // OLEMISC bits
    SIZEL initialExtent;  // HIMETRIC
};

class COleControl : public IOleObject,
                    public IOleInPlaceObjectWindowless,
                    public IOleInPlaceActiveObject,
                    public IViewObjectEx,
                    public IPersistStreamInit,
                    public IPersistStorage,
                    public IOleControl,
                    public IQuickActivate,
                    public IDataObject,
                    public ISpecifyPropertyPages,
                    public IProvideClassInfo2,
                    public IObjectSafety,
                    public ISupportErrorInfo,
                    public IConnectionPointContainer {
public:
    explicit COleControl(const COleControlTraits& traits);
    COleControl(const COleControl&) = delete;
    COleControl& operator=(const COleControl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* userType) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    STDMETHODIMP GetDropTarget(IDropTarget** target) override;

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice, HDC drawDc,
                      LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* proceed)(ULONG_PTR),
                      ULONG_PTR proceedArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice,
                             LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint, DWORD* hitResult) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                              DWORD* hitResult) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC targetDevice,
                                  DVEXTENTINFO* extentInfo, LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IQuickActivate
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advise) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IProvideClassInfo, IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

protected:
    virtual ~COleControl();

    // Interfaces of the derived class, tried before the control's own.
    virtual void* InternalQueryInterface(REFIID riid);
    // Called once when the last reference goes, before the object is deleted.
    virtual void FinalRelease() {}
    // Called when the container closes the control.
    virtual void OnClose() {}

    virtual void OnDraw(HDC dc, const RECT& bounds) = 0;
    // The in-place window: a child of `parent` at `position`; null when it cannot be made.
    virtual HWND CreateControlWindow(HWND parent, const RECT& position) = 0;
    // Messages that a windowless container (or another thread without a window) passes on.
    virtual bool OnWindowlessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // The container's ambient UserMode; false when it cannot be read.
    bool ReadAmbientUserMode(bool& userMode) const;

    void SetDirty(bool dirty) { m_dirty = dirty; }
    CConnectionPoint& EventConnectionPoint() { return m_events; }
    // The client site, referenced; null when there is none.
    CComRef<IOleClientSite> ClientSite() const;
    HWND ControlWindow() const { return m_window; }
    void ForgetControlWindow() { m_window = nullptr; }
    // Only a window's own thread can destroy it: from any other thread (a last release on a
    // worker) the window is asked to close itself, once its thread serves its messages.
    static void DestroyWindowOnItsThread(HWND window);

    // Redraw after a change of looks.
    void FireViewChange();

    SIZEL m_extent;

private:
    HRESULT InPlaceActivate(LONG verb, LPCRECT position);
    bool HasInterface(REFIID riid);
    HRESULT SaveExtent(IStream* stream) const;
    HRESULT LoadExtent(IStream* stream);

    volatile LONG m_refs = 1;
    COleControlTraits m_traits;
    mutable CCriticalSection m_siteLock;  // the client site may be read on a worker thread
    CComRef<IOleClientSite> m_clientSite;
    CComRef<IOleAdviseHolder> m_oleAdvise;
    CComRef<IDataAdviseHolder> m_dataAdvise;
    CComRef<IAdviseSink> m_viewSink;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;
    CComRef<IOleInPlaceSite> m_inPlaceSite;
    HWND m_window = nullptr;
    RECT m_position{};
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    bool m_dirty = false;
    DWORD m_safety = 0;
    CConnectionPoint m_events;
    CTypeInfoHolder m_classInfo;
};
