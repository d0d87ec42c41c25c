#include "SimLinePacer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

CSimLinePacer::CSimLinePacer(double bytesPerSecond) : m_rate(bytesPerSecond > 0.0 ? bytesPerSecond : 0.0) {}

double CSimLinePacer::Book(size_t count, double now)
{
    const double start = std::max(now, m_freeAt);
    m_freeAt = IsPaced() ? start + static_cast<double>(count) / m_rate : start;
    return m_freeAt;
}

size_t CSimLinePacer::CrossedBy(double start, size_t count, double now) const
{
    if (!IsPaced()) {
        return count;
    }
    if (now <= start) {
        return 0;
    }
    // A small allowance for rounding, so that a wait that ends exactly at TimeOf counts its bytes.
    const double crossed = std::floor((now - start) * m_rate + 1e-6);
    return crossed >= static_cast<double>(count) ? count : static_cast<size_t>(crossed);
}

double CSimLinePacer::TimeOf(double start, size_t crossed) const
{
    return IsPaced() ? start + static_cast<double>(crossed) / m_rate : start;
}

double SimLineClockNow()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}
