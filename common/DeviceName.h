// The file names (no folder) that cannot hold a received file, as the control refuses them and the
// host skips them. A device name opens the device in any folder and with any extension: a file
// "received" under it goes to the device and is lost while the write reports success. The other
// names fail when the file is opened, or are stored under another name than the one asked for.
#pragma once

#include <cwchar>
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

enum class PcFileNameProblem { none, notAName, deviceName, forbiddenCharacter, finalDotOrBlank };

inline PcFileNameProblem CheckPcFileName(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return PcFileNameProblem::notAName;
    for (wchar_t c : name)
        if (c < 0x20 || std::wcschr(L"<>:\"/\\|?*", c) != nullptr)
            return PcFileNameProblem::forbiddenCharacter;
    // The system drops a final dot or blank when it opens the file (and "NUL." is the device again).
    if (name.back() == L'.' || name.back() == L' ')
        return PcFileNameProblem::finalDotOrBlank;
    return IsDeviceFileName(name) ? PcFileNameProblem::deviceName : PcFileNameProblem::none;
}
