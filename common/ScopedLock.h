// A critical section and the lock that holds it for one scope.
#pragma once

#include <windows.h>

// Owns one critical section: made with the owner, deleted with it. Threads lock it by its address,
// so it is neither copied nor moved.
class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_section); }
    ~CCriticalSection() { DeleteCriticalSection(&m_section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    // For code that takes the section itself (the engine's option lock).
    CRITICAL_SECTION* Get() { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

// Holds a critical section for one scope: entered on construction, left however the scope ends. To
// leave it early, give the lock a block of its own.
class CScopedLock {
public:
    explicit CScopedLock(CCriticalSection& lock) : CScopedLock(*lock.Get()) {}
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
