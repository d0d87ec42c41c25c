#include "Module.h"

CModule& TheModule()
{
    static CModule module;
    return module;
}

bool CModule::ModuleFileName(wchar_t* buffer, DWORD capacity) const
{
    const DWORD length = GetModuleFileNameW(m_instance, buffer, capacity);
    return length > 0 && length < capacity;
}

LONG CModule::Lock()
{
    return InterlockedIncrement(&m_locks);
}

LONG CModule::Unlock()
{
    return InterlockedDecrement(&m_locks);
}

LONG CModule::LockCount() const
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&m_locks), 0, 0);
}
