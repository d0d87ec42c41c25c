#include "VirtualLine.h"

#include <cstdlib>
#include <cwchar>

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
