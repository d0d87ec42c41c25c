#include "DlgListFiles.h"

#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

#include <vector>

namespace {

// Fixed in the program: these texts are not translated.
const wchar_t ErrorCaption[] = L"Error";
const wchar_t NameErrorText[] = L"Error in list files filename";
const wchar_t NoNameText[] = L"No filename is set";
const int MaxNameLength = 12;

} // namespace

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
    // Filling the field counts as a change, so a stored name that breaks the rule is reported now.
    if (!m_name.empty())
        SetWindowTextW(edit, m_name.c_str());
    return TRUE;
}

bool CDlgListFiles::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (id == IDC_TASK_FILENAME && code == EN_CHANGE) {
        if (!IsValidHostTerminalFileName(NameFieldText()))
            CMessageBox::Show(m_hWnd, NameErrorText, ErrorCaption, MB_OK | MB_ICONSTOP);
        return true;
    }
    return false;
}

void CDlgListFiles::OnOK()
{
    std::wstring name = NameFieldText();
    if (name.empty()) {
        CMessageBox::Show(m_hWnd, NoNameText, ErrorCaption, MB_OK | MB_ICONSTOP);
        return;
    }
    int selected = static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_TASK_DRIVE, CB_GETCURSEL, 0, 0));
    if (selected >= 0)
        m_drive = selected;
    m_resultName = name;
    EndDialog(IDOK);
}
