// The line speeds, adapter kinds and run counts that the control and the host agree on. The numbers
// are stored in settings files and passed through the automation interface.
#pragma once

#include <algorithm>
#include <iterator>

// The rates that the infrared adapters know and that the control's property and the settings page
// offer, slowest first.
constexpr long kLineBaudRates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
// The engine also runs a plain cable at this slower rate; no adapter and no user setting offers it.
constexpr long kCableOnlyBaudRate = 1200;

inline bool IsLineBaudRate(long rate)
{
    return std::find(std::begin(kLineBaudRates), std::end(kLineBaudRates), rate) != std::end(kLineBaudRates);
}

inline bool IsEngineBaudRate(long rate)
{
    return rate == kCableOnlyBaudRate || IsLineBaudRate(rate);
}

// Adapter kinds run from 0 (none) to the last one; see enumIRDADev.
constexpr unsigned long kLastAdapterKind = 4;

inline bool IsAdapterKind(unsigned long kind)
{
    return kind <= kLastAdapterKind;
}

// A run that ends after a count of sessions or unanswered polls needs at least one; the settings page
// offers at most three digits.
constexpr int kFewestRunCount = 1;
constexpr int kMostRunCountOffered = 999;
