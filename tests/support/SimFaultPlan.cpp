#include "SimFaultPlan.h"

void CSimFaultPlan::Add(int command, const SimFault& fault, int count)
{
    if (count <= 0) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_entries.push_back({command, fault, count});
}

bool CSimFaultPlan::Take(uint8_t command, SimFault& fault)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
        if (entry->command != kAnyCommand && entry->command != command) {
            continue;
        }
        fault = entry->fault;
        if (--entry->remaining == 0) {
            m_entries.erase(entry);
        }
        return true;
    }
    return false;
}

void CSimFaultPlan::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_entries.clear();
}

size_t CSimFaultPlan::Pending() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    size_t uses = 0;
    for (const Entry& entry : m_entries) {
        uses += static_cast<size_t>(entry.remaining);
    }
    return uses;
}
