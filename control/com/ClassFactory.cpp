#include "ClassFactory.h"

#include "Module.h"

CClassFactory::CClassFactory(ObjectCreator creator) : m_creator(creator) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The first reference is the module's own. Every further one is a client's, and a client that holds
// the class object must keep the library loaded: unloading it would leave the client calling code
// that is gone.
STDMETHODIMP_(ULONG) CClassFactory::AddRef()
{
    const LONG refs = InterlockedIncrement(&m_refs);
    if (refs == 2)
        TheModule().Lock();
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CClassFactory::Release()
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 1)
        TheModule().Unlock();
    else if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_creator(riid, object);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock)
{
    if (lock)
        TheModule().Lock();
    else
        TheModule().Unlock();
    return S_OK;
}
