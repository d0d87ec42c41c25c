// A fresh folder under the temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static unsigned counter = 0;
        m_Path = std::wstring(temp) + L"wexlink-host-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        CreateDirectoryW(m_Path.c_str(), nullptr);
    }
    ~TempFolder()
    {
        // SHFileOperation wants a double-terminated list.
        std::vector<wchar_t> from(m_Path.begin(), m_Path.end());
        from.push_back(L'\0');
        from.push_back(L'\0');
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.data();
        operation.fFlags = FOF_NO_UI;
        SHFileOperationW(&operation);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_Path; }
    std::wstring File(const std::wstring& name) const { return m_Path + L"\\" + name; }

private:
    std::wstring m_Path;
};

// Whole-file helpers for comparing what the profile services wrote. The files are 8-bit text
// unless they were created with a byte-order mark; the tests use plain ASCII content.
inline void WriteTextFile(const std::wstring& path, const std::string& text)
{
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadTextFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
