// Percentage tracker of one file transfer. The transfer routine feeds it the byte counts and sends a
// progress message only when the percentage it computes has changed, so a file of any size produces
// at most 101 progress values.
#pragma once

#include <cstdint>

class CComProgress {
public:
    CComProgress() = default;
    virtual ~CComProgress() = default;

    // A non-zero count becomes the total and marks the tracker changed; 0 is ignored.
    void SetTotal(std::uint32_t total);
    // Percent of the total done, rounded down and cut to 100; 100 when the total is 0. Marks the
    // tracker changed when the percentage moved (it is cleared only by GetPercent).
    void Update(std::uint32_t done);
    // Returns the last percentage and clears the changed mark.
    std::int32_t GetPercent();

    bool IsChanged() const { return m_changed; }

private:
    std::int32_t m_scale = 100;
    std::int32_t m_percent = 0;
    std::uint32_t m_total = 0;
    bool m_changed = false;
};
