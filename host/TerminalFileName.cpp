#include "TerminalFileName.h"

#include <windows.h>

#include <vector>

namespace {

const size_t MaxNameLength = 12;
const size_t MaxBaseLength = 8;
const size_t MaxExtensionLength = 4;  // after the dot
const wchar_t ForbiddenCharacters[] = L"<>:\"/\\| ";

// The file system's 8.3 form of a path; the path itself when there is none.
std::wstring ShortPathOf(const std::wstring& path)
{
    DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return path;
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD written = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (written == 0 || written >= buffer.size())
        return path;
    return std::wstring(buffer.data(), written);
}

std::wstring LastComponent(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsValidHostTerminalFileName(const std::wstring& name)
{
    if (name.empty() || name.size() > MaxNameLength)
        return false;
    if (name.find_first_of(ForbiddenCharacters) != std::wstring::npos)
        return false;
    size_t dot = name.find(L'.');
    if (dot == std::wstring::npos)
        return name.size() <= MaxBaseLength;
    if (name.find(L'.', dot + 1) != std::wstring::npos)
        return false;
    return dot <= MaxBaseLength && name.size() - dot - 1 <= MaxExtensionLength;
}

std::wstring ShortenTerminalFileName(const std::wstring& name)
{
    std::wstring extension;
    size_t lastDot = name.rfind(L'.');
    if (lastDot != std::wstring::npos && name.find(L' ', lastDot) == std::wstring::npos)
        extension = name.substr(lastDot);

    std::wstring base = name.substr(0, name.find(L'.'));
    if (base.size() > MaxBaseLength)
        base = base.substr(0, 6) + L"~o";
    // A cut extension keeps three characters after the dot, as 8.3 names do.
    if (extension.size() > 4)
        extension = extension.substr(0, 4);
    return base + extension;
}

std::wstring TransmitTerminalFileName(const std::wstring& pcPath)
{
    std::wstring name = LastComponent(ShortPathOf(pcPath));
    if (IsValidHostTerminalFileName(name))
        return name;
    return ShortenTerminalFileName(name);
}
