// The protocol view without the real control: an automation object in the control's place records
// every call the view makes, and the tests play the control's events into the view. Covered: the
// status texts with their words, which statuses are logged, the log's lines and its length, the
// order in which the dispatcher hands out the tasks (the receive listing included), balloons,
// progress, and the terminal names of transmitted files.
#include "DlgRecvFiles.h"
#include "MainFrame.h"
#include "NamelessDispatch.h"
#include "Wexlink32App.h"
#include "ViewReadout.h"
#include "Wexlink32View.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "control/StatusMessageTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hosttest;

namespace {

// Stands in for the control's automation interface. Each call is recorded as text:
// "DISPID(type:value,...)", with "put " before property writes.
class FakeControl : public CNamelessDispatch {
public:
    std::vector<std::wstring> calls;
    short running = 0;
    DISPID refused = 0;  // this call answers with a refusal code
    short refusalCode = OptionRefusal::BadTimeDate;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override
    {
        std::wstring call = (flags & DISPATCH_PROPERTYPUT) ? L"put " : L"";
        if ((flags & DISPATCH_PROPERTYPUT) &&
            (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            call += L"(unnamed) ";
        call += std::to_wstring(id) + L"(";
        for (UINT i = params->cArgs; i-- > 0;) {
            const VARIANT& arg = params->rgvarg[i];
            if (i + 1 != params->cArgs)
                call += L",";
            switch (V_VT(&arg)) {
            case VT_I2:
                call += L"i2:" + std::to_wstring(V_I2(&arg));
                break;
            case VT_I4:
                call += L"i4:" + std::to_wstring(V_I4(&arg));
                break;
            case VT_UI1:
                call += L"u1:" + std::to_wstring(V_UI1(&arg));
                break;
            case VT_BSTR:
                call += L"s:" + std::wstring(V_BSTR(&arg));
                break;
            default:
                call += L"?";
            }
        }
        calls.push_back(call + L")");
        if (result != nullptr) {
            V_VT(result) = VT_I2;
            V_I2(result) = id == 6 ? running : id == refused ? refusalCode : 0;
        }
        if (id == 5)
            running = 0;
        return S_OK;
    }
};

// The view without the embedded control.
class TestView : public CWexlink32View {
protected:
    HRESULT CreateProtocolControl() override { return S_OK; }
};

class ProtocolViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        theApp.m_TaskList.clear();
        theApp.m_Settings = CTarvexSettings();
        CFrameWnd::CreateContext context{nullptr, [this] {
                                             m_view = new TestView;
                                             return m_view;
                                         }};
        m_frame = new CMainFrame;
        ASSERT_TRUE(m_frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, &context));
        ASSERT_NE(nullptr, m_view);
        m_view->OnInitialUpdate();
        m_view->m_wexlinkCtl.AttachDispatch(&m_control);
    }

    void TearDown() override
    {
        if (m_frame != nullptr && IsWindow(m_frame->m_hWnd))
            DestroyWindow(m_frame->m_hWnd);  // deletes frame and view
        theApp.m_TaskList.clear();
    }

    std::vector<std::wstring> Log() const { return LogTexts(*m_view); }
    int CurrentTask() const { return m_view->Dispatcher().CurrentTask(); }
    std::wstring NewestLogText() const
    {
        std::vector<std::wstring> lines = Log();
        return lines.empty() ? std::wstring() : lines.front();
    }
    std::wstring StateText() const { return StateLineText(*m_view); }
    // Plays one StatusInformation event and returns the control calls it caused.
    std::vector<std::wstring> Status(short status, const std::wstring& message)
    {
        m_control.calls.clear();
        m_view->OnStatusInformation(status, message);
        return m_control.calls;
    }
    std::vector<std::wstring> Connect(long terminalId = 0x12345)
    {
        m_control.calls.clear();
        m_view->OnConnected(terminalId);
        return m_control.calls;
    }

    static CWexlinkObj ReceiveTask(const std::wstring& folder, const std::wstring& pattern, bool contOnNotAvail)
    {
        // Name: the terminal file's base name and the terminal ID, then the extension.
        return CWexlinkObj(folder, 1, pattern, 0, contOnNotAvail, true, true, false, 0, false, 0, 0);
    }

    using Calls = std::vector<std::wstring>;
    FakeControl m_control;
    CMainFrame* m_frame = nullptr;
    TestView* m_view = nullptr;
};

TEST_F(ProtocolViewTest, AConnectionWithoutTasksIsLoggedAndQueuesNothing)
{
    EXPECT_EQ(Calls{L"7()"}, Connect(74565));
    EXPECT_EQ(L"Connected, Session / Terminal ID: 74565", NewestLogText());
    EXPECT_EQ(L"Connected", StateText());
    EXPECT_EQ(74565, m_view->GetTerminalId());
    // With nothing to hand out, the session's end is only logged.
    EXPECT_TRUE(Status(StatusId::SessionComplete, L"Communication session complete.").empty());
    EXPECT_EQ(L"Communication session complete.", NewestLogText());
    EXPECT_EQ(L"Polling", StateText());
}

TEST_F(ProtocolViewTest, TasksRunInOrderEachStartedByTheCompletionOfTheOneBefore)
{
    theApp.m_TaskList = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(TimeDateFormat{12}),
                         CWexlinkObj(taskDeleteFiles, L"*.LOG", 1)};
    EXPECT_EQ((Calls{L"7()", L"13()"}), Connect());
    EXPECT_TRUE(Status(StatusId::GetOsVersion, L"Get terminal OS version.").empty());
    EXPECT_EQ((Calls{L"8(i4:12)"}), Status(StatusId::OsVersion, L"OS version: 3.10."));
    EXPECT_EQ(L"OS version: 3.10", NewestLogText());
    EXPECT_TRUE(Status(StatusId::GetTimeDate, L"Receive time and date from terminal.").empty());
    // The clock as the control wrote it, with its blanks and dots.
    EXPECT_EQ((Calls{L"16(s:*.LOG,i2:1)"}), Status(StatusId::TimeDate, L"14:07:09 05.03.2024"));
    EXPECT_EQ(L"14:07:09 05.03.2024", NewestLogText());
    Status(StatusId::DeleteFiles, L"Delete file(s) *.LOG.");
    Status(StatusId::FileDeleted, L"A.LOG deleted.");
    EXPECT_TRUE(Status(StatusId::DeletingComplete, L"Deleting file(s) complete.").empty());
    EXPECT_EQ(3, CurrentTask()) << "not wrapped";
    EXPECT_TRUE(Status(StatusId::SessionComplete, L"Communication session complete.").empty());
    std::vector<std::wstring> lines = Log();
    lines.resize(4);
    EXPECT_EQ((std::vector<std::wstring>{L"Communication session complete.", L"Deleting file(s) complete.",
                                         L"A.LOG deleted.", L"Delete file(s) *.LOG"}),
              lines);
}

TEST_F(ProtocolViewTest, AnErrorEndsTheSessionsTasksAndTheNextConnectionStartsAgain)
{
    theApp.m_TaskList = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(taskGetApplicationVersion)};
    Connect();
    EXPECT_TRUE(Status(StatusId::NoResponse, L"No response from terminal.").empty());
    EXPECT_EQ(L"No response from terminal", NewestLogText());
    EXPECT_TRUE(Status(StatusId::NotSucceededAfterRetries, L"Not succeeded after retries.").empty());
    EXPECT_EQ(L"Polling", StateText());
    EXPECT_EQ((Calls{L"7()", L"13()"}), Connect());
    EXPECT_EQ(0, CurrentTask());
}

TEST_F(ProtocolViewTest, AReceiveTaskQueuesOneReceivePerListedFileAndLogsNoListing)
{
    theApp.m_TaskList = {ReceiveTask(L"C:\\In", L"*.DAT", false), CWexlinkObj(taskGetApplicationVersion)};
    EXPECT_EQ((Calls{L"7()", L"15(s:*.DAT,i2:0)"}), Connect(77));
    const size_t logged = Log().size();

    EXPECT_TRUE(Status(StatusId::ListFiles, L"List file(s) *.DAT.").empty());
    EXPECT_TRUE(Status(StatusId::FilesFound, L"Total file(s) found is 2.").empty());
    EXPECT_EQ((Calls{L"11(s:C:\\In\\A77.DAT,i4:1,s:A.DAT,i2:0,u1:0)"}),
              Status(StatusId::ListedFile, L"A.DAT, 120 bytes."));
    // A comma belongs to the name: the file received is the one listed.
    EXPECT_EQ((Calls{L"11(s:C:\\In\\B,C77.DAT,i4:1,s:B,C.DAT,i2:0,u1:0)"}),
              Status(StatusId::ListedFile, L"B,C.DAT, 7 bytes."));
    EXPECT_EQ((Calls{L"14()"}), Status(StatusId::ListingComplete, L"File listing complete."));
    EXPECT_EQ(logged, Log().size()) << "the listing reports of a receive task are not logged";

    // The receive reports now count against the next task.
    EXPECT_TRUE(Status(StatusId::ReceiveFile, L"Receive file A.DAT from terminal.").empty());
    EXPECT_EQ(L"Receive file A.DAT from terminal.", NewestLogText());
    Status(StatusId::FileReceived, L"Received file A.DAT stored as C:\\In\\A77.DAT.");
    EXPECT_EQ(L"Received file A.DAT stored as C:\\In\\A77.DAT", NewestLogText());
    EXPECT_EQ(1, CurrentTask());
}

TEST_F(ProtocolViewTest, AListedFileThatIsGoneWhenReceivedDoesNotSkipTheNextReceiveTask)
{
    theApp.m_TaskList = {ReceiveTask(L"C:\\In", L"*.DAT", true), ReceiveTask(L"C:\\Log", L"*.LOG", false),
                         CWexlinkObj(taskGetOSVersion)};
    Connect(5);
    Status(StatusId::ListedFile, L"A.DAT, 1 bytes.");
    EXPECT_EQ((Calls{L"15(s:*.LOG,i2:0)"}), Status(StatusId::ListingComplete, L"File listing complete."));

    // The request for A.DAT runs first and finds the file gone; the second listing follows it.
    EXPECT_TRUE(Status(StatusId::ContinueNotAvailable, L"Continue session when file not available.").empty());
    EXPECT_EQ(L"Continue session when file not available.", NewestLogText());
    EXPECT_EQ(1, CurrentTask());
    EXPECT_EQ((Calls{L"11(s:C:\\Log\\B5.LOG,i4:1,s:B.LOG,i2:0,u1:0)"}),
              Status(StatusId::ListedFile, L"B.LOG, 2 bytes."));
    EXPECT_EQ((Calls{L"13()"}), Status(StatusId::ListingComplete, L"File listing complete."));

    // Once the requests are done, a transmit's own "continue" report moves the list on as before.
    Status(StatusId::FileReceived, L"Received file B.LOG stored as C:\\Log\\B5.LOG.");
    // The task in hand becomes a transmit.
    theApp.m_TaskList[2] = CWexlinkObj(L"C:\\gone.txt", 2, true);
    theApp.m_TaskList.push_back(CWexlinkObj(taskGetOSVersion));
    EXPECT_EQ((Calls{L"13()"}), Status(StatusId::ContinueNotAvailable, L"Continue session when file not available."));
}

TEST_F(ProtocolViewTest, AReceiveListingWithoutFilesContinuesOrStopsTheProtocol)
{
    theApp.m_TaskList = {ReceiveTask(L"C:\\In", L"*.DAT", true), CWexlinkObj(taskGetOSVersion)};
    Connect();
    EXPECT_TRUE(Status(StatusId::FilesFound, L"Total file(s) found is 0.").empty());
    EXPECT_EQ(L"Continue session when file not available.", NewestLogText());
    EXPECT_EQ((Calls{L"13()"}), Status(StatusId::ListingComplete, L"File listing complete."));

    theApp.m_TaskList[0].ContOnNotAvail = false;
    Connect();
    EXPECT_EQ((Calls{L"5()"}), Status(StatusId::FilesFound, L"Total file(s) found is 0."));
    EXPECT_EQ(L"Requested terminal file *.DAT is not available.", NewestLogText());
    Status(StatusId::UserAborted, L"User aborted the protocol.");
    EXPECT_EQ(L"Idle", StateText());
}

TEST_F(ProtocolViewTest, StatusTextsTakeTheControlsArgumentsByItsFixedTexts)
{
    struct Case {
        short status;
        const wchar_t* message;
        const wchar_t* text;
    };
    const Case cases[] = {
        {StatusId::Success, L"", L"Communication OK."},
        {StatusId::TerminalCannotOpenFile, L"Terminal cannot open/create file X.DAT.",
         L"Terminal cannot open/create file X.DAT"},
        {StatusId::FileReceived, L"Received file A.DAT stored as C:\\In\\A.DAT.",
         L"Received file A.DAT stored as C:\\In\\A.DAT"},
        {StatusId::FileTransmitted, L"File C:\\Out\\B.TXT stored in terminal as B.TXT.",
         L"File C:\\Out\\B.TXT stored in terminal as B.TXT"},
        {StatusId::ListedFile, L"A.DAT, 120 bytes.", L"A.DAT, 120 bytes."},
        {StatusId::VersionTooOld, L"Function not supported until Wexlink protocol version 1.01.",
         L"Function not supported until Wexlink protocol version 1.01"},
        // Names with blanks, commas and dots come out whole.
        {StatusId::ReceiveFile, L"Receive file MY FILE from terminal.", L"Receive file MY FILE from terminal."},
        {StatusId::FileReceived,
         L"Received file ORDERS.DAT stored as Z:\\My Data\\send\\a stored as b\\ORDERS_0007.DAT.",
         L"Received file ORDERS.DAT stored as Z:\\My Data\\send\\a stored as b\\ORDERS_0007.DAT"},
        {StatusId::FileTransmitted, L"File Z:\\My Data\\send\\a file.txt stored in terminal as AFILE.TXT.",
         L"File Z:\\My Data\\send\\a file.txt stored in terminal as AFILE.TXT"},
        {StatusId::TerminalCannotOpenFile, L"Terminal cannot open/create file C:\\a b.c.",
         L"Terminal cannot open/create file C:\\a b.c"},
        {StatusId::PcFolderMissing, L"The PC folder C:\\My Data\\ does not exist.",
         L"The PC folder C:\\My Data\\ does not exist."},
        {StatusId::PcFileCannotOpen, L"Cannot open/create PC file C:\\My Data\\x, y.DAT.",
         L"Cannot open/create PC file C:\\My Data\\x, y.DAT"},
        {StatusId::ListedFile, L"A, B.DAT, 120 bytes.", L"A, B.DAT, 120 bytes."},
        {StatusId::DeletingFiles, L"Deleting 3 file(s).", L"Deleting 3 file(s)"},
        {StatusId::FileDeleted, L"MY FILE deleted.", L"MY FILE deleted."},
        {StatusId::CannotOpenPort, L"Cannot open port COM12.", L"Cannot open port COM12"},
        // A message of another form than the control's text: its words are taken by position.
        {StatusId::ReceiveFile, L"Receiving file X from the terminal", L"Receive file X from terminal."},
        // Fewer words than the position: the word is empty.
        {StatusId::PcFileCannotOpen, L"Cannot", L"Cannot open/create PC file "},
        // An id the program does not know shows the control's own words.
        {1500, L"Something new.", L"Something new."},
    };
    for (const Case& c : cases) {
        m_view->BuildStatusText(c.status, c.message);
        EXPECT_EQ(c.text, m_view->GetStatusText()) << c.status;
    }

    m_view->BuildStatusText(StatusId::PortNotAvailable, L"Port COM3 not available.");
    EXPECT_EQ(L"Port COM3 not available.", m_view->GetStatusText());
    EXPECT_EQ(L"Waiting", StateText());
    // Resuming: the state line alone, nothing logged.
    const size_t logged = Log().size();
    Status(StatusId::Resuming, L"Resuming Wexlink operation.");
    EXPECT_EQ(L"Polling", StateText());
    EXPECT_EQ(logged, Log().size());
}

// Every text of the control that carries names, filled with names that hold blanks, must give the
// host those names whole: a text the host no longer matches falls back to word positions, which
// cut such names apart.
TEST_F(ProtocolViewTest, EveryArgumentOfTheControlsTextsReachesTheLogWhole)
{
    const std::wstring names[] = {L"My Name", L"Other Name"};
    for (const StatusMessageEntry& entry : StatusMessageTable) {
        if (entry.statusInfoId < 0)
            break;
        std::wstring message = entry.text;
        std::vector<std::wstring> filled;
        for (size_t at = message.find(L"%s"); at != std::wstring::npos && filled.size() < 2;
             at = message.find(L"%s", at)) {
            filled.push_back(names[filled.size()]);
            message.replace(at, 2, filled.back());
            at += filled.back().size();
        }
        if (filled.empty())
            continue;
        m_view->BuildStatusText(static_cast<short>(entry.statusInfoId), message);
        const std::wstring shown = m_view->GetStatusText();
        for (const std::wstring& name : filled)
            EXPECT_NE(std::wstring::npos, shown.find(name)) << entry.statusInfoId << ": " << shown.c_str();
    }
}

TEST_F(ProtocolViewTest, ALanguageLibraryWithoutTheStatusStringsStillReports)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program);
    folder.resize(folder.find_last_of(L'\\'));
    HMODULE library = LoadLibraryW((folder + L"\\Language\\TestLanguage.DLL").c_str());
    ASSERT_NE(nullptr, library);
    HINSTANCE own = ResourceModule();
    SetResourceModule(reinterpret_cast<HINSTANCE>(library));

    m_view->BuildStatusText(StatusId::PortNotAvailable, L"Port COM3 not available.");
    EXPECT_EQ(L"Unknown message!!!", m_view->GetStatusText());
    EXPECT_EQ(L"Waiting", StateText());
    theApp.m_TaskList = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(taskGetApplicationVersion)};
    Connect();
    // The library lacks the text: the control's words are logged and the next task still starts.
    EXPECT_EQ((Calls{L"14()"}), Status(StatusId::OsVersion, L"OS version: 3.10."));
    EXPECT_EQ(L"OS version: 3.10.", NewestLogText());
    // Texts the library predates come from the program itself rather than staying empty.
    m_control.refused = 16;
    m_control.refusalCode = OptionRefusal::BadTerminalFile;
    m_view->StartTask(CWexlinkObj(taskDeleteFiles, L"A:", 1));
    EXPECT_EQ(L"The protocol control refused the task Delete File(s): the terminal file name breaks the terminal's "
              L"naming rule (code -10).",
              NewestLogText());

    SetResourceModule(own);
    FreeLibrary(library);
}

TEST_F(ProtocolViewTest, LogLinesAreStampedNewestFirstAndTheLogKeepsAHundred)
{
    SYSTEMTIME time{2024, 3, 0, 5, 4, 7, 9, 0};  // 5 March 2024, 04:07:09
    EXPECT_EQ(L"[2024-03-05,04:07:09]  text", CWexlink32View::FormatLogLine(time, L"text"));

    for (int i = 0; i <= CWexlink32View::MaxLogLines; ++i)
        m_view->AddLogLine(L"line " + std::to_wstring(i));
    std::vector<std::wstring> lines = Log();
    ASSERT_EQ(100u, lines.size());
    EXPECT_EQ(L"line 100", lines.front());
    EXPECT_EQ(L"line 1", lines.back()) << "the oldest line went";
    EXPECT_EQ(L'[', m_view->StatusLog.GetText(0)[0]);

    // A long line widens the scrolling area.
    m_view->AddLogLine(std::wstring(300, L'W'));
    EXPECT_GT(m_view->StatusLog.GetHorizontalExtent(), 1000);
}

TEST_F(ProtocolViewTest, EachStateBitmapIsFreedWhenReplacedAndWhenTheFormGoes)
{
    HWND picture = GetDlgItem(m_view->m_hWnd, IDC_STATE_PICTURE);
    ASSERT_NE(nullptr, picture);
    auto shown = [picture] { return reinterpret_cast<HGDIOBJ>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)); };
    m_view->SetState(CWexlink32View::statePolling);
    HGDIOBJ polling = shown();
    ASSERT_EQ(OBJ_BITMAP, static_cast<DWORD>(GetObjectType(polling)));
    m_view->SetState(CWexlink32View::stateConnected);
    EXPECT_EQ(0u, static_cast<DWORD>(GetObjectType(polling))) << "the replaced bitmap is deleted";

    HGDIOBJ connected = shown();
    ASSERT_EQ(OBJ_BITMAP, static_cast<DWORD>(GetObjectType(connected)));
    DestroyWindow(m_frame->m_hWnd);
    m_frame = nullptr;
    EXPECT_EQ(0u, static_cast<DWORD>(GetObjectType(connected))) << "the last bitmap goes with the form";
}

TEST_F(ProtocolViewTest, EachKindOfTaskQueuesItsControlCall)
{
    m_view->StartTask(CWexlinkObj(taskSetTimeDate));
    m_view->StartTask(CWexlinkObj(taskListFiles, L"*.*", 2));
    m_view->StartTask(CWexlinkObj(L"C:\\no such folder\\two.dots.report", 1, true));
    CWexlinkObj unknown;
    unknown.ComOption = 8;
    m_view->StartTask(unknown);
    EXPECT_EQ((Calls{L"10()", L"15(s:*.*,i2:2)", L"12(s:C:\\no such folder\\two.dots.report,s:two.rep,i2:1,u1:1)"}),
              m_control.calls);

    // The frame's calls: property writes carry their named argument.
    m_control.calls.clear();
    m_view->PutComport(3);
    m_view->PutBaudrate(57600);
    m_view->StartProtocol(1, 5);
    m_control.running = 1;
    EXPECT_EQ(1, m_view->IsProtocolRunning());
    EXPECT_EQ((Calls{L"put 1(i2:3)", L"put 2(i4:57600)", L"4(i4:1,i2:5)", L"6()"}), m_control.calls);
}

TEST_F(ProtocolViewTest, ARefusedTaskIsLoggedWithItsReasonAndTheTasksAfterItStillRun)
{
    theApp.m_TaskList = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(L"C:\\in", 2, true),
                         CWexlinkObj(taskDeleteFiles, L"A:", 1), CWexlinkObj(taskGetApplicationVersion)};
    m_control.refused = 12;  // the transmit
    m_control.refusalCode = OptionRefusal::BadPcFile;
    EXPECT_EQ((Calls{L"12(s:C:\\in,s:in,i2:2,u1:1)", L"16(s:A:,i2:1)"}),
              Status(StatusId::OsVersion, L"OS version: 4.2"));
    std::vector<std::wstring> lines = Log();
    EXPECT_EQ(L"The protocol control refused the task Transmit File: the PC file name is too short or cannot name a "
              L"file (code -8).",
              lines.front());
    EXPECT_EQ(2, CurrentTask()) << "the refused task was passed over";

    // Each refusal code is told in words; one the program does not know still shows its number.
    m_control.refused = 16;
    const std::pair<short, const wchar_t*> reasons[] = {
        {OptionRefusal::BadKind, L"the task kind is unknown"},
        {OptionRefusal::BadTimeDateFmt, L"the time/date format is out of range"},
        {OptionRefusal::BadTimeDate, L"the time or date is out of range"},
        {OptionRefusal::BadDownType, L"the kind of download is unknown"},
        {OptionRefusal::BadTerminalFile, L"the terminal file name breaks the terminal's naming rule"},
        {-42, L"a refusal this program does not know"},
    };
    for (const auto& reason : reasons) {
        m_control.refusalCode = reason.first;
        EXPECT_FALSE(m_view->StartTask(CWexlinkObj(taskDeleteFiles, L"A:", 1)));
        EXPECT_EQ(L"The protocol control refused the task Delete File(s): " + std::wstring(reason.second) + L" (code " +
                      std::to_wstring(reason.first) + L").",
                  NewestLogText());
    }

    // The last task refused: the list ends, and the session's end is only logged.
    theApp.m_TaskList = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(taskDeleteFiles, L"A:", 1)};
    m_control.refusalCode = OptionRefusal::BadTerminalFile;
    Connect();
    Status(StatusId::OsVersion, L"OS version: 4.2.");
    EXPECT_EQ(2, CurrentTask());
    EXPECT_TRUE(Status(StatusId::SessionComplete, L"Communication session complete.").empty());

    // The first task refused on Connected: the next one is queued in its place.
    theApp.m_TaskList = {CWexlinkObj(taskDeleteFiles, L"A:", 1), CWexlinkObj(taskGetOSVersion)};
    EXPECT_EQ((Calls{L"7()", L"16(s:A:,i2:1)", L"13()"}), Connect());
    EXPECT_EQ(1, CurrentTask());
}

TEST_F(ProtocolViewTest, ListedFilesThatCannotBePcFilesAreSkippedWithTheirReasonAndTheRestReceived)
{
    theApp.m_TaskList = {CWexlinkObj(L"C:\\In", 1, L"*.*", 0, true, true, false, false, 0, false, 0, 0),
                         CWexlinkObj(taskGetOSVersion)};
    Connect(7);
    const struct {
        const wchar_t* listed;
        const wchar_t* reason;
    } hostile[] = {
        {L"NUL", L"its PC file name NUL is a device, not a file"},
        {L"con.txt", L"its PC file name con.txt is a device, not a file"},
        {L"COM1", L"its PC file name COM1 is a device, not a file"},
        {L"LPT9.DAT", L"its PC file name LPT9.DAT is a device, not a file"},
        {L".", L"its PC file name . is no file name"},
        {L"A*.TXT", L"its PC file name A*.TXT holds a character that file names cannot hold"},
        {L"B?", L"its PC file name B? holds a character that file names cannot hold"},
        {L"C\x01"
         L"D",
         L"its PC file name C\x01"
         L"D holds a character that file names cannot hold"},
        {L"E.", L"its PC file name E. ends in a dot or a blank"},
    };
    for (const auto& name : hostile) {
        EXPECT_TRUE(Status(StatusId::ListedFile, std::wstring(name.listed) + L", 3 bytes.").empty()) << name.listed;
        EXPECT_EQ(L"Terminal file " + std::wstring(name.listed) + L" skipped: " + name.reason + L".", NewestLogText());
    }
    // A name that ends in a blank reaches the host whole.
    EXPECT_TRUE(Status(StatusId::ListedFile, L"F , 3 bytes.").empty());
    EXPECT_EQ(L"Terminal file F  skipped: its PC file name F  ends in a dot or a blank.", NewestLogText());

    // The good names around them are received, and the listing moves the list on.
    EXPECT_EQ((Calls{L"11(s:C:\\In\\GOOD.TXT,i4:1,s:GOOD.TXT,i2:0,u1:1)"}),
              Status(StatusId::ListedFile, L"GOOD.TXT, 3 bytes."));
    EXPECT_EQ((Calls{L"13()"}), Status(StatusId::ListingComplete, L"File listing complete."));

    // A request the control refuses is skipped the same way, and the next listed file still goes.
    Connect(7);
    m_control.refused = 11;
    m_control.refusalCode = OptionRefusal::BadTerminalFile;
    Status(StatusId::ListedFile, L"H.TXT, 1 bytes.");
    EXPECT_EQ(L"Terminal file H.TXT skipped: the terminal file name breaks the terminal's naming rule.",
              NewestLogText());
    m_control.refused = 0;
    EXPECT_EQ((Calls{L"11(s:C:\\In\\I.TXT,i4:1,s:I.TXT,i2:0,u1:1)"}), Status(StatusId::ListedFile, L"I.TXT, 1 bytes."));
}

TEST_F(ProtocolViewTest, TransmittedNamesAreShortenedToTheTerminalsRule)
{
    // Paths that do not exist have no short form: the name itself is shortened.
    EXPECT_EQ(L"DATA.TXT", CWexlink32View::TerminalNameForTransmit(L"C:\\missing\\DATA.TXT"));
    EXPECT_EQ(L"verylo~o.txt", CWexlink32View::TerminalNameForTransmit(L"C:\\missing\\verylongname.txt"));
    EXPECT_EQ(L"a.lon", CWexlink32View::TerminalNameForTransmit(L"C:\\missing\\a.longext"));
    EXPECT_EQ(L"noexte~o", CWexlink32View::TerminalNameForTransmit(L"C:\\missing\\noextension"));
    EXPECT_EQ(L"a", CWexlink32View::TerminalNameForTransmit(L"C:\\missing\\a.b c")) << "a blank after the dot";

    // An existing long name is sent under its short form, which the terminal accepts.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring file = std::wstring(temp) + L"a long transmitted name.text";
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    CloseHandle(handle);
    EXPECT_TRUE(CDlgRecvFiles::IsValidTerminalFileName(CWexlink32View::TerminalNameForTransmit(file)))
        << CWexlink32View::TerminalNameForTransmit(file);
    DeleteFileW(file.c_str());
}

std::vector<std::wstring> g_balloons;

BOOL WINAPI RecordBalloon(DWORD message, NOTIFYICONDATAW* data)
{
    if (message == NIM_MODIFY && (data->uFlags & NIF_INFO))
        g_balloons.push_back(data->szInfo);
    return TRUE;
}

TEST_F(ProtocolViewTest, InTheNotificationAreaTransferReportsShowAsBalloons)
{
    g_balloons.clear();
    CMainFrame::s_notifyIcon = &RecordBalloon;
    theApp.m_Settings.MinimizeToTray = true;
    theApp.m_Settings.MessagesWhileInTray = true;
    SendMessageW(m_frame->m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(m_frame->IsInTray());

    for (short status = StatusId::SetLocalTimeDateDone; status <= StatusId::GetOsVersion; status += 10)
        Status(status, L"message " + std::to_wstring(status) + L".");
    EXPECT_EQ((std::vector<std::wstring>{L"message 1080.", L"message 1090.", L"message 1100.", L"message 1110.",
                                         L"message 1120."}),
              g_balloons);

    SendMessageW(m_frame->m_hWnd, CMainFrame::WM_TRAY_NOTIFY, 1, WM_LBUTTONDOWN);
    CMainFrame::s_notifyIcon = &Shell_NotifyIconW;
}

TEST_F(ProtocolViewTest, ProgressShowsInTheStatusBar)
{
    SendMessageW(m_frame->m_hWnd, WM_ACTIVATEAPP, TRUE, 0);
    ASSERT_NE(nullptr, m_frame->m_progressBar.m_hWnd);
    m_view->OnProgress(40);
    EXPECT_TRUE(GetWindowLongPtrW(m_frame->m_progressBar.m_hWnd, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(40, m_frame->m_progressBar.GetPos());
}

}  // namespace
