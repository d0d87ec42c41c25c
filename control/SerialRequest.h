#pragma once
// One overlapped request to a serial port, with all the memory the driver may use while it is
// outstanding: the OVERLAPPED and its event, the data buffer, and the event mask that a comm-event
// wait fills in. The serial object hands the driver this memory, never its caller's. A request that
// the driver does not give back in time can then be set aside whole and kept until the driver lets
// go of it, while the caller reuses or frees its own buffers.

#include <windows.h>

#include <memory>

#include "UniqueHandle.h"

class CSerialRequest {
public:
    // The largest transfer one request carries (the largest frame of the protocol); longer reads
    // and writes go in parts.
    static constexpr DWORD Capacity = 16384;

    // A request with a manual-reset event and a data buffer of the given size; null when either
    // cannot be had.
    static std::unique_ptr<CSerialRequest> Create(DWORD bufferSize);
    CSerialRequest(const CSerialRequest&) = delete;
    CSerialRequest& operator=(const CSerialRequest&) = delete;

    // Readies the request for the next call: a cleared OVERLAPPED with the request's event, unset.
    OVERLAPPED* Begin();
    OVERLAPPED* Overlapped() { return &m_overlapped; }
    HANDLE Event() const { return m_event.Get(); }
    BYTE* Data() { return m_data.get(); }
    DWORD* EventResult() { return &m_eventResult; }

    // True once the driver has finished with the request, waiting up to the given time for it.
    bool WaitUntilDone(DWORD milliseconds) const;

private:
    CSerialRequest(CUniqueKernelHandle event, std::unique_ptr<BYTE[]> data);

    CUniqueKernelHandle m_event;  // the OVERLAPPED carries it too
    OVERLAPPED m_overlapped{};
    DWORD m_eventResult = 0;
    std::unique_ptr<BYTE[]> m_data;
};
