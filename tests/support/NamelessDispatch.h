#pragma once
// IDispatch without type information or names, for the tests' automation stand-ins: their callers
// reach them by DISPID only.

#include <windows.h>
#include <oaidl.h>

class CNamelessDispatch : public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};
