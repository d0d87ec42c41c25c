#include "Wexlink32App.h"

#include "AboutDlg.h"
#include "MainFrame.h"
#include "ThemeLibrary.h"
#include "UniqueHandle.h"
#include "Wexlink32Doc.h"
#include "Wexlink32View.h"
#include "framework/CommandLineInfo.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/CommandLineSplitter.h"
#include "util/IniFile.h"
#include "util/InstanceChecker.h"

#include <commctrl.h>
#include <shlwapi.h>

// The process-wide objects, constructed in this order before the program's entry point runs.
CInstanceChecker theInstanceChecker;
CWexlink32App theApp;
CThemeLibrary ThemeLibrary;

namespace {

const wchar_t kDefaultSettingsFile[] = L"\\TarvexSt.CFG";

// A folder (one dropped on the program, say) exists too, and so does a file that this user may not
// read or that another program keeps locked. Each reads as all defaults; the start then fails on
// it as a document, and the exit would write those defaults over the user's settings and tasks in
// the default settings file.
bool CanReadAsFile(const wchar_t* path)
{
    return CUniqueFileHandle(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr))
        .IsValid();
}

bool HasSettingsSection(const std::wstring& path)
{
    CIniFile ini;
    ini.SetPath(path);
    for (const std::wstring& section : ini.GetSectionNames())
        for (const wchar_t* known : {L"GLOBAL", L"RS232", L"WEXLINK"})
            if (_wcsicmp(section.c_str(), known) == 0)
                return true;
    return false;
}

}  // namespace

CWexlink32App::SettingsFileState CWexlink32App::CheckSettingsFile(const std::wstring& path)
{
    if (!PathFileExistsW(path.c_str()) || !CanReadAsFile(path.c_str()))
        return SettingsFileState::unreadable;
    // A file of another kind reads as all defaults, which would replace every setting and task.
    return HasSettingsSection(path) ? SettingsFileState::usable : SettingsFileState::notSettings;
}

CWexlink32App::CWexlink32App() : m_createView([] { return new CWexlink32View; }) {}

std::wstring CWexlink32App::SettingsFileFromCommandLine(const wchar_t* commandLine)
{
    CCommandLineSplitter words(commandLine);
    // A file of another kind (a document dropped on the program, say) would load as all defaults,
    // and the exit would save those over the user's settings in the default settings file.
    if (words.GetCount() != 2 || CheckSettingsFile(words.GetWord(1)) != SettingsFileState::usable)
        return std::wstring();
    return words.GetWord(1);
}

BOOL CWexlink32App::InitInstance()
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), 0xFF};
    InitCommonControlsEx(&classes);
    CWinApp::InitInstance();

    if (!InitOle()) {
        DoMessageBox(LoadStringResource(IDP_OLE_INIT_FAILED), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    EnableControlContainer();

    LoadSettings(SettingsFileFromCommandLine(m_commandLine.c_str()));

    if (m_Settings.SingleInstance && !theInstanceChecker.HasMutex() && !theInstanceChecker.ClaimInstance()) {
        CMessageBox::Show(nullptr, L"Application already running!", L"Information",
                          MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
        return FALSE;
    }

    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return std::make_unique<CWexlink32Doc>(); }, [] { return new CMainFrame; }, m_createView));

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine))
        return FALSE;

    HWND mainWindow = MainWindowHandle();
    if (m_Settings.RunMinimized)
        SendMessageW(mainWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else
        ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);

    if (m_Settings.RunAtStart)
        SendMessageW(mainWindow, WM_COMMAND, ID_START_PROTOCOL, 0);
    return TRUE;
}

bool CWexlink32App::OnCommand(UINT id)
{
    if (id != ID_APP_ABOUT)
        return CWinApp::OnCommand(id);
    OnAppAbout();
    return true;
}

bool CWexlink32App::HasCommandHandler(UINT id) const
{
    return id == ID_APP_ABOUT || CWinApp::HasCommandHandler(id);
}

void CWexlink32App::OnAppAbout()
{
    CAboutDlg about(MainWindowHandle());
    about.DoModal();
}

int CWexlink32App::ExitInstance()
{
    // A start-up that ended before the settings were loaded knows no settings folder: saving then
    // would write the defaults beside whatever path the empty folder name resolves to.
    if (!m_SettingsFolder.empty())
        SaveSettings(m_SettingsFolder + kDefaultSettingsFile);
    m_TaskList.clear();
    return CWinApp::ExitInstance();
}
