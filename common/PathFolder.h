// The parts of a file path, as the shell's path functions cut them.
#pragma once

#include <windows.h>
#include <shlwapi.h>
#include <string>
#include <vector>

// Runs one of the shell's in-place path functions (PathRemoveFileSpecW, PathStripPathW, ...) on a
// copy of the path and returns what it left. The copy has room for the path, a backslash that the
// function may add, and the terminator.
template <typename ShellPathCut>
std::wstring CutPath(const std::wstring& path, ShellPathCut cut)
{
    std::vector<wchar_t> buffer(path.begin(), path.end());
    buffer.resize(path.size() + 2, L'\0');
    cut(buffer.data());
    return buffer.data();
}

// The path without its last component: "C:\dir\name" gives "C:\dir", "C:\name" gives "C:\", a bare
// name gives "".
inline std::wstring FolderOfPath(const std::wstring& path)
{
    return CutPath(path, PathRemoveFileSpecW);
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
