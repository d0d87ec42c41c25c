#pragma once
// The connection point of one outgoing dispatch interface. It lives inside its container object and
// shares that object's reference count. Sinks may be advised on one thread and called on another,
// so the list is guarded and every caller works on a referenced copy.

#include <ocidl.h>

#include <utility>
#include <vector>

#include "ComRef.h"
#include "ScopedLock.h"

class CConnectionPoint final : public IConnectionPoint {
public:
    CConnectionPoint(IConnectionPointContainer* container, REFIID iid);
    ~CConnectionPoint();
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // A referenced copy of the advised sinks, in the order they were advised.
    std::vector<CComRef<IDispatch>> Sinks();

    // Drops every sink (the object is going away).
    void UnadviseAll();

private:
    IConnectionPointContainer* m_container;
    IID m_iid;
    CCriticalSection m_lock;
    DWORD m_nextCookie = 1;
    std::vector<std::pair<DWORD, CComRef<IDispatch>>> m_sinks;
};
