#include "framework/CommandLineInfo.h"

#include "UniqueHandle.h"

#include <windows.h>
#include <shellapi.h>

void CCommandLineInfo::Parse(const std::wstring& commandLine)
{
    m_nShellCommand = FileNew;
    m_strFileName.clear();
    int count = 0;
    const CUniqueLocalMemory<LPWSTR> args(CommandLineToArgvW(commandLine.c_str(), &count));
    if (!args)
        return;
    for (int i = 1; i < count; ++i) {
        const wchar_t* arg = args.Get()[i];
        if (arg[0] == L'/' || arg[0] == L'-')
            continue;
        if (m_nShellCommand == FileNew) {
            m_nShellCommand = FileOpen;
            m_strFileName = arg;
        }
    }
}
