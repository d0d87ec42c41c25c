#include "SimCrc16.h"

#include <array>

namespace {

std::array<uint16_t, 256> MakeTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        table[byte] = crc;
    }
    return table;
}

}  // namespace

uint16_t CSimCrc16::Compute(const uint8_t* data, size_t count)
{
    static const std::array<uint16_t, 256> table = MakeTable();
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc = static_cast<uint16_t>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

uint16_t CSimCrc16::Compute(const std::vector<uint8_t>& data, size_t count)
{
    return Compute(data.data(), count < data.size() ? count : data.size());
}
