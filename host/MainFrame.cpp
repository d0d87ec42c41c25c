#include "MainFrame.h"

#include "ComPortName.h"

#include "DlgLanguage.h"
#include "PropCommunication.h"
#include "PropTasks.h"
#include "TaskTexts.h"
#include "ThemeLibrary.h"
#include "Wexlink32App.h"
#include "Wexlink32View.h"
#include "framework/FileDialog.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/TreePropSheet.h"

#include <cwchar>
#include <dbt.h>
#include <shlwapi.h>
#include <vector>

CMainFrame::NotifyIconFunction CMainFrame::s_notifyIcon = &Shell_NotifyIconW;

namespace {

constexpr UINT kTrayIconId = 1;
constexpr int kProgressPaneWidth = 400;
constexpr int kSettingsTreeWidth = 160;

// The icons of the settings pages, cut from one bitmap with magenta as the transparent colour;
// they live as long as the sheet that shows them.
class CSettingsPageIcons {
public:
    CSettingsPageIcons()
    {
        // A language library without the picture leaves the pages with the program's own icons.
        HIMAGELIST images = LoadPageImages(ResourceModule());
        if (images == nullptr)
            images = LoadPageImages(GetModuleHandleW(nullptr));
        if (images == nullptr)
            return;
        for (int i = 0; i < ImageList_GetImageCount(images); ++i)
            m_icons.push_back(ImageList_GetIcon(images, i, ILD_NORMAL));
        ImageList_Destroy(images);
    }
    ~CSettingsPageIcons()
    {
        for (HICON icon : m_icons) {
            if (icon != nullptr)
                DestroyIcon(icon);
        }
    }
    CSettingsPageIcons(const CSettingsPageIcons&) = delete;
    CSettingsPageIcons& operator=(const CSettingsPageIcons&) = delete;

    void Apply(CPropertyPage& page, size_t index) const
    {
        if (index >= m_icons.size() || m_icons[index] == nullptr)
            return;
        page.m_psp.dwFlags |= PSP_USEHICON;
        page.m_psp.hIcon = m_icons[index];
    }

private:
    static HIMAGELIST LoadPageImages(HINSTANCE module)
    {
        return ImageList_LoadImageW(module, MAKEINTRESOURCEW(IDB_SETTINGS_PAGES), 16, 1, RGB(255, 0, 255), IMAGE_BITMAP,
                                    LR_CREATEDIBSECTION);
    }

    std::vector<HICON> m_icons;
};

const wchar_t kTrayTip[] = L"Wexlink32 Application";
const wchar_t kBalloonTitle[] = L"Wexlink32";

template <size_t N>
void CopyCut(wchar_t (&target)[N], const std::wstring& text)
{
    size_t length = std::min(text.size(), N - 1);
    text.copy(target, length);
    target[length] = L'\0';
}

// The language dialog only ever offers bare names of libraries in the language folder. The name
// is read back from the language file, which lies in a folder that every local user may write:
// a name that climbed out of the language folder (..\..\x.dll) would let any of them have a
// library of their own run inside another user's program.
bool IsBareFileName(const std::wstring& name)
{
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos;
}

}  // namespace

CMainFrame::CMainFrame()
    : m_fileFilter(LoadStringResource(IDS_FILE_FILTER)),
      m_languageFolder(theApp.m_ProgramFolder + L"\\Language\\")
{
}

CMainFrame::~CMainFrame()
{
    // Nothing may take resources from the library once it is gone; it goes with the frame.
    if (m_languageLibrary)
        SetResourceModule(m_savedResourceModule);
}

CWexlink32View* CMainFrame::ProtocolView() const
{
    return dynamic_cast<CWexlink32View*>(GetActiveView());
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.style = WS_OVERLAPPED | WS_CAPTION | FWS_ADDTOTITLE | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX;
    return TRUE;
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (message == taskbarCreated && taskbarCreated != 0) {
        OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_TRAY_NOTIFY:
        return OnTrayNotify(wParam, lParam);
    case WM_DEVICECHANGE:
        return OnDeviceChange(wParam, lParam);
    default:
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
}

bool CMainFrame::CreateStatusBar()
{
    static const UINT indicators[] = {0, IDS_PROGRESS_PANE};
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 2))
        return false;
    m_wndStatusBar.ModifyStyle(SBARS_SIZEGRIP, 0);
    m_wndStatusBar.SetPaneInfo(1, IDS_PROGRESS_PANE, CStatusBar::SBPS_NORMAL, kProgressPaneWidth);
    return true;
}

void CMainFrame::FillNotifyIconRecord()
{
    m_notifyIcon = {};
    m_notifyIcon.cbSize = sizeof(m_notifyIcon);
    m_notifyIcon.hWnd = m_hWnd;
    m_notifyIcon.uID = kTrayIconId;
    m_notifyIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_notifyIcon.uCallbackMessage = WM_TRAY_NOTIFY;
    m_notifyIcon.hIcon = m_hIcon;
    CopyCut(m_notifyIcon.szTip, kTrayTip);
    m_notifyIcon.uTimeout = 100;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu != nullptr) {
        DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
        DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    }
    if (!CreateStatusBar())
        return -1;
    if (CWexlink32View* view = ProtocolView())
        view->SetFrame(this);
    m_hIcon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    FillNotifyIconRecord();
    m_inTray = false;
    return 0;
}

bool CMainFrame::OnCommand(UINT id)
{
    switch (id) {
    case ID_START_PROTOCOL:
        OnStartProtocol();
        return true;
    case ID_STOP_PROTOCOL:
        OnStopProtocol();
        return true;
    case ID_COMMUNICATION_SETTINGS:
        OnCommunicationSettings();
        return true;
    case ID_DEFAULT_SETTINGS:
        OnDefaultSettings();
        return true;
    case ID_LANGUAGE:
        OnLanguage();
        return true;
    case ID_IMPORT:
        OnImport();
        return true;
    case ID_EXPORT:
        OnExport();
        return true;
    case ID_CLEAR_STATUS_LOG:
        OnClearStatusLog();
        return true;
    default:
        return CFrameWnd::OnCommand(id);
    }
}

bool CMainFrame::HasCommandHandler(UINT id) const
{
    switch (id) {
    case ID_START_PROTOCOL:
    case ID_STOP_PROTOCOL:
    case ID_COMMUNICATION_SETTINGS:
    case ID_DEFAULT_SETTINGS:
    case ID_LANGUAGE:
    case ID_IMPORT:
    case ID_EXPORT:
    case ID_CLEAR_STATUS_LOG:
        return true;
    default:
        return CFrameWnd::HasCommandHandler(id);
    }
}

bool CMainFrame::OnUpdateCommand(CCmdUI& ui)
{
    // Without a view the framework's default applies: enabled when handled.
    if (ProtocolView() == nullptr)
        return false;
    switch (ui.m_nID) {
    case ID_START_PROTOCOL:
    case ID_COMMUNICATION_SETTINGS:
    case ID_DEFAULT_SETTINGS:
    case ID_EXPORT:
    case ID_IMPORT:
    case ID_LANGUAGE:
        OnUpdateProtocolIdle(ui);
        return true;
    case ID_STOP_PROTOCOL:
        OnUpdateStopProtocol(ui);
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnUpdateProtocolIdle(CCmdUI& ui)
{
    ui.Enable(ProtocolView()->IsProtocolRunning() == 0);
}

void CMainFrame::OnUpdateStopProtocol(CCmdUI& ui)
{
    ui.Enable(ProtocolView()->IsProtocolRunning() != 0);
}

void CMainFrame::OnStartProtocol()
{
    if (theApp.m_TaskList.empty() && CMessageBox::Show(m_hWnd, LoadStringResource(IDS_NO_TASK_QUESTION),
                                                       LoadStringResource(IDS_INFORMATION), MB_YESNO) != IDYES)
        return;
    CWexlink32View* view = ProtocolView();
    if (view == nullptr)
        return;
    const CTarvexSettings& settings = theApp.m_Settings;
    view->PutComport(static_cast<short>(settings.COM));
    view->PutBaudrate(static_cast<long>(settings.Baudrate));
    view->PutIrDADevice(static_cast<long>(settings.IrDA));
    view->StartProtocol(static_cast<long>(settings.ProtocolType), static_cast<short>(settings.ProtocolTimes));
    view->SetState(CWexlink32View::statePolling);
}

void CMainFrame::OnStopProtocol()
{
    if (CWexlink32View* view = ProtocolView())
        view->StopProtocol();
}

void CMainFrame::OnCommunicationSettings()
{
    CPropCommunication communication;
    CPropTasks tasks(theApp.m_TaskList);
    CSettingsPageIcons icons;
    icons.Apply(communication, 0);
    icons.Apply(tasks, 1);

    TreePropSheet::CTreePropSheet sheet(LoadStringResource(IDS_COMMUNICATION_OPTIONS));
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.AddPage(&communication);
    sheet.AddPage(&tasks);
    sheet.SetTreeViewMode(true, true, true);
    sheet.SetTreeWidth(kSettingsTreeWidth);
    sheet.SetVisualStyles(&ThemeLibrary);
    sheet.SetActivePage(0);
    sheet.m_okText = LoadStringResource(IDS_BUTTON_OK);
    sheet.m_cancelText = LoadStringResource(IDS_BUTTON_CANCEL);
    sheet.m_helpText = LoadStringResource(IDS_BUTTON_HELP);
    // The pages apply their own changes on OK.
    sheet.DoModal();
}

void CMainFrame::OnDefaultSettings()
{
    if (CMessageBox::Show(m_hWnd, LoadStringResource(IDS_DEFAULT_SETTINGS_QUESTION), LoadStringResource(IDS_WARNING),
                          MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    theApp.m_TaskList.clear();
    theApp.m_Settings = CTarvexSettings();
}

void CMainFrame::OnExport()
{
    CFileDialog dialog(false, L"wxf", theApp.m_ProgramFolder.c_str(), OFN_PATHMUSTEXIST, m_fileFilter.c_str(), m_hWnd);
    if (dialog.DoModal() != IDOK)
        return;
    if (!theApp.SaveSettings(dialog.GetPathName())) {
        // A read-only file, say: the window title must not name a file that holds other settings.
        ShowFileError(IDS_UNABLE_TO_WRITE, dialog.GetPathName());
        return;
    }
    theApp.OpenDocumentFile(dialog.GetPathName());
}

void CMainFrame::OnImport()
{
    CFileDialog dialog(true, L"wxf", L"*.wxf", OFN_FILEMUSTEXIST, m_fileFilter.c_str(), m_hWnd);
    if (dialog.DoModal() != IDOK)
        return;
    // Loading reads every missing key as its default: a file that is not a readable settings file
    // would wipe the settings and tasks, and the exit would save that over the default file.
    const std::wstring path = dialog.GetPathName();
    switch (CWexlink32App::CheckSettingsFile(path)) {
    case CWexlink32App::SettingsFileState::unreadable:
        ShowFileError(IDS_IMPORT_UNREADABLE, path);
        return;
    case CWexlink32App::SettingsFileState::notSettings:
        ShowFileError(IDS_IMPORT_NOT_SETTINGS, path);
        return;
    case CWexlink32App::SettingsFileState::usable:
        break;
    }
    theApp.LoadSettings(path);
    theApp.OpenDocumentFile(path);
}

void CMainFrame::ShowFileError(UINT textId, const std::wstring& path)
{
    CMessageBox::Show(m_hWnd, FormatTexts(LoadStringResourceOrOwn(textId), {path}), LoadStringResourceOrOwn(IDS_ERROR),
                      MB_OK | MB_ICONEXCLAMATION);
}

void CMainFrame::OnClearStatusLog()
{
    if (CWexlink32View* view = ProtocolView())
        view->StatusLog.ResetContent();
}

bool CMainFrame::ChooseLanguage(std::wstring& chosen)
{
    CDlgLanguage dialog(m_hWnd);
    dialog.m_programFile = theApp.m_ProgramPath;
    dialog.m_languageFolder = m_languageFolder;
    dialog.m_currentLanguageFile = m_currentLanguageFile;
    if (dialog.DoModal() != IDOK)
        return false;
    chosen = dialog.m_chosenFile;
    return true;
}

void CMainFrame::OnLanguage()
{
    std::wstring chosen;
    if (!ChooseLanguage(chosen))
        return;
    LoadLanguage(chosen);
    theApp.SaveLanguage(chosen);
}

void CMainFrame::LoadLanguage(const std::wstring& fileName)
{
    if (m_savedResourceModule == nullptr)
        m_savedResourceModule = ResourceModule();
    if (m_languageLibrary) {
        // Nothing may take resources from the library once it is gone.
        SetResourceModule(m_savedResourceModule);
        m_languageLibrary.Reset();
    }
    // Only the library's resources are wanted: loaded as data, none of its code ever runs.
    if (IsBareFileName(fileName))
        m_languageLibrary.Reset(LoadLibraryExW((m_languageFolder + fileName).c_str(), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));

    if (m_languageLibrary) {
        m_currentLanguageFile = fileName;
        SetResourceModule(m_languageLibrary.Get());
    } else {
        m_currentLanguageFile = theApp.m_ProgramFolder + L"\\" + PathFindFileNameW(theApp.m_ProgramPath.c_str());
        SetResourceModule(m_savedResourceModule);
    }

    HMENU menu = LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (menu == nullptr) {
        // A library without a menu keeps the program's own rather than leaving the window without one.
        menu = m_hMenuDefault;
    }
    HMENU current = GetMenu(m_hWnd);
    SetMenu(m_hWnd, menu);
    if (current != nullptr && current != m_hMenuDefault && current != menu)
        DestroyMenu(current);
    DrawMenuBar(m_hWnd);

    m_wndStatusBar.SetPaneText(0, LoadStringResource(IDS_IDLE_MESSAGE));
    if (!LoadAccelTable(IDR_MAINFRAME)) {
        // Nor does a library without accelerators take the keyboard commands away.
        m_hAccelTable = LoadAcceleratorsW(m_savedResourceModule, MAKEINTRESOURCEW(IDR_MAINFRAME));
    }
    if (CWexlink32View* view = ProtocolView())
        view->SetState(CWexlink32View::stateIdle);
}

void CMainFrame::OnActivate(UINT state, HWND other, BOOL minimized)
{
    CFrameWnd::OnActivate(state, other, minimized);
    if (m_languageLoaded)
        return;
    LoadLanguage(theApp.m_LanguageFile);
    m_languageLoaded = true;
}

void CMainFrame::OnActivateApp(BOOL active, DWORD threadId)
{
    CFrameWnd::OnActivateApp(active, threadId);
    if (m_progressBar.m_hWnd == nullptr)
        m_progressBar.Create(&m_wndStatusBar);
}

void CMainFrame::OnSize(UINT type, int cx, int cy)
{
    if (type != SIZE_MINIMIZED) {
        CFrameWnd::OnSize(type, cx, cy);
        return;
    }
    m_messagesWhileInTray = theApp.m_Settings.MessagesWhileInTray;
    if (!theApp.m_Settings.MinimizeToTray || m_inTray || m_notifyIcon.uID != kTrayIconId)
        return;
    MoveToTray();
}

void CMainFrame::MoveToTray()
{
    m_inTray = true;
    ShowWindow(m_hWnd, SW_HIDE);
    m_notifyIcon.uFlags |= NIF_INFO;
    CopyCut(m_notifyIcon.szInfo, L"Continues in the background");
    CopyCut(m_notifyIcon.szInfoTitle, kBalloonTitle);
    m_notifyIcon.uTimeout = 500;
    m_notifyIcon.dwInfoFlags = NIIF_NONE;
    BOOL added = s_notifyIcon(NIM_ADD, &m_notifyIcon);
    m_notifyIcon.szInfo[0] = L'\0';
    m_notifyIcon.uFlags &= ~static_cast<UINT>(NIF_INFO);
    if (added)
        return;
    CMessageBox::Show(m_hWnd, L"Unable to set tray icon", L"Error", MB_OK);
    // Without an icon there would be no way back to a hidden window: it stays on the task bar.
    m_inTray = false;
    ShowWindow(m_hWnd, SW_SHOWMINNOACTIVE);
}

void CMainFrame::OnTaskbarCreated()
{
    // A restarted shell has forgotten every icon: without ours again, a window hidden in the
    // notification area could never be brought back.
    if (m_inTray)
        s_notifyIcon(NIM_ADD, &m_notifyIcon);
}

void CMainFrame::RemoveTrayIcon()
{
    s_notifyIcon(NIM_DELETE, &m_notifyIcon);
}

LRESULT CMainFrame::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage)
{
    if (iconId != kTrayIconId)
        return -1;
    UINT event = static_cast<UINT>(mouseMessage);
    bool restore = event == WM_LBUTTONDOWN || event == WM_RBUTTONDOWN || event == NIN_BALLOONUSERCLICK;
    if (!restore || !m_inTray)
        return 0;
    m_inTray = false;
    ShowWindow(m_hWnd, SW_SHOW);
    Sleep(100);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    RemoveTrayIcon();
    return 0;
}

void CMainFrame::ShowTrayMessage(const std::wstring& text)
{
    if (!m_inTray)
        return;
    CopyCut(m_notifyIcon.szInfo, text);
    CopyCut(m_notifyIcon.szInfoTitle, kBalloonTitle);
    m_notifyIcon.uTimeout = 1000;
    m_notifyIcon.dwInfoFlags = NIIF_NONE;
    m_notifyIcon.uFlags |= NIF_INFO;
    s_notifyIcon(NIM_MODIFY, &m_notifyIcon);
    m_notifyIcon.szInfo[0] = L'\0';
    m_notifyIcon.uFlags &= ~static_cast<UINT>(NIF_INFO);
}

void CMainFrame::ShowProgress(short percentage)
{
    if (m_progressBar.m_hWnd == nullptr)
        return;
    if (!IsWindowVisible(m_progressBar.m_hWnd))
        ShowWindow(m_progressBar.m_hWnd, SW_SHOWNA);
    m_progressBar.SetPos(percentage);
}

void CMainFrame::ShowStatusBalloon(const std::wstring& message)
{
    if (IsInTray() && MessagesWhileInTray())
        ShowTrayMessage(message);
}

LRESULT CMainFrame::OnDeviceChange(WPARAM event, LPARAM data)
{
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || data == 0)
        return 0;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header->dbch_devicetype != DBT_DEVTYP_PORT)
        return 0;
    // The name is terminated inside the record; never read past the record's own size.
    const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data);
    size_t nameOffset = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
    if (header->dbch_size <= nameOffset)
        return 0;
    size_t room = (header->dbch_size - nameOffset) / sizeof(wchar_t);
    size_t length = wcsnlen(port->dbcp_name, room);
    // Device notifications name the port in the system's own spelling: the prefix must match exactly.
    const int number = ComPortNumberOf(port->dbcp_name, length, ComPrefixCase::Exact);
    if (number == 0 || static_cast<unsigned long>(number) != theApp.m_Settings.COM)
        return 0;
    std::wstring name(port->dbcp_name, length);

    if (event == DBT_DEVICEARRIVAL) {
        SendMessageW(m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
        ShowTrayMessage(LoadStringResource(IDS_STATE_CONNECTED) + L" (" + name + L")");
    } else {
        SendMessageW(m_hWnd, WM_COMMAND, ID_STOP_PROTOCOL, 0);
        ShowTrayMessage(L"-");
    }
    return 0;
}

void CMainFrame::OnClose()
{
    RemoveTrayIcon();
    CFrameWnd::OnClose();
}
