// The number in a serial port's name, as the device list, the spooler ("COM2:") and device
// notifications write it: "COM" followed directly by the decimal port number.
#pragma once

#include <climits>
#include <cstddef>
#include <string>

// Device notifications compare the prefix exactly; the device and spooler lists take any case.
enum class ComPrefixCase { Exact, AnyCase };

// The port number of a name "COMn", reading up to the first character that is no digit ("COM2:" is
// port 2). 0 when the name is another one, no digit follows the prefix, the number is 0 or it is past
// the range of an int. Blanks and signs are no digits: "COM -3" names no port. Reads at most
// `length` characters, so an unterminated name is safe.
inline int ComPortNumberOf(const wchar_t* name, std::size_t length, ComPrefixCase prefixCase)
{
    static const wchar_t prefix[] = L"COM";
    if (name == nullptr || length < 4) {
        return 0;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        wchar_t c = name[i];
        if (prefixCase == ComPrefixCase::AnyCase && c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
        if (c != prefix[i]) {
            return 0;
        }
    }
    long long value = 0;
    for (std::size_t i = 3; i < length && name[i] >= L'0' && name[i] <= L'9'; ++i) {
        value = value * 10 + (name[i] - L'0');
        if (value > INT_MAX) {
            return 0;
        }
    }
    return static_cast<int>(value);
}

inline int ComPortNumberOf(const std::wstring& name, ComPrefixCase prefixCase)
{
    return ComPortNumberOf(name.c_str(), name.size(), prefixCase);
}
