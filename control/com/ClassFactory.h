#pragma once
// IClassFactory for one COM class: creates objects through a creator function and keeps the
// server loaded while a client holds LockServer(TRUE) or a reference to the class object. It is
// created with one reference, the module's own, which does not count as a client's.

#include <windows.h>
#include <unknwn.h>

using ObjectCreator = HRESULT (*)(REFIID riid, void** object);

class CClassFactory final : public IClassFactory {
public:
    explicit CClassFactory(ObjectCreator creator);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~CClassFactory() = default;

    volatile LONG m_refs = 1;
    ObjectCreator m_creator;
};
