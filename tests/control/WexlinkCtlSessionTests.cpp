// Whole runs of the control against the terminal simulator on the virtual line, as the host drives
// it: a container with a client site receives the events on its own thread and queues the next
// option from inside them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ControlFixtures.h"
#include "SimClockCommands.h"

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
