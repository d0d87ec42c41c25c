#include "SerialCom.h"

#include "SerialPlatform.h"

#include <string>

namespace {

constexpr DWORD kOpenBaudRate = 19200;
constexpr DWORD kOpenEventMask = EV_RXCHAR | EV_BREAK | EV_ERR;  // 0xC1
constexpr DWORD kQueueSize = 8192;
constexpr DWORD kReadIntervalTimeout = 1000;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

}  // namespace

CSerialCom::CSerialCom() : m_platform(&CSerialPlatform::Real())
{
}

CSerialCom::CSerialCom(CSerialPlatform& platform) : m_platform(&platform)
{
}

CSerialCom::~CSerialCom()
{
    Close();
}

bool CSerialCom::OpenPort(int portNumber, bool overlapped)
{
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber);
    // Not the virtual one: a subclass's OpenPort runs its own work after this returns.
    return CSerialCom::OpenPortByName(name.c_str(), overlapped);
}

bool CSerialCom::OpenPortByName(const wchar_t* portName, bool overlapped)
{
    m_lastError = ERROR_SUCCESS;
    if (IsOpen()) {
        m_lastError = ERROR_ALREADY_INITIALIZED;
        return false;
    }
    if (portName == nullptr) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    HANDLE port = CreateFileW(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        m_lastError = ::GetLastError();
        return false;
    }
    m_port = port;
    m_overlapped = overlapped;

    // The request events exist before the rate is set: an adapter sequence run from the overridden
    // SetBaudRate may already write to the port.
    if (overlapped && !CreateRequestEvents()) {
        const DWORD error = ::GetLastError();
        CloseRequestEvents();
        CloseHandle(m_port);
        m_port = nullptr;
        m_lastError = error;
        return false;
    }

    SetBaudRate(kOpenBaudRate);  // virtual, so that an adapter learns the rate too; result not needed
    if (SetCommMask(m_port, kOpenEventMask)) {
        m_eventMask = kOpenEventMask;
    }
    DisableFlowControl();
    ApplyDefaultTimeouts();
    SetupComm(m_port, kQueueSize, kQueueSize);
    Purge();  // records its own failure; the port is open all the same
    return true;
}

bool CSerialCom::CreateRequestEvents()
{
    for (OVERLAPPED* request : {&m_readRequest, &m_writeRequest, &m_waitRequest}) {
        *request = OVERLAPPED{};
        request->hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (request->hEvent == nullptr) {
            return false;
        }
    }
    return true;
}

void CSerialCom::CloseRequestEvents()
{
    for (OVERLAPPED* request : {&m_readRequest, &m_writeRequest, &m_waitRequest}) {
        if (request->hEvent != nullptr) {
            CloseHandle(request->hEvent);
        }
        *request = OVERLAPPED{};
    }
}

void CSerialCom::DisableFlowControl()
{
    DCB dcb;
    if (!ReadDcb(dcb)) {
        return;
    }
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    WriteDcb(dcb);
}

void CSerialCom::ApplyDefaultTimeouts()
{
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_port, &timeouts)) {
        return;
    }
    timeouts.ReadIntervalTimeout = kReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(m_port, &timeouts);
}

void CSerialCom::Close()
{
    m_lastError = ERROR_SUCCESS;
    if (!IsOpen()) {
        return;
    }
    CloseRequestEvents();
    CloseHandle(m_port);
    m_port = nullptr;
}

bool CSerialCom::BeginOperation()
{
    if (!IsOpen()) {
        m_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    m_lastError = ERROR_SUCCESS;
    return true;
}

bool CSerialCom::RecordPlatformError()
{
    m_lastError = ::GetLastError();
    return false;
}

void CSerialCom::Purge()
{
    if (BeginOperation() && !Platform().PurgeComm(m_port, kPurgeAll)) {
        RecordPlatformError();
    }
}

bool CSerialCom::ReadDcb(DCB& dcb)
{
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    return GetCommState(m_port, &dcb) || RecordPlatformError();
}

bool CSerialCom::WriteDcb(DCB& dcb)
{
    return Platform().SetCommState(m_port, &dcb) || RecordPlatformError();
}

bool CSerialCom::SetBaudRate(DWORD rate)
{
    DCB dcb;
    if (!BeginOperation() || !ReadDcb(dcb)) {
        return false;
    }
    dcb.BaudRate = rate;
    return WriteDcb(dcb);
}

bool CSerialCom::SetByteSize(BYTE dataBits)
{
    DCB dcb;
    if (!BeginOperation() || !ReadDcb(dcb)) {
        return false;
    }
    dcb.ByteSize = dataBits;
    return WriteDcb(dcb);
}

bool CSerialCom::SetParity(BYTE parity)
{
    DCB dcb;
    if (!BeginOperation() || !ReadDcb(dcb)) {
        return false;
    }
    dcb.Parity = parity;
    dcb.fParity = parity != NOPARITY ? TRUE : FALSE;
    return WriteDcb(dcb);
}

bool CSerialCom::SetStopBits(BYTE stopBits)
{
    DCB dcb;
    if (!BeginOperation() || !ReadDcb(dcb)) {
        return false;
    }
    dcb.StopBits = stopBits;
    return WriteDcb(dcb);
}

DWORD CSerialCom::GetBaudRate()
{
    DCB dcb;
    return BeginOperation() && ReadDcb(dcb) ? dcb.BaudRate : 0;
}

BYTE CSerialCom::GetByteSize()
{
    DCB dcb;
    return BeginOperation() && ReadDcb(dcb) ? dcb.ByteSize : 0;
}

BYTE CSerialCom::GetParity()
{
    DCB dcb;
    return BeginOperation() && ReadDcb(dcb) ? dcb.Parity : 0;
}

BYTE CSerialCom::GetStopBits()
{
    DCB dcb;
    return BeginOperation() && ReadDcb(dcb) ? dcb.StopBits : 0;
}

bool CSerialCom::SetTimeouts(DWORD readInterval, DWORD readTotalMultiplier, DWORD readTotalConstant,
                             DWORD writeTotalMultiplier, DWORD writeTotalConstant)
{
    if (!BeginOperation()) {
        return false;
    }
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_port, &timeouts)) {
        return RecordPlatformError();
    }
    timeouts.ReadIntervalTimeout = readInterval;
    timeouts.ReadTotalTimeoutMultiplier = readTotalMultiplier;
    timeouts.ReadTotalTimeoutConstant = readTotalConstant;
    timeouts.WriteTotalTimeoutMultiplier = writeTotalMultiplier;
    timeouts.WriteTotalTimeoutConstant = writeTotalConstant;
    return SetCommTimeouts(m_port, &timeouts) || RecordPlatformError();
}

bool CSerialCom::SetEventMask(DWORD mask)
{
    if (!BeginOperation()) {
        return false;
    }
    if (!SetCommMask(m_port, mask)) {
        return RecordPlatformError();
    }
    m_eventMask = mask;
    return true;
}

void CSerialCom::SetIoTimeout(DWORD milliseconds)
{
    m_ioTimeout = milliseconds;
}

void CSerialCom::SetAbortEvent(HANDLE abortEvent)
{
    if (abortEvent != nullptr) {
        m_abortEvent = abortEvent;
    }
}

bool CSerialCom::EscapeLine(DWORD function)
{
    return BeginOperation() && (Platform().EscapeCommFunction(m_port, function) || RecordPlatformError());
}

bool CSerialCom::SetRts(unsigned level)
{
    if (!EscapeLine(level != 0 ? SETRTS : CLRRTS)) {
        return false;
    }
    m_rts = level != 0;
    return true;
}

bool CSerialCom::SetDtr(unsigned level)
{
    if (!EscapeLine(level != 0 ? SETDTR : CLRDTR)) {
        return false;
    }
    m_dtr = level != 0;
    return true;
}

// Without the overlapped requests a read or a comm-event wait could block for ever: the driver's
// read time-outs never end a read before the first byte, and a synchronous WaitCommEvent cannot be
// cut short. Such a port therefore refuses both.
bool CSerialCom::RequireOverlapped()
{
    if (m_overlapped) {
        return true;
    }
    m_lastError = ERROR_NOT_SUPPORTED;
    return false;
}

DWORD CSerialCom::Read(void* buffer, DWORD count)
{
    if (!BeginOperation() || !RequireOverlapped()) {
        return 0;
    }
    DWORD received = 0;
    if (ReadFile(m_port, buffer, count, &received, &m_readRequest)) {
        return received;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        m_lastError = error;
        return 0;
    }
    return FinishPendingTransfer(m_readRequest, received) ? received : 0;
}

bool CSerialCom::Write(const void* buffer, DWORD count)
{
    if (!BeginOperation()) {
        return false;
    }
    // A port opened without the overlapped flag writes synchronously: without flow control the
    // driver drains its queue on its own, so the write ends.
    OVERLAPPED* request = m_overlapped ? &m_writeRequest : nullptr;
    DWORD written = 0;
    if (!Platform().WriteFile(m_port, buffer, count, &written, request)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING || request == nullptr) {
            m_lastError = error;
            return false;
        }
        if (!FinishPendingTransfer(m_writeRequest, written)) {
            return false;
        }
    }
    if (written < count) {
        // Only a driver write time-out ends a write early; the rest of the data never went out.
        m_lastError = ERROR_TIMEOUT;
        return false;
    }
    return true;
}

// Waits up to the I/O time-out for a pending read or write. A request that does not finish in time
// is retired before the call returns, so that its OVERLAPPED and buffer are never reused or freed
// while the driver may still write to them.
bool CSerialCom::FinishPendingTransfer(OVERLAPPED& request, DWORD& transferred)
{
    transferred = 0;
    const DWORD wait = WaitForSingleObject(request.hEvent, m_ioTimeout);
    if (wait == WAIT_OBJECT_0) {
        return GetOverlappedResult(m_port, &request, &transferred, FALSE) || RecordPlatformError();
    }
    const DWORD error = wait == WAIT_TIMEOUT ? ERROR_TIMEOUT : ::GetLastError();
    if (RetireRequest(request, transferred) && transferred > 0) {
        return true;  // the data came while the time ran out: keep them rather than lose them
    }
    transferred = 0;
    m_lastError = error;
    return false;
}

// Cancels an outstanding request and waits for the driver to let go of it. Returns true when the
// request had completed successfully after all.
bool CSerialCom::RetireRequest(OVERLAPPED& request, DWORD& transferred)
{
    if (!CancelIoEx(m_port, &request) && ::GetLastError() != ERROR_NOT_FOUND) {
        CancelIo(m_port);  // every request of this object is issued by the one thread that owns it
    }
    transferred = 0;
    return GetOverlappedResult(m_port, &request, &transferred, TRUE) != FALSE;
}

bool CSerialCom::WaitForData(DWORD milliseconds)
{
    if (!BeginOperation() || !RequireOverlapped()) {
        return false;
    }
    if (!SetCommMask(m_port, m_eventMask)) {
        RecordPlatformError();
    }
    m_eventResult = 0;
    if (WaitCommEvent(m_port, &m_eventResult, &m_waitRequest)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        m_lastError = error;
        return false;
    }

    const HANDLE handles[] = {m_waitRequest.hEvent, m_abortEvent};
    const DWORD handleCount = m_abortEvent != nullptr ? 2 : 1;
    const DWORD wait = WaitForMultipleObjects(handleCount, handles, FALSE, milliseconds);
    if (wait == WAIT_OBJECT_0) {
        return true;
    }
    DWORD failure = ERROR_TIMEOUT;
    if (wait == WAIT_OBJECT_0 + 1) {
        failure = ERROR_CANCELLED;
    } else if (wait != WAIT_TIMEOUT) {
        failure = ::GetLastError();
    }
    DWORD ignored = 0;
    const bool cameAfterAll = RetireRequest(m_waitRequest, ignored);
    if (cameAfterAll && failure == ERROR_TIMEOUT) {
        return true;
    }
    m_lastError = failure;
    return false;
}
