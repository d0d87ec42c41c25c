#include "framework/CommandLineInfo.h"

#include <windows.h>
#include <shellapi.h>

void CCommandLineInfo::Parse(const std::wstring& commandLine)
{
    m_nShellCommand = FileNew;
    m_strFileName.clear();
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine.c_str(), &count);
    if (args == nullptr)
        return;
    for (int i = 1; i < count; ++i) {
        const wchar_t* arg = args[i];
        if (arg[0] == L'/' || arg[0] == L'-')
            continue;
        if (m_nShellCommand == FileNew) {
            m_nShellCommand = FileOpen;
            m_strFileName = arg;
        }
    }
    LocalFree(args);
}
