#pragma once
// The terminal's side of receiving a file on the PC: 0x10 opens a file of the simulator's file store
// and announces its size, 0x11 hands out its data block by block, 0x12 and 0x13 close the transfer.
//
//     CTerminalSimulator terminal;
//     terminal.Files().Put(2, "DATA.TXT", bytes);
//     RegisterReceiveCommands(terminal, SimReceiveOptions{244});  // 244 data bytes per block
//
// A missing file is answered with status 13. A block request repeating the previous block number gets
// the same data again (the PC lost the answer); any other unexpected number gets status 9, and a
// request past the end of the data status 11. Calling RegisterReceiveCommands again replaces the
// options; a transfer in progress is forgotten.

#include "TerminalSimulator.h"

#include <cstdint>

struct SimReceiveOptions {
    // Data bytes per block; 0 fills each answer up to the terminal's maximum frame size.
    size_t blockSize = 0;
    // When set, the opening answer announces this size instead of the file's own.
    bool overrideAnnouncedSize = false;
    uint32_t announcedSize = 0;
};

void RegisterReceiveCommands(CTerminalSimulator& terminal, const SimReceiveOptions& options = SimReceiveOptions{});
