#pragma once
// Helpers for the tests that drive the control library as its users do: the built DLL, its
// registry entries, and waits that keep the test thread's messages flowing.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "MessagePump.h"

namespace controltest {

// Windows path of the built Wexlink.dll (the build folder is reached through Wine's Z: drive).
inline std::wstring DllPath()
{
    const wchar_t* build = _wgetenv(L"WEXLINK_BUILD_DIR");
    std::wstring path = L"Z:";
    path += build ? build : L"";
    path += L"/control/Wexlink.dll";
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

// Keeps the control library loaded until the program ends. Wine 8's serial event-wait threads
// end without leaving its loader's TLS list, so once a session has used a port in a process,
// loading any module with a TLS directory again (Wexlink.dll after COM unloaded it) can fault
// inside ntdll, and the fault looks like a hang. Programs that run sessions in one apartment after
// another therefore load the library once, for good.
inline bool KeepLibraryLoaded()
{
    static const HMODULE library = LoadLibraryW(DllPath().c_str());
    return library != nullptr;
}

inline const wchar_t* ClsidText()
{
    return L"{28C1D283-9B71-4C16-B306-E99A8E64B62F}";
}

inline const wchar_t* AppIdText()
{
    return L"{38327298-36F2-459B-B6F0-37B49B12C96B}";
}

inline bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The string value `name` (null: the default value) of the key; "<missing>" when absent.
inline std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name = nullptr)
{
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

// Runs a program of the prefix and returns its exit code (or -1).
inline int RunProgram(std::wstring commandLine, DWORD timeoutMs = 60000)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace controltest
