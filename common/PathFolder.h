// The folder part of a file path, as the shell's path functions cut it.
#pragma once

#include <windows.h>
#include <shlwapi.h>
#include <string>
#include <vector>

// The path without its last component: "C:\dir\name" gives "C:\dir", "C:\name" gives "C:\", a bare
// name gives "".
inline std::wstring FolderOfPath(const std::wstring& path)
{
    // The shell works in place; room for the path, a backslash that may be added, and the terminator.
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.resize(path.size() + 2, L'\0');
    PathRemoveFileSpecW(buffer.data());
    return buffer.data();
}

// The folder with a trailing backslash, ready to have a file name appended; "" for a bare name.
inline std::wstring FolderOfPathWithBackslash(const std::wstring& path)
{
    std::wstring folder = FolderOfPath(path);
    if (!folder.empty() && folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder;
}
