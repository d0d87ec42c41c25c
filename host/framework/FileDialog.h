// The open and save file dialogs. The filter is given in the "text|pattern|...||" form of the
// program's string table. Tests answer the dialog through a handler instead of the modal box.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <functional>
#include <string>
#include <vector>

class CFileDialog {
public:
    using Handler = std::function<INT_PTR(CFileDialog& dialog)>;

    CFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter, HWND owner = nullptr);

    // IDOK when the user chose a file, IDCANCEL otherwise.
    INT_PTR DoModal();
    const std::wstring& GetPathName() const { return m_pathName; }
    // The chosen paths; a handler that set only the one path gives that path.
    std::vector<std::wstring> GetPathNames() const
    {
        if (m_pathNames.empty() && !m_pathName.empty())
            return {m_pathName};
        return m_pathNames;
    }

    // Replaces the system's dialog; an empty handler puts it back. Returns the previous one.
    static Handler SetHandler(Handler handler);

    bool m_openFileDialog;
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
    std::wstring m_filter;
    DWORD m_flags;
    HWND m_owner;
    std::wstring m_pathName;
    // Every chosen file as a full path, in the dialog's order (one entry without multiple selection).
    std::vector<std::wstring> m_pathNames;
    // The dialog's title; empty gives the system's own.
    std::wstring m_title;
    // Room for the chosen names, in characters.
    size_t m_bufferLength = 32768;

private:
    INT_PTR RunSystemDialog();
};
