#pragma once
// The few platform calls of the serial classes that tests must be able to watch or stand in for: the
// modem-line and line-setting changes, the transfers, the event mask, the comm-event wait and the
// input queue, the cancels, the purges, the delays and the closing of the port. A pseudo-terminal
// refuses modem-line changes, so the infrared adapter sequences can only be checked by recording
// these calls; and the ways a real driver is slow to answer (an event history cleared by a mask
// change, a cancel that never completes) can only be shown by a platform that behaves so. The serial
// classes use the real functions unless they are given another platform.

#include <windows.h>

class CSerialPlatform {
public:
    virtual ~CSerialPlatform() = default;

    virtual BOOL EscapeCommFunction(HANDLE port, DWORD function);
    virtual BOOL SetCommState(HANDLE port, DCB* dcb);
    virtual BOOL PurgeComm(HANDLE port, DWORD flags);
    virtual BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request);
    virtual BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, OVERLAPPED* request);
    virtual BOOL SetCommMask(HANDLE port, DWORD mask);
    virtual BOOL WaitCommEvent(HANDLE port, DWORD* events, OVERLAPPED* request);
    virtual BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
    virtual BOOL CancelIoEx(HANDLE port, OVERLAPPED* request);
    virtual BOOL ClosePort(HANDLE port);
    virtual void Sleep(DWORD milliseconds);
    virtual BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
    virtual BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);

    // The platform that calls the Win32 functions themselves.
    static CSerialPlatform& Real();
};
