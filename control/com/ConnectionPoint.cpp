#include "ConnectionPoint.h"

#include <olectl.h>

#include <new>

#include "ComEnum.h"

CConnectionPoint::CConnectionPoint(IConnectionPointContainer* container, REFIID iid)
    : m_container(container),
      m_iid(iid)
{
}

CConnectionPoint::~CConnectionPoint()
{
    UnadviseAll();
}

STDMETHODIMP CConnectionPoint::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CConnectionPoint::AddRef()
{
    return m_container->AddRef();
}

STDMETHODIMP_(ULONG) CConnectionPoint::Release()
{
    return m_container->Release();
}

STDMETHODIMP CConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = m_container;
    m_container->AddRef();
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    CComRef<IDispatch> dispatch;  // declared before the lock, so that a refused sink goes outside it
    if (FAILED(dispatch.QueryFrom(sink, m_iid)) && FAILED(dispatch.QueryFrom(sink, IID_IDispatch)))
        return CONNECT_E_CANNOTCONNECT;
    CScopedLock hold(m_lock);
    try {
        m_sinks.emplace_back(m_nextCookie, std::move(dispatch));
        *cookie = m_nextCookie++;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP CConnectionPoint::Unadvise(DWORD cookie)
{
    CComRef<IDispatch> removed;  // let go outside the lock: the sink may call back
    {
        CScopedLock hold(m_lock);
        for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
            if (it->first == cookie) {
                removed = std::move(it->second);
                m_sinks.erase(it);
                break;
            }
        }
    }
    return removed ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (!connections)
        return E_POINTER;
    *connections = nullptr;
    CScopedLock hold(m_lock);
    try {
        std::vector<CONNECTDATA> items;
        for (const auto& sink : m_sinks)
            items.push_back(CONNECTDATA{sink.second.Get(), sink.first});
        // The enumerator references the sinks before the lock is left.
        *connections = new CEnumConnections(items);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::vector<CComRef<IDispatch>> CConnectionPoint::Sinks()
{
    std::vector<CComRef<IDispatch>> sinks;
    CScopedLock hold(m_lock);
    try {
        sinks.reserve(m_sinks.size());
        for (const auto& sink : m_sinks)
            sinks.emplace_back(sink.second);
    } catch (...) {
        sinks.clear();
    }
    return sinks;
}

void CConnectionPoint::UnadviseAll()
{
    decltype(m_sinks) sinks;  // let go outside the lock
    CScopedLock hold(m_lock);
    sinks.swap(m_sinks);
}
