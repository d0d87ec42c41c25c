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

BOOL CSerialPlatform::WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request)
{
    return ::WriteFile(port, buffer, count, written, request);
}

BOOL CSerialPlatform::ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, OVERLAPPED* request)
{
    return ::ReadFile(port, buffer, count, read, request);
}

BOOL CSerialPlatform::SetCommMask(HANDLE port, DWORD mask)
{
    return ::SetCommMask(port, mask);
}

BOOL CSerialPlatform::WaitCommEvent(HANDLE port, DWORD* events, OVERLAPPED* request)
{
    return ::WaitCommEvent(port, events, request);
}

BOOL CSerialPlatform::ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status)
{
    return ::ClearCommError(port, errors, status);
}

BOOL CSerialPlatform::CancelIoEx(HANDLE port, OVERLAPPED* request)
{
    return ::CancelIoEx(port, request);
}

BOOL CSerialPlatform::ClosePort(HANDLE port)
{
    return ::CloseHandle(port);
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
