// Whole runs of the control against the terminal simulator on the virtual line, as the host drives
// it: a container with a client site receives the events on its own thread and queues the next
// option from inside them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ControlFixtures.h"
#include "EngineMessageForger.h"
#include "FileBytes.h"
#include "SimClockCommands.h"
#include "SimReceiveCommands.h"

using namespace controltest;

namespace {

const wchar_t kVersion100[] = L"Terminal Wexlink protocol version 1.00";
const wchar_t kNotSupported[] = L"Function not supported until Wexlink protocol version 1.01.";
const wchar_t kComplete[] = L"Communication session complete.";
const wchar_t kOneSuccess[] = L"Aborted after 1 times successful communication.";

class ControlSession : public ControlOnLineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ControlOnLineTest::SetUp());
        ASSERT_EQ(S_OK, control->put_IrDADevice(irdaNone));
    }
};

}  // namespace

TEST_F(ControlSession, TheContainerFeedsTheSessionFromInsideTheEvents)
{
    SimTerminalConfig config;
    config.terminalId = 0x0A0B0C;
    config.versionMajor = 1;
    config.versionMinor = 0;
    terminal.SetConfig(config);
    RegisterClockCommands(terminal);
    ASSERT_TRUE(terminal.Start(line.terminalPort));

    short code = 99;
    BSTR pattern = SysAllocString(L"*.DAT");
    // Queued before the run: the container's Connected handler clears it again.
    ASSERT_EQ(S_OK, control->AddDeleteTerminalFiles(pattern, 0, &code));
    sink.onEvent = [&](const RecordedEvent& event) {
        if (event.id == kConnectedEvent) {
            control->ClearProtocolOptionsList();
            control->AddGetTerminalOSVersion();
        } else if (event.id == kStatusEvent && event.message == kVersion100) {
            short added = 99;
            control->AddDeleteTerminalFiles(pattern, 0, &added);  // refused by the old terminal
        }
    };
    ASSERT_EQ(S_OK, control->StartProtocol(commSuccess, 1, &code));
    ASSERT_EQ(0, code);
    EXPECT_TRUE(PumpUntil([this] { return !Running(); }, 30000));
    SysFreeString(pattern);

    std::vector<std::wstring> statuses;
    long connectedId = -1;
    for (const RecordedEvent& event : sink.Events()) {
        EXPECT_EQ(GetCurrentThreadId(), event.threadId);
        if (event.id == kConnectedEvent)
            connectedId = event.value;
        if (event.id == kStatusEvent)
            statuses.push_back(event.message);
    }
    EXPECT_EQ(0x0A0B0C, connectedId);
    const std::vector<std::wstring> expected{
        kVersion100, L"Get terminal OS version.", L"OS version: 2.10.", kNotSupported, kComplete, kOneSuccess};
    EXPECT_EQ(expected, statuses);
    EXPECT_TRUE(terminal.WaitForFrames(SimDirection::Received, 0x00, 1, 2000));  // end of session
}

// Every report of a real run reaches the container as an event with the argument types of the event
// interface: the terminal ID whole as a long, each percentage as a short, each status as a short id
// with its text.
TEST_F(ControlSession, EngineReportsBecomeEventsWithTheirArgumentTypes)
{
    SimTerminalConfig config;
    config.terminalId = 0xA1B2C3;  // wider than a short
    config.maxFrameSize = 1024;
    terminal.SetConfig(config);
    RegisterReceiveCommands(terminal, SimReceiveOptions{244});
    terminal.Files().Put(2, "DATA.TXT", PatternBytes(1000, 1));
    ASSERT_TRUE(terminal.Start(line.terminalPort));
    const std::wstring pcFile = TempPath(L"wexlink-event-types-" + std::to_wstring(GetCurrentProcessId()));
    DeleteFileW(pcFile.c_str());

    BSTR pc = SysAllocString(pcFile.c_str());
    BSTR name = SysAllocString(L"DATA.TXT");
    short code = 99;
    EXPECT_EQ(S_OK, control->AddReceiveFileFromTerminal(pc, downOverwrite, name, 2, 0, &code));
    EXPECT_EQ(0, code);
    SysFreeString(pc);
    SysFreeString(name);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(PumpUntil([this] { return !Running(); }, 30000));
    DeleteFileW(pcFile.c_str());

    const Events events = sink.Events();
    for (const RecordedEvent& event : events) {
        EXPECT_NE(-1, event.id) << "an event whose arguments are not of the interface's types";
        EXPECT_FALSE(event.nullMessage);
    }
    EXPECT_EQ(std::vector<long>{0xA1B2C3}, ValuesOf(events, kConnectedEvent));
    EXPECT_EQ((std::vector<long>{24, 48, 73, 97, 100, 0}), Progress());
    EXPECT_EQ(std::vector<std::wstring>{kComplete}, Messages(StatusId::SessionComplete));
    EXPECT_EQ(std::vector<std::wstring>{kOneSuccess}, Messages(StatusId::AbortedAfterSuccesses));
    ASSERT_FALSE(StatusIds(events).empty());
    EXPECT_EQ(StatusId::AbortedAfterSuccesses, StatusIds(events).back());
}

// Another thread forges the engine's messages to the control's window, found by its class and title
// as another process would find it, all through a real run: while it polls, while it is connected and
// after. None of them fires an event; the run's own reports all arrive and its session completes.
TEST_F(ControlSession, ForgedEngineMessagesDuringARealRunFireNothing)
{
    SimTerminalConfig config;
    config.terminalId = 0x0A0B0C;
    terminal.SetConfig(config);
    RegisterClockCommands(terminal);
    HWND window = FindWindowW(L"WexlinkWnd", L"MyWexlinkWnd");
    ASSERT_TRUE(window);
    Forger forger(window);
    ASSERT_TRUE(forger.Start());

    sink.onEvent = [this](const RecordedEvent& event) {
        if (event.id == kConnectedEvent)
            control->AddGetTerminalOSVersion();
    };
    ASSERT_NO_FATAL_FAILURE(Start());
    // Polling: no terminal answers yet.
    const int roundsBefore = forger.Rounds();
    ASSERT_TRUE(PumpUntil([&] { return forger.Rounds() >= roundsBefore + 20; }, 10000));
    EXPECT_TRUE(Running());
    EXPECT_TRUE(sink.Events().empty());
    ASSERT_TRUE(terminal.Start(line.terminalPort));
    EXPECT_TRUE(PumpUntil([this] { return !Running(); }, 30000));
    forger.Stop();
    sink.onEvent = nullptr;
    PumpUntil([] { return false; }, 200);  // whatever the forger left queued

    const Events events = sink.Events();
    EXPECT_EQ(std::vector<long>{0x0A0B0C}, ValuesOf(events, kConnectedEvent));
    EXPECT_TRUE(Progress().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Get terminal OS version."}), Messages(StatusId::GetOsVersion));
    EXPECT_EQ(std::vector<std::wstring>{kComplete}, Messages(StatusId::SessionComplete));
    EXPECT_EQ(std::vector<std::wstring>{kOneSuccess}, Messages(StatusId::AbortedAfterSuccesses));
    for (const RecordedEvent& event : events) {
        EXPECT_NE(-1, event.id);
        EXPECT_NE(std::wstring(Forger::Text), event.message);
    }
    EXPECT_TRUE(terminal.WaitForFrames(SimDirection::Received, 0x00, 1, 2000));  // end of session
}
