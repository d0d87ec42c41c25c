#include "DlgXmitFiles.h"

#include "TaskTexts.h"
#include "framework/FileDialog.h"
#include "framework/Resources.h"
#include "res/resource.h"

CDlgXmitFiles::CDlgXmitFiles(HWND parent) : CDialog(IDD_XMIT_FILES, parent) {}

std::wstring CDlgXmitFiles::GetFile(int index) const
{
    if (index < 0 || index >= GetFileCount())
        return std::wstring();
    return m_files[static_cast<size_t>(index)];
}

HWND CDlgXmitFiles::FileList() const
{
    return GetDlgItem(m_hWnd, IDC_TASK_XMIT_FILES);
}

int CDlgXmitFiles::SelectedIndex() const
{
    return static_cast<int>(SendMessageW(FileList(), LB_GETCURSEL, 0, 0));
}

bool CDlgXmitFiles::IsListed(const std::wstring& path) const
{
    for (const std::wstring& listed : m_files)
        if (CompareStringOrdinal(listed.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

BOOL CDlgXmitFiles::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND drives = GetDlgItem(m_hWnd, IDC_TASK_XMIT_DRIVE);
    AddDriveNames(drives);
    SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(m_drive), 0);
    for (const std::wstring& path : m_files)
        SendMessageW(FileList(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    CheckDlgButton(m_hWnd, IDC_TASK_CONTINUE, m_continue ? BST_CHECKED : BST_UNCHECKED);
    UpdateButtons();
    return TRUE;
}

bool CDlgXmitFiles::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (id == IDC_TASK_XMIT_FILES && code == LBN_SELCHANGE) {
        UpdateButtons();
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_TASK_XMIT_ADD:
        OnAddFiles();
        return true;
    case IDC_TASK_XMIT_EDIT:
        OnEditFile();
        return true;
    case IDC_TASK_XMIT_DELETE:
        OnDeleteFile();
        return true;
    case IDC_TASK_XMIT_DELETE_ALL:
        OnDeleteAllFiles();
        return true;
    default:
        return false;
    }
}

std::vector<std::wstring> CDlgXmitFiles::ChooseFiles(bool multiple)
{
    DWORD flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | (multiple ? OFN_ALLOWMULTISELECT : 0);
    CFileDialog dialog(true, nullptr, L"", flags, nullptr, m_hWnd);
    dialog.m_title = LoadStringResource(IDS_GET_UPLOAD_FILES);
    if (dialog.DoModal() != IDOK)
        return {};
    return dialog.GetPathNames();
}

void CDlgXmitFiles::OnAddFiles()
{
    for (const std::wstring& path : ChooseFiles(!m_singleFile)) {
        if (path.empty() || IsListed(path))
            continue;
        SendMessageW(FileList(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        m_files.push_back(path);
    }
    UpdateButtons();
}

void CDlgXmitFiles::OnEditFile()
{
    int selected = SelectedIndex();
    std::vector<std::wstring> chosen = ChooseFiles(false);
    if (selected >= 0 && selected < GetFileCount() && !chosen.empty() && !chosen.front().empty() &&
        !IsListed(chosen.front())) {
        SendMessageW(FileList(), LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
        SendMessageW(FileList(), LB_INSERTSTRING, static_cast<WPARAM>(selected),
                     reinterpret_cast<LPARAM>(chosen.front().c_str()));
        m_files[static_cast<size_t>(selected)] = chosen.front();
    }
    UpdateButtons();
}

void CDlgXmitFiles::OnDeleteFile()
{
    int selected = SelectedIndex();
    if (selected >= 0 && selected < GetFileCount()) {
        SendMessageW(FileList(), LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
        m_files.erase(m_files.begin() + selected);
    }
    UpdateButtons();
}

void CDlgXmitFiles::OnDeleteAllFiles()
{
    SendMessageW(FileList(), LB_RESETCONTENT, 0, 0);
    m_files.clear();
    UpdateButtons();
}

void CDlgXmitFiles::UpdateButtons()
{
    bool hasSelection = SelectedIndex() >= 0;
    bool hasFiles = !m_files.empty();
    EnableWindow(GetDlgItem(m_hWnd, IDC_TASK_XMIT_ADD), !(m_singleFile && hasFiles));
    EnableWindow(GetDlgItem(m_hWnd, IDC_TASK_XMIT_EDIT), hasSelection);
    EnableWindow(GetDlgItem(m_hWnd, IDC_TASK_XMIT_DELETE), hasSelection);
    EnableWindow(GetDlgItem(m_hWnd, IDC_TASK_XMIT_DELETE_ALL), hasFiles);
}

void CDlgXmitFiles::OnOK()
{
    m_continue = IsDlgButtonChecked(m_hWnd, IDC_TASK_CONTINUE) == BST_CHECKED;
    int selected = static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_TASK_XMIT_DRIVE, CB_GETCURSEL, 0, 0));
    if (selected >= 0)
        m_drive = selected;
    EndDialog(IDOK);
}
