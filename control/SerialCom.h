#pragma once
// The control's access to a serial port: opening and line settings, overlapped reads and writes
// bounded by an I/O time-out, and a wait for incoming data; another thread can cut each of the three
// short through an abort event. No operation throws or reports: each returns false (or 0) and keeps the Win32 error
// code of its failure, which GetLastError() returns.
//
// When the line fails (a transfer fails other than by running out of time, or the driver does not
// give back a cancelled request) the object closes the port by itself: the handle is of no more use,
// and closing it makes the driver let go of what it still holds. The caller sees a closed port and
// opens it again once it is back.

#include <windows.h>

#include <memory>
#include <vector>

class CSerialPlatform;
class CSerialRequest;

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

    bool SetTimeouts(DWORD readInterval, DWORD readTotalMultiplier, DWORD readTotalConstant, DWORD writeTotalMultiplier,
                     DWORD writeTotalConstant);
    bool SetEventMask(DWORD mask);
    void SetIoTimeout(DWORD milliseconds);
    void SetAbortEvent(HANDLE abortEvent);  // not owned; a null handle keeps the old one
    bool SetRts(unsigned level);
    bool SetDtr(unsigned level);

    // Returns the number of bytes read, 0 on failure or when nothing came within the I/O time-out;
    // ERROR_CANCELLED when the abort event ended a read (or a write) the driver had not finished.
    DWORD Read(void* buffer, DWORD count);
    // True when a comm event came within the time, or bytes were already waiting; false with
    // ERROR_CANCELLED when the abort event was set, ERROR_TIMEOUT when the time ran out.
    bool WaitForData(DWORD milliseconds);
    // The bytes the driver holds in its input queue; 0 when it cannot tell.
    DWORD QueuedBytes();

    bool IsOpen() const { return m_port != nullptr; }
    DWORD GetLastError() const { return m_lastError; }
    // The error with which the line failed and the object closed the port by itself; 0 while the
    // port is open, and after Close or an open.
    DWORD GetLineFailure() const { return m_lineFailure; }

    // How long the driver is given to complete a cancelled request, and, after the port has been
    // closed, to let go of one it kept.
    static constexpr DWORD CancelWaitMs = 500;
    // How long a driver is given to end a pending comm-event wait on a change of the event mask, which
    // it does at once when it does it at all.
    static constexpr DWORD MaskEndsWaitMs = 100;

protected:
    void SetLastErrorCode(DWORD code) { m_lastError = code; }
    CSerialPlatform& Platform() const { return *m_platform; }

private:
    using RequestSlot = std::unique_ptr<CSerialRequest>;

    bool BeginOperation();
    bool RequireOverlapped();
    bool CreateRequests();
    void ShutPort();
    bool ReadDcb(DCB& dcb);
    bool WriteDcb(DCB& dcb);
    void DisableFlowControl();
    void ApplyDefaultTimeouts();
    bool EscapeLine(DWORD function);
    bool WritePart(const BYTE* bytes, DWORD count);
    bool FinishPendingTransfer(RequestSlot& slot, DWORD& transferred);
    bool RetireRequest(RequestSlot& slot, DWORD& transferred);
    void AbandonRequest(RequestSlot& slot);
    void ReleaseAbandoned(DWORD milliseconds);
    bool HasQueuedInput();
    bool EndArmedWait();
    bool RetireWait();
    bool FailTransfer(DWORD error);
    bool RecordPlatformError();

    RequestSlot m_readRequest;
    RequestSlot m_writeRequest;
    RequestSlot m_waitRequest;
    // Requests the driver kept after their cancel; owned until it lets go of them.
    std::vector<RequestSlot> m_abandoned;
    HANDLE m_abortEvent = nullptr;
    DWORD m_ioTimeout = 5000;
    HANDLE m_port = nullptr;
    DWORD m_eventMask = 0;
    DWORD m_lastError = 0;
    DWORD m_lineFailure = 0;
    bool m_overlapped = false;
    bool m_maskEndsWait = true;  // false once the driver has left a wait pending over a mask change
    CSerialPlatform* m_platform;
};
