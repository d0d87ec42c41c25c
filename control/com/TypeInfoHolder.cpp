#include "TypeInfoHolder.h"

#include "Module.h"

HRESULT CTypeInfoHolder::LoadModuleTypeLib(ITypeLib** library)
{
    wchar_t path[MAX_PATH];
    if (!TheModule().ModuleFileName(path, MAX_PATH))
        return E_FAIL;
    return LoadTypeLibEx(path, REGKIND_NONE, library);
}

HRESULT CTypeInfoHolder::Get(ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (!m_info) {
        CComRef<ITypeLib> library;
        HRESULT hr = LoadModuleTypeLib(library.Receive());
        if (FAILED(hr))
            return hr;
        hr = library->GetTypeInfoOfGuid(m_guid, m_info.Receive());
        if (FAILED(hr))
            return hr;
    }
    *info = m_info.Get();
    (*info)->AddRef();
    return S_OK;
}

HRESULT CTypeInfoHolder::GetTypeInfo(UINT index, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return Get(info);
}

// The system's type information trusts these pointers: a missing one would fault in there.
HRESULT CTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    CComRef<ITypeInfo> info;
    const HRESULT hr = Get(info.Receive());
    if (FAILED(hr))
        return hr;
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT CTypeInfoHolder::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argError)
{
    if (!params)
        return E_POINTER;
    CComRef<ITypeInfo> info;
    const HRESULT hr = Get(info.Receive());
    if (FAILED(hr))
        return hr;
    return info->Invoke(object, id, flags, params, result, exception, argError);
}
