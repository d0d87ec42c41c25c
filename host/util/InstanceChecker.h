// The single-instance guard: a named mutex made of the application's GUID and the name of the
// desktop, so that one instance runs per desktop of a logon. The mutex is only a marker: it is
// never waited on, and it marks this instance until the process ends.
#pragma once

#include <windows.h>
#include <memory>

#include "UniqueHandle.h"

class CInstanceChecker {
public:
    CInstanceChecker();
    CInstanceChecker(const CInstanceChecker&) = delete;
    CInstanceChecker& operator=(const CInstanceChecker&) = delete;
    virtual ~CInstanceChecker() = default;

    // Fills a buffer of MAX_PATH characters with the mutex name; null (last error
    // ERROR_INVALID_PARAMETER) without a buffer.
    wchar_t* GetMutexName(wchar_t* buffer) const;
    // Creates the mutex and keeps its handle. False when another instance holds it, or holds it
    // where this one may not open it.
    bool ClaimInstance();
    bool HasMutex() const { return m_hMutex.IsValid(); }

private:
    std::unique_ptr<wchar_t[]> m_identifier;
    CUniqueKernelHandle m_hMutex;
};
