// The serial ports present on the machine, as the device-installation service lists the devices
// of the "Ports" setup class.
#pragma once

#include <string>
#include <vector>

struct ComPortEntry {
    int number = 0;            // from the device's PortName "COMn"; never 0
    std::wstring displayName;  // the device's friendly name; may be empty
};

// Empties the list and fills it with the ports present now, sorted by number (ports with the same
// number in the order found). Returns the number of entries; 0 when none was found or the service
// failed.
unsigned short GetComPortList(std::vector<ComPortEntry>& ports);

// Adds to the ports of one read what a second read found that the first missed. A port the first
// read has gets no second entry: the second read can only give a bare entry its friendly name.
void MergeComPortReads(std::vector<ComPortEntry>& ports, const std::vector<ComPortEntry>& again);
