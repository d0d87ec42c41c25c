#include "SerialCom.h"

#include "SerialPlatform.h"
#include "SerialRequest.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr DWORD kOpenBaudRate = 19200;
constexpr DWORD kOpenEventMask = EV_RXCHAR | EV_BREAK | EV_ERR;  // 0xC1
constexpr DWORD kQueueSize = 8192;
constexpr DWORD kReadIntervalTimeout = 1000;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// A transfer that ran out of time, or was ended through the abort event, says nothing about the line.
// Every other failure does: an unplugged adapter fails transfers with 5, 22, 31, 995, 1167 and more.
bool IsLineFailure(DWORD error)
{
    return error != ERROR_SUCCESS && error != ERROR_TIMEOUT && error != ERROR_CANCELLED && error != ERROR_IO_PENDING;
}

}  // namespace

CSerialCom::CSerialCom() : m_platform(&CSerialPlatform::Real()) {}

CSerialCom::CSerialCom(CSerialPlatform& platform) : m_platform(&platform) {}

CSerialCom::~CSerialCom()
{
    Close();
    // The last chance for the driver to let go of requests it kept. One that it still holds is left
    // to it rather than freed under it.
    ReleaseAbandoned(CancelWaitMs);
    for (RequestSlot& kept : m_abandoned) {
        static_cast<void>(kept.release());
    }
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
    m_lineFailure = 0;
    m_maskEndsWait = true;

    // The requests exist before the rate is set: an adapter sequence run from the overridden
    // SetBaudRate may already write to the port.
    if (overlapped && !CreateRequests()) {
        const DWORD error = ::GetLastError();
        ShutPort();
        m_lastError = error;
        return false;
    }

    SetBaudRate(kOpenBaudRate);  // virtual, so that an adapter learns the rate too; result not needed
    if (!IsOpen()) {
        m_lineFailure = 0;
        return false;  // the line failed under the adapter's sequence, which closed the port; its code stays
    }
    if (Platform().SetCommMask(m_port, kOpenEventMask)) {
        m_eventMask = kOpenEventMask;
    }
    DisableFlowControl();
    ApplyDefaultTimeouts();
    SetupComm(m_port, kQueueSize, kQueueSize);
    Purge();  // records its own failure; the port is open all the same
    return true;
}

bool CSerialCom::CreateRequests()
{
    m_readRequest = CSerialRequest::Create(CSerialRequest::Capacity);
    m_writeRequest = m_readRequest ? CSerialRequest::Create(CSerialRequest::Capacity) : nullptr;
    m_waitRequest = m_writeRequest ? CSerialRequest::Create(0) : nullptr;
    return m_waitRequest != nullptr;
}

// Closes the handle and frees the requests in use, none of which is outstanding. Requests the driver
// kept are freed as soon as it has let go of them, which closing the handle makes it do.
void CSerialCom::ShutPort()
{
    Platform().ClosePort(m_port);
    m_port = nullptr;
    m_readRequest.reset();
    m_writeRequest.reset();
    m_waitRequest.reset();
    ReleaseAbandoned(0);
}

void CSerialCom::ReleaseAbandoned(DWORD milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    const auto released = [deadline](const RequestSlot& request) {
        const ULONGLONG now = GetTickCount64();
        return request->WaitUntilDone(now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    };
    m_abandoned.erase(std::remove_if(m_abandoned.begin(), m_abandoned.end(), released), m_abandoned.end());
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
    m_lineFailure = 0;
    if (!IsOpen()) {
        return;
    }
    ShutPort();
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

// A transfer failed: the code is kept, and a failure of the line itself closes the port.
bool CSerialCom::FailTransfer(DWORD error)
{
    m_lastError = error;
    if (IsOpen() && IsLineFailure(error)) {
        m_lineFailure = error;
        ShutPort();
    }
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
    if (!Platform().SetCommMask(m_port, mask)) {
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
    return EscapeLine(level != 0 ? SETRTS : CLRRTS);
}

bool CSerialCom::SetDtr(unsigned level)
{
    return EscapeLine(level != 0 ? SETDTR : CLRDTR);
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
    CSerialRequest& request = *m_readRequest;
    const DWORD part = std::min(count, CSerialRequest::Capacity);
    DWORD received = 0;
    if (!Platform().ReadFile(m_port, request.Data(), part, &received, request.Begin())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            FailTransfer(error);
            return 0;
        }
        if (!FinishPendingTransfer(m_readRequest, received)) {
            return 0;
        }
    }
    received = std::min(received, part);
    if (received > 0) {
        std::memcpy(buffer, request.Data(), received);
    }
    return received;
}

bool CSerialCom::Write(const void* buffer, DWORD count)
{
    if (!BeginOperation()) {
        return false;
    }
    const auto* bytes = static_cast<const BYTE*>(buffer);
    if (!m_overlapped) {
        // A port opened without the overlapped flag writes synchronously: without flow control the
        // driver drains its queue on its own, so the write ends.
        DWORD written = 0;
        if (!Platform().WriteFile(m_port, bytes, count, &written, nullptr)) {
            return FailTransfer(::GetLastError());
        }
        return written >= count || FailTransfer(ERROR_TIMEOUT);
    }
    do {
        const DWORD part = std::min(count, CSerialRequest::Capacity);
        if (!WritePart(bytes, part)) {
            return false;
        }
        bytes += part;
        count -= part;
    } while (count > 0);
    return true;
}

bool CSerialCom::WritePart(const BYTE* bytes, DWORD count)
{
    CSerialRequest& request = *m_writeRequest;
    if (count > 0) {
        std::memcpy(request.Data(), bytes, count);
    }
    DWORD written = 0;
    if (!Platform().WriteFile(m_port, request.Data(), count, &written, request.Begin())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            return FailTransfer(error);
        }
        if (!FinishPendingTransfer(m_writeRequest, written)) {
            return false;
        }
    }
    // Only a driver write time-out ends a write early; the rest of the data never went out.
    return written >= count || FailTransfer(ERROR_TIMEOUT);
}

// Waits up to the I/O time-out for a pending read or write, or until the abort event is set: a stop
// must end the run even while the driver sits on a transfer. A request that does not finish is
// retired before the call returns, so that its memory is never reused or freed while the driver may
// still use it. After an abort the call fails with ERROR_CANCELLED whatever the request did.
bool CSerialCom::FinishPendingTransfer(RequestSlot& slot, DWORD& transferred)
{
    transferred = 0;
    CSerialRequest& request = *slot;
    const HANDLE handles[] = {request.Event(), m_abortEvent};
    const DWORD handleCount = m_abortEvent != nullptr ? 2 : 1;
    const DWORD wait = WaitForMultipleObjects(handleCount, handles, FALSE, m_ioTimeout);
    if (wait == WAIT_OBJECT_0) {
        return GetOverlappedResult(m_port, request.Overlapped(), &transferred, FALSE) || FailTransfer(::GetLastError());
    }
    DWORD error = ERROR_TIMEOUT;
    if (wait == WAIT_OBJECT_0 + 1) {
        error = ERROR_CANCELLED;
    } else if (wait != WAIT_TIMEOUT) {
        error = ::GetLastError();
    }
    if (RetireRequest(slot, transferred) && transferred > 0 && error == ERROR_TIMEOUT) {
        return true;  // the data came while the time ran out: keep them rather than lose them
    }
    transferred = 0;
    m_lastError = error;
    return false;
}

// Cancels an outstanding request and gives the driver a bounded time to complete it. Returns true
// when the request had completed successfully after all. A request the driver keeps is abandoned,
// and the port with it.
bool CSerialCom::RetireRequest(RequestSlot& slot, DWORD& transferred)
{
    CSerialRequest& request = *slot;
    if (!Platform().CancelIoEx(m_port, request.Overlapped()) && ::GetLastError() != ERROR_NOT_FOUND) {
        CancelIo(m_port);  // every request of this object is issued by the one thread that owns it
    }
    transferred = 0;
    if (!request.WaitUntilDone(CancelWaitMs)) {
        AbandonRequest(slot);
        return false;
    }
    return GetOverlappedResult(m_port, request.Overlapped(), &transferred, FALSE) != FALSE;
}

// The driver may still write to a request it has not given back, so the request is set aside whole,
// neither reused nor freed, and the port is closed: a driver lets go of all it holds for a handle
// that is closed, and the caller opens the port afresh.
void CSerialCom::AbandonRequest(RequestSlot& slot)
{
    try {
        m_abandoned.push_back(std::move(slot));
    } catch (const std::bad_alloc&) {
        static_cast<void>(slot.release());  // with nowhere to keep it, leaving it to the driver is safe
    }
    m_lineFailure = ERROR_TIMEOUT;
    ShutPort();
}

DWORD CSerialCom::QueuedBytes()
{
    DWORD errors = 0;
    COMSTAT status{};
    // Only a look: it leaves the last error of the operation it serves as it is.
    return IsOpen() && Platform().ClearCommError(m_port, &errors, &status) ? status.cbInQue : 0;
}

// Bytes that came before the wait was armed raise no event on a driver that clears its event history
// when the mask is set; the input queue still holds them.
bool CSerialCom::HasQueuedInput()
{
    return QueuedBytes() > 0;
}

// Data are waiting while the comm-event wait is armed: the wait is retired before its request is used
// again, and the data are read.
bool CSerialCom::EndArmedWait()
{
    RetireWait();
    if (IsOpen()) {
        return true;
    }
    m_lastError = ERROR_TIMEOUT;
    return false;
}

// Ends an armed comm-event wait before its request is used again; true when it had seen an event
// after all. Setting the event mask completes a pending wait, which is the drivers' own way to end
// one: the port stays open and what its input queue holds stays readable. Only a driver that ignores
// that gets the cancel (at once from then on, for as long as the port is open), and one that keeps
// even a cancelled wait costs the port (RetireRequest). A wait that completed with no event, which is
// how a mask change ends one, came to nothing whichever way it was retired: a driver slow to end it
// on the mask change has completed it so by the time the cancel looks.
bool CSerialCom::RetireWait()
{
    CSerialRequest& request = *m_waitRequest;
    bool completed = false;
    if (m_maskEndsWait && Platform().SetCommMask(m_port, m_eventMask) && request.WaitUntilDone(MaskEndsWaitMs)) {
        DWORD ignored = 0;
        completed = GetOverlappedResult(m_port, request.Overlapped(), &ignored, FALSE) != FALSE;
    } else {
        m_maskEndsWait = false;
        DWORD transferred = 0;
        completed = RetireRequest(m_waitRequest, transferred);
    }
    // Read only when it completed: a request the driver kept was set aside with the port.
    return completed && *m_waitRequest->EventResult() != 0;
}

bool CSerialCom::WaitForData(DWORD milliseconds)
{
    if (!BeginOperation() || !RequireOverlapped()) {
        return false;
    }
    if (!Platform().SetCommMask(m_port, m_eventMask)) {
        RecordPlatformError();
    }
    CSerialRequest& request = *m_waitRequest;
    if (Platform().WaitCommEvent(m_port, request.EventResult(), request.Begin())) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        // A wait the driver refuses at once is the line failing as a refused read is: an adapter
        // that was pulled answers every wait so, and only a port opened afresh can work again.
        return FailTransfer(error);
    }
    if (HasQueuedInput()) {
        return EndArmedWait();
    }

    const HANDLE handles[] = {request.Event(), m_abortEvent};
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
    const bool cameAfterAll = RetireWait();
    if (cameAfterAll && failure == ERROR_TIMEOUT) {
        return true;
    }
    m_lastError = failure;
    return false;
}
