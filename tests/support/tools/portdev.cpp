// portdev add N | remove N | list: registers or removes the "Ports" device of COMn, so that the
// system's port lists see a virtual serial port (and lose it again when the adapter is "unplugged").
#include "PortDevice.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

int Usage()
{
    fwprintf(stderr, L"usage: portdev add N | portdev remove N | portdev list\n");
    return 2;
}

// A COM number from the command line: decimal digits only, 1 to 255.
bool ParseComNumber(const wchar_t* text, int& number)
{
    if (text == nullptr || *text == L'\0' || std::wcslen(text) > 3) {
        return false;
    }
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (!std::iswdigit(*p)) {
            return false;
        }
    }
    number = static_cast<int>(std::wcstol(text, nullptr, 10));
    return number >= 1 && number <= 255;
}

int List()
{
    for (const std::wstring& name : ListPortsDeviceNames()) {
        wprintf(L"%ls\n", name.c_str());
    }
    return 0;
}

int Change(const std::wstring& verb, int number)
{
    const bool ok = verb == L"add" ? AddPortsDevice(number) : RemovePortsDevice(number);
    if (!ok) {
        fwprintf(stderr, L"portdev: could not %ls COM%d (error %lu)\n", verb.c_str(), number, GetLastError());
        return 1;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 2 && std::wstring(argv[1]) == L"list") {
        return List();
    }
    if (argc != 3) {
        return Usage();
    }
    const std::wstring verb = argv[1];
    int number = 0;
    if ((verb != L"add" && verb != L"remove") || !ParseComNumber(argv[2], number)) {
        return Usage();
    }
    return Change(verb, number);
}
