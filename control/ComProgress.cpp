#include "ComProgress.h"

void CComProgress::SetTotal(std::uint32_t total)
{
    if (total == 0)
        return;
    m_total = total;
    m_changed = true;
}

void CComProgress::Update(std::uint32_t done)
{
    std::int32_t percent = m_scale;
    if (m_total != 0) {
        // 64-bit product: scale x done overflows 32 bits once done passes about 42.9 million bytes.
        const std::uint64_t scaled = static_cast<std::uint64_t>(m_scale) * done / m_total;
        percent = scaled > 100 ? 100 : static_cast<std::int32_t>(scaled);
    }
    if (percent != m_percent)
        m_changed = true;
    m_percent = percent;
}

std::int32_t CComProgress::GetPercent()
{
    m_changed = false;
    return m_percent;
}
