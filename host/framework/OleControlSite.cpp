#include "framework/OleControlSite.h"

#include "framework/OleInPlaceFrame.h"

#include <olectl.h>

#include <new>

namespace {

// Pixels of the screen to HIMETRIC (hundredths of a millimetre), the unit of OLE extents.
SIZEL PixelsToHimetric(LONG width, LONG height)
{
    HDC screen = GetDC(nullptr);
    int dpiX = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    int dpiY = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    if (dpiX <= 0)
        dpiX = 96;
    if (dpiY <= 0)
        dpiY = 96;
    return SIZEL{MulDiv(width, 2540, dpiX), MulDiv(height, 2540, dpiY)};
}

}  // namespace

COleControlSite* COleControlSite::Create()
{
    return new (std::nothrow) COleControlSite();
}

HRESULT COleControlSite::CreateControl(REFCLSID clsid, HWND container, const RECT& position, REFIID eventIid,
                                       IUnknown* eventSink)
{
    if (m_object)
        return E_UNEXPECTED;
    m_container = container;
    m_position = position;
    HRESULT hr = Embed(clsid, eventIid, eventSink);
    if (FAILED(hr))
        DestroyControl();
    return hr;
}

HRESULT COleControlSite::Embed(REFCLSID clsid, REFIID eventIid, IUnknown* eventSink)
{
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(m_object.Receive()));
    if (FAILED(hr))
        return hr;
    DWORD miscStatus = 0;
    m_object->GetMiscStatus(DVASPECT_CONTENT, &miscStatus);
    // Some controls read ambient properties while they initialise: they ask for the site first.
    bool siteFirst = (miscStatus & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst && FAILED(hr = m_object->SetClientSite(this)))
        return hr;
    CComRef<IPersistStreamInit> persist;
    if (SUCCEEDED(persist.QueryFrom(m_object.Get(), IID_IPersistStreamInit)) && FAILED(hr = persist->InitNew()))
        return hr;
    if (!siteFirst && FAILED(hr = m_object->SetClientSite(this)))
        return hr;
    if (FAILED(hr = m_dispatch.QueryFrom(m_object.Get(), IID_IDispatch)))
        return hr;
    SIZEL extent = PixelsToHimetric(m_position.right - m_position.left, m_position.bottom - m_position.top);
    m_object->SetExtent(DVASPECT_CONTENT, &extent);
    if (eventSink != nullptr && FAILED(hr = ConnectEvents(eventIid, eventSink)))
        return hr;
    return m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_container, &m_position);
}

HRESULT COleControlSite::ConnectEvents(REFIID eventIid, IUnknown* eventSink)
{
    CComRef<IConnectionPointContainer> points;
    HRESULT hr = points.QueryFrom(m_object.Get(), IID_IConnectionPointContainer);
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = points->FindConnectionPoint(eventIid, m_eventPoint.Receive())))
        return hr;
    hr = m_eventPoint->Advise(eventSink, &m_eventCookie);
    if (FAILED(hr))
        m_eventPoint.Reset();
    return hr;
}

void COleControlSite::DestroyControl()
{
    // The control may call back into the site while it closes: this reference keeps the site alive.
    CComRef<COleControlSite> self(this);
    if (m_eventPoint) {
        m_eventPoint->Unadvise(m_eventCookie);
        m_eventPoint.Reset();
        m_eventCookie = 0;
    }
    m_dispatch.Reset();
    if (m_object) {
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_object.Reset();
    }
    m_inPlaceActive = false;
    m_container = nullptr;
}

HWND COleControlSite::GetControlWindow() const
{
    if (!m_object)
        return nullptr;
    CComRef<IOleInPlaceObject> inPlace;
    HWND window = nullptr;
    if (SUCCEEDED(inPlace.QueryFrom(m_object.Get(), IID_IOleInPlaceObject)) && FAILED(inPlace->GetWindow(&window)))
        window = nullptr;
    return window;
}

// ---- IUnknown ------------------------------------------------------------------------------------

STDMETHODIMP COleControlSite::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IDispatch))
        *object = static_cast<IDispatch*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControlSite::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleControlSite::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

// ---- IOleClientSite: an embedded control that is never stored on its own ---------------------------

STDMETHODIMP COleControlSite::SaveObject()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker != nullptr)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetContainer(IOleContainer** container)
{
    if (container != nullptr)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::ShowObject()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::OnShowWindow(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControlSite::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

// ---- IOleInPlaceSite -------------------------------------------------------------------------------

STDMETHODIMP COleControlSite::GetWindow(HWND* window)
{
    if (window == nullptr)
        return E_POINTER;
    *window = m_container;
    return m_container != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::CanInPlaceActivate()
{
    return m_container != nullptr ? S_OK : S_FALSE;
}

STDMETHODIMP COleControlSite::OnInPlaceActivate()
{
    m_inPlaceActive = true;
    return S_OK;
}

STDMETHODIMP COleControlSite::OnUIActivate()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (frame != nullptr)
        *frame = nullptr;
    if (document != nullptr)
        *document = nullptr;
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || frameInfo == nullptr)
        return E_POINTER;
    if (m_container == nullptr)
        return E_FAIL;
    // An in-place object may ask the frame for tool space or hand it its active object: a frame
    // must be there, even one with nothing to share. The form is no document window of its own.
    HWND topLevel = GetAncestor(m_container, GA_ROOT);
    *frame = COleInPlaceFrame::Create(topLevel);
    if (*frame == nullptr)
        return E_OUTOFMEMORY;
    *position = m_position;
    *clip = m_position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = topLevel;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControlSite::OnInPlaceDeactivate()
{
    m_inPlaceActive = false;
    return S_OK;
}

STDMETHODIMP COleControlSite::DiscardUndoState()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::DeactivateAndUndo()
{
    return S_OK;
}

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT position)
{
    if (position == nullptr)
        return E_POINTER;
    m_position = *position;
    CComRef<IOleInPlaceObject> inPlace;
    if (m_object && SUCCEEDED(inPlace.QueryFrom(m_object.Get(), IID_IOleInPlaceObject)))
        inPlace->SetObjectRects(&m_position, &m_position);
    return S_OK;
}

// ---- IDispatch: ambient properties ---------------------------------------------------------------

STDMETHODIMP COleControlSite::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*)
{
    if (!(flags & DISPATCH_PROPERTYGET))
        return DISP_E_MEMBERNOTFOUND;
    if (id != DISPID_AMBIENT_USERMODE)
        return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr)
        return E_POINTER;
    VariantInit(result);
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = VARIANT_TRUE;
    return S_OK;
}
