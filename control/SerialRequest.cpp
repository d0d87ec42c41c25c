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
    CUniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        return nullptr;
    }
    std::unique_ptr<CSerialRequest> request(new (std::nothrow) CSerialRequest(std::move(event), std::move(data)));
    if (!request) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return request;
}

CSerialRequest::CSerialRequest(CUniqueKernelHandle event, std::unique_ptr<BYTE[]> data)
    : m_event(std::move(event)),
      m_data(std::move(data))
{
    m_overlapped.hEvent = m_event.Get();
}

OVERLAPPED* CSerialRequest::Begin()
{
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = m_event.Get();
    ResetEvent(m_overlapped.hEvent);
    m_eventResult = 0;
    return &m_overlapped;
}

bool CSerialRequest::WaitUntilDone(DWORD milliseconds) const
{
    return WaitForSingleObject(m_overlapped.hEvent, milliseconds) == WAIT_OBJECT_0;
}
