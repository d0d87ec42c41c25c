#include "SimFrameLog.h"

#include <chrono>

void CSimFrameLog::Add(SimFrameRecord record)
{
    Observer observer;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_records.push_back(record);
        if (m_capacity != 0 && m_records.size() > m_capacity) {
            m_records.erase(m_records.begin(),
                            m_records.begin() + static_cast<std::ptrdiff_t>(m_records.size() - m_capacity));
        }
        observer = m_observer;
    }
    m_changed.notify_all();
    if (observer) {
        observer(record);
    }
}

std::vector<SimFrameRecord> CSimFrameLog::Snapshot() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
}

void CSimFrameLog::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.clear();
}

size_t CSimFrameLog::CountIn(const std::vector<SimFrameRecord>& records, SimDirection direction, int command)
{
    size_t count = 0;
    for (const SimFrameRecord& record : records) {
        if (record.direction == direction && !record.refused && (command < 0 || record.command == command)) {
            ++count;
        }
    }
    return count;
}

size_t CSimFrameLog::Count(SimDirection direction, int command) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return CountIn(m_records, direction, command);
}

bool CSimFrameLog::WaitFor(const Predicate& predicate, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return predicate(m_records); });
}

bool CSimFrameLog::WaitForCount(SimDirection direction, int command, size_t count, DWORD timeoutMs) const
{
    return WaitFor(
        [&](const std::vector<SimFrameRecord>& records) { return CountIn(records, direction, command) >= count; },
        timeoutMs);
}

void CSimFrameLog::SetCapacity(size_t records)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_capacity = records;
}

void CSimFrameLog::SetObserver(Observer observer)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_observer = std::move(observer);
}
