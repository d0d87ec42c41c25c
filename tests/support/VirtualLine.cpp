#include "VirtualLine.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kChangeTimeoutMs = 15000;
constexpr DWORD kChangePollMs = 50;

// The parts of WEXLINK_VIRTUAL_LINE_CONTROL: the script, the prefix, the line's state folder and the
// two COM numbers, as Unix paths and numbers.
std::vector<std::wstring> ControlParts()
{
    std::vector<std::wstring> parts;
    const wchar_t* value = _wgetenv(L"WEXLINK_VIRTUAL_LINE_CONTROL");
    if (value == nullptr) {
        return parts;
    }
    std::wstring rest(value);
    for (size_t bar = rest.find(L'|'); bar != std::wstring::npos; bar = rest.find(L'|')) {
        parts.push_back(rest.substr(0, bar));
        rest.erase(0, bar + 1);
    }
    parts.push_back(rest);
    return parts;
}

// A Unix path as this program sees it: the root of the Unix file system is drive Z.
std::wstring FromUnixPath(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return L"Z:" + path;
}

bool WaitForFile(const std::wstring& path)
{
    const ULONGLONG deadline = GetTickCount64() + kChangeTimeoutMs;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) {
            return false;
        }
        Sleep(kChangePollMs);
    }
    return true;
}

// Runs the line script with the command. Wine starts Unix programs but gives no handle to wait on,
// so the script's own mark of completion is awaited.
bool RunLineCommand(const wchar_t* command)
{
    const std::vector<std::wstring> parts = ControlParts();
    if (parts.size() != 5) {
        return false;
    }
    const std::wstring done = FromUnixPath(parts[2] + L"/line.done");
    DeleteFileW(done.c_str());
    std::wstring commandLine = L"/bin/bash \"" + parts[0] + L"\" " + command;
    for (size_t i = 1; i < parts.size(); ++i) {
        commandLine += L" \"" + parts[i] + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\bash", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitForFile(done);
}

}  // namespace

bool VirtualLine::FromEnvironment(VirtualLine& line)
{
    const wchar_t* value = _wgetenv(L"WEXLINK_VIRTUAL_PORTS");
    if (value == nullptr) {
        return false;
    }
    int pc = 0;
    int terminal = 0;
    if (swscanf(value, L"%d %d", &pc, &terminal) != 2 || pc <= 0 || terminal <= 0) {
        return false;
    }
    line.pcPort = pc;
    line.terminalPort = terminal;
    return true;
}

std::wstring VirtualLine::DevicePath(int port)
{
    return L"\\\\.\\COM" + std::to_wstring(port);
}

bool VirtualLine::TakeDown()
{
    return RunLineCommand(L"down");
}

bool VirtualLine::BringBack()
{
    return RunLineCommand(L"up");
}
