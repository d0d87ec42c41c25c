// The receiving end of a control's event interface: an IDispatch that the control's connection
// point calls, which hands each event to the handler registered for its DISPID. Events without a
// handler are ignored; whatever a handler throws stays here.
#pragma once

#include "framework/OleVariant.h"

#include <functional>
#include <map>

class COleEventSink : public IDispatch {
public:
    // The event's arguments in declaration order (DISPPARAMS holds them last first).
    class CArguments {
    public:
        explicit CArguments(const DISPPARAMS& params) : m_params(params) {}
        UINT Count() const { return m_params.cArgs; }
        // The argument at the position; empty when the event brought fewer.
        COleVariant At(UINT position) const;

    private:
        const DISPPARAMS& m_params;
    };
    using Handler = std::function<void(const CArguments& arguments)>;

    // The sink answers for the event interface `eventIid`; the caller holds the first reference.
    static COleEventSink* Create(REFIID eventIid);

    void SetHandler(DISPID id, Handler handler) { m_handlers[id] = std::move(handler); }
    // Forgets every handler: events that the control still sends reach nobody.
    void Disconnect() { m_handlers.clear(); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

private:
    explicit COleEventSink(REFIID eventIid) : m_eventIid(eventIid) {}
    virtual ~COleEventSink() = default;

    LONG m_refs = 1;
    IID m_eventIid;
    std::map<DISPID, Handler> m_handlers;
};
