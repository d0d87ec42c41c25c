#include "framework/OleEventSink.h"

#include <new>

COleVariant COleEventSink::CArguments::At(UINT position) const
{
    if (position >= m_params.cArgs || m_params.rgvarg == nullptr)
        return COleVariant();
    return COleVariant(m_params.rgvarg[m_params.cArgs - 1 - position]);
}

COleEventSink* COleEventSink::Create(REFIID eventIid)
{
    return new (std::nothrow) COleEventSink(eventIid);
}

STDMETHODIMP COleEventSink::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, m_eventIid)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COleEventSink::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleEventSink::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP COleEventSink::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP COleEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                   UINT*)
{
    if (result != nullptr)
        VariantInit(result);
    auto found = m_handlers.find(id);
    if (found == m_handlers.end() || !found->second)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none = {};
    // The handler may disconnect the sink; it runs on a copy of itself.
    Handler handler = found->second;
    try {
        handler(CArguments(params != nullptr ? *params : none));
    } catch (...) {
        // Nothing may unwind into the control that fired the event.
        OutputDebugStringW(L"Wexlink32: exception in an event handler\n");
    }
    return S_OK;
}
