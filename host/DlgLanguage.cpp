#include "DlgLanguage.h"

#include "framework/Resources.h"
#include "res/resource.h"
#include "UniqueHandle.h"
#include "util/TemplateFallback.h"

#include <shlwapi.h>

namespace {

// Longest string read from a library, terminator included.
constexpr int kStringRoom = 1024;

// Strings are read from the library's resources only: listing a folder must not run the code of
// whatever DLL happens to lie in it.
class ResourceLibrary {
public:
    explicit ResourceLibrary(const std::wstring& path)
        : m_module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }

    bool IsLoaded() const { return m_module.IsValid(); }
    bool ReadString(UINT id, std::wstring& text) const
    {
        wchar_t buffer[kStringRoom] = L"";
        int length = LoadStringW(m_module.Get(), id, buffer, kStringRoom);
        if (length <= 0)
            return false;
        text.assign(buffer, static_cast<size_t>(length));
        return true;
    }

private:
    CUniqueLibrary m_module;
};

}  // namespace

CDlgLanguage::CDlgLanguage(HWND parent) : CDialog(IDD_LANGUAGE, parent) {}

INT_PTR CDlgLanguage::DoModal()
{
    m_currentLanguageName = LoadStringResource(IDS_LANGUAGE_NAME);
    CTemplateFallback fallback(IDD_LANGUAGE);
    return CDialog::DoModal();
}

void CDlgLanguage::AddLanguageFile(const std::wstring& fileName)
{
    std::wstring path = PathIsRelativeW(fileName.c_str()) ? m_languageFolder + fileName : fileName;
    ResourceLibrary library(path);
    if (!library.IsLoaded())
        return;
    LanguageEntry entry;
    if (!library.ReadString(IDS_LANGUAGE_NAME, entry.name))
        return;
    entry.file = fileName;
    library.ReadString(IDS_LANGUAGE_INFO, entry.information);
    m_entries.push_back(std::move(entry));
}

void CDlgLanguage::CollectLanguages()
{
    m_entries.clear();
    AddLanguageFile(m_programFile);
    WIN32_FIND_DATAW found;
    const CUniqueFindHandle search(FindFirstFileW((m_languageFolder + L"*.DLL").c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            AddLanguageFile(found.cFileName);
    } while (FindNextFileW(search.Get(), &found));
}

BOOL CDlgLanguage::OnInitDialog()
{
    CDialog::OnInitDialog();
    CollectLanguages();
    SetDlgItemTextW(m_hWnd, IDC_CURRENT_LANGUAGE, m_currentLanguageName.c_str());

    HWND list = GetDlgItem(m_hWnd, IDC_LANGUAGE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    LRESULT selected = LB_ERR;
    for (const LanguageEntry& entry : m_entries) {
        LRESULT line = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
        if (line >= 0 &&
            CompareStringOrdinal(entry.file.c_str(), -1, m_currentLanguageFile.c_str(), -1, TRUE) == CSTR_EQUAL)
            selected = line;
    }
    SendMessageW(list, LB_SETCURSEL, selected == LB_ERR ? 0 : static_cast<WPARAM>(selected), 0);
    OnSelchangeLanguageList();
    return TRUE;
}

void CDlgLanguage::OnSelchangeLanguageList()
{
    if (m_entries.empty()) {
        // Only when the program itself names no language: nothing to choose, so OK keeps what is in use.
        SetDlgItemTextW(m_hWnd, IDC_TRANSLATOR_INFO, L"");
        m_chosenFile = m_currentLanguageFile;
        return;
    }
    LRESULT line = SendDlgItemMessageW(m_hWnd, IDC_LANGUAGE_LIST, LB_GETCURSEL, 0, 0);
    size_t index = line >= 0 && static_cast<size_t>(line) < m_entries.size() ? static_cast<size_t>(line) : 0;
    SetDlgItemTextW(m_hWnd, IDC_TRANSLATOR_INFO, m_entries[index].information.c_str());
    m_chosenFile = m_entries[index].file;
}

bool CDlgLanguage::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (id != IDC_LANGUAGE_LIST || code != LBN_SELCHANGE)
        return false;
    OnSelchangeLanguageList();
    return true;
}

LRESULT CDlgLanguage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_DESTROY)
        return CDialog::WindowProc(message, wParam, lParam);
    LRESULT result = CDialog::WindowProc(message, wParam, lParam);
    OnDestroy();
    return result;
}

void CDlgLanguage::OnDestroy()
{
    m_entries.clear();
}
