// The program's main window, run in this process through the application object: start-up with
// its settings file and single-instance guard, exit, the frame's commands, the notification area,
// device changes, the progress bar and language libraries. Message boxes, file dialogs and the
// shell's notification icon are answered by the tests; the view records the control calls.
#include "AppLoop.h"
#include "CancelTimer.h"
#include "MainFrame.h"
#include "TempFolder.h"
#include "Wexlink32App.h"
#include "Wexlink32View.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/InstanceChecker.h"

#include <gtest/gtest.h>

#include <dbt.h>
#include <stdexcept>
#include <string>
#include <vector>

using namespace hosttest;

namespace {

struct ShownMessage {
    std::wstring text;
    std::wstring caption;
    UINT type;
};

struct NotifyCall {
    DWORD message;
    std::wstring balloon;
};

std::vector<NotifyCall> g_notifyCalls;
BOOL g_notifyResult = TRUE;

BOOL WINAPI RecordNotifyIcon(DWORD message, NOTIFYICONDATAW* data)
{
    g_notifyCalls.push_back({message, (data->uFlags & NIF_INFO) ? data->szInfo : L""});
    return g_notifyResult;
}

// The view without its protocol control: records what the frame asks of it.
class RecordingView : public CWexlink32View {
public:
    HRESULT CreateProtocolControl() override { return S_OK; }
    void PutComport(short port) override { calls.push_back(L"Comport=" + std::to_wstring(port)); }
    void PutBaudrate(long baudrate) override { calls.push_back(L"Baudrate=" + std::to_wstring(baudrate)); }
    void PutIrDADevice(long device) override { calls.push_back(L"IrDADevice=" + std::to_wstring(device)); }
    short StartProtocol(long type, short times) override
    {
        calls.push_back(L"StartProtocol(" + std::to_wstring(type) + L"," + std::to_wstring(times) + L")");
        return 0;
    }
    void StopProtocol() override
    {
        calls.push_back(L"StopProtocol");
        if (throwOnStop)
            throw std::runtime_error("control failed");
    }
    short IsProtocolRunning() override
    {
        if (throwOnQuery)
            throw std::runtime_error("control failed");
        return running ? 1 : 0;
    }
    // The view comes first among the command targets.
    bool OnCommand(UINT id) override
    {
        if (id != ID_NEXT_PANE)
            return CWexlink32View::OnCommand(id);
        calls.push_back(L"NextPane");
        return true;
    }

    std::vector<std::wstring> calls;
    bool running = false;
    bool throwOnStop = false;
    bool throwOnQuery = false;
};

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd, text, 256);
    return text;
}

std::wstring MenuText(HMENU menu, int position)
{
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

std::wstring DefaultSettingsFile()
{
    return theApp.GetSettingsFolder() + L"\\TarvexSt.CFG";
}

std::wstring LanguageSettingsFile()
{
    return theApp.GetSettingsFolder() + L"\\TarvexLang.CFG";
}

std::wstring ProfileValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[256] = L"";
    GetPrivateProfileStringW(section, key, L"<missing>", value, 256, file.c_str());
    return value;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(DefaultSettingsFile().c_str());
        DeleteFileW(LanguageSettingsFile().c_str());
        theApp.m_Settings = CTarvexSettings();
        theApp.m_TaskList.clear();
        theApp.m_createView = [this] {
            m_view = new RecordingView;
            return m_view;
        };
        CMessageBox::SetHandler([this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
            m_messages.push_back({text, caption, type});
            return m_answer;
        });
        CFileDialog::SetHandler([this](CFileDialog& dialog) -> INT_PTR {
            if (m_chosenFile.empty())
                return IDCANCEL;
            dialog.m_pathName = m_chosenFile;
            return IDOK;
        });
        g_notifyCalls.clear();
        g_notifyResult = TRUE;
        CMainFrame::s_notifyIcon = &RecordNotifyIcon;
    }

    void TearDown() override
    {
        if (m_started)
            Exit();
        CMessageBox::SetHandler(nullptr);
        CFileDialog::SetHandler(nullptr);
        CMainFrame::s_notifyIcon = &Shell_NotifyIconW;
        DeleteFileW(LanguageSettingsFile().c_str());
    }

    bool Start(const std::wstring& arguments = std::wstring())
    {
        theApp.m_commandLine = L"\"Wexlink32.exe\"" + (arguments.empty() ? std::wstring() : L" " + arguments);
        m_started = true;
        if (!theApp.InitInstance())
            return false;
        PumpApp(300);
        return true;
    }

    void Exit()
    {
        CloseApp();
        m_started = false;
        m_view = nullptr;
    }

    HWND MainWindow() const { return theApp.MainWindowHandle(); }
    CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(theApp.m_pMainWnd); }
    void Command(UINT id) { SendMessageW(MainWindow(), WM_COMMAND, id, 0); }

    void AddTask()
    {
        CWexlinkObj task;
        task.ComOption = taskListFiles;
        task.TerminalFile = L"*.DAT";
        theApp.m_TaskList.push_back(task);
    }

    void SendPortChange(WPARAM event, const wchar_t* name)
    {
        struct {
            DEV_BROADCAST_PORT_W port;
            wchar_t room[16];
        } record = {};
        record.port.dbcp_size = sizeof(record);
        record.port.dbcp_devicetype = DBT_DEVTYP_PORT;
        wcscpy(record.port.dbcp_name, name);
        SendMessageW(MainWindow(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
    }

    std::wstring StateLine() const { return WindowText(m_view->StateLine); }

    RecordingView* m_view = nullptr;
    std::vector<ShownMessage> m_messages;
    int m_answer = IDYES;
    std::wstring m_chosenFile;
    bool m_started = false;
};

TEST_F(MainWindowTest, ComesUpWithItsMenuStatusBarAndIdleState)
{
    ASSERT_TRUE(Start());
    HWND main = MainWindow();
    ASSERT_NE(nullptr, main);
    EXPECT_TRUE(IsWindowVisible(main));
    // The whole form shows above the status bar, even where the system's default size is smaller.
    RECT view;
    GetClientRect(m_view->m_hWnd, &view);
    EXPECT_GE(view.bottom, m_view->GetTotalSize().cy);
    EXPECT_GE(view.right, m_view->GetTotalSize().cx);
    EXPECT_EQ(L"Untitled - Wexlink32", WindowText(main));

    HMENU menu = GetMenu(main);
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(4, GetMenuItemCount(menu));
    EXPECT_EQ(L"&File", MenuText(menu, 0));
    EXPECT_EQ(L"Options", MenuText(menu, 1));
    EXPECT_EQ(L"Language", MenuText(menu, 2));
    EXPECT_EQ(L"&Help", MenuText(menu, 3));
    EXPECT_EQ(L"Start Protocol", MenuText(GetSubMenu(menu, 1), 0));

    // No sizing and no maximising.
    HMENU system = GetSystemMenu(main, FALSE);
    EXPECT_EQ(-1, static_cast<int>(GetMenuState(system, SC_SIZE, MF_BYCOMMAND)));
    EXPECT_EQ(-1, static_cast<int>(GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND)));
    EXPECT_EQ(0, GetWindowLongPtrW(main, GWL_STYLE) & WS_MAXIMIZEBOX);

    CStatusBar& bar = Frame()->m_wndStatusBar;
    ASSERT_NE(nullptr, bar.m_hWnd);
    EXPECT_EQ(2, bar.GetPaneCount());
    EXPECT_EQ(L"For Help, press F1", bar.GetPaneText(0));
    EXPECT_EQ(L"Idle", StateLine());
}

TEST_F(MainWindowTest, MenuPromptsShowInTheStatusBarAndTheIdleTextReturns)
{
    ASSERT_TRUE(Start());
    HMENU options = GetSubMenu(GetMenu(MainWindow()), 1);
    SendMessageW(MainWindow(), WM_MENUSELECT, MAKEWPARAM(ID_START_PROTOCOL, MF_STRING),
                 reinterpret_cast<LPARAM>(options));
    EXPECT_EQ(L"Start Wexlink Protocol", Frame()->m_wndStatusBar.GetPaneText(0));
    SendMessageW(MainWindow(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    PumpApp(100);
    EXPECT_EQ(L"For Help, press F1", Frame()->m_wndStatusBar.GetPaneText(0));
}

TEST_F(MainWindowTest, TheCommandLineFileGivesTheSettingsAndTheTitle)
{
    TempFolder temp;
    const std::wstring file = temp.File(L"site.wxf");
    WriteTextFile(file, "[RS232]\r\nCOM=7\r\nBaudrate=9600\r\n[WEXLINK]\r\nProtocolTasks=2\r\n");
    ASSERT_TRUE(Start(file));
    EXPECT_EQ(7u, theApp.m_Settings.COM);
    EXPECT_EQ(9600u, theApp.m_Settings.Baudrate);
    EXPECT_EQ(2u, theApp.m_TaskList.size());
    EXPECT_EQ(L"site.wxf - Wexlink32", WindowText(MainWindow()));
}

TEST_F(MainWindowTest, ExitSavesTheSettingsIntoTheDefaultFile)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.COM = 9;
    theApp.m_Settings.SingleInstance = true;
    AddTask();
    Exit();

    const std::wstring file = DefaultSettingsFile();
    EXPECT_EQ(L"9", ProfileValue(file, L"RS232", L"COM"));
    EXPECT_EQ(L"1", ProfileValue(file, L"WEXLINK", L"ProtocolTasks"));
    EXPECT_EQ(L"*.DAT", ProfileValue(file, L"Task0", L"TerminalFile"));
    EXPECT_EQ(L"0", ProfileValue(file, L"GLOBAL", L"SingleIntance")) << "never kept in the default file";
    EXPECT_TRUE(theApp.m_TaskList.empty());
}

TEST_F(MainWindowTest, TheEndOfTheUsersSessionSavesTheSettingsOnce)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.COM = 11;
    AddTask();
    // The system ends the process soon after this message: the loop never gets to its exit step.
    SendMessageW(MainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::wstring file = DefaultSettingsFile();
    EXPECT_EQ(L"11", ProfileValue(file, L"RS232", L"COM"));
    EXPECT_EQ(L"1", ProfileValue(file, L"WEXLINK", L"ProtocolTasks"));

    // Should the loop still come to its end, it does not save again (the task list is empty now).
    PostQuitMessage(0);
    theApp.Run();
    m_started = false;
    EXPECT_EQ(L"1", ProfileValue(file, L"WEXLINK", L"ProtocolTasks"));
}

TEST_F(MainWindowTest, AnExitWithoutASettingsFolderWritesNoFile)
{
    // What a start-up that failed before loading the settings leaves behind.
    theApp.m_SettingsFolder.clear();
    DeleteFileW(L"\\TarvexSt.CFG");
    theApp.ExitInstance();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"\\TarvexSt.CFG"));
}

TEST_F(MainWindowTest, ASecondInstanceIsRefusedAndStillSavesWhatItLoaded)
{
    wchar_t name[MAX_PATH];
    CInstanceChecker().GetMutexName(name);
    HANDLE firstInstance = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(nullptr, firstInstance);

    // Without a command-line file the guard is not asked.
    ASSERT_TRUE(Start());
    EXPECT_TRUE(m_messages.empty());
    Exit();

    TempFolder temp;
    const std::wstring file = temp.File(L"single.wxf");
    WriteTextFile(file, "[GLOBAL]\r\nSingleIntance=1\r\n[RS232]\r\nCOM=5\r\n");
    EXPECT_FALSE(Start(file));
    EXPECT_EQ(nullptr, MainWindow());
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(L"Application already running!", m_messages[0].text);
    EXPECT_EQ(L"Information", m_messages[0].caption);
    EXPECT_EQ(0x40040u, m_messages[0].type);

    Exit();
    EXPECT_EQ(L"5", ProfileValue(DefaultSettingsFile(), L"RS232", L"COM"));
    CloseHandle(firstInstance);
}

TEST_F(MainWindowTest, ExportAndImportRoundTripAndSaveLeavesTheFileAlone)
{
    ASSERT_TRUE(Start());
    TempFolder temp;
    m_chosenFile = temp.File(L"exported.wxf");
    theApp.m_Settings.COM = 4;
    theApp.m_Settings.RunAtStart = true;
    AddTask();
    AddTask();
    Command(ID_EXPORT);
    EXPECT_EQ(L"exported.wxf - Wexlink32", WindowText(MainWindow()));
    const std::string exported = ReadTextFile(m_chosenFile);
    ASSERT_FALSE(exported.empty());

    theApp.m_Settings = CTarvexSettings();
    theApp.m_TaskList.clear();
    Command(ID_IMPORT);
    EXPECT_EQ(4u, theApp.m_Settings.COM);
    EXPECT_TRUE(theApp.m_Settings.RunAtStart);
    EXPECT_EQ(2u, theApp.m_TaskList.size());

    // The document's Save (Ctrl+S) must not empty the settings file it is named after.
    Command(ID_FILE_SAVE);
    EXPECT_EQ(exported, ReadTextFile(m_chosenFile));

    // A cancelled dialog changes nothing.
    m_chosenFile.clear();
    theApp.m_Settings.COM = 6;
    Command(ID_IMPORT);
    EXPECT_EQ(6u, theApp.m_Settings.COM);
    EXPECT_TRUE(m_messages.empty());

    // An export that cannot be written (another program holds the file open for reading only)
    // says so and does not name the window after that file.
    m_chosenFile = temp.File(L"locked.wxf");
    WriteTextFile(m_chosenFile, "[RS232]\r\nCOM=2\r\n");
    HANDLE reader = CreateFileW(m_chosenFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    Command(ID_EXPORT);
    CloseHandle(reader);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(L"Unable to write " + m_chosenFile, m_messages[0].text);
    EXPECT_EQ(L"exported.wxf - Wexlink32", WindowText(MainWindow()));
    EXPECT_EQ(L"2", ProfileValue(m_chosenFile, L"RS232", L"COM"));
}

TEST_F(MainWindowTest, AnImportOfAFileThatIsNoReadableSettingsFileChangesNothingAndNamesTheFile)
{
    ASSERT_TRUE(Start());
    TempFolder temp;
    theApp.m_Settings.COM = 4;
    theApp.m_Settings.MinimizeToTray = true;
    AddTask();
    AddTask();
    const std::wstring title = WindowText(MainWindow());

    const std::wstring locked = temp.File(L"locked.wxf");
    WriteTextFile(locked, "[RS232]\r\nCOM=2\r\n");
    const std::wstring binary = temp.File(L"picture.wxf");
    WriteTextFile(binary, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20) + std::string(300, '\xff'));
    const std::wstring text = temp.File(L"notes.wxf");
    WriteTextFile(text, "Just some notes\r\nCOM=9\r\n");

    // Another program holds the file open and shares nothing.
    HANDLE holder =
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const struct {
        std::wstring file;
        std::wstring message;
    } cases[] = {
        {locked, L"Unable to read the settings file " + locked + L". The settings are unchanged."},
        {temp.Path(), L"Unable to read the settings file " + temp.Path() + L". The settings are unchanged."},
        {binary, L"The file " + binary + L" is not a settings file. The settings are unchanged."},
        {text, L"The file " + text + L" is not a settings file. The settings are unchanged."},
    };
    for (const auto& c : cases) {
        m_messages.clear();
        m_chosenFile = c.file;
        Command(ID_IMPORT);
        ASSERT_EQ(1u, m_messages.size()) << c.file;
        EXPECT_EQ(c.message, m_messages[0].text);
        EXPECT_EQ(L"Error", m_messages[0].caption);
        EXPECT_EQ(4u, theApp.m_Settings.COM) << c.file;
        EXPECT_TRUE(theApp.m_Settings.MinimizeToTray);
        EXPECT_EQ(2u, theApp.m_TaskList.size());
        EXPECT_EQ(title, WindowText(MainWindow())) << "the window is not named after the file";
    }
    CloseHandle(holder);

    // Once readable, the same file imports; the exit then saves what it held.
    m_messages.clear();
    m_chosenFile = locked;
    Command(ID_IMPORT);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(2u, theApp.m_Settings.COM);
    Exit();
    EXPECT_EQ(L"2", ProfileValue(DefaultSettingsFile(), L"RS232", L"COM"));
}

TEST_F(MainWindowTest, DefaultSettingsAskFirstAndWriteNothing)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.COM = 8;
    theApp.m_Settings.MinimizeToTray = true;
    AddTask();

    m_answer = IDNO;
    Command(ID_DEFAULT_SETTINGS);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(L"Are you sure you want to change the settings to default?", m_messages[0].text);
    EXPECT_EQ(L"Warning", m_messages[0].caption);
    EXPECT_EQ(8u, theApp.m_Settings.COM);

    m_answer = IDYES;
    Command(ID_DEFAULT_SETTINGS);
    EXPECT_EQ(1u, theApp.m_Settings.COM);
    EXPECT_EQ(115200u, theApp.m_Settings.Baudrate);
    EXPECT_FALSE(theApp.m_Settings.MinimizeToTray);
    EXPECT_TRUE(theApp.m_Settings.MessagesWhileInTray);
    EXPECT_TRUE(theApp.m_TaskList.empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DefaultSettingsFile().c_str()));
}

TEST_F(MainWindowTest, CommunicationSettingsOpensTheTreeSheetAndOkKeepsThePagesChanges)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.RunAtStart = false;
    std::wstring caption, okText, cancelText, firstItem;
    bool mainDisabled = false;
    bool nestedOwner = false;
    bool applyShown = true;
    SetModalHook([&](HWND sheet) {
        SetTimer(sheet, 1, 5000, &CancelWindowOnTimer);
        caption = WindowText(sheet);
        okText = WindowText(GetDlgItem(sheet, IDOK));
        cancelText = WindowText(GetDlgItem(sheet, IDCANCEL));
        HWND apply = GetDlgItem(sheet, 0x3021);
        applyShown = apply != nullptr && IsWindowVisible(apply);
        mainDisabled = !IsWindowEnabled(MainWindow());
        // A dialog opened from a page without a named owner belongs to the sheet.
        nestedOwner = DefaultModalOwner() == sheet;
        HWND tree = GetDlgItem(sheet, 0x7EEE);
        wchar_t text[64] = L"";
        TVITEMW item = {};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        firstItem = text;
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        SendMessageW(GetDlgItem(page, IDC_RUN_AT_START), BM_CLICK, 0, 0);
        PostMessageW(sheet, WM_COMMAND, IDOK, 0);
    });
    Command(ID_COMMUNICATION_SETTINGS);
    SetModalHook(nullptr);
    EXPECT_EQ(L"Communication options", caption);
    EXPECT_EQ(L"OK", okText);
    EXPECT_EQ(L"Cancel", cancelText);
    EXPECT_FALSE(applyShown);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(nestedOwner);
    EXPECT_EQ(L"Communication Settings", firstItem);
    EXPECT_TRUE(theApp.m_Settings.RunAtStart);
    EXPECT_TRUE(IsWindowEnabled(MainWindow()));
}

// The sheet is wider and taller than the main window: centred on a main window in the screen's
// top-left corner it would start above and left of the screen, out of reach.
TEST_F(MainWindowTest, CommunicationSettingsOfAMainWindowAtTheOriginOpensWithTitleBarAndTreeOnTheScreen)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.RunAtStart = false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(MainWindow(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT work = monitor.rcWork;
    ShowWindow(MainWindow(), SW_SHOWNORMAL);
    SetWindowPos(MainWindow(), nullptr, work.left, work.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT main = {};
    GetWindowRect(MainWindow(), &main);
    ASSERT_EQ(work.left, main.left);
    ASSERT_EQ(work.top, main.top);

    RECT sheetRect = {};
    RECT clientRect = {};
    RECT treeRect = {};
    SetModalHook([&](HWND sheet) {
        SetTimer(sheet, 1, 5000, &CancelWindowOnTimer);
        GetWindowRect(sheet, &sheetRect);
        GetClientRect(sheet, &clientRect);
        MapWindowPoints(sheet, nullptr, reinterpret_cast<POINT*>(&clientRect), 2);
        GetWindowRect(GetDlgItem(sheet, 0x7EEE), &treeRect);
        PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
    });
    Command(ID_COMMUNICATION_SETTINGS);
    SetModalHook(nullptr);

    ASSERT_GT(sheetRect.right - sheetRect.left, main.right - main.left);
    // The title bar: the band above the client area, across the whole sheet.
    EXPECT_GE(sheetRect.left, work.left);
    EXPECT_GE(sheetRect.top, work.top);
    EXPECT_LT(sheetRect.top, clientRect.top);
    EXPECT_LE(clientRect.top, work.bottom);
    if (sheetRect.right - sheetRect.left <= work.right - work.left) {
        EXPECT_LE(sheetRect.right, work.right);
    }
    ASSERT_LT(treeRect.left, treeRect.right);
    EXPECT_GE(treeRect.left, work.left);
    EXPECT_GE(treeRect.top, work.top);
    EXPECT_LE(treeRect.right, work.right);
    EXPECT_LE(treeRect.bottom, work.bottom);
    EXPECT_FALSE(theApp.m_Settings.RunAtStart);
}

TEST_F(MainWindowTest, StartHandsTheSettingsToTheControlAfterAskingAboutAnEmptyTaskList)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.COM = 3;
    theApp.m_Settings.Baudrate = 57600;
    theApp.m_Settings.IrDA = 2;
    theApp.m_Settings.ProtocolType = 1;
    theApp.m_Settings.ProtocolTimes = 5;

    m_answer = IDNO;
    Command(ID_START_PROTOCOL);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(L"No task has been set. Do you want to continue?", m_messages[0].text);
    EXPECT_EQ(L"Information", m_messages[0].caption);
    EXPECT_TRUE(m_view->calls.empty());
    EXPECT_EQ(L"Idle", StateLine());

    AddTask();
    Command(ID_START_PROTOCOL);
    EXPECT_EQ(1u, m_messages.size()) << "a task list is there: no question";
    EXPECT_EQ((std::vector<std::wstring>{L"Comport=3", L"Baudrate=57600", L"IrDADevice=2", L"StartProtocol(1,5)"}),
              m_view->calls);
    EXPECT_EQ(L"Polling", StateLine());
}

TEST_F(MainWindowTest, CommandsFollowWhetherTheProtocolRuns)
{
    ASSERT_TRUE(Start());
    AddTask();
    const UINT idleOnly[] = {ID_START_PROTOCOL, ID_COMMUNICATION_SETTINGS, ID_DEFAULT_SETTINGS, ID_EXPORT, ID_IMPORT,
                             ID_LANGUAGE};

    m_view->running = true;
    for (UINT id : idleOnly)
        EXPECT_FALSE(Frame()->IsCommandEnabled(id)) << id;
    EXPECT_TRUE(Frame()->IsCommandEnabled(ID_STOP_PROTOCOL));
    EXPECT_TRUE(Frame()->IsCommandEnabled(ID_CLEAR_STATUS_LOG));
    // A disabled command does nothing, also when the program sends it.
    Command(ID_START_PROTOCOL);
    Command(ID_DEFAULT_SETTINGS);
    EXPECT_TRUE(m_view->calls.empty());
    EXPECT_TRUE(m_messages.empty());
    Command(ID_STOP_PROTOCOL);
    EXPECT_EQ((std::vector<std::wstring>{L"StopProtocol"}), m_view->calls);

    m_view->running = false;
    m_view->calls.clear();
    for (UINT id : idleOnly)
        EXPECT_TRUE(Frame()->IsCommandEnabled(id)) << id;
    EXPECT_FALSE(Frame()->IsCommandEnabled(ID_STOP_PROTOCOL));
    Command(ID_STOP_PROTOCOL);
    EXPECT_TRUE(m_view->calls.empty());

    // The menu shows the same at idle time.
    PumpApp(100);
    HMENU options = GetSubMenu(GetMenu(MainWindow()), 1);
    EXPECT_FALSE(GetMenuState(options, ID_START_PROTOCOL, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(options, ID_STOP_PROTOCOL, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(MainWindowTest, AcceleratorKeysPressedInTheFormReachTheCommandTargets)
{
    ASSERT_TRUE(Start());
    HWND log = m_view->StatusLog.m_hWnd;
    SetFocus(log);
    PostMessageW(log, WM_KEYDOWN, VK_F6, 0);
    PumpApp(100);
    EXPECT_EQ((std::vector<std::wstring>{L"NextPane"}), m_view->calls);

    // The test language library has no accelerator table: the keys must keep working.
    Frame()->LoadLanguage(L"TestLanguage.DLL");
    ASSERT_EQ(L"TestLanguage.DLL", Frame()->GetCurrentLanguageFile());
    m_view->calls.clear();
    SetFocus(log);
    PostMessageW(log, WM_KEYDOWN, VK_F6, 0);
    PumpApp(100);
    EXPECT_EQ((std::vector<std::wstring>{L"NextPane"}), m_view->calls);
}

TEST_F(MainWindowTest, ClearStatusLogEmptiesTheLog)
{
    ASSERT_TRUE(Start());
    m_view->StatusLog.InsertString(0, L"line");
    Command(ID_CLEAR_STATUS_LOG);
    EXPECT_EQ(0, m_view->StatusLog.GetCount());
}

TEST_F(MainWindowTest, AFailingHandlerDoesNotTakeTheProgramDown)
{
    ASSERT_TRUE(Start());
    m_view->running = true;
    m_view->throwOnStop = true;
    Command(ID_STOP_PROTOCOL);
    EXPECT_TRUE(IsWindow(MainWindow()));

    // The menu's enabling asks the control at idle time, outside any window procedure.
    m_view->throwOnQuery = true;
    EXPECT_NO_THROW(PumpApp(100));
    m_view->throwOnQuery = false;
    EXPECT_TRUE(IsWindow(MainWindow()));
}

TEST_F(MainWindowTest, TheConfiguredPortArrivingStartsAndLeavingStops)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.COM = 3;
    AddTask();

    SendPortChange(DBT_DEVICEARRIVAL, L"COM13");
    SendPortChange(DBT_DEVICEARRIVAL, L"com3");
    SendPortChange(DBT_DEVICEARRIVAL, L"COM");
    SendPortChange(DBT_DEVICEREMOVEPENDING, L"COM3");
    EXPECT_TRUE(m_view->calls.empty());

    SendPortChange(DBT_DEVICEARRIVAL, L"COM3");
    ASSERT_EQ(4u, m_view->calls.size());
    EXPECT_EQ(L"Comport=3", m_view->calls[0]);

    // Running: a second arrival does not start again; removal stops.
    m_view->running = true;
    m_view->calls.clear();
    SendPortChange(DBT_DEVICEARRIVAL, L"COM3");
    EXPECT_TRUE(m_view->calls.empty());
    SendPortChange(DBT_DEVICEREMOVECOMPLETE, L"COM3");
    EXPECT_EQ((std::vector<std::wstring>{L"StopProtocol"}), m_view->calls);
    // Outside the notification area there are no balloons.
    EXPECT_TRUE(g_notifyCalls.empty());
}

TEST_F(MainWindowTest, MinimisingGoesIntoTheNotificationAreaAndAClickBringsItBack)
{
    theApp.m_Settings.MinimizeToTray = true;
    ASSERT_TRUE(Start());
    theApp.m_Settings.MinimizeToTray = true;
    theApp.m_Settings.COM = 2;
    AddTask();
    SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(Frame()->IsInTray());
    EXPECT_FALSE(IsWindowVisible(MainWindow()));
    ASSERT_EQ(1u, g_notifyCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_notifyCalls[0].message);
    EXPECT_EQ(L"Continues in the background", g_notifyCalls[0].balloon);

    // Device changes show balloons while the window sits there.
    SendPortChange(DBT_DEVICEARRIVAL, L"COM2");
    ASSERT_EQ(2u, g_notifyCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), g_notifyCalls[1].message);
    EXPECT_EQ(L"Connected (COM2)", g_notifyCalls[1].balloon);

    // A restarted shell gets the icon again, so the window can still be brought back.
    SendMessageW(MainWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(3u, g_notifyCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_notifyCalls[2].message);
    EXPECT_EQ(L"", g_notifyCalls[2].balloon);

    // Another icon's callback, or a mouse move, changes nothing.
    EXPECT_EQ(-1, SendMessageW(MainWindow(), CMainFrame::WM_TRAY_NOTIFY, 2, WM_LBUTTONDOWN));
    SendMessageW(MainWindow(), CMainFrame::WM_TRAY_NOTIFY, 1, WM_MOUSEMOVE);
    EXPECT_TRUE(Frame()->IsInTray());

    EXPECT_EQ(0, SendMessageW(MainWindow(), CMainFrame::WM_TRAY_NOTIFY, 1, WM_LBUTTONDOWN));
    EXPECT_FALSE(Frame()->IsInTray());
    EXPECT_TRUE(IsWindowVisible(MainWindow()));
    EXPECT_FALSE(IsIconic(MainWindow()));
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), g_notifyCalls.back().message);

    // Out of the notification area a restarted shell gets no icon.
    const size_t calls = g_notifyCalls.size();
    SendMessageW(MainWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(calls, g_notifyCalls.size());
}

TEST_F(MainWindowTest, WithoutAnIconTheWindowIsNotLeftHidden)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.MinimizeToTray = true;
    g_notifyResult = FALSE;
    SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_EQ(1u, m_messages.size());
    EXPECT_EQ(L"Unable to set tray icon", m_messages[0].text);
    EXPECT_EQ(L"Error", m_messages[0].caption);
    EXPECT_FALSE(Frame()->IsInTray());
    EXPECT_TRUE(IsWindowVisible(MainWindow()));
}

TEST_F(MainWindowTest, MinimisingWithoutTheNotificationAreaKeepsTheTaskBarButton)
{
    ASSERT_TRUE(Start());
    theApp.m_Settings.MessagesWhileInTray = false;
    SendMessageW(MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(MainWindow()));
    EXPECT_TRUE(IsWindowVisible(MainWindow()));
    EXPECT_FALSE(Frame()->IsInTray());
    EXPECT_FALSE(Frame()->MessagesWhileInTray()) << "the copy is taken at every minimise";
    EXPECT_TRUE(g_notifyCalls.empty());
}

TEST_F(MainWindowTest, RunMinimizedAndRunAtStartMinimiseFirstThenStart)
{
    TempFolder temp;
    const std::wstring file = temp.File(L"auto.wxf");
    WriteTextFile(file, "[RS232]\r\nCOM=6\r\n[WEXLINK]\r\nRunAtStart=1\r\nRunMinimized=1\r\nMinimizeToTray=1\r\n"
                        "ProtocolTasks=1\r\n[Task0]\r\nComOption=0\r\n");
    ASSERT_TRUE(Start(file));
    EXPECT_TRUE(Frame()->IsInTray());
    ASSERT_FALSE(g_notifyCalls.empty());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_notifyCalls[0].message);
    ASSERT_EQ(4u, m_view->calls.size());
    EXPECT_EQ(L"Comport=6", m_view->calls[0]);
}

TEST_F(MainWindowTest, TheProgressBarFitsItsPaneAndFollowsIt)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    if (frame->m_progressBar.m_hWnd == nullptr) {
        // The bar comes with the first activation of the application, which the test display may not give.
        SendMessageW(MainWindow(), WM_ACTIVATEAPP, TRUE, 0);
    }
    HWND bar = frame->m_progressBar.m_hWnd;
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE);

    auto expectFitted = [&] {
        RECT pane;
        frame->m_wndStatusBar.GetItemRect(1, &pane);
        RECT placed;
        GetWindowRect(bar, &placed);
        MapWindowPoints(nullptr, frame->m_wndStatusBar.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
        int width = pane.right - pane.left;
        int height = pane.bottom - pane.top;
        EXPECT_EQ(pane.left, placed.left);
        EXPECT_EQ(pane.right + width / 10, placed.right);
        EXPECT_EQ(pane.top + height / 10, placed.top);
        EXPECT_EQ(pane.bottom - height / 10, placed.bottom);
    };
    PumpApp(100);
    expectFitted();
    EXPECT_EQ(L"", frame->m_wndStatusBar.GetPaneText(1)) << "the visible bar clears its pane";

    RECT window;
    GetWindowRect(MainWindow(), &window);
    SetWindowPos(MainWindow(), nullptr, 0, 0, window.right - window.left + 150, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    RedrawWindow(frame->m_wndStatusBar.m_hWnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpApp(100);
    expectFitted();
}

TEST_F(MainWindowTest, ALanguageLibraryReplacesMenuAndStrings)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    frame->LoadLanguage(L"TestLanguage.DLL");
    EXPECT_EQ(L"TestLanguage.DLL", frame->GetCurrentLanguageFile());
    EXPECT_EQ(L"&Datei", MenuText(GetMenu(MainWindow()), 0));
    EXPECT_EQ(L"Bereit", StateLine());
    EXPECT_EQ(L"Hilfe mit F1", frame->m_wndStatusBar.GetPaneText(0));
    EXPECT_EQ(L"Deutsch", LoadStringResource(IDS_LANGUAGE_NAME));

    // An absolute name is not loaded: back to the program's own resources.
    frame->LoadLanguage(theApp.m_ProgramFolder + L"\\Language\\TestLanguage.DLL");
    EXPECT_EQ(L"&File", MenuText(GetMenu(MainWindow()), 0));
    EXPECT_EQ(L"Idle", StateLine());
    EXPECT_EQ(L"English", LoadStringResource(IDS_LANGUAGE_NAME));
    EXPECT_NE(std::wstring::npos, frame->GetCurrentLanguageFile().find(theApp.m_ProgramFolder + L"\\"));

    // A missing library too.
    frame->LoadLanguage(L"TestLanguage.DLL");
    frame->LoadLanguage(L"Missing.DLL");
    EXPECT_EQ(L"&File", MenuText(GetMenu(MainWindow()), 0));

    // The language file lies where every user may write: a relative name with a path in it is not
    // followed out of the language folder, not even one that leads back to a real library.
    for (const wchar_t* name : {L"..\\Language\\TestLanguage.DLL", L"../Language/TestLanguage.DLL"}) {
        frame->LoadLanguage(name);
        EXPECT_EQ(L"&File", MenuText(GetMenu(MainWindow()), 0)) << name;
        EXPECT_EQ(L"English", LoadStringResource(IDS_LANGUAGE_NAME)) << name;
    }
}

TEST_F(MainWindowTest, TheConfiguredLanguageIsLoadedOnFirstActivation)
{
    WritePrivateProfileStringW(L"LANGUAGE", L"LANGFILE", L"TestLanguage.DLL", LanguageSettingsFile().c_str());
    ASSERT_TRUE(Start());
    if (GetActiveWindow() != MainWindow())
        SendMessageW(MainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(L"&Datei", MenuText(GetMenu(MainWindow()), 0));
    EXPECT_EQ(L"Bereit", StateLine());
    Exit();
    EXPECT_EQ(L"English", LoadStringResource(IDS_LANGUAGE_NAME)) << "the library goes with the window";
}

}  // namespace
