#pragma once
// The fixtures of the tests that drive the control as its users do: the registered control, created
// through COM as a host creates it, with a container that records its events; and the same on the
// PC's end of the program's virtual line, with the terminal simulator on the other end. Also the
// filters that pick reports out of the recorded events and requests out of the frames the terminal
// saw.

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ComRef.h"
#include "ControlDll.h"
#include "PortDevice.h"
#include "TerminalSimulator.h"
#include "TestContainer.h"
#include "VirtualLine.h"
#include "Wexlink.h"
#include "WexlinkCodes.h"

namespace controltest {

using Events = std::vector<RecordedEvent>;
using Frames = std::vector<SimFrameRecord>;
using Report = std::pair<long, std::wstring>;  // status id and text
using Reports = std::vector<Report>;

inline Reports ReportsOf(const Events& events)
{
    Reports reports;
    for (const RecordedEvent& event : events)
        if (event.id == kStatusEvent)
            reports.emplace_back(event.value, event.message);
    return reports;
}

// The values of every event of the id, in order: status ids, percentages or terminal ids.
inline std::vector<long> ValuesOf(const Events& events, DISPID id)
{
    std::vector<long> values;
    for (const RecordedEvent& event : events)
        if (event.id == id)
            values.push_back(event.value);
    return values;
}

inline std::vector<long> StatusIds(const Events& events)
{
    return ValuesOf(events, kStatusEvent);
}

inline std::vector<long> ProgressValues(const Events& events)
{
    return ValuesOf(events, kProgressEvent);
}

// The texts of every report of the status, in order.
inline std::vector<std::wstring> StatusTexts(const Events& events, long statusId)
{
    std::vector<std::wstring> texts;
    for (const RecordedEvent& event : events)
        if (event.id == kStatusEvent && event.value == statusId)
            texts.push_back(event.message);
    return texts;
}

// The well-formed requests of `command` that the terminal received.
inline Frames Requests(const Frames& frames, int command)
{
    Frames found;
    for (const SimFrameRecord& frame : frames)
        if (frame.direction == SimDirection::Received && !frame.refused && frame.command == command)
            found.push_back(frame);
    return found;
}

// The control in this thread's apartment. A test attaches the container when it needs the events.
class ControlInApartmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(KeepLibraryLoaded());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_comInitialised = true;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IWexlinkCtl,
                                         reinterpret_cast<void**>(control.Receive())));
    }

    // Stops a run the test left going, takes the container off and ends the apartment.
    void TearDown() override
    {
        if (control) {
            control->StopProtocol();
            WaitUntilIdle();
        }
        Detach();
        control.Reset();
        if (m_comInitialised)
            CoUninitialize();
    }

    // Gives the control the client site (none when null) and advises the sink on its events.
    void Attach(IOleClientSite* clientSite)
    {
        ASSERT_EQ(S_OK, AttachContainer(control.Get(), clientSite, &sink, point, cookie));
    }

    // No more events, and no client site.
    void Detach() { DetachContainer(control.Get(), point, cookie); }

    bool Running()
    {
        short running = -1;
        control->IsProtocolRunning(&running);
        return running == 1;
    }

    // The events arrive on this thread, inside its message loop, as in a container.
    bool WaitUntilIdle(DWORD timeoutMs = 10000)
    {
        return PumpUntil([this] { return !Running(); }, timeoutMs);
    }

    CComRef<IWexlinkCtl> control;
    TestSite site;
    TestEventSink sink;
    CComRef<IConnectionPoint> point;
    DWORD cookie = 0;

private:
    bool m_comInitialised = false;
};

// The control with its container attached, on the PC's end of the line. A test fixture derives from
// it, gives the terminal its commands and starts it.
class ControlOnLineTest : public ControlInApartmentTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run";
        m_port = std::make_unique<CPortDevice>(line.pcPort);
        ASSERT_TRUE(m_port->IsAdded());
        ASSERT_NO_FATAL_FAILURE(ControlInApartmentTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(Attach(&site));
        ASSERT_EQ(S_OK, control->put_Comport(static_cast<short>(line.pcPort)));
    }

    void TearDown() override
    {
        ControlInApartmentTest::TearDown();
        terminal.Stop();
    }

    // Starts a run; by default one that ends after one completed session, with the options queued.
    void Start(enumCommType type = commSuccess, short count = 1)
    {
        short code = 99;
        ASSERT_EQ(S_OK, control->StartProtocol(type, count, &code));
        ASSERT_EQ(0, code);
    }

    Reports StatusReports() { return ReportsOf(sink.Events()); }
    std::vector<long> Progress() { return ProgressValues(sink.Events()); }
    std::vector<std::wstring> Messages(long statusId) { return StatusTexts(sink.Events(), statusId); }

    size_t CountStatus(long statusId) { return Messages(statusId).size(); }
    bool HasStatus(long statusId) { return CountStatus(statusId) > 0; }

    VirtualLine line;
    CTerminalSimulator terminal;

private:
    std::unique_ptr<CPortDevice> m_port;
};

}  // namespace controltest
