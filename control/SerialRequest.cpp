#include "SerialRequest.h"

#include <new>

std::unique_ptr<CSerialRequest> CSerialRequest::Create(DWORD bufferSize)
{
    std::unique_ptr<BYTE[]> data;
    if (bufferSize > 0) {
        data.reset(new (std::nothrow) BYTE[bufferSize]);
        if (!data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CSerialRequest> request(new (std::nothrow) CSerialRequest(event, std::move(data)));
    if (!request) {
        CloseHandle(event);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return request;
}

CSerialRequest::CSerialRequest(HANDLE event, std::unique_ptr<BYTE[]> data) : m_data(std::move(data))
{
    m_overlapped.hEvent = event;
}

CSerialRequest::~CSerialRequest()
{
    CloseHandle(m_overlapped.hEvent);
}

OVERLAPPED* CSerialRequest::Begin()
{
    const HANDLE event = m_overlapped.hEvent;
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = event;
    ResetEvent(event);
    m_eventResult = 0;
    return &m_overlapped;
}

bool CSerialRequest::WaitUntilDone(DWORD milliseconds) const
{
    return WaitForSingleObject(m_overlapped.hEvent, milliseconds) == WAIT_OBJECT_0;
}
