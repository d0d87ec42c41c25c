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

// The full paths in the dialog's buffer: one path, or with multiple selection the folder followed
// by the zero-separated names.
std::vector<std::wstring> ChosenPaths(const std::vector<wchar_t>& buffer, WORD fileOffset)
{
    std::vector<std::wstring> paths;
    std::wstring first(buffer.data());
    if (fileOffset == 0 || fileOffset <= first.size()) {
        paths.push_back(first);
        return paths;
    }
    std::wstring folder = first;
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    for (size_t at = fileOffset; at < buffer.size() && buffer[at] != L'\0';) {
        std::wstring name(buffer.data() + at);
        paths.push_back(folder + name);
        at += name.size() + 1;
    }
    return paths;
}

}  // namespace

CFileDialog::CFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, HWND owner)
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
    std::vector<wchar_t> file(m_bufferLength < 2 ? 2 : m_bufferLength, L'\0');
    m_fileName.copy(file.data(), file.size() - 1);
    std::vector<wchar_t> filter = SystemFilter(m_filter);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_owner;
    ofn.lpstrFilter = m_filter.empty() ? nullptr : filter.data();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    ofn.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    ofn.Flags = m_flags | OFN_EXPLORER;

    BOOL chosen = m_openFileDialog ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!chosen)
        return IDCANCEL;
    m_pathNames = ChosenPaths(file, ofn.nFileOffset);
    m_pathName = m_pathNames.empty() ? std::wstring() : m_pathNames.front();
    return IDOK;
}

CFileDialog::Handler CFileDialog::SetHandler(Handler handler)
{
    Handler previous = std::move(CurrentHandler());
    CurrentHandler() = std::move(handler);
    return previous;
}
