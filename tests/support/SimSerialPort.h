#pragma once
// The simulated terminal's end of the line: a COM port opened with plain Win32 calls for overlapped
// I/O. Every wait also watches a stop event, so the simulator's thread never outlives a Stop by more
// than the time it takes to cancel one read.

#include "SimTypes.h"

#include <windows.h>

enum class SimIoResult { Data, Idle, Stopped, Failed };

class CSimSerialPort {
public:
    // A read ends when its buffer is full or the line has paused this long after a byte.
    static constexpr DWORD kReadIntervalMs = 5;
    static constexpr size_t kReadBufferSize = 4096;

    CSimSerialPort() = default;
    ~CSimSerialPort();
    CSimSerialPort(const CSimSerialPort&) = delete;
    CSimSerialPort& operator=(const CSimSerialPort&) = delete;

    // Opens "\\.\COMn" (8 data bits, no parity, one stop bit). The stop event stays the caller's.
    bool Open(int comNumber, HANDLE stopEvent, DWORD idleMs);
    void Close();
    bool IsOpen() const { return m_port != INVALID_HANDLE_VALUE; }

    // Waits up to the idle time for bytes: Data with what came, Idle when nothing came. A read that is
    // still pending at the idle time stays pending for the next call, so no byte is lost to a cancel.
    SimIoResult Read(SimBytes& bytes) { return Read(bytes, kReadBufferSize); }
    // The same, with a read that ends as soon as `wanted` bytes (1 to kReadBufferSize) have come; it
    // applies when a new read starts, not to one still pending.
    SimIoResult Read(SimBytes& bytes, size_t wanted);
    // The size of the read that gave the last Data: fewer bytes than that came on the read interval.
    size_t LastReadRequested() const { return m_readRequested; }
    SimIoResult Write(const SimBytes& bytes, DWORD timeoutMs);

    DWORD LastError() const { return m_lastError; }

private:
    bool Configure();
    SimIoResult CollectRead(SimBytes& bytes);
    // Ends a pending operation (Stop, overdue write) and waits, bounded, until the system has let go
    // of its buffer.
    void CancelPending(OVERLAPPED& overlapped);

    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_stopEvent = nullptr;
    DWORD m_idleMs = 200;
    DWORD m_lastError = 0;
    // Members, not locals: a pending operation writes here until it has completed.
    HANDLE m_readEvent = nullptr;
    HANDLE m_writeEvent = nullptr;
    OVERLAPPED m_readOverlapped{};
    OVERLAPPED m_writeOverlapped{};
    bool m_readPending = false;
    size_t m_readRequested = kReadBufferSize;
    uint8_t m_readBuffer[kReadBufferSize] = {};
};
