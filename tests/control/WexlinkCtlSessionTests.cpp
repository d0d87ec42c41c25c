// Whole runs of the control against the terminal simulator on the virtual line, as the host drives
// it: a container with a client site receives the events on its own thread and queues the next
// option from inside them.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "ControlDll.h"
#include "PortDevice.h"
#include "SimClockCommands.h"
#include "TerminalSimulator.h"
#include "TestContainer.h"
#include "VirtualLine.h"
#include "Wexlink.h"
#include "com/ComRef.h"

using namespace controltest;

namespace {

const wchar_t kVersion100[] = L"Terminal Wexlink protocol version 1.00";
const wchar_t kNotSupported[] = L"Function not supported until Wexlink protocol version 1.01.";
const wchar_t kComplete[] = L"Communication session complete.";
const wchar_t kOneSuccess[] = L"Aborted after 1 times successful communication.";

class ControlSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line));
        ASSERT_TRUE(KeepLibraryLoaded());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IWexlinkCtl,
                                         reinterpret_cast<void**>(control.Receive())));
        ASSERT_TRUE(port.IsAdded());
        ASSERT_EQ(S_OK, control->put_Comport(static_cast<short>(line.pcPort)));
        ASSERT_EQ(S_OK, control->put_IrDADevice(irdaNone));

        ASSERT_EQ(S_OK, AttachContainer(control.Get(), &site, &sink, point, cookie));
    }

    void TearDown() override
    {
        if (control) {
            control->StopProtocol();
            PumpUntil([this] { return !Running(); }, 10000);
        }
        terminal.Stop();
        if (point)
            point->Unadvise(cookie);
        point.Reset();
        control.Reset();
        CoUninitialize();
    }

    bool Running()
    {
        short running = 0;
        control->IsProtocolRunning(&running);
        return running == 1;
    }

    VirtualLine line;
    CPortDevice port{VirtualLine::FromEnvironment(line) ? line.pcPort : 0};
    CTerminalSimulator terminal;
    CComRef<IWexlinkCtl> control;
    TestSite site;
    TestEventSink sink;
    CComRef<IConnectionPoint> point;
    DWORD cookie = 0;
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
        if (event.id == 1) {
            control->ClearProtocolOptionsList();
            control->AddGetTerminalOSVersion();
        } else if (event.id == 3 && event.message == kVersion100) {
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
        if (event.id == 1)
            connectedId = event.value;
        if (event.id == 3)
            statuses.push_back(event.message);
    }
    EXPECT_EQ(0x0A0B0C, connectedId);
    const std::vector<std::wstring> expected{kVersion100,  L"Get terminal OS version.", L"OS version: 2.10.",
                                             kNotSupported, kComplete,                  kOneSuccess};
    EXPECT_EQ(expected, statuses);
    EXPECT_TRUE(terminal.WaitForFrames(SimDirection::Received, 0x00, 1, 2000));  // end of session
}
