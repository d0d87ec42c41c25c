#include "OleControl.h"

#include <olectl.h>

#include <new>

#include "ComEnum.h"
#include "Module.h"
#include "ScopedLock.h"

namespace {

// The extent is persisted as two unsigned 32-bit values, "_cx" then "_cy".
constexpr ULONG kPersistedSize = 2 * sizeof(ULONG);
const wchar_t kContentsStream[] = L"Contents";

}  // namespace

COleControl::COleControl(const COleControlTraits& traits)
    : m_extent(traits.initialExtent),
      m_traits(traits),
      m_events(this, traits.eventIid),
      m_classInfo(traits.clsid)
{
    TheModule().Lock();
}

COleControl::~COleControl()
{
    m_events.UnadviseAll();
    TheModule().Unlock();
}

// ---- IUnknown ------------------------------------------------------------------------------------

void* COleControl::InternalQueryInterface(REFIID riid)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
        return static_cast<IOleObject*>(this);
    if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject) ||
        IsEqualIID(riid, IID_IOleInPlaceObjectWindowless))
        return static_cast<IOleInPlaceObjectWindowless*>(this);
    if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
        return static_cast<IOleInPlaceActiveObject*>(this);
    if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2) || IsEqualIID(riid, IID_IViewObjectEx))
        return static_cast<IViewObjectEx*>(this);
    if (IsEqualIID(riid, IID_IPersistStreamInit))
        return static_cast<IPersistStreamInit*>(this);
    if (IsEqualIID(riid, IID_IPersist))
        return static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this));
    if (IsEqualIID(riid, IID_IPersistStorage))
        return static_cast<IPersistStorage*>(this);
    if (IsEqualIID(riid, IID_IOleControl))
        return static_cast<IOleControl*>(this);
    if (IsEqualIID(riid, IID_IQuickActivate))
        return static_cast<IQuickActivate*>(this);
    if (IsEqualIID(riid, IID_IDataObject))
        return static_cast<IDataObject*>(this);
    if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        return static_cast<ISpecifyPropertyPages*>(this);
    if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
        return static_cast<IProvideClassInfo2*>(this);
    if (IsEqualIID(riid, IID_IObjectSafety))
        return static_cast<IObjectSafety*>(this);
    if (IsEqualIID(riid, IID_ISupportErrorInfo))
        return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(riid, IID_IConnectionPointContainer))
        return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
}

STDMETHODIMP COleControl::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = InternalQueryInterface(riid);
    if (!*object)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControl::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleControl::Release()
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) {
        // Calls during FinalRelease must not bring the count back to zero a second time.
        m_refs = 1;
        FinalRelease();
        delete this;
    }
    return static_cast<ULONG>(refs);
}

// ---- IOleObject ----------------------------------------------------------------------------------

CComRef<IOleClientSite> COleControl::ClientSite() const
{
    CScopedLock hold(m_siteLock);
    return m_clientSite;
}

STDMETHODIMP COleControl::SetClientSite(IOleClientSite* site)
{
    CComRef<IOleClientSite> replacement(site);
    {
        CScopedLock hold(m_siteLock);
        std::swap(replacement, m_clientSite);
    }
    return S_OK;  // the old site is released here, outside the lock
}

STDMETHODIMP COleControl::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = ClientSite().Detach();
    return S_OK;
}

STDMETHODIMP COleControl::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP COleControl::Close(DWORD saveOption)
{
    OnClose();
    InPlaceDeactivate();
    if (m_dirty && (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE)) {
        if (CComRef<IOleClientSite> site = ClientSite())
            site->SaveObject();
    }
    if (m_oleAdvise)
        m_oleAdvise->SendOnClose();
    return S_OK;
}

STDMETHODIMP COleControl::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::GetClipboardData(DWORD, IDataObject** data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position)
{
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(verb, position);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (m_window)
            ShowWindow(m_window, SW_HIDE);
        return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
    default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP COleControl::EnumVerbs(IEnumOLEVERB** verbs)
{
    if (!verbs)
        return E_POINTER;
    return OleRegEnumVerbs(m_traits.clsid, verbs);
}

STDMETHODIMP COleControl::Update()
{
    return S_OK;
}

STDMETHODIMP COleControl::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP COleControl::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_traits.clsid;
    return S_OK;
}

STDMETHODIMP COleControl::GetUserType(DWORD form, LPOLESTR* userType)
{
    if (!userType)
        return E_POINTER;
    return OleRegGetUserType(m_traits.clsid, form, userType);
}

STDMETHODIMP COleControl::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    const bool changed = size->cx != m_extent.cx || size->cy != m_extent.cy;
    m_extent = *size;
    if (changed) {
        m_dirty = true;
        FireViewChange();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD aspect, SIZEL* size)
{
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return E_FAIL;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP COleControl::Advise(IAdviseSink* sink, DWORD* connection)
{
    if (!connection)
        return E_POINTER;
    *connection = 0;
    if (!m_oleAdvise) {
        const HRESULT hr = CreateOleAdviseHolder(m_oleAdvise.Receive());
        if (FAILED(hr))
            return hr;
    }
    return m_oleAdvise->Advise(sink, connection);
}

STDMETHODIMP COleControl::Unadvise(DWORD connection)
{
    if (!m_oleAdvise)
        return OLE_E_NOCONNECTION;
    return m_oleAdvise->Unadvise(connection);
}

STDMETHODIMP COleControl::EnumAdvise(IEnumSTATDATA** advise)
{
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    if (!m_oleAdvise)
        return E_FAIL;
    return m_oleAdvise->EnumAdvise(advise);
}

STDMETHODIMP COleControl::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = m_traits.miscStatus;
    return S_OK;
}

STDMETHODIMP COleControl::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

// ---- in-place activation -------------------------------------------------------------------------

HRESULT COleControl::InPlaceActivate(LONG verb, LPCRECT position)
{
    CComRef<IOleClientSite> site = ClientSite();
    if (!site)
        return E_UNEXPECTED;
    if (!m_inPlaceActive) {
        CComRef<IOleInPlaceSite> inPlace;
        HRESULT hr = site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(inPlace.Receive()));
        if (FAILED(hr))
            return hr;
        if (inPlace->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        hr = inPlace->OnInPlaceActivate();
        if (FAILED(hr))
            return hr;
        m_inPlaceSite = inPlace;
        m_inPlaceActive = true;

        HWND parent = nullptr;
        CComRef<IOleInPlaceFrame> frame;
        CComRef<IOleInPlaceUIWindow> document;
        RECT pos{};
        RECT clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        inPlace->GetWindow(&parent);
        if (SUCCEEDED(inPlace->GetWindowContext(frame.Receive(), document.Receive(), &pos, &clip, &frameInfo)))
            m_position = pos;
        else if (position)
            m_position = *position;
        if (!m_window && parent)
            m_window = CreateControlWindow(parent, m_position);
        if (!m_window) {
            InPlaceDeactivate();
            return E_FAIL;
        }
        ShowWindow(m_window, SW_SHOWNA);
    }
    if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !m_uiActive) {
        m_uiActive = true;
        m_inPlaceSite->OnUIActivate();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP COleControl::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::InPlaceDeactivate()
{
    if (!m_inPlaceActive)
        return S_OK;
    UIDeactivate();
    m_inPlaceActive = false;
    if (m_window) {
        DestroyWindowOnItsThread(m_window);
        m_window = nullptr;
    }
    CComRef<IOleInPlaceSite> site = std::move(m_inPlaceSite);
    if (site)
        site->OnInPlaceDeactivate();
    return S_OK;
}

void COleControl::DestroyWindowOnItsThread(HWND window)
{
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        DestroyWindow(window);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
}

STDMETHODIMP COleControl::UIDeactivate()
{
    if (!m_uiActive)
        return S_OK;
    m_uiActive = false;
    if (m_inPlaceSite)
        m_inPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP COleControl::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (!position)
        return E_POINTER;
    m_position = *position;
    if (m_window)
        SetWindowPos(m_window, nullptr, position->left, position->top, position->right - position->left,
                     position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

STDMETHODIMP COleControl::ReactivateAndUndo()
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    LRESULT local = 0;
    bool handled = false;
    try {
        handled = OnWindowlessMessage(msg, wParam, lParam, local);
    } catch (...) {
        handled = false;
    }
    if (result)
        *result = local;
    return handled ? S_OK : S_FALSE;
}

STDMETHODIMP COleControl::GetDropTarget(IDropTarget** target)
{
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}

// ---- IOleInPlaceActiveObject -----------------------------------------------------------------------

STDMETHODIMP COleControl::TranslateAccelerator(LPMSG)
{
    return S_FALSE;
}

STDMETHODIMP COleControl::OnFrameWindowActivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControl::OnDocWindowActivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL)
{
    return S_OK;
}

STDMETHODIMP COleControl::EnableModeless(BOOL)
{
    return S_OK;
}

// ---- drawing -------------------------------------------------------------------------------------

STDMETHODIMP COleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds, LPCRECTL,
                               BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!drawDc)
        return E_INVALIDARG;
    RECT rect = m_position;
    if (bounds)
        rect = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
    else if (!m_inPlaceActive)
        return E_INVALIDARG;
    try {
        OnDraw(drawDc, rect);
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors)
{
    if (colors)
        *colors = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::Freeze(DWORD, LONG, void*, DWORD*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::Unfreeze(DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
{
    m_viewSink = CComRef<IAdviseSink>(sink);
    m_viewAspects = aspects;
    m_viewFlags = flags;
    return S_OK;
}

STDMETHODIMP COleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
{
    if (aspects)
        *aspects = m_viewAspects;
    if (flags)
        *flags = m_viewFlags;
    if (sink)
        *sink = CComRef<IAdviseSink>(m_viewSink).Detach();
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size)
{
    return GetExtent(aspect, size);
}

STDMETHODIMP COleControl::GetRect(DWORD aspect, LPRECTL rect)
{
    if (!rect)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *rect = RECTL{m_position.left, m_position.top, m_position.right, m_position.bottom};
    return S_OK;
}

STDMETHODIMP COleControl::GetViewStatus(DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = 0;  // transparent: at run time nothing is drawn
    return S_OK;
}

STDMETHODIMP COleControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG, DWORD* hitResult)
{
    if (!bounds || !hitResult)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *hitResult = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP COleControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG, DWORD* hitResult)
{
    if (!bounds || !location || !hitResult)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    RECT overlap;
    *hitResult = IntersectRect(&overlap, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP COleControl::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL)
{
    return E_NOTIMPL;
}

void COleControl::FireViewChange()
{
    if (m_window) {
        InvalidateRect(m_window, nullptr, TRUE);
        return;
    }
    if (m_viewSink)
        m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

bool COleControl::ReadAmbientUserMode(bool& userMode) const
{
    CComRef<IOleClientSite> site = ClientSite();
    if (!site)
        return false;
    CComRef<IDispatch> ambient;
    if (FAILED(site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambient.Receive()))))
        return false;
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                       &none, &value, nullptr, nullptr);
    if (FAILED(hr))
        return false;
    const bool ok = SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL));
    if (ok)
        userMode = V_BOOL(&value) != VARIANT_FALSE;
    VariantClear(&value);
    return ok;
}

// ---- persistence ---------------------------------------------------------------------------------

STDMETHODIMP COleControl::GetClassID(CLSID* clsid)
{
    return GetUserClassID(clsid);
}

STDMETHODIMP COleControl::IsDirty()
{
    return m_dirty ? S_OK : S_FALSE;
}

HRESULT COleControl::SaveExtent(IStream* stream) const
{
    const ULONG values[2] = {static_cast<ULONG>(m_extent.cx), static_cast<ULONG>(m_extent.cy)};
    ULONG written = 0;
    const HRESULT hr = stream->Write(values, kPersistedSize, &written);
    if (FAILED(hr))
        return hr;
    return written == kPersistedSize ? S_OK : STG_E_WRITEFAULT;
}

HRESULT COleControl::LoadExtent(IStream* stream)
{
    ULONG values[2] = {};
    ULONG read = 0;
    const HRESULT hr = stream->Read(values, kPersistedSize, &read);
    if (FAILED(hr))
        return hr;
    if (read != kPersistedSize)
        return STG_E_READFAULT;  // a short stream leaves the extent as it was
    m_extent.cx = static_cast<LONG>(values[0]);
    m_extent.cy = static_cast<LONG>(values[1]);
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP COleControl::Load(LPSTREAM stream)
{
    if (!stream)
        return E_POINTER;
    return LoadExtent(stream);
}

STDMETHODIMP COleControl::Save(LPSTREAM stream, BOOL clearDirty)
{
    if (!stream)
        return E_POINTER;
    const HRESULT hr = SaveExtent(stream);
    if (SUCCEEDED(hr) && clearDirty)
        m_dirty = false;
    return hr;
}

STDMETHODIMP COleControl::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = kPersistedSize;
    return S_OK;
}

STDMETHODIMP COleControl::InitNew()
{
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP COleControl::InitNew(IStorage*)
{
    return InitNew();
}

STDMETHODIMP COleControl::Load(IStorage* storage)
{
    if (!storage)
        return E_POINTER;
    CComRef<IStream> stream;
    const HRESULT hr =
        storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Receive());
    if (FAILED(hr))
        return hr;
    return LoadExtent(stream.Get());
}

STDMETHODIMP COleControl::Save(IStorage* storage, BOOL)
{
    if (!storage)
        return E_POINTER;
    CComRef<IStream> stream;
    const HRESULT hr =
        storage->CreateStream(kContentsStream, STGM_WRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, stream.Receive());
    if (FAILED(hr))
        return hr;
    return SaveExtent(stream.Get());
}

STDMETHODIMP COleControl::SaveCompleted(IStorage*)
{
    m_dirty = false;
    return S_OK;
}

STDMETHODIMP COleControl::HandsOffStorage()
{
    return S_OK;
}

// ---- IOleControl ---------------------------------------------------------------------------------

STDMETHODIMP COleControl::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    info->cb = sizeof(CONTROLINFO);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP COleControl::OnMnemonic(MSG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::OnAmbientPropertyChange(DISPID)
{
    FireViewChange();  // UserMode decides what is drawn
    return S_OK;
}

STDMETHODIMP COleControl::FreezeEvents(BOOL)
{
    // Events are never held back: a frozen container drops what it does not want.
    return S_OK;
}

// ---- IQuickActivate ------------------------------------------------------------------------------

STDMETHODIMP COleControl::QuickActivate(QACONTAINER* container, QACONTROL* control)
{
    if (!container || !control)
        return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink)
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    control->dwEventCookie = 0;
    if (container->pUnkEventSink)
        m_events.Advise(container->pUnkEventSink, &control->dwEventCookie);
    control->dwPropNotifyCookie = 0;
    control->dwMiscStatus = m_traits.miscStatus;
    GetViewStatus(&control->dwViewStatus);
    control->dwPointerActivationPolicy = 0;
    return S_OK;
}

STDMETHODIMP COleControl::SetContentExtent(LPSIZEL size)
{
    return SetExtent(DVASPECT_CONTENT, size);
}

STDMETHODIMP COleControl::GetContentExtent(LPSIZEL size)
{
    return GetExtent(DVASPECT_CONTENT, size);
}

// ---- IDataObject: the control offers no data formats of its own ----------------------------------

STDMETHODIMP COleControl::GetData(FORMATETC*, STGMEDIUM*)
{
    return DV_E_FORMATETC;
}

STDMETHODIMP COleControl::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return DV_E_FORMATETC;
}

STDMETHODIMP COleControl::QueryGetData(FORMATETC*)
{
    return DV_E_FORMATETC;
}

STDMETHODIMP COleControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::EnumFormatEtc(DWORD, IEnumFORMATETC** formats)
{
    if (formats)
        *formats = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection)
{
    if (!connection)
        return E_POINTER;
    *connection = 0;
    if (!m_dataAdvise) {
        const HRESULT hr = CreateDataAdviseHolder(m_dataAdvise.Receive());
        if (FAILED(hr))
            return hr;
    }
    return m_dataAdvise->Advise(this, format, flags, sink, connection);
}

STDMETHODIMP COleControl::DUnadvise(DWORD connection)
{
    if (!m_dataAdvise)
        return OLE_E_NOCONNECTION;
    return m_dataAdvise->Unadvise(connection);
}

STDMETHODIMP COleControl::EnumDAdvise(IEnumSTATDATA** advise)
{
    if (!advise)
        return E_POINTER;
    *advise = nullptr;
    if (!m_dataAdvise)
        return E_FAIL;
    return m_dataAdvise->EnumAdvise(advise);
}

// ---- ISpecifyPropertyPages, IProvideClassInfo2, IObjectSafety, ISupportErrorInfo -----------------

STDMETHODIMP COleControl::GetPages(CAUUID* pages)
{
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return S_OK;
}

STDMETHODIMP COleControl::GetClassInfo(ITypeInfo** info)
{
    return m_classInfo.Get(info);
}

STDMETHODIMP COleControl::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = m_traits.eventIid;
    return S_OK;
}

bool COleControl::HasInterface(REFIID riid)
{
    CComRef<IUnknown> probe;
    return SUCCEEDED(probe.QueryFrom(this, riid));
}

STDMETHODIMP COleControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled)
{
    if (!supported || !enabled)
        return E_POINTER;
    *supported = 0;
    *enabled = 0;
    if (!HasInterface(riid))
        return E_NOINTERFACE;
    *supported = INTERFACESAFE_FOR_UNTRUSTED_CALLER;
    *enabled = m_safety;
    return S_OK;
}

STDMETHODIMP COleControl::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled)
{
    if (!HasInterface(riid))
        return E_NOINTERFACE;
    // Safe for untrusted callers only; asking for any other safety fails.
    if (mask & enabled & ~static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER))
        return E_FAIL;
    m_safety = (m_safety & ~mask) | (mask & enabled & INTERFACESAFE_FOR_UNTRUSTED_CALLER);
    return S_OK;
}

STDMETHODIMP COleControl::InterfaceSupportsErrorInfo(REFIID riid)
{
    return IsEqualIID(riid, m_traits.errorInfoIid) ? S_OK : S_FALSE;
}

// ---- IConnectionPointContainer -------------------------------------------------------------------

STDMETHODIMP COleControl::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (!points)
        return E_POINTER;
    *points = nullptr;
    try {
        std::vector<IConnectionPoint*> items{&m_events};
        *points = new CEnumConnectionPoints(items);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP COleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(riid, m_traits.eventIid))
        return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
}
