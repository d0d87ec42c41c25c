#pragma once
// The control's access to a serial port: opening and line settings, overlapped reads and writes
// bounded by an I/O time-out, and a wait for incoming data that another thread can cut short through
// an abort event. No operation throws or reports: each returns false (or 0) and keeps the Win32 error
// code of its failure, which GetLastError() returns.

#include <windows.h>

class CSerialPlatform;

class CSerialCom {
public:
    CSerialCom();
    explicit CSerialCom(CSerialPlatform& platform);  // tests record the line operations through this
    virtual ~CSerialCom();

    CSerialCom(const CSerialCom&) = delete;
    CSerialCom& operator=(const CSerialCom&) = delete;

    // Opens "\\.\COM<port>" (or the given device name) and prepares it: 19200 baud through the
    // overridable SetBaudRate, DTR and RTS on, no flow control, a 1000 ms read interval, 8192-byte
    // queues, purged. Fails with ERROR_ALREADY_INITIALIZED while a port is open.
    virtual bool OpenPortByName(const wchar_t* portName, bool overlapped);
    virtual bool OpenPort(int portNumber, bool overlapped);
    virtual bool SetBaudRate(DWORD rate);
    virtual bool Write(const void* buffer, DWORD count);

    void Close();
    void Purge();

    bool SetByteSize(BYTE dataBits);
    bool SetParity(BYTE parity);
    bool SetStopBits(BYTE stopBits);
    DWORD GetBaudRate();
    BYTE GetByteSize();
    BYTE GetParity();
    BYTE GetStopBits();

    bool SetTimeouts(DWORD readInterval, DWORD readTotalMultiplier, DWORD readTotalConstant,
                     DWORD writeTotalMultiplier, DWORD writeTotalConstant);
    bool SetEventMask(DWORD mask);
    void SetIoTimeout(DWORD milliseconds);
    void SetAbortEvent(HANDLE abortEvent);  // not owned; a null handle keeps the old one
    bool SetRts(unsigned level);
    bool SetDtr(unsigned level);

    // Returns the number of bytes read, 0 on failure or when nothing came within the I/O time-out.
    DWORD Read(void* buffer, DWORD count);
    // True when a comm event came within the time; false with ERROR_CANCELLED when the abort event
    // was set, ERROR_TIMEOUT when the time ran out.
    bool WaitForData(DWORD milliseconds);

    bool IsOpen() const { return m_port != nullptr; }
    DWORD GetLastError() const { return m_lastError; }

protected:
    void SetLastErrorCode(DWORD code) { m_lastError = code; }
    CSerialPlatform& Platform() const { return *m_platform; }

private:
    bool BeginOperation();
    bool RequireOverlapped();
    bool CreateRequestEvents();
    void CloseRequestEvents();
    bool ReadDcb(DCB& dcb);
    bool WriteDcb(DCB& dcb);
    void DisableFlowControl();
    void ApplyDefaultTimeouts();
    bool EscapeLine(DWORD function);
    bool FinishPendingTransfer(OVERLAPPED& request, DWORD& transferred);
    bool RetireRequest(OVERLAPPED& request, DWORD& transferred);
    bool RecordPlatformError();

    OVERLAPPED m_readRequest{};
    OVERLAPPED m_writeRequest{};
    OVERLAPPED m_waitRequest{};
    HANDLE m_abortEvent = nullptr;
    DWORD m_ioTimeout = 5000;
    HANDLE m_port = nullptr;
    DWORD m_eventMask = 0;
    DWORD m_eventResult = 0;
    DWORD m_lastError = 0;
    bool m_rts = true;
    bool m_dtr = true;
    bool m_overlapped = false;
    CSerialPlatform* m_platform;
};
