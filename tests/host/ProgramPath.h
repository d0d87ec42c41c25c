#pragma once
// Where the running test program is: the files built beside it are found from there.

#include <windows.h>

#include <string>

namespace hosttest {

inline std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The program's folder, without a closing backslash.
inline std::wstring ProgramFolder()
{
    const std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace hosttest
