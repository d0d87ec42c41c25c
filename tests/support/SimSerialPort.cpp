#include "SimSerialPort.h"

#include <string>

namespace {

// Bounds the wait for a cancelled operation to complete.
constexpr DWORD kCancelWaitMs = 2000;

}  // namespace

CSimSerialPort::~CSimSerialPort()
{
    Close();
}

bool CSimSerialPort::Open(int comNumber, HANDLE stopEvent, DWORD idleMs)
{
    Close();
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(comNumber);
    m_port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                         nullptr);
    if (m_port == INVALID_HANDLE_VALUE) {
        m_lastError = GetLastError();
        return false;
    }
    m_readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_writeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_stopEvent = stopEvent;
    m_idleMs = idleMs;
    if (m_readEvent == nullptr || m_writeEvent == nullptr || !Configure()) {
        m_lastError = GetLastError();
        Close();
        return false;
    }
    return true;
}

bool CSimSerialPort::Configure()
{
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(m_port, &dcb)) {
        return false;
    }
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    if (!SetCommState(m_port, &dcb)) {
        return false;
    }
    // A read waits for the first byte and completes once the line pauses after it. Only an interval
    // time-out: Wine's overlapped serial reads fail at once with a total time-out constant and never
    // complete with the "return what is there" combination of MAXDWORD values.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.WriteTotalTimeoutConstant = 5000;
    if (!SetCommTimeouts(m_port, &timeouts)) {
        return false;
    }
    PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

void CSimSerialPort::Close()
{
    if (m_port != INVALID_HANDLE_VALUE) {
        if (m_readPending) {
            CancelPending(m_readOverlapped);
            m_readPending = false;
        }
        CloseHandle(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }
    for (HANDLE* event : {&m_readEvent, &m_writeEvent}) {
        if (*event != nullptr) {
            CloseHandle(*event);
            *event = nullptr;
        }
    }
    m_stopEvent = nullptr;
}

void CSimSerialPort::CancelPending(OVERLAPPED& overlapped)
{
    CancelIoEx(m_port, &overlapped);
    DWORD ignored = 0;
    if (WaitForSingleObject(overlapped.hEvent, kCancelWaitMs) == WAIT_OBJECT_0) {
        GetOverlappedResult(m_port, &overlapped, &ignored, FALSE);
    }
}

SimIoResult CSimSerialPort::Read(SimBytes& bytes, size_t wanted)
{
    bytes.clear();
    if (!IsOpen()) {
        return SimIoResult::Failed;
    }
    if (!m_readPending) {
        m_readOverlapped = OVERLAPPED{};
        m_readOverlapped.hEvent = m_readEvent;
        ResetEvent(m_readEvent);
        DWORD got = 0;
        m_readRequested = wanted >= 1 && wanted <= kReadBufferSize ? wanted : kReadBufferSize;
        if (!ReadFile(m_port, m_readBuffer, static_cast<DWORD>(m_readRequested), &got, &m_readOverlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            m_lastError = GetLastError();
            return SimIoResult::Failed;
        }
        m_readPending = true;
    }
    HANDLE waits[2] = {m_readEvent, m_stopEvent};
    const DWORD count = m_stopEvent != nullptr ? 2 : 1;
    switch (WaitForMultipleObjects(count, waits, FALSE, m_idleMs)) {
    case WAIT_OBJECT_0:
        return CollectRead(bytes);
    case WAIT_OBJECT_0 + 1:
        return SimIoResult::Stopped;  // Close cancels the pending read
    case WAIT_TIMEOUT:
        return SimIoResult::Idle;
    default:
        m_lastError = GetLastError();
        return SimIoResult::Failed;
    }
}

SimIoResult CSimSerialPort::CollectRead(SimBytes& bytes)
{
    m_readPending = false;
    DWORD got = 0;
    if (!GetOverlappedResult(m_port, &m_readOverlapped, &got, FALSE)) {
        m_lastError = GetLastError();
        return m_lastError == ERROR_OPERATION_ABORTED ? SimIoResult::Idle : SimIoResult::Failed;
    }
    if (got == 0) {
        return SimIoResult::Idle;
    }
    bytes.assign(m_readBuffer, m_readBuffer + got);
    return SimIoResult::Data;
}

SimIoResult CSimSerialPort::Write(const SimBytes& bytes, DWORD timeoutMs)
{
    if (!IsOpen()) {
        return SimIoResult::Failed;
    }
    if (bytes.empty()) {
        return SimIoResult::Data;
    }
    m_writeOverlapped = OVERLAPPED{};
    m_writeOverlapped.hEvent = m_writeEvent;
    ResetEvent(m_writeEvent);
    DWORD written = 0;
    if (!WriteFile(m_port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &m_writeOverlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        m_lastError = GetLastError();
        return SimIoResult::Failed;
    }
    HANDLE waits[2] = {m_writeEvent, m_stopEvent};
    const DWORD count = m_stopEvent != nullptr ? 2 : 1;
    const DWORD signalled = WaitForMultipleObjects(count, waits, FALSE, timeoutMs);
    if (signalled != WAIT_OBJECT_0) {
        // Stopped or overdue: the write must not outlive this call with our buffer.
        m_lastError = signalled == WAIT_TIMEOUT ? ERROR_TIMEOUT : ERROR_OPERATION_ABORTED;
        CancelPending(m_writeOverlapped);
        return signalled == WAIT_OBJECT_0 + 1 ? SimIoResult::Stopped : SimIoResult::Failed;
    }
    if (!GetOverlappedResult(m_port, &m_writeOverlapped, &written, FALSE) || written != bytes.size()) {
        m_lastError = written != bytes.size() ? ERROR_WRITE_FAULT : GetLastError();
        return SimIoResult::Failed;
    }
    return SimIoResult::Data;
}
