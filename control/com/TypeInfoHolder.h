#pragma once
// The type information of one interface of this module's type library (resource TYPELIB 1),
// loaded on first use. Serves IDispatch through the type library.

#include <oaidl.h>

#include "ComRef.h"

class CTypeInfoHolder {
public:
    explicit CTypeInfoHolder(REFGUID guid) : m_guid(guid) {}

    HRESULT Get(ITypeInfo** info);

    // IDispatch members on behalf of `object`, an interface described by this type info.
    HRESULT GetTypeInfo(UINT index, ITypeInfo** info);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
    HRESULT Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argError);

    static HRESULT LoadModuleTypeLib(ITypeLib** library);

private:
    GUID m_guid;
    CComRef<ITypeInfo> m_info;
};
