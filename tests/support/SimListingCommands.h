#pragma once
// The simulated terminal's file listing (0x30-0x33) and file deletion (0x40-0x43). The opening request
// names a pattern ('*' any run of characters, '?' one character, ASCII case ignored) and a drive, and
// is answered with the number of matching files; each entry request then gets the next file by its
// block number (the entry's index modulo 256), and a deletion removes that file from the store as it
// answers. A request for the entry just answered is answered again (the PC lost the answer); any other
// block number, or an entry request outside a listing, gets status kSimStatusOutOfSequence. Wrong
// block numbers and status bytes on request come from the simulator's fault injection.

#include "TerminalSimulator.h"

#include <string>

constexpr uint8_t kSimStatusOutOfSequence = 9;

// Installs the handlers of the eight commands on the simulator, replacing any it had.
void RegisterListingCommands(CTerminalSimulator& terminal);

// True when the whole name matches the pattern.
bool SimNameMatches(const std::string& pattern, const std::string& name);
