#include "framework/OleInPlaceFrame.h"

#include <new>

COleInPlaceFrame* COleInPlaceFrame::Create(HWND frameWindow)
{
    return new (std::nothrow) COleInPlaceFrame(frameWindow);
}

STDMETHODIMP COleInPlaceFrame::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleWindow) &&
        !IsEqualIID(iid, IID_IOleInPlaceUIWindow) && !IsEqualIID(iid, IID_IOleInPlaceFrame))
        return E_NOINTERFACE;
    *object = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleInPlaceFrame::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleInPlaceFrame::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP COleInPlaceFrame::GetWindow(HWND* window)
{
    if (window == nullptr)
        return E_POINTER;
    *window = m_frameWindow;
    return m_frameWindow != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP COleInPlaceFrame::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleInPlaceFrame::GetBorder(LPRECT border)
{
    if (border != nullptr)
        SetRectEmpty(border);
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP COleInPlaceFrame::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP COleInPlaceFrame::SetBorderSpace(LPCBORDERWIDTHS widths)
{
    // No space at all is what the frame has; anything more cannot be given.
    if (widths == nullptr || (widths->left == 0 && widths->top == 0 && widths->right == 0 && widths->bottom == 0))
        return S_OK;
    return OLE_E_INVALIDRECT;
}

STDMETHODIMP COleInPlaceFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR)
{
    // The frame forwards no keys or resizing to the control, so it keeps no reference on it.
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths)
{
    if (widths == nullptr)
        return E_POINTER;
    // The frame contributes no menu groups of its own to a shared menu.
    for (LONG& width : widths->width)
        width = 0;
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::RemoveMenus(HMENU)
{
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::SetStatusText(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleInPlaceFrame::EnableModeless(BOOL)
{
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}
