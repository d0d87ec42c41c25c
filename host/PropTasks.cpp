#include "PropTasks.h"

#include "DlgListFiles.h"
#include "DlgRecvFiles.h"
#include "DlgTimeDateFormat.h"
#include "DlgXmitFiles.h"
#include "TaskTexts.h"
#include "framework/Resources.h"
#include "res/resource.h"

namespace {

const int TaskKindCount = 8;
const int TaskIcons[TaskKindCount] = {IDI_TASK_OS_VERSION, IDI_TASK_APP_VERSION, IDI_TASK_GET_TIME, IDI_TASK_SET_TIME,
                                      IDI_TASK_RECEIVE,    IDI_TASK_TRANSMIT,    IDI_TASK_LIST,     IDI_TASK_DELETE};
const UINT TaskTitles[TaskKindCount] = {IDS_TASK_GET_OS_VERSION, IDS_TASK_GET_APP_VERSION, IDS_TASK_GET_TIME_DATE,
                                        IDS_TASK_SET_TIME_DATE,  IDS_TASK_RECEIVE_FILES,   IDS_TASK_TRANSMIT_FILE,
                                        IDS_TASK_LIST_FILES,     IDS_TASK_DELETE_FILES};
const int IconSize = 32;

bool IsKind(int kind)
{
    return kind >= 0 && kind < TaskKindCount;
}

// A fully transparent icon that keeps a missing task icon's place, so that icon i stays kind i.
HICON MakeBlankIcon()
{
    std::vector<BYTE> andMask(IconSize * IconSize / 8, 0xFF);
    std::vector<BYTE> xorMask(IconSize * IconSize / 8, 0x00);
    return CreateIcon(GetModuleHandleW(nullptr), IconSize, IconSize, 1, 1, andMask.data(), xorMask.data());
}

short DriveOrDefault(int drive)
{
    return static_cast<short>(drive >= 0 && drive < DriveCount ? drive : 2);
}

}  // namespace

CPropTasks::CPropTasks(std::vector<CWexlinkObj>& appTasks) : CPropertyPage(IDD_PROP_TASKS), m_appTasks(appTasks) {}

CPropTasks::~CPropTasks()
{
    if (m_images != nullptr)
        ImageList_Destroy(m_images);
    if (m_blankIcon != nullptr)
        DestroyIcon(m_blankIcon);
}

void CPropTasks::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_TASKS_LIST, m_taskList);
    DDX_Control(dx, IDC_TASKS_TYPE, m_taskType);
}

BOOL CPropTasks::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_tasks = m_appTasks;
    CreateImageList();
    m_taskList.SetImageList(m_images);
    InvalidateRect(m_taskList.m_hWnd, nullptr, TRUE);
    FillTaskTypes();
    FillTaskList();
    UpdateButtons();
    m_initialised = true;
    return TRUE;
}

void CPropTasks::CreateImageList()
{
    if (m_images != nullptr)
        ImageList_Destroy(m_images);
    m_images = ImageList_Create(IconSize, IconSize, ILC_COLOR32 | ILC_MASK, 8, 1);
    if (m_images == nullptr)
        return;
    for (int icon : TaskIcons) {
        HICON loaded = static_cast<HICON>(
            LoadImageW(ResourceModule(), MAKEINTRESOURCEW(icon), IMAGE_ICON, IconSize, IconSize, LR_DEFAULTCOLOR));
        if (loaded != nullptr) {
            ImageList_ReplaceIcon(m_images, -1, loaded);
            DestroyIcon(loaded);
            continue;
        }
        if (m_blankIcon == nullptr)
            m_blankIcon = MakeBlankIcon();
        ImageList_ReplaceIcon(m_images, -1, m_blankIcon);
    }
}

void CPropTasks::FillTaskTypes()
{
    m_taskType.ResetContent();
    for (UINT title : TaskTitles)
        m_taskType.AddString(LoadStringResource(title));
    m_taskType.SetCurSel(0);
}

std::wstring CPropTasks::TitleOf(int kind) const
{
    if (!IsKind(kind))
        return std::wstring();
    LRESULT length = SendMessageW(m_taskType.m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(kind), 0);
    if (length == CB_ERR)
        return LoadStringResource(TaskTitles[kind]);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(m_taskType.m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

void CPropTasks::FillTaskList()
{
    for (const CWexlinkObj& task : m_tasks)
        m_taskList.AddItem(TaskItemText(task, TitleOf(task.ComOption)), task.ComOption);
}

int CPropTasks::SelectedIndex() const
{
    return static_cast<int>(SendMessageW(m_taskList.m_hWnd, LB_GETCURSEL, 0, 0));
}

bool CPropTasks::HasParameters(int kind) const
{
    return kind == taskGetTimeDate || kind == taskReceiveFiles || kind == taskTransmitFile || kind == taskListFiles ||
           kind == taskDeleteFiles;
}

void CPropTasks::UpdateButtons()
{
    HWND edit = GetDlgItem(m_hWnd, IDC_TASKS_EDIT);
    HWND remove = GetDlgItem(m_hWnd, IDC_TASKS_DELETE);
    HWND removeAll = GetDlgItem(m_hWnd, IDC_TASKS_DELETE_ALL);
    EnableWindow(edit, FALSE);
    EnableWindow(remove, FALSE);
    EnableWindow(removeAll, m_taskList.GetCount() > 0);
    int selected = SelectedIndex();
    if (selected < 0 || selected >= static_cast<int>(m_tasks.size()))
        return;
    EnableWindow(remove, TRUE);
    EnableWindow(edit, HasParameters(m_tasks[static_cast<size_t>(selected)].ComOption));
}

void CPropTasks::AppendTask(const CWexlinkObj& task)
{
    m_tasks.push_back(task);
    m_taskList.AddItem(TaskItemText(task, TitleOf(task.ComOption)), task.ComOption);
}

bool CPropTasks::RunTaskDialog(const CWexlinkObj& from, bool editing, std::vector<CWexlinkObj>& made)
{
    const int kind = from.ComOption;
    switch (kind) {
    case taskGetTimeDate: {
        CDlgTimeDateFormat dialog(m_hWnd);
        dialog.m_timeDateFormat = from.TDFMT >= 0 && from.TDFMT < TimeDateFormatCount ? from.TDFMT : 0;
        if (dialog.DoModal() != IDOK)
            return false;
        made.emplace_back(TimeDateFormat{dialog.m_timeDateFormat});
        return true;
    }
    case taskReceiveFiles: {
        CDlgRecvFiles dialog(m_hWnd);
        if (editing) {
            dialog.m_folder.SetPathName(from.PcFileFolder.c_str());
            if (from.DownType >= 0 && from.DownType <= 3)
                dialog.m_downType = from.DownType;
            dialog.m_name = from.TerminalFile;
            dialog.m_drive = DriveOrDefault(from.TerminalDrive);
            dialog.m_continue = from.ContOnNotAvail;
            dialog.m_useFilename = from.advRcvUseFilename;
            dialog.m_useTermId = from.advRcvUseTermId;
            dialog.m_useTime = from.advRcvUseTime;
            dialog.m_useDate = from.advRcvUseDate;
            if (from.advRcvFmtTime >= 0 && from.advRcvFmtTime <= 2)
                dialog.m_fmtTime = from.advRcvFmtTime;
            if (from.advRcvFmtDate >= 0 && from.advRcvFmtDate <= 11)
                dialog.m_fmtDate = from.advRcvFmtDate;
            if (from.advRcvFmtFile >= 0 && from.advRcvFmtFile <= 23)
                dialog.m_fmtFile = from.advRcvFmtFile;
        }
        if (dialog.DoModal() != IDOK)
            return false;
        made.emplace_back(dialog.m_folder.GetPathName(), dialog.m_downType, dialog.m_name,
                          static_cast<short>(dialog.m_drive), dialog.m_continue, dialog.m_useFilename,
                          dialog.m_useTermId, dialog.m_useTime, dialog.m_fmtTime, dialog.m_useDate, dialog.m_fmtDate,
                          dialog.m_fmtFile);
        return true;
    }
    case taskTransmitFile: {
        CDlgXmitFiles dialog(m_hWnd);
        if (editing) {
            dialog.m_singleFile = true;
            if (!from.PcFileFolder.empty())
                dialog.m_files.push_back(from.PcFileFolder);
            dialog.m_drive = DriveOrDefault(from.TerminalDrive);
            dialog.m_continue = from.ContOnNotAvail;
        }
        if (dialog.DoModal() != IDOK)
            return false;
        for (int i = 0; i < dialog.GetFileCount(); ++i)
            made.emplace_back(dialog.GetFile(i), static_cast<short>(dialog.m_drive), dialog.m_continue);
        return true;
    }
    case taskListFiles:
    case taskDeleteFiles: {
        CDlgListFiles dialog(m_hWnd);
        dialog.m_caption = TitleOf(kind);
        if (editing) {
            dialog.m_name = from.TerminalFile;
            dialog.m_drive = DriveOrDefault(from.TerminalDrive);
        }
        if (dialog.DoModal() != IDOK)
            return false;
        made.emplace_back(kind, dialog.m_resultName, static_cast<short>(dialog.m_drive));
        return true;
    }
    default:
        return false;
    }
}

void CPropTasks::OnAddTask()
{
    int kind = m_taskType.GetCurSel();
    if (!IsKind(kind))
        return;
    std::vector<CWexlinkObj> made;
    if (HasParameters(kind)) {
        CWexlinkObj blank;
        blank.ComOption = kind;
        RunTaskDialog(blank, false, made);
    } else {
        made.emplace_back(kind);
    }
    for (const CWexlinkObj& task : made)
        AppendTask(task);
    UpdateButtons();
}

void CPropTasks::OnEditTask()
{
    int selected = SelectedIndex();
    if (selected < 0 || selected >= static_cast<int>(m_tasks.size()))
        return;
    CWexlinkObj task = m_tasks[static_cast<size_t>(selected)];
    if (!HasParameters(task.ComOption))
        return;
    std::vector<CWexlinkObj> made;
    if (!RunTaskDialog(task, true, made))
        return;
    if (made.empty()) {
        // The transmit task's file was removed: the task goes.
        OnDeleteTask();
        return;
    }
    m_tasks[static_cast<size_t>(selected)] = made.front();
    m_taskList.ReplaceItem(selected, TaskItemText(made.front(), TitleOf(task.ComOption)), task.ComOption);
}

void CPropTasks::OnDeleteTask()
{
    int selected = SelectedIndex();
    if (selected < 0 || selected >= static_cast<int>(m_tasks.size()))
        return;
    m_taskList.FreeItemRecord(selected);
    m_taskList.DeleteString(selected);
    m_tasks.erase(m_tasks.begin() + selected);
    UpdateButtons();
}

void CPropTasks::OnDeleteAllTasks()
{
    if (m_taskList.GetCount() <= 0)
        return;
    m_taskList.FreeItemData();
    m_taskList.ResetContent();
    m_tasks.clear();
    UpdateButtons();
}

bool CPropTasks::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (id == IDC_TASKS_LIST) {
        if (code == LBN_DBLCLK) {
            if (SelectedIndex() >= 0)
                OnEditTask();
            return true;
        }
        if (code == LBN_SELCHANGE) {
            UpdateButtons();
            return true;
        }
        return false;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_TASKS_ADD:
        OnAddTask();
        return true;
    case IDC_TASKS_EDIT:
        OnEditTask();
        return true;
    case IDC_TASKS_DELETE:
        OnDeleteTask();
        return true;
    case IDC_TASKS_DELETE_ALL:
        OnDeleteAllTasks();
        return true;
    default:
        return false;
    }
}

int CPropTasks::OnVKeyToItem(UINT key, int /*caret*/)
{
    if (key == VK_DELETE && SelectedIndex() >= 0)
        OnDeleteTask();
    return -1;  // the list box's own handling of the key
}

// Enter in the task list edits the selected task; it never reaches the sheet, which would close.
bool CPropTasks::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && m_taskList.m_hWnd != nullptr &&
        GetFocus() == m_taskList.m_hWnd) {
        if (SelectedIndex() >= 0 && IsWindowEnabled(GetDlgItem(m_hWnd, IDC_TASKS_EDIT)))
            OnEditTask();
        return true;
    }
    return CPropertyPage::PreTranslateMessage(msg);
}

LRESULT CPropTasks::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure != nullptr && measure->CtlID == IDC_TASKS_LIST && m_taskList.m_hWnd != nullptr) {
            m_taskList.MeasureItem(*measure);
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (draw != nullptr && draw->CtlID == IDC_TASKS_LIST && m_taskList.m_hWnd != nullptr) {
            m_taskList.DrawItem(*draw);
            return TRUE;
        }
        break;
    }
    case WM_VKEYTOITEM:
        if (reinterpret_cast<HWND>(lParam) == m_taskList.m_hWnd)
            return OnVKeyToItem(LOWORD(wParam), HIWORD(wParam));
        break;
    default:
        break;
    }
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void CPropTasks::OnOK()
{
    // A page whose dialog was never made leaves the application's list alone.
    if (!m_initialised)
        return;
    m_appTasks = m_tasks;
    CPropertyPage::OnOK();
}
