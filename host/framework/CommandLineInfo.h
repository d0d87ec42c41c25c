// What the framework's command-line processing makes of the program's arguments: a file argument
// opens that file as the document, no argument makes a new one. Switches (/x or -x) are ignored.
#pragma once

#include <string>

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen };

    // Takes the whole command line, program path first.
    void Parse(const std::wstring& commandLine);

    ShellCommand m_nShellCommand = FileNew;
    std::wstring m_strFileName;
};
