#pragma once
// Every frame the simulated terminal saw or sent, in line order. Written by the simulator's thread,
// read by the test thread; the waits let a test block until the frames it expects are there, with a
// time-out instead of a blind sleep.

#include "SimTypes.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class CSimFrameLog {
public:
    using Predicate = std::function<bool(const std::vector<SimFrameRecord>&)>;
    using Observer = std::function<void(const SimFrameRecord&)>;

    void Add(SimFrameRecord record);
    // Keeps at most this many records, dropping the oldest (0: all). A long demo run sets it so that
    // back-to-back sessions do not fill the memory.
    void SetCapacity(size_t records);
    std::vector<SimFrameRecord> Snapshot() const;
    void Clear();

    // Frames with this direction and command (-1: any command); refused frames are not counted.
    size_t Count(SimDirection direction, int command) const;

    // Waits until the predicate holds for the log, at most timeoutMs; returns whether it holds. The
    // predicate runs under the log's lock and must not call back into the log or the simulator.
    bool WaitFor(const Predicate& predicate, DWORD timeoutMs) const;
    bool WaitForCount(SimDirection direction, int command, size_t count, DWORD timeoutMs) const;

    // Called on the simulator's thread for each record as it is added (for a console trace).
    void SetObserver(Observer observer);

private:
    static size_t CountIn(const std::vector<SimFrameRecord>& records, SimDirection direction, int command);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<SimFrameRecord> m_records;
    Observer m_observer;
    size_t m_capacity = 0;
};
