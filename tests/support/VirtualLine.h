#pragma once
// The virtual serial line the harness gives each test program: two COM numbers joined back to back.

#include <string>

struct VirtualLine {
    int pcPort = 0;        // the port the code under test opens
    int terminalPort = 0;  // the port the terminal simulator answers on

    // Reads WEXLINK_VIRTUAL_PORTS ("12 13"); false when the program runs without a line.
    static bool FromEnvironment(VirtualLine& line);

    static std::wstring DevicePath(int port);  // "\\.\COM12"

    // Takes the line down as a pulled cable does (both ports stop carrying anything and can no longer
    // be opened), or brings it back with new ends. False when the program runs without a line it
    // may control, or the change was not made within a few seconds.
    static bool TakeDown();
    static bool BringBack();
};
