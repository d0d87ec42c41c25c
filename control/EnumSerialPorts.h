#pragma once
// The numbers of the COM ports present, for the session driver to check its configured port against.

#include <vector>

// Empties the list and fills it, in ascending order (duplicates kept), from the devices of the "Ports"
// setup class; when the device-installation service cannot be used, from the spooler's port list
// (EnumSerialPortsFallback). Returns the number of entries.
unsigned short EnumSerialPorts(std::vector<int>& ports);

// Empties the list and fills it, in ascending order, with the spooler's COM ports that accept a
// default comm configuration. Returns the number of entries.
unsigned short EnumSerialPortsFallback(std::vector<int>& ports);
