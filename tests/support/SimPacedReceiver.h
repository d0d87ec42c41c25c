#pragma once
// The simulated terminal's receiving side of a paced line. Bytes that the pseudo-terminal delivers at
// once are held until they would have crossed a real line at its rate, so a request is not seen (and
// answered) before its last byte could have come. Unpaced, bytes are due as they arrive.
//
// The caller keeps reading while bytes are held, so every arrival is stamped when it came rather than
// when the caller got round to it, and late wake-ups never add line time.

#include "SimLinePacer.h"
#include "SimTypes.h"

#include <deque>

class CSimPacedReceiver {
public:
    explicit CSimPacedReceiver(double bytesPerSecond = 0.0) : m_line(bytesPerSecond) {}

    // Bytes that came off the port at `now`.
    void Arrived(const SimBytes& bytes, double now);
    // Moves every byte that has crossed by `now` to the end of `out`, in the order they came; false
    // when none has.
    bool TakeCrossed(double now, SimBytes& out);
    // Milliseconds, rounded up, until the next held bytes have crossed; `idleMs` when none are held.
    DWORD MsUntilNext(double now, DWORD idleMs) const;
    bool IsHolding() const { return !m_held.empty(); }
    // When the last bytes that TakeCrossed handed out had crossed: the earliest an answer to what
    // they completed can start on the line.
    double LastCrossedAt() const { return m_lastCrossedAt; }
    void Clear() { m_held.clear(); }

private:
    struct Held {
        double crossedAt;
        SimBytes bytes;
    };

    CSimLinePacer m_line;
    std::deque<Held> m_held;
    double m_lastCrossedAt = 0.0;
};
