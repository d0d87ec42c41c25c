// The open and save file dialogs. The filter is given in the "text|pattern|...||" form of the
// program's string table. Tests answer the dialog through a handler instead of the modal box.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <functional>
#include <string>

class CFileDialog {
public:
    using Handler = std::function<INT_PTR(CFileDialog& dialog)>;

    CFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter, HWND owner = nullptr);

    // IDOK when the user chose a file, IDCANCEL otherwise.
    INT_PTR DoModal();
    const std::wstring& GetPathName() const { return m_pathName; }

    // Replaces the system's dialog; an empty handler puts it back. Returns the previous one.
    static Handler SetHandler(Handler handler);

    bool m_openFileDialog;
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
    std::wstring m_filter;
    DWORD m_flags;
    HWND m_owner;
    std::wstring m_pathName;

private:
    INT_PTR RunSystemDialog();
};
