#include "framework/FileDialog.h"

#include <commdlg.h>
#include <vector>

namespace {

CFileDialog::Handler& CurrentHandler()
{
    static CFileDialog::Handler handler;
    return handler;
}

// "a|b||" to the double-terminated "a\0b\0\0" that the system dialog takes.
std::vector<wchar_t> SystemFilter(const std::wstring& filter)
{
    std::vector<wchar_t> result(filter.begin(), filter.end());
    for (wchar_t& c : result)
        if (c == L'|')
            c = L'\0';
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

} // namespace

CFileDialog::CFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName,
                         DWORD flags, const wchar_t* filter, HWND owner)
    : m_openFileDialog(openFileDialog),
      m_defaultExtension(defaultExtension ? defaultExtension : L""),
      m_fileName(fileName ? fileName : L""),
      m_filter(filter ? filter : L""),
      m_flags(flags),
      m_owner(owner)
{
}

INT_PTR CFileDialog::DoModal()
{
    if (CurrentHandler())
        return CurrentHandler()(*this);
    return RunSystemDialog();
}

INT_PTR CFileDialog::RunSystemDialog()
{
    std::vector<wchar_t> file(32768, L'\0');
    m_fileName.copy(file.data(), file.size() - 1);
    std::vector<wchar_t> filter = SystemFilter(m_filter);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = m_filter.empty() ? nullptr : filter.data();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    ofn.Flags = m_flags | OFN_EXPLORER;

    BOOL chosen = m_openFileDialog ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!chosen)
        return IDCANCEL;
    m_pathName = file.data();
    return IDOK;
}

CFileDialog::Handler CFileDialog::SetHandler(Handler handler)
{
    Handler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
