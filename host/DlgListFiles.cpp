#include "DlgListFiles.h"

#include "TaskNameField.h"
#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "res/resource.h"

#include <vector>

namespace {

// Fixed in the program: these texts are not translated.
const wchar_t NameErrorText[] = L"Error in list files filename";
const wchar_t NoNameText[] = L"No filename is set";
const int MaxNameLength = 12;

}  // namespace

CDlgListFiles::CDlgListFiles(HWND parent) : CDialog(IDD_LIST_FILES, parent) {}

std::wstring CDlgListFiles::NameFieldText() const
{
    HWND edit = GetDlgItem(m_hWnd, IDC_TASK_FILENAME);
    int length = GetWindowTextLengthW(edit);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit, text.data(), length + 1);
    return text.data();
}

BOOL CDlgListFiles::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND combo = GetDlgItem(m_hWnd, IDC_TASK_DRIVE);
    AddDriveNames(combo);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(m_drive), 0);
    // Without a caption of the caller's the template's own title stays.
    if (!m_caption.empty())
        SetWindowTextW(m_hWnd, m_caption.c_str());
    HWND edit = GetDlgItem(m_hWnd, IDC_TASK_FILENAME);
    SendMessageW(edit, EM_LIMITTEXT, MaxNameLength, 0);
    // The name is checked on OK only: a box while typing would take the keys typed after it.
    SetWindowTextW(edit, m_name.c_str());
    return TRUE;
}

void CDlgListFiles::OnOK()
{
    std::wstring name = NameFieldText();
    if (name.empty()) {
        RefuseName(m_hWnd, IDC_TASK_FILENAME, NoNameText);
        return;
    }
    // The control would refuse the task when it starts.
    if (!IsValidHostTerminalFileName(name)) {
        RefuseName(m_hWnd, IDC_TASK_FILENAME, NameErrorText);
        return;
    }
    int selected = static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_TASK_DRIVE, CB_GETCURSEL, 0, 0));
    if (selected >= 0)
        m_drive = selected;
    m_resultName = name;
    EndDialog(IDOK);
}
