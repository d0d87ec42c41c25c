#pragma once
// The terminal's clock and version commands: 0x01 answers the clock, 0x02 sets it, 0x03 and 0x04
// answer the operating-system and application version texts.

#include "SimClockState.h"
#include "TerminalSimulator.h"

#include <memory>

namespace SimClockWire {
constexpr uint8_t kGetTimeDate = 0x01;
constexpr uint8_t kSetTimeDate = 0x02;
constexpr uint8_t kGetOsVersion = 0x03;
constexpr uint8_t kGetApplicationVersion = 0x04;
// Status of a set-clock request whose payload is not a clock.
constexpr uint8_t kStatusBadClock = 1;
}  // namespace SimClockWire

// Registers the four commands on the terminal. The returned state is what they answer and what they
// record; it lives as long as the terminal's handlers or the caller hold it.
std::shared_ptr<CSimClockState> RegisterClockCommands(CTerminalSimulator& terminal);
