// The names the system opens as devices in any folder and with any extension. A file "received" under
// such a name goes to the device and is lost, so the control refuses it and the host skips it.
#pragma once

#include <string>

inline bool IsDeviceFileName(const std::wstring& name)
{
    std::wstring stem = name.substr(0, name.find(L'.'));
    // Blanks before the extension do not count: "NUL .TXT" is the null device too.
    stem.erase(stem.find_last_not_of(L' ') + 1);
    for (wchar_t& c : stem)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}
