// The program's main window with the real protocol control embedded in its form, run against the
// terminal simulator on the virtual serial line: the Start command reaches the control through
// COM, and the control's events come back into the status log and the state line.
#include "MainFrame.h"
#include "Wexlink32App.h"
#include "Wexlink32View.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

#include "MessagePump.h"
#include "PortDevice.h"
#include "SimClockCommands.h"
#include "SimListingCommands.h"
#include "SimReceiveCommands.h"
#include "SimTransmitCommands.h"
#include "TempFolder.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"
#include "ViewReadout.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <memory>

#include <string>
#include <vector>

using namespace hosttest;

namespace {

// OLE for the whole program, as the application has it: the control's library then stays loaded
// from the first test to the last, which is also what the program sees.
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};
const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

class ProtocolSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(m_line));
        m_port = std::make_unique<CPortDevice>(m_line.pcPort);
        ASSERT_TRUE(m_port->IsAdded());

        theApp.m_TaskList.clear();
        theApp.m_Settings = CTarvexSettings();
        theApp.m_Settings.COM = static_cast<unsigned>(m_line.pcPort);
        theApp.m_Settings.IrDA = 0;
        theApp.m_Settings.ProtocolType = 1;  // end after one successful session
        theApp.m_Settings.ProtocolTimes = 1;
        CMessageBox::SetHandler([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            m_questions.push_back(text);
            return IDYES;
        });

        CFrameWnd::CreateContext context{nullptr, [this] {
                                             m_view = new CWexlink32View;
                                             return m_view;
                                         }};
        m_frame = new CMainFrame;
        ASSERT_TRUE(m_frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, &context));
        m_view->OnInitialUpdate();
        ShowWindow(m_frame->m_hWnd, SW_SHOW);
    }

    void TearDown() override
    {
        if (m_frame != nullptr && IsWindow(m_frame->m_hWnd))
            DestroyWindow(m_frame->m_hWnd);
        m_terminal.Stop();
        CMessageBox::SetHandler(nullptr);
        theApp.m_TaskList.clear();
        m_port.reset();
    }

    bool RunsUntilTheProtocolEnds(DWORD timeoutMs)
    {
        return PumpUntil([this] { return m_view->IsProtocolRunning() == 0; }, timeoutMs);
    }

    std::vector<std::wstring> Log() const { return LogTexts(*m_view); }
    std::wstring StateText() const { return StateLineText(*m_view); }

    VirtualLine m_line;
    std::unique_ptr<CPortDevice> m_port;
    CTerminalSimulator m_terminal;
    CMainFrame* m_frame = nullptr;
    CWexlink32View* m_view = nullptr;
    std::vector<std::wstring> m_questions;
};

TEST_F(ProtocolSessionTest, TheControlTakesThePlaceholdersPlaceInTheForm)
{
    ASSERT_TRUE(m_view->m_wexlinkCtl.HasControl()) << "is Wexlink.dll registered?";
    HWND control = GetDlgItem(m_view->m_hWnd, IDC_WEXLINKCTL);
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(control, m_view->m_wexlinkCtl.m_hWnd);
    wchar_t className[64] = L"";
    GetClassNameW(control, className, 64);
    EXPECT_STRNE(L"Static", className) << "the placeholder is gone";
    EXPECT_TRUE(Log().empty());
}

TEST_F(ProtocolSessionTest, StartRunsASessionAndTheEventsReachTheLogAndTheStateLine)
{
    SimTerminalConfig config;
    config.terminalId = 0x012345;
    m_terminal.SetConfig(config);
    ASSERT_TRUE(m_terminal.Start(m_line.terminalPort));

    SendMessageW(m_frame->m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
    EXPECT_EQ(1u, m_questions.size()) << "an empty task list is asked about";
    EXPECT_EQ(1, m_view->IsProtocolRunning());
    ASSERT_TRUE(RunsUntilTheProtocolEnds(30000));

    EXPECT_EQ((std::vector<std::wstring>{L"Aborted after 1 times successful communication.",
                                         L"Communication session complete.", L"Terminal Wexlink protocol version 1.01",
                                         L"Connected, Session / Terminal ID: 74565"}),
              Log());
    EXPECT_EQ(L"Idle", StateText());
    EXPECT_EQ(74565, m_view->GetTerminalId());
    EXPECT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, SimWire::kEndSession, 1, 2000));
}

TEST_F(ProtocolSessionTest, AReceiveTaskFetchesEveryListedFileAndTheNextTaskFollows)
{
    RegisterListingCommands(m_terminal);
    RegisterReceiveCommands(m_terminal);
    m_terminal.Files().Put(2, "A.DAT", SimBytes(300, 'a'));
    m_terminal.Files().Put(2, "B,C.DAT", SimBytes(5, 'b'));
    m_terminal.Files().Put(2, "NOTES.TXT", SimBytes(7, 'n'));
    ASSERT_TRUE(m_terminal.Start(m_line.terminalPort));

    TempFolder folder;
    // Received names: the terminal file's base name and the terminal ID, then its extension.
    theApp.m_TaskList = {CWexlinkObj(folder.Path(), 1, L"*.DAT", 2, false, true, true, false, 0, false, 0, 0),
                         CWexlinkObj(taskListFiles, L"*.TXT", 2)};
    SendMessageW(m_frame->m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
    EXPECT_TRUE(m_questions.empty());
    ASSERT_TRUE(RunsUntilTheProtocolEnds(60000));

    EXPECT_EQ(std::string(300, 'a'), ReadTextFile(folder.File(L"A74565.DAT")));
    EXPECT_EQ("bbbbb", ReadTextFile(folder.File(L"B,C74565.DAT"))) << "a comma in a terminal name";
    const std::vector<std::wstring> log = Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(L"Aborted after 1 times successful communication.", log[0]);
    EXPECT_EQ(L"Communication session complete.", log[1]);
    EXPECT_EQ(L"File listing complete.", log[2]);
    EXPECT_EQ(L"NOTES.TXT, 7 bytes.", log[3]);
    for (const std::wstring& line : log)
        EXPECT_EQ(std::wstring::npos, line.find(L"*.DAT")) << "the receive task's listing is not logged: " << line;
    EXPECT_EQ(2, m_view->Dispatcher().CurrentTask());
}

TEST_F(ProtocolSessionTest, AHostileListingSkipsNamesThatAreNoPcFilesAndReceivesTheRest)
{
    RegisterListingCommands(m_terminal);
    RegisterReceiveCommands(m_terminal);
    RegisterClockCommands(m_terminal);
    // Devices with and without an extension, and names the file system cannot store. The host
    // refuses them before the control is asked, so no device of this machine is ever opened.
    const std::vector<std::string> hostile = {
        "NUL", "CON.TXT", "AUX", "PRN.X", "COM1", "lpt1.DAT", ".", "A*", "B?", std::string("C\x01"), "D.", "E "};
    for (const std::string& name : hostile)
        m_terminal.Files().Put(2, name, SimBytes(4, 'x'));
    m_terminal.Files().Put(2, "GOOD.TXT", SimBytes(6, 'g'));
    m_terminal.Files().Put(2, "ZZ.DAT", SimBytes(3, 'z'));
    ASSERT_TRUE(m_terminal.Start(m_line.terminalPort));

    TempFolder folder;
    // Received names: the terminal file's own name.
    theApp.m_TaskList = {CWexlinkObj(folder.Path(), 1, L"*", 2, false, true, false, false, 0, false, 0, 0),
                         CWexlinkObj(taskGetOSVersion)};
    SendMessageW(m_frame->m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
    ASSERT_TRUE(RunsUntilTheProtocolEnds(60000));

    EXPECT_EQ("gggggg", ReadTextFile(folder.File(L"GOOD.TXT")));
    EXPECT_EQ("zzz", ReadTextFile(folder.File(L"ZZ.DAT"))) << "listed after every hostile name";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder.File(L"*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::vector<std::wstring> stored;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            stored.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(2u, stored.size());

    const std::vector<std::wstring> log = Log();
    size_t skipped = 0;
    for (const std::wstring& line : log) {
        if (line.compare(0, 14, L"Terminal file ") == 0 &&
            line.find(L" skipped: its PC file name ") != std::wstring::npos)
            ++skipped;
        EXPECT_EQ(std::wstring::npos, line.find(L"NUL stored")) << line;
    }
    EXPECT_EQ(hostile.size(), skipped);
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(),
                                   L"Terminal file NUL skipped: its PC file name NUL is a device, not a file."));
    EXPECT_NE(log.end(),
              std::find(log.begin(), log.end(), L"Received file ZZ.DAT stored as " + folder.File(L"ZZ.DAT")));
    EXPECT_EQ(0u, log[2].find(L"OS version: ")) << "the next task ran: " << log[2];
}

TEST_F(ProtocolSessionTest, ATransmitTaskSendsAFileWithALongNameUnderATerminalName)
{
    RegisterTransmitCommands(m_terminal);
    RegisterClockCommands(m_terminal);
    ASSERT_TRUE(m_terminal.Start(m_line.terminalPort));

    TempFolder folder;
    const std::wstring file = folder.File(L"monthly report.text");
    WriteTextFile(file, "report");
    theApp.m_TaskList = {CWexlinkObj(file, 2, false), CWexlinkObj(taskGetOSVersion)};
    SendMessageW(m_frame->m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
    ASSERT_TRUE(RunsUntilTheProtocolEnds(60000));

    const std::vector<std::string> names = m_terminal.Files().Names(2);
    ASSERT_EQ(1u, names.size()) << "the control refused the name, or the transfer failed";
    SimBytes data;
    ASSERT_TRUE(m_terminal.Files().Get(2, names[0], data));
    EXPECT_EQ("report", std::string(data.begin(), data.end()));
    const std::vector<std::wstring> log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(L"Communication session complete.", log[1]);
    EXPECT_EQ(0u, log[2].find(L"OS version: ")) << log[2];
}

TEST_F(ProtocolSessionTest, ClosingTheWindowDuringARunStopsItAndFreesThePort)
{
    // No terminal answers: the control polls until it is stopped.
    theApp.m_Settings.ProtocolType = 0;
    SendMessageW(m_frame->m_hWnd, WM_COMMAND, ID_START_PROTOCOL, 0);
    ASSERT_EQ(1, m_view->IsProtocolRunning());
    PumpUntil([] { return false; }, 500);

    const DWORD start = GetTickCount();
    DestroyWindow(m_frame->m_hWnd);
    m_frame = nullptr;
    EXPECT_LT(GetTickCount() - start, 6000u);

    // The run has ended when the port can be opened again.
    const std::wstring port = VirtualLine::DevicePath(m_line.pcPort);
    HANDLE handle = INVALID_HANDLE_VALUE;
    PumpUntil(
        [&] {
        handle = CreateFileW(port.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return handle != INVALID_HANDLE_VALUE;
        },
        5000);
    EXPECT_NE(INVALID_HANDLE_VALUE, handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

}  // namespace
