#include "DlgRecvFiles.h"

#include "DeviceName.h"
#include "ReceiveFileName.h"
#include "TaskTexts.h"
#include "TaskNameField.h"
#include "TerminalFileName.h"
#include "framework/Resources.h"
#include "res/resource.h"

#include <shlobj.h>

#include <vector>

namespace {

// Fixed in the program: these texts are not translated.
const wchar_t NameErrorText[] = L"Error in terminal filename";
const int MaxNameLength = 12;
const int DownTypeRadios[] = {IDC_TASK_APPEND, IDC_TASK_OVERWRITE, IDC_TASK_NEW_EXTENSION, IDC_TASK_NEW_FILE};
// Folder mode, flat frame and a picture: the open folder beside a read-only edit.
const int FolderOptions = CBrowseCtrl::FolderMode | CBrowseCtrl::FlatFrame | CBrowseCtrl::UsePicture;

void CheckButton(HWND dialog, int id, bool checked)
{
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::wstring DocumentsFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

}  // namespace

CDlgRecvFiles::CDlgRecvFiles(HWND parent) : CDialog(IDD_RECV_FILES, parent) {}

bool CDlgRecvFiles::IsValidTerminalFileName(const std::wstring& name)
{
    return IsValidHostTerminalFileName(name);
}

// A single name (no wildcard) is stored under a PC name made from it as the run makes it; a name
// that can never be a PC file would be skipped at every run. A pattern is checked name by name once
// the terminal has listed its files. The terminal ID is not known here: the run checks each name
// again with it.
bool CDlgRecvFiles::NamesAPcFile(const std::wstring& name) const
{
    if (name.find_first_of(L"*?") != std::wstring::npos)
        return true;
    const bool useFilename = m_useFilename || !(m_useTermId || m_useTime || m_useDate);  // as OK stores it
    const std::wstring pcName = BuildReceiveFileName(name, useFilename, m_useTermId, 0, m_useTime, m_fmtTime,
                                                     m_useDate, m_fmtDate, m_fmtFile);
    return CheckPcFileName(pcName) == PcFileNameProblem::none;
}

void CDlgRecvFiles::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_TASK_FOLDER, m_folder);
}

bool CDlgRecvFiles::IsChecked(int id) const
{
    return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
}

std::wstring CDlgRecvFiles::NameFieldText() const
{
    HWND edit = GetDlgItem(m_hWnd, IDC_TASK_FILENAME);
    int length = GetWindowTextLengthW(edit);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(edit, text.data(), length + 1);
    return text.data();
}

void CDlgRecvFiles::StartFolder()
{
    m_folder.SetOptions(m_folder.GetOptions() | FolderOptions);
    m_folder.SetNotifyMessage(BrowseNotifyMessage);
    if (m_folder.GetPathName().empty()) {
        std::wstring documents = DocumentsFolder();
        if (!documents.empty())
            m_folder.SetPathName(documents.c_str());
    }
    // Puts the path into the edit, which did not exist when the caller set it.
    std::wstring path = m_folder.GetPathName();
    m_folder.SetPathName(path.c_str());
}

void CDlgRecvFiles::FillComboFromString(int comboId, UINT stringId, int selected)
{
    HWND combo = GetDlgItem(m_hWnd, comboId);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    std::wstring entries = LoadStringResource(stringId);
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find(L';', start);
        if (end == std::wstring::npos)
            end = entries.size();
        std::wstring entry = entries.substr(start, end - start);
        if (!entry.empty())
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        start = end + 1;
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

BOOL CDlgRecvFiles::OnInitDialog()
{
    CDialog::OnInitDialog();
    StartFolder();

    HWND drives = GetDlgItem(m_hWnd, IDC_TASK_DRIVE);
    AddDriveNames(drives);
    SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(m_drive), 0);
    for (int type = 0; type < 4; ++type)
        CheckButton(m_hWnd, DownTypeRadios[type], type == m_downType);
    CheckButton(m_hWnd, IDC_TASK_CONTINUE, m_continue);
    CheckButton(m_hWnd, IDC_TASK_USE_FILENAME, m_useFilename);
    CheckButton(m_hWnd, IDC_TASK_USE_TERMID, m_useTermId);
    CheckButton(m_hWnd, IDC_TASK_USE_TIME, m_useTime);
    CheckButton(m_hWnd, IDC_TASK_USE_DATE, m_useDate);
    FillComboFromString(IDC_TASK_ORDER, IDS_RECEIVE_ORDERS, m_fmtFile);
    FillComboFromString(IDC_TASK_TIME_FORMAT, IDS_RECEIVE_TIME_FORMATS, m_fmtTime);
    FillComboFromString(IDC_TASK_DATE_FORMAT, IDS_RECEIVE_DATE_FORMATS, m_fmtDate);

    HWND edit = GetDlgItem(m_hWnd, IDC_TASK_FILENAME);
    SendMessageW(edit, EM_LIMITTEXT, MaxNameLength, 0);
    // The name is checked on OK only: a box while typing would take the keys typed after it.
    SetWindowTextW(edit, m_name.c_str());
    return TRUE;
}

// A selection that is gone (-1) keeps the value the dialog holds.
int CDlgRecvFiles::SelectionOf(int comboId, int current) const
{
    int selected = static_cast<int>(SendDlgItemMessageW(m_hWnd, comboId, CB_GETCURSEL, 0, 0));
    return selected >= 0 ? selected : current;
}

// Every control but the download type writes its value at once.
bool CDlgRecvFiles::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (code == CBN_SELCHANGE) {
        switch (id) {
        case IDC_TASK_DRIVE:
            m_drive = SelectionOf(IDC_TASK_DRIVE, m_drive);
            return true;
        case IDC_TASK_ORDER:
            m_fmtFile = SelectionOf(IDC_TASK_ORDER, m_fmtFile);
            return true;
        case IDC_TASK_TIME_FORMAT:
            m_fmtTime = SelectionOf(IDC_TASK_TIME_FORMAT, m_fmtTime);
            return true;
        case IDC_TASK_DATE_FORMAT:
            m_fmtDate = SelectionOf(IDC_TASK_DATE_FORMAT, m_fmtDate);
            return true;
        default:
            return false;
        }
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_TASK_CONTINUE:
            m_continue = IsChecked(id);
            return true;
        case IDC_TASK_USE_FILENAME:
            m_useFilename = IsChecked(id);
            return true;
        case IDC_TASK_USE_TERMID:
            m_useTermId = IsChecked(id);
            return true;
        case IDC_TASK_USE_TIME:
            m_useTime = IsChecked(id);
            return true;
        case IDC_TASK_USE_DATE:
            m_useDate = IsChecked(id);
            return true;
        default:
            return false;
        }
    }
    return false;
}

bool CDlgRecvFiles::PreTranslateMessage(MSG& msg)
{
    if (m_folder.PreTranslateMessage(msg))
        return true;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CDlgRecvFiles::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BrowseNotifyMessage)
        return 1;
    return CDialog::WindowProc(message, wParam, lParam);
}

void CDlgRecvFiles::OnOK()
{
    std::wstring name = NameFieldText();
    for (int type = 0; type < 4; ++type) {
        if (IsChecked(DownTypeRadios[type])) {
            m_downType = type;
            break;
        }
    }
    if (!IsValidTerminalFileName(name) || !NamesAPcFile(name)) {
        RefuseName(m_hWnd, IDC_TASK_FILENAME, NameErrorText);
        return;
    }
    m_name = name;
    if (!m_useFilename && !m_useTermId && !m_useTime && !m_useDate)
        m_useFilename = true;
    EndDialog(IDOK);
}
