#include "framework/OleControlWnd.h"

#include <string>

COleControlWnd::~COleControlWnd()
{
    DestroyControl();
}

void COleControlWnd::SetEventHandler(DISPID id, COleEventSink::Handler handler)
{
    if (m_sink)
        m_sink->SetHandler(id, handler);
    m_handlers[id] = std::move(handler);
}

HRESULT COleControlWnd::CreateControl(REFCLSID clsid, REFIID eventIid, HWND parent, const RECT& position, UINT id)
{
    if (m_site)
        return E_UNEXPECTED;
    m_site = CComRef<COleControlSite>::Adopt(COleControlSite::Create());
    m_sink = CComRef<COleEventSink>::Adopt(COleEventSink::Create(eventIid));
    if (!m_site || !m_sink) {
        DestroyControl();
        return E_OUTOFMEMORY;
    }
    for (const auto& handler : m_handlers)
        m_sink->SetHandler(handler.first, handler.second);
    HRESULT hr = m_site->CreateControl(clsid, parent, position, eventIid, static_cast<IDispatch*>(m_sink.Get()));
    if (FAILED(hr)) {
        DestroyControl();
        return hr;
    }
    m_dispatch = CComRef<IDispatch>(m_site->GetDispatch());
    HWND window = m_site->GetControlWindow();
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_ID, static_cast<LONG_PTR>(id));
        SubclassWindow(window);
    }
    return S_OK;
}

HRESULT COleControlWnd::CreateControlAtPlaceholder(REFCLSID clsid, REFIID eventIid, HWND dialog, UINT id)
{
    HWND placeholder = GetDlgItem(dialog, static_cast<int>(id));
    if (placeholder == nullptr)
        return HRESULT_FROM_WIN32(ERROR_CONTROL_ID_NOT_FOUND);
    RECT position;
    GetWindowRect(placeholder, &position);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&position), 2);
    // The control takes the placeholder's place in the tab order.
    HWND previous = GetWindow(placeholder, GW_HWNDPREV);
    ::DestroyWindow(placeholder);
    HRESULT hr = CreateControl(clsid, eventIid, dialog, position, id);
    if (SUCCEEDED(hr) && m_hWnd != nullptr)
        SetWindowPos(m_hWnd, previous != nullptr ? previous : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hr;
}

void COleControlWnd::DisconnectEvents()
{
    m_handlers.clear();
    if (m_sink)
        m_sink->Disconnect();
}

void COleControlWnd::DestroyControl()
{
    // Late events (the control's worker may still be ending its run) must not reach the owner.
    DisconnectEvents();
    m_dispatch.Reset();
    if (m_site)
        m_site->DestroyControl();  // closing destroys the control's window, which detaches it here
    m_site.Reset();
    m_sink.Reset();
}

HRESULT COleControlWnd::InvokeHelper(DISPID id, WORD kind, VARTYPE resultType, void* result,
                                     const std::vector<COleVariant>& arguments)
{
    if (!m_dispatch)
        return OLE_E_BLANK;
    // DISPPARAMS holds the arguments last first.
    std::vector<VARIANT> reversed;
    reversed.reserve(arguments.size());
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        reversed.push_back(argument->Get());  // shallow: the caller's variants own the contents
    DISPPARAMS params = {};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    DISPID namedPut = DISPID_PROPERTYPUT;
    if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    COleVariant value;
    EXCEPINFO exception = {};
    UINT argumentError = 0;
    // The call may end this object's owner's control (an event handler run inside it), so the
    // interface is held for the call's length.
    CComRef<IDispatch> dispatch = m_dispatch;
    HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                                  resultType == VT_EMPTY ? nullptr : value.Receive(), &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr))
        return hr;
    if (resultType != VT_EMPTY && result != nullptr && !StoreResult(value, resultType, result))
        return DISP_E_TYPEMISMATCH;
    return hr;
}

bool COleControlWnd::StoreResult(COleVariant& value, VARTYPE resultType, void* result)
{
    if (!value.ChangeType(resultType))
        return false;
    switch (resultType) {
    case VT_I2:
        *static_cast<short*>(result) = V_I2(&value.Get());
        return true;
    case VT_I4:
        *static_cast<long*>(result) = V_I4(&value.Get());
        return true;
    case VT_BSTR:
        *static_cast<std::wstring*>(result) = value.AsString();
        return true;
    default:
        return false;
    }
}
