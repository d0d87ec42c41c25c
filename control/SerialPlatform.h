#pragma once
// The few platform calls of the serial classes that tests must be able to watch: the modem-line and
// line-setting changes, the writes, the purges and the delays. A pseudo-terminal refuses modem-line
// changes, so the infrared adapter sequences can only be checked by recording these calls. The serial
// classes use the real functions unless they are given another platform.

#include <windows.h>

class CSerialPlatform {
public:
    virtual ~CSerialPlatform() = default;

    virtual BOOL EscapeCommFunction(HANDLE port, DWORD function);
    virtual BOOL SetCommState(HANDLE port, DCB* dcb);
    virtual BOOL PurgeComm(HANDLE port, DWORD flags);
    virtual BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request);
    virtual void Sleep(DWORD milliseconds);
    virtual BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
    virtual BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);

    // The platform that calls the Win32 functions themselves.
    static CSerialPlatform& Real();
};
