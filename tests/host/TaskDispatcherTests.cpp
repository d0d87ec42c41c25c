// The task dispatcher on its own, without a window: a fake control records the calls it is asked
// for and answers with refusals where a case wants them, a fake log keeps the lines. Covered: the
// order of the tasks within a session and across sessions, what an error, a refusal and the end of
// the list do to it, the receive task's listing with its receive requests and their reports, and
// the call each kind of task makes.
#include "TaskDispatcher.h"
#include "WexlinkCodes.h"
#include "WexlinkObj.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;

std::wstring Flag(bool value)
{
    return value ? L"yes" : L"no";
}

// Records each call as "Name(argument,...)"; a call named in `refusals` answers with its code.
class FakeControl : public ITaskControl {
public:
    Lines calls;
    std::map<std::wstring, short> refusals;

    void ClearProtocolOptionsList() override { calls.push_back(L"Clear()"); }
    void StopProtocol() override { calls.push_back(L"Stop()"); }
    short AddGetTerminalOSVersion() override { return Call(L"OSVersion", L""); }
    short AddGetTerminalApplicationVersion() override { return Call(L"AppVersion", L""); }
    short AddGetTerminalTimeDate(long format) override { return Call(L"GetTime", std::to_wstring(format)); }
    short AddSetTerminalLocalTimeDate() override { return Call(L"SetTime", L""); }
    short AddGetTerminalFileList(const std::wstring& file, short drive) override
    {
        return Call(L"List", file + L"," + std::to_wstring(drive));
    }
    short AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType, const std::wstring& file, short drive,
                                     bool contOnNotAvail) override
    {
        return Call(L"Receive", pcFile + L"," + std::to_wstring(downType) + L"," + file + L"," +
                                    std::to_wstring(drive) + L"," + Flag(contOnNotAvail));
    }
    short AddTransmitFileToTerminal(const std::wstring& pcFile, const std::wstring& file, short drive,
                                    bool contOnNotAvail) override
    {
        return Call(L"Transmit", pcFile + L"," + file + L"," + std::to_wstring(drive) + L"," + Flag(contOnNotAvail));
    }
    short AddDeleteTerminalFiles(const std::wstring& file, short drive) override
    {
        return Call(L"Delete", file + L"," + std::to_wstring(drive));
    }

private:
    short Call(const std::wstring& name, const std::wstring& arguments)
    {
        calls.push_back(name + L"(" + arguments + L")");
        auto refusal = refusals.find(name);
        return refusal == refusals.end() ? 0 : refusal->second;
    }
};

class FakeLog : public ITaskLog {
public:
    Lines lines;
    void AddLogLine(const std::wstring& text) override { lines.push_back(text); }
};

class TaskDispatcherTest : public ::testing::Test {
protected:
    // Plays one status whose host text is the control's message; returns the calls it caused.
    Lines Status(short status, const std::wstring& message) { return Status(status, message, message); }
    Lines Status(short status, const std::wstring& message, std::wstring text)
    {
        m_control.calls.clear();
        m_dispatcher.OnStatusInformation(status, message, text);
        return m_control.calls;
    }
    Lines Connect(long terminalId = 1)
    {
        m_control.calls.clear();
        m_dispatcher.OnConnected(terminalId);
        return m_control.calls;
    }
    std::wstring LastLine() const { return m_log.lines.empty() ? std::wstring() : m_log.lines.back(); }

    // Receives into the folder under the listed name with the terminal ID added.
    static CWexlinkObj ReceiveTask(const std::wstring& folder, const std::wstring& pattern, bool contOnNotAvail)
    {
        return CWexlinkObj(folder, 1, pattern, 0, contOnNotAvail, true, true, false, 0, false, 0, 0);
    }

    std::vector<CWexlinkObj> m_tasks;
    FakeControl m_control;
    FakeLog m_log;
    CTaskDispatcher m_dispatcher{m_tasks, m_control, m_log};
};

TEST_F(TaskDispatcherTest, EachSessionRunsTheListOnceInOrderAndStopsAtAnError)
{
    // No task: the connection is logged, the queue only emptied.
    EXPECT_EQ(Lines{L"Clear()"}, Connect(74565));
    EXPECT_EQ(L"Connected, Session / Terminal ID: 74565", LastLine());
    EXPECT_EQ(74565, m_dispatcher.TerminalId());

    m_tasks = {CWexlinkObj(taskGetOSVersion), CWexlinkObj(TimeDateFormat{12}), CWexlinkObj(taskSetTimeDate)};
    EXPECT_EQ((Lines{L"Clear()", L"OSVersion()"}), Connect());
    EXPECT_TRUE(Status(StatusId::GetOsVersion, L"Get terminal OS version.").empty()) << "not a completion";
    EXPECT_EQ(Lines{L"GetTime(12)"}, Status(StatusId::OsVersion, L"OS version: 3.10"));
    EXPECT_EQ(Lines{L"SetTime()"}, Status(StatusId::TimeDate, L"14:07:09 05.03.2024"));
    EXPECT_TRUE(Status(StatusId::SetLocalTimeDateDone, L"Set local pc time in terminal successful.").empty());
    EXPECT_EQ(3, m_dispatcher.CurrentTask()) << "not wrapped";
    EXPECT_TRUE(Status(StatusId::ApplicationVersion, L"Application version: 2").empty())
        << "past the end statuses are only logged";
    EXPECT_EQ(L"Application version: 2", LastLine());

    // An error leaves the list where it is; the next session starts from the first task again.
    EXPECT_EQ((Lines{L"Clear()", L"OSVersion()"}), Connect());
    EXPECT_TRUE(Status(StatusId::NoResponse, L"No response from terminal").empty());
    EXPECT_EQ(L"No response from terminal", LastLine());
    EXPECT_TRUE(Status(StatusId::SessionComplete, L"Communication session complete.").empty());
    EXPECT_EQ(0, m_dispatcher.CurrentTask());
    EXPECT_EQ((Lines{L"Clear()", L"OSVersion()"}), Connect());

    // An empty text (a status shown on the state line alone) is neither logged nor dispatched.
    const size_t logged = m_log.lines.size();
    EXPECT_TRUE(Status(StatusId::OsVersion, L"Resuming.", L"").empty());
    EXPECT_EQ(logged, m_log.lines.size());
    EXPECT_EQ(0, m_dispatcher.CurrentTask());
}

TEST_F(TaskDispatcherTest, EachKindOfTaskQueuesItsOwnCall)
{
    CWexlinkObj unknown;
    unknown.ComOption = 8;
    const CWexlinkObj tasks[] = {
        CWexlinkObj(taskGetApplicationVersion),      CWexlinkObj(taskListFiles, L"*.*", 2),
        CWexlinkObj(taskDeleteFiles, L"OLD.LOG", 1), CWexlinkObj(L"C:\\no such folder\\two.dots.report", 1, true),
        ReceiveTask(L"C:\\In", L"*.DAT", false),     unknown,
    };
    for (const CWexlinkObj& task : tasks)
        EXPECT_TRUE(m_dispatcher.StartTask(task));
    EXPECT_EQ((Lines{L"AppVersion()", L"List(*.*,2)", L"Delete(OLD.LOG,1)",
                     L"Transmit(C:\\no such folder\\two.dots.report,two.rep,1,yes)", L"List(*.DAT,0)"}),
              m_control.calls)
        << "an unknown kind queues nothing";
}

TEST_F(TaskDispatcherTest, ARefusedTaskIsLoggedAndPassedOver)
{
    m_tasks = {CWexlinkObj(taskDeleteFiles, L"A:", 1), CWexlinkObj(L"C:\\in", 2, true), CWexlinkObj(taskGetOSVersion),
               CWexlinkObj(taskDeleteFiles, L"B:", 1)};
    m_control.refusals = {{L"Delete", OptionRefusal::BadTerminalFile}, {L"Transmit", OptionRefusal::BadPcFile}};
    EXPECT_EQ((Lines{L"Clear()", L"Delete(A:,1)", L"Transmit(C:\\in,in,2,yes)", L"OSVersion()"}), Connect());
    EXPECT_EQ(2, m_dispatcher.CurrentTask());
    EXPECT_EQ(L"The protocol control refused the task Transmit File: the PC file name is too short or cannot name a "
              L"file (code -8).",
              LastLine());

    // The last task refused: the list ends there, and nothing more is queued.
    EXPECT_EQ(Lines{L"Delete(B:,1)"}, Status(StatusId::OsVersion, L"OS version: 4.2"));
    EXPECT_EQ(4, m_dispatcher.CurrentTask());
    EXPECT_TRUE(Status(StatusId::SessionComplete, L"Communication session complete.").empty());
}

TEST_F(TaskDispatcherTest, AReceiveTaskReceivesEachListedFileAndHandsOnWhenTheListingEnds)
{
    m_tasks = {ReceiveTask(L"C:\\In", L"*.DAT", false), CWexlinkObj(taskGetApplicationVersion),
               CWexlinkObj(taskGetOSVersion)};
    EXPECT_EQ((Lines{L"Clear()", L"List(*.DAT,0)"}), Connect(77));
    const size_t logged = m_log.lines.size();
    EXPECT_TRUE(Status(StatusId::ListFiles, L"List file(s) *.DAT.").empty());
    EXPECT_TRUE(Status(StatusId::FilesFound, L"Total file(s) found is 2.").empty());
    EXPECT_EQ(Lines{L"Receive(C:\\In\\A77.DAT,1,A.DAT,0,no)"}, Status(StatusId::ListedFile, L"A.DAT, 120 bytes."));
    EXPECT_EQ(Lines{L"Receive(C:\\In\\B,C77.DAT,1,B,C.DAT,0,no)"}, Status(StatusId::ListedFile, L"B,C.DAT, 7 bytes."))
        << "a comma belongs to the name";
    EXPECT_EQ(Lines{L"AppVersion()"}, Status(StatusId::ListingComplete, L"File listing complete."));
    EXPECT_EQ(logged, m_log.lines.size()) << "the listing of a receive task is not logged";

    // The reports of the two requests come while the next task is in hand: a file found gone
    // there must not move the list on, or the task after it would never run.
    EXPECT_TRUE(Status(StatusId::FileReceived, L"Received file A.DAT stored as C:\\In\\A77.DAT.").empty());
    EXPECT_TRUE(Status(StatusId::ContinueNotAvailable, L"Continue session when file not available.").empty());
    EXPECT_EQ(L"Continue session when file not available.", LastLine());
    EXPECT_EQ(1, m_dispatcher.CurrentTask());
    EXPECT_EQ(Lines{L"OSVersion()"}, Status(StatusId::ApplicationVersion, L"Application version: 2"));

    // With no request outstanding, the same report completes the task in hand.
    EXPECT_TRUE(Status(StatusId::ContinueNotAvailable, L"Continue session when file not available.").empty());
    EXPECT_EQ(3, m_dispatcher.CurrentTask());
}

TEST_F(TaskDispatcherTest, ListedFilesThatCannotBeReceivedAreSkippedAndCountNoRequest)
{
    m_tasks = {CWexlinkObj(L"C:\\In", 1, L"*.*", 0, true, true, false, false, 0, false, 0, 0),
               CWexlinkObj(taskGetOSVersion), CWexlinkObj(taskGetApplicationVersion)};
    Connect(7);
    EXPECT_TRUE(Status(StatusId::ListedFile, L"NUL, 3 bytes.").empty());
    EXPECT_EQ(L"Terminal file NUL skipped: its PC file name NUL is a device, not a file.", LastLine());
    m_control.refusals = {{L"Receive", OptionRefusal::BadTerminalFile}};
    EXPECT_EQ(Lines{L"Receive(C:\\In\\H.TXT,1,H.TXT,0,yes)"}, Status(StatusId::ListedFile, L"H.TXT, 1 bytes."));
    EXPECT_EQ(L"Terminal file H.TXT skipped: the terminal file name breaks the terminal's naming rule.", LastLine());
    EXPECT_EQ(Lines{L"OSVersion()"}, Status(StatusId::ListingComplete, L"File listing complete."));

    // Neither skipped file is waited for: the next "continue" report belongs to the task in hand.
    EXPECT_EQ(Lines{L"AppVersion()"},
              Status(StatusId::ContinueNotAvailable, L"Continue session when file not available."));
}

TEST_F(TaskDispatcherTest, AListingWithoutFilesContinuesOrStopsTheProtocol)
{
    m_tasks = {ReceiveTask(L"C:\\In", L"*.DAT", true), CWexlinkObj(taskGetOSVersion)};
    Connect();
    std::wstring text = L"Total file(s) found is 0.";
    EXPECT_TRUE(Status(StatusId::FilesFound, text).empty());
    EXPECT_EQ(L"Continue session when file not available.", LastLine());
    EXPECT_EQ(Lines{L"OSVersion()"}, Status(StatusId::ListingComplete, L"File listing complete."));

    m_tasks[0].ContOnNotAvail = false;
    Connect();
    m_control.calls.clear();
    m_dispatcher.OnStatusInformation(StatusId::FilesFound, L"Total file(s) found is 0.", text);
    EXPECT_EQ(Lines{L"Stop()"}, m_control.calls);
    EXPECT_EQ(L"Requested terminal file *.DAT is not available.", LastLine());
    EXPECT_EQ(L"Requested terminal file *.DAT is not available.", text) << "the text logged is the text kept";
}

}  // namespace
