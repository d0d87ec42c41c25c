#pragma once
// The simulated terminal's side of a file sent to it by the PC: create (0x20), data blocks (0x21) and
// the closing pair (0x22, 0x23). The file appears in the store, empty, when it is created; its
// contents are stored when the transfer is closed. Refusals a test wants on top of the natural ones
// below are injected as faults with SimFault::Status.
//
// Natural refusals: status 7 to a create request that names no file or is too short to hold its
// name field and size; status 9 to a block or a close without a created file, or to a block out of
// sequence; status 11 to a block that would carry the file past its announced size.

#include "SimTypes.h"

#include <functional>
#include <string>

class CTerminalSimulator;

namespace SimTransmit {
constexpr uint8_t kCreate = 0x20;
constexpr uint8_t kWriteBlock = 0x21;
constexpr uint8_t kClose = 0x22;
constexpr uint8_t kCloseEnd = 0x23;

constexpr uint8_t kStatusCannotCreate = 7;
constexpr uint8_t kStatusWriteError = 9;
constexpr uint8_t kStatusSizeMismatch = 11;

constexpr size_t kNameFieldSize = 14;      // 12 name bytes, a zero, the drive
constexpr size_t kCreatePayloadSize = 18;  // name field and the 32-bit size
}  // namespace SimTransmit

// onCreate, when given, runs on the simulator's thread for each create request that names a file,
// before it is answered (a test changes the PC file there, between its announcement and its data).
void RegisterTransmitCommands(CTerminalSimulator& terminal, std::function<void(const std::string& name)> onCreate = {});
