#pragma once
// One direction of a serial line at a byte rate, for a simulated terminal on a pseudo-terminal, which
// carries bytes as fast as the processes can move them. The pacer keeps the time at which the line is
// free again and tells when bytes that enter it have crossed; a rate of 0 means an unpaced line, on
// which every byte has crossed at once.
//
// Times are seconds on one monotonic clock; the pacer only reckons and never waits, so that callers
// decide how to wait (stop-aware) and tests can check the reckoning without a clock.

#include <cstddef>

class CSimLinePacer {
public:
    explicit CSimLinePacer(double bytesPerSecond = 0.0);

    bool IsPaced() const { return m_rate > 0.0; }
    double Rate() const { return m_rate; }

    // `count` bytes enter the line at `now`: they start once the bytes before them have crossed and
    // cross at the rate. Returns the time their last byte has crossed, which is when the line is free.
    double Book(size_t count, double now);

    // Of `count` bytes that started at `start`, how many have wholly crossed by `now`.
    size_t CrossedBy(double start, size_t count, double now) const;
    // When the first `crossed` bytes of a run that started at `start` have crossed.
    double TimeOf(double start, size_t crossed) const;

    // The time the line is free again; a fresh line is free from the beginning of the clock.
    double FreeAt() const { return m_freeAt; }

private:
    double m_rate;
    double m_freeAt = 0.0;
};

// Seconds on the performance counter, the clock the pacer's callers use.
double SimLineClockNow();
