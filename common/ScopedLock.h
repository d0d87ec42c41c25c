// Holds a critical section for one scope: entered on construction, left however the scope ends. To
// leave it early, give the lock a block of its own.
#pragma once

#include <windows.h>

class CScopedLock {
public:
    explicit CScopedLock(CRITICAL_SECTION& lock) : m_lock(&lock) { EnterCriticalSection(m_lock); }
    // For a lock that may not be there: a null lock holds nothing.
    explicit CScopedLock(CRITICAL_SECTION* lock) : m_lock(lock)
    {
        if (m_lock) {
            EnterCriticalSection(m_lock);
        }
    }
    ~CScopedLock()
    {
        if (m_lock) {
            LeaveCriticalSection(m_lock);
        }
    }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

private:
    CRITICAL_SECTION* m_lock;
};
