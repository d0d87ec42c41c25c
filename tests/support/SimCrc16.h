#pragma once
// CRC-16/XMODEM for the simulated terminal: polynomial 0x1021, initial value 0, most significant bit
// first, no reflection, no final XOR. Kept apart from the control's own CRC so that the simulator never
// checks the code under test with that code.

#include <cstddef>
#include <cstdint>
#include <vector>

class CSimCrc16 {
public:
    static uint16_t Compute(const uint8_t* data, size_t count);
    static uint16_t Compute(const std::vector<uint8_t>& data, size_t count);
};
