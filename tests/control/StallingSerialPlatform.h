#pragma once
// A serial platform that behaves as the slow drivers of real adapters do, on top of a real port:
// a comm-event wait, a read or a write that it leaves outstanding for ever, an input queue that holds
// bytes of which no event told, a cancel that never completes, and a close that makes it let go of
// what it kept (or not even that), a change of the event mask that ends a stalled wait (at once, or
// only some time later); and as a
// pulled adapter does, a comm-event wait refused at once.
// Everything it does not stand in for reaches the port.

#include "SerialPlatform.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class CStallingSerialPlatform : public CSerialPlatform {
public:
    static constexpr ULONG_PTR StatusPending = 0x103;
    static constexpr ULONG_PTR StatusCancelled = 0xC0000120;
    static constexpr ULONG_PTR StatusSuccess = 0;

    std::atomic<bool> stallWaits{false};      // WaitCommEvent stays outstanding until cancelled
    std::atomic<bool> stallReads{false};      // ReadFile stays outstanding until cancelled
    std::atomic<bool> stallWrites{false};     // WriteFile stays outstanding until cancelled
    std::atomic<DWORD> queuedBytes{0};        // what ClearCommError reports in the input queue
    std::atomic<bool> cancelCompletes{true};  // false: a cancel is taken and never carried out
    std::atomic<bool> closeReleases{true};    // false: not even closing the port gives a request back
    std::atomic<bool> maskEndsWaits{false};   // a change of the event mask completes a stalled wait
    std::atomic<DWORD> maskEndDelayMs{0};     // ... that long after the change (for a wait not cancelled meanwhile)

    // That many WaitCommEvent calls fail at once, with the error given.
    std::atomic<int> refusedWaits{0};
    std::atomic<DWORD> waitRefusal{ERROR_BAD_COMMAND};

    std::atomic<int> cancels{0};
    std::atomic<int> releasedOnClose{0};  // outstanding requests given back when the port closed
    std::atomic<int> closes{0};

    ~CStallingSerialPlatform() override
    {
        for (std::thread& late : m_lateEnds) {
            late.join();
        }
    }

    BOOL WaitCommEvent(HANDLE port, DWORD* events, OVERLAPPED* request) override
    {
        if (refusedWaits > 0) {
            --refusedWaits;
            ::SetLastError(waitRefusal);
            return FALSE;
        }
        if (!stallWaits) {
            return CSerialPlatform::WaitCommEvent(port, events, request);
        }
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_stalledWaits.push_back(request);
        }
        return Stall(request);
    }

    // As a driver does, a wait ended by the mask change succeeds with no event.
    BOOL SetCommMask(HANDLE port, DWORD mask) override
    {
        std::vector<OVERLAPPED*> waits;
        if (maskEndsWaits) {
            std::lock_guard<std::mutex> hold(m_lock);
            waits.swap(m_stalledWaits);
        }
        const DWORD delay = maskEndDelayMs;
        for (OVERLAPPED* request : waits) {
            if (delay == 0) {
                Complete(request, StatusSuccess);
            } else {
                m_lateEnds.emplace_back([this, request, delay] {
                    ::Sleep(delay);
                    Complete(request, StatusSuccess);
                });
            }
        }
        return CSerialPlatform::SetCommMask(port, mask);
    }

    BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request) override
    {
        return stallWrites && request != nullptr ? Stall(request)
                                                 : CSerialPlatform::WriteFile(port, buffer, count, written, request);
    }

    BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, OVERLAPPED* request) override
    {
        return stallReads ? Stall(request) : CSerialPlatform::ReadFile(port, buffer, count, read, request);
    }

    BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) override
    {
        const BOOL ok = CSerialPlatform::ClearCommError(port, errors, status);
        if (ok && queuedBytes > 0) {
            status->cbInQue = queuedBytes;
        }
        return ok;
    }

    BOOL CancelIoEx(HANDLE port, OVERLAPPED* request) override
    {
        ++cancels;
        if (!IsStalled(request)) {
            return CSerialPlatform::CancelIoEx(port, request);
        }
        if (cancelCompletes) {
            Complete(request);
        }
        return TRUE;
    }

    BOOL ClosePort(HANDLE port) override
    {
        ++closes;
        if (closeReleases) {
            std::vector<OVERLAPPED*> held;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                held.swap(m_stalled);
                m_stalledWaits.clear();
            }
            for (OVERLAPPED* request : held) {
                // Writing to the request here is what a driver does; the request must still be
                // alive, which the event being valid shows.
                if (Finish(request)) {
                    ++releasedOnClose;
                }
            }
        }
        return CSerialPlatform::ClosePort(port);
    }

    size_t Outstanding()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_stalled.size();
    }

private:
    BOOL Stall(OVERLAPPED* request)
    {
        request->Internal = StatusPending;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_stalled.push_back(request);
        }
        ::SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }

    bool IsStalled(OVERLAPPED* request)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return std::find(m_stalled.begin(), m_stalled.end(), request) != m_stalled.end();
    }

    // Only a request still outstanding is completed: one given back on the close may be gone.
    void Complete(OVERLAPPED* request, ULONG_PTR status = StatusCancelled)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            const auto stalled = std::find(m_stalled.begin(), m_stalled.end(), request);
            if (stalled == m_stalled.end()) {
                return;
            }
            m_stalled.erase(stalled);
            m_stalledWaits.erase(std::remove(m_stalledWaits.begin(), m_stalledWaits.end(), request),
                                 m_stalledWaits.end());
        }
        Finish(request, status);
    }

    static bool Finish(OVERLAPPED* request, ULONG_PTR status = StatusCancelled)
    {
        request->Internal = status;
        request->InternalHigh = 0;
        return SetEvent(request->hEvent) != FALSE;
    }

    std::mutex m_lock;
    std::vector<OVERLAPPED*> m_stalled;
    std::vector<OVERLAPPED*> m_stalledWaits;  // those of m_stalled that are comm-event waits
    std::vector<std::thread> m_lateEnds;      // SetCommMask runs on the one thread that owns the port
};
