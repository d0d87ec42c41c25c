#include "SerialPlatform.h"

BOOL CSerialPlatform::EscapeCommFunction(HANDLE port, DWORD function)
{
    return ::EscapeCommFunction(port, function);
}

BOOL CSerialPlatform::SetCommState(HANDLE port, DCB* dcb)
{
    return ::SetCommState(port, dcb);
}

BOOL CSerialPlatform::PurgeComm(HANDLE port, DWORD flags)
{
    return ::PurgeComm(port, flags);
}

BOOL CSerialPlatform::WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written,
                                OVERLAPPED* request)
{
    return ::WriteFile(port, buffer, count, written, request);
}

void CSerialPlatform::Sleep(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

BOOL CSerialPlatform::QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    return ::QueryPerformanceFrequency(frequency);
}

BOOL CSerialPlatform::QueryPerformanceCounter(LARGE_INTEGER* counter)
{
    return ::QueryPerformanceCounter(counter);
}

CSerialPlatform& CSerialPlatform::Real()
{
    static CSerialPlatform real;
    return real;
}
