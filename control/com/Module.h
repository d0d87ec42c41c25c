#pragma once
// State of the in-process server as a whole: its instance handle, the count of live objects and
// server locks that decides DllCanUnloadNow, the global lock, and the per-user registration switch.

#include <windows.h>

#include "ScopedLock.h"

class CModule {
public:
    // Called from DllMain.
    void Init(HINSTANCE instance) { m_instance = instance; }

    HINSTANCE Instance() const { return m_instance; }
    bool ModuleFileName(wchar_t* buffer, DWORD capacity) const;

    // Every live object and every IClassFactory::LockServer(TRUE) holds one lock.
    LONG Lock();
    LONG Unlock();
    LONG LockCount() const;

    CCriticalSection& GlobalLock() { return m_globalLock; }

    void SetPerUserRegistration(bool perUser) { m_perUser = perUser; }
    bool PerUserRegistration() const { return m_perUser; }

private:
    HINSTANCE m_instance = nullptr;
    volatile LONG m_locks = 0;
    bool m_perUser = false;
    CCriticalSection m_globalLock;
};

// The one module of this library.
CModule& TheModule();

// Holds one lock on the module for its lifetime. Declared as an object's first member, it is let go
// last, after every other member is gone: nothing of the library runs for the object after that.
class CModuleLockHolder {
public:
    CModuleLockHolder() { TheModule().Lock(); }
    ~CModuleLockHolder() { TheModule().Unlock(); }
    CModuleLockHolder(const CModuleLockHolder&) = delete;
    CModuleLockHolder& operator=(const CModuleLockHolder&) = delete;
};
