#pragma once
// The faults queued for the coming exchanges, per request command. Each fault applies to the next
// `count` answers to that command (a fault for kAnyCommand to any command), in the order injected.

#include "SimTypes.h"

#include <deque>
#include <mutex>

class CSimFaultPlan {
public:
    static constexpr int kAnyCommand = -1;

    void Add(int command, const SimFault& fault, int count);
    // Takes one use of the first fault that matches the command; false when none does.
    bool Take(uint8_t command, SimFault& fault);
    void Clear();
    size_t Pending() const;  // uses left, over all faults

private:
    struct Entry {
        int command;
        SimFault fault;
        int remaining;
    };

    mutable std::mutex m_lock;
    std::deque<Entry> m_entries;
};
