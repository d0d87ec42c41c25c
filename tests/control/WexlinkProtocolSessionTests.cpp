// The session driver against the simulated terminal: polling, sessions, the count modes, the queue,
// the port coming and going, the stop event, and delivery through a window or the windowless object.
#include "EngineEventRelay.h"
#include "EngineTestSupport.h"
#include "FileBytes.h"
#include "PortDevice.h"
#include "ScopedLock.h"
#include "SerialPlatform.h"
#include "SimClockCommands.h"
#include "SimReceiveCommands.h"
#include "StallingSerialPlatform.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace {

constexpr uint32_t TerminalId = 0x00BEEF;

// A platform that keeps the time of every write, and refuses each at once while failWrites is set,
// with the error some drivers give for a port that was unplugged, or only the next one with access
// denied as others do, or every write of one byte alone (an adapter's control byte) with the same
// error; it counts the refused writes, the closes of the port and the line set-ups at the rate the
// tests configure, and keeps the rate of the last one. An event handed to setAtConfiguredRate is set
// by the next such set-up, once.
class CRefusingPlatform : public CSerialPlatform {
public:
    std::atomic<bool> failWrites{false};
    std::atomic<bool> failNextWrite{false};
    std::atomic<int> refusedByte{-1};
    std::atomic<int> refused{0};
    std::atomic<int> closes{0};
    std::atomic<int> configuredRateSetUps{0};
    std::atomic<DWORD> lastRate{0};
    std::atomic<HANDLE> setAtConfiguredRate{nullptr};

    BOOL ClosePort(HANDLE port) override
    {
        ++closes;
        return CSerialPlatform::ClosePort(port);
    }
    BOOL SetCommState(HANDLE port, DCB* dcb) override
    {
        lastRate = dcb->BaudRate;
        if (dcb->BaudRate == 57600) {
            ++configuredRateSetUps;
            if (const HANDLE event = setAtConfiguredRate.exchange(nullptr)) {
                SetEvent(event);
            }
        }
        return CSerialPlatform::SetCommState(port, dcb);
    }

    BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request) override
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_writeTicks.push_back(GetTickCount64());
        }
        m_written.notify_all();
        if (failNextWrite.exchange(false)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (failWrites || (count == 1 && *static_cast<const BYTE*>(buffer) == refusedByte)) {
            ++refused;
            ::SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        return CSerialPlatform::WriteFile(port, buffer, count, written, request);
    }

    // True once this many writes were tried, within the time.
    bool WaitForWrites(size_t count, DWORD timeoutMs)
    {
        std::unique_lock<std::mutex> hold(m_lock);
        return m_written.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_writeTicks.size() >= count; });
    }

    std::vector<ULONGLONG> WriteTicks()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_writeTicks;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_written;
    std::vector<ULONGLONG> m_writeTicks;
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(m_line)) << "run through scripts/wine-run";
        SimTerminalConfig config;
        config.terminalId = TerminalId;
        config.versionMajor = 1;
        config.versionMinor = 5;
        m_terminal.SetConfig(config);
    }

    void TearDown() override
    {
        Stop();
        m_terminal.Stop();
    }

    void StartTerminal()
    {
        RegisterClockCommands(m_terminal);
        ASSERT_TRUE(m_terminal.Start(m_line.terminalPort)) << m_terminal.LastError();
    }

    void PlugPort()
    {
        m_port = std::make_unique<CPortDevice>(m_line.pcPort);
        ASSERT_TRUE(m_port->IsAdded());
    }

    void Configure(CWexlinkProtocol& engine)
    {
        engine.SetComPort(m_line.pcPort);
        engine.SetTimings(m_timings);
        engine.SetBaudRate(57600);
        engine.SetIrdaDevice(m_adapter);
        engine.SetStopEvent(m_stop.Handle());
        engine.SetCriticalSection(m_queueLock.Get());
        engine.SetOptionsList(&m_queue);
        engine.SetListEvent(m_listEvent.Handle());
        engine.SetSink(m_useSink);
    }

    // Runs the driver on a thread of its own, as the control's worker does.
    void Run(enumCommType commType, long timesCount, CWexlinkProtocol* engine = nullptr)
    {
        if (!engine) {
            m_ownEngine = std::make_unique<CTestEngine>(m_platform);
            engine = m_ownEngine.get();
        }
        Configure(*engine);
        m_run = std::async(std::launch::async, [=] { return engine->RunSession(commType, timesCount); });
    }

    bool HasEnded(DWORD timeoutMs)
    {
        return m_run.valid() && m_run.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
    }

    // True when the run ended within the time; otherwise stops it, so that no engine a test owns
    // outlives the test while its driver still runs.
    bool WaitForEnd(DWORD timeoutMs)
    {
        if (HasEnded(timeoutMs)) {
            return true;
        }
        Stop();
        return false;
    }

    void Stop()
    {
        m_stop.Set();
        if (m_run.valid()) {
            m_run.wait();
        }
    }

    // Queues an option as the control's Add methods do.
    void Queue(const CCommOptionsObj& option)
    {
        CScopedLock hold(m_queueLock);
        m_queue.push_back(option);
    }

    void ClearQueue()
    {
        CScopedLock hold(m_queueLock);
        m_queue.clear();
        SetEvent(m_listEvent.Handle());
    }

    // Lets the driver look at the port list this many more times; nothing it does in between shows.
    void SleepThroughPortRechecks(DWORD checks) const { Sleep(checks * m_timings.portRecheckMs + 50); }

    CProtocolTimings m_timings = ShortTimings();
    enumIRDADev m_adapter = irdaNone;
    VirtualLine m_line;
    CTerminalSimulator m_terminal;
    std::unique_ptr<CPortDevice> m_port;
    CMessageRecord m_record;
    CRecordingSink m_sink{m_record};
    IEngineSink* m_useSink = &m_sink;  // where the runs report
    CTestEvent m_stop;
    CTestEvent m_listEvent;
    CCriticalSection m_queueLock;
    CCommOptionsList m_queue;
    CRefusingPlatform m_platform;  // the platform of the engine that Run makes; it refuses what a test sets
    std::unique_ptr<CTestEngine> m_ownEngine;
    std::future<int> m_run;
};

}  // namespace

TEST_F(SessionTest, EmptyQueueEndsEachSessionWithTheEndRequestUntilTheSuccessCount)
{
    PlugPort();
    StartTerminal();
    Run(commSuccess, 2);
    ASSERT_TRUE(WaitForEnd(20000));

    const std::vector<DeliveredMessage> messages = m_record.Snapshot();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().message, WM_WEXLINK_CONNECTED);
    EXPECT_EQ(messages.front().lParam, static_cast<LPARAM>(TerminalId));
    EXPECT_EQ(m_record.TextOf(StatusId::ProtocolVersion), L"Terminal Wexlink protocol version 1.05");
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 2u);
    EXPECT_EQ(m_record.TextOf(StatusId::SessionComplete), L"Communication session complete.");
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
    EXPECT_EQ(m_record.TextOf(StatusId::AbortedAfterSuccesses), L"Aborted after 2 times successful communication.");
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x00), 2u);
    EXPECT_EQ(m_record.CountStatus(StatusId::UserAborted), 0u);
}

TEST_F(SessionTest, NoAnswerCountStartsAgainAfterAnAnswerAndEndsTheRunAtItsLimit)
{
    PlugPort();
    StartTerminal();
    m_terminal.InjectFault(0x05, SimFault::NoAnswer(), 2);
    // After the one answer, three silent polls in a row end the run.
    m_terminal.InjectFault(0x05, SimFault::Delay(0), 1);
    m_terminal.InjectFault(0x05, SimFault::NoAnswer(), 3);
    Run(commNoAnswer, 3);
    ASSERT_TRUE(WaitForEnd(60000));

    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x05), 6u);
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterNoAnswers);
    EXPECT_EQ(m_record.TextOf(StatusId::AbortedAfterNoAnswers), L"Aborted after 3 times no answer from terminal.");
}

TEST_F(SessionTest, DeletionBeforeVersion101IsRefusedAndTheSessionGoesOn)
{
    PlugPort();
    StartTerminal();
    SimTerminalConfig config = m_terminal.Config();
    config.versionMajor = 1;
    config.versionMinor = 0;
    m_terminal.SetConfig(config);
    m_record.SetHandler([this](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_CONNECTED) {
            ClearQueue();
            Queue(CCommOptionsObj(optDeleteFiles, L"*.DAT", 2));
        }
    });
    Run(commSuccess, 1);
    ASSERT_TRUE(WaitForEnd(20000));

    EXPECT_EQ(m_record.StatusIds(), (std::vector<int>{StatusId::ProtocolVersion, StatusId::VersionTooOld,
                                                      StatusId::SessionComplete, StatusId::AbortedAfterSuccesses}));
    EXPECT_EQ(m_record.TextOf(StatusId::ProtocolVersion), L"Terminal Wexlink protocol version 1.00");
    EXPECT_EQ(m_record.TextOf(StatusId::VersionTooOld), L"Function not supported until Wexlink protocol version 1.01.");
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x00), 1u);
}

TEST_F(SessionTest, ClearingTheQueueDuringASessionStartsAgainAtItsFirstOption)
{
    PlugPort();
    StartTerminal();
    SimTerminalConfig config = m_terminal.Config();
    config.versionMinor = 0;
    m_terminal.SetConfig(config);
    // Three options, the last a refused deletion; while it is refused the host replaces the queue
    // by a single option. Only a driver that starts again at index 0 finds that queue exhausted
    // exactly at its end and completes the session; one that went on at index 3 would not.
    m_record.SetHandler([this](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_CONNECTED) {
            ClearQueue();
            Queue(CCommOptionsObj(optGetOSVersion));
            Queue(CCommOptionsObj(optGetApplicationVersion));
            Queue(CCommOptionsObj(optDeleteFiles, L"*.*", 2));
        } else if (m.message == WM_WEXLINK_STATUS && m.wParam == 230) {
            ClearQueue();
            Queue(CCommOptionsObj(optGetOSVersion));
        }
    });
    Run(commSuccess, 1);
    ASSERT_TRUE(WaitForEnd(20000));
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x00), 1u);
}

TEST_F(SessionTest, PortAbsentAtStartIsReportedOnceAndTheRunResumesWhenItIsBack)
{
    RemovePortsDevice(m_line.pcPort);
    StartTerminal();
    Run(commSuccess, 1);
    ASSERT_TRUE(m_record.WaitForStatus(StatusId::PortNotAvailable, 5000));
    SleepThroughPortRechecks(2);
    EXPECT_EQ(m_record.CountStatus(StatusId::PortNotAvailable), 1u);
    EXPECT_EQ(m_record.TextOf(StatusId::PortNotAvailable),
              L"Port COM" + std::to_wstring(m_line.pcPort) + L" not available.");
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x05), 0u);

    PlugPort();
    ASSERT_TRUE(m_record.WaitForStatus(StatusId::Resuming, 4000)) << "the port list is checked again and again";
    EXPECT_EQ(m_record.TextOf(StatusId::Resuming), L"Resuming Wexlink operation.");
    ASSERT_TRUE(WaitForEnd(15000));
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
}

TEST_F(SessionTest, ListedPortThatCannotBeOpenedEndsTheRunWithItsName)
{
    // Listed by the device service but with no device behind it, as a port held by another program
    // or gone half-way; a number of our own well away from the virtual lines.
    const int ghost = 200 + m_line.pcPort;
    CPortDevice listed(ghost);
    ASSERT_TRUE(listed.IsAdded());
    CTestEngine engine;
    Configure(engine);
    engine.SetComPort(ghost);
    m_run = std::async(std::launch::async, [&] { return engine.RunSession(commContinuous, 0); });
    ASSERT_TRUE(WaitForEnd(5000));
    EXPECT_EQ(m_record.StatusIds(), std::vector<int>{StatusId::CannotOpenPort});
    EXPECT_EQ(m_record.TextOf(StatusId::CannotOpenPort), L"Cannot open port COM" + std::to_wstring(ghost) + L".");
}

// Under Wine a read of the device list while another device of the class comes or goes misses
// about one entry in a hundred. A port that is listed all along must never count as gone: that
// would end a transfer or hold the run back for a re-check. Numbers of our own, odd above 240 (no
// virtual line or other test uses them); the other devices' names sort before the watched one's.
TEST(PortList, APortListedAllAlongIsFoundWhileOtherDevicesComeAndGo)
{
    const int watched = 299;
    CPortDevice listed(watched);
    ASSERT_TRUE(listed.IsAdded());
    std::atomic<bool> done{false};
    std::future<void> churn = std::async(std::launch::async, [&done] {
        for (int turn = 0; !done; ++turn) {
            const int other = 241 + 2 * (turn % 8);
            AddPortsDevice(other);
            RemovePortsDevice(other);
        }
    });
    CTestEngine engine;
    engine.SetComPort(watched);
    int misses = 0;
    for (int look = 0; look < 600; ++look) {
        if (!engine.IsConfiguredPortListed())
            ++misses;
    }
    done = true;
    churn.get();
    EXPECT_EQ(0, misses);
}

TEST_F(SessionTest, StopEndsEveryStateWithOneReport)
{
    enum class Phase { WaitingForPort, Polling, InOption, EndingSession };
    struct State {
        const char* name;
        Phase phase;
    };
    for (const State state :
         {State{"waiting for the port", Phase::WaitingForPort}, State{"polling", Phase::Polling},
          State{"running an option", Phase::InOption}, State{"ending the session", Phase::EndingSession}}) {
        SCOPED_TRACE(state.name);
        RemovePortsDevice(m_line.pcPort);
        if (state.phase != Phase::WaitingForPort) {
            PlugPort();
        }
        if (state.phase == Phase::InOption || state.phase == Phase::EndingSession) {
            StartTerminal();
        }
        if (state.phase == Phase::InOption) {
            m_record.SetHandler([this](const DeliveredMessage& m) {
                if (m.message == WM_WEXLINK_CONNECTED) {
                    Queue(CCommOptionsObj(optGetOSVersion));
                    m_stop.Set();
                }
            });
        }
        if (state.phase == Phase::EndingSession) {
            m_terminal.InjectFault(0x00, SimFault::NoAnswer(), 3);
        }
        // The wait between two looks at the port list has the product's length, so that a wait the
        // stop does not cut short shows.
        m_timings.portRecheckMs =
            state.phase == Phase::WaitingForPort ? CProtocolTimings{}.portRecheckMs : ShortTimings().portRecheckMs;
        const size_t writesBefore = m_platform.WriteTicks().size();
        Run(commContinuous, 0);
        // Bounded by the 2500 ms read time-out that a data wait on a pseudo-terminal falls through to;
        // the port re-check wait ends at once.
        DWORD bound = 4000;
        if (state.phase == Phase::EndingSession) {
            ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x00, 1, 10000));
        } else if (state.phase == Phase::WaitingForPort) {
            ASSERT_TRUE(m_record.WaitForStatus(StatusId::PortNotAvailable, 5000));
            bound = 1000;
        } else if (state.phase == Phase::Polling) {
            ASSERT_TRUE(m_platform.WaitForWrites(writesBefore + 1, 5000)) << "no poll went out";
        } else {
            ASSERT_TRUE(m_record.WaitForStatus(StatusId::ProtocolVersion, 5000)) << "no session began";
        }
        const ULONGLONG start = GetTickCount64();
        m_stop.Set();
        ASSERT_TRUE(WaitForEnd(bound));
        EXPECT_LT(GetTickCount64() - start, bound);
        EXPECT_EQ(m_record.CountStatus(StatusId::UserAborted), 1u);
        EXPECT_EQ(m_record.StatusIds().back(), StatusId::UserAborted);
        EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 0u);

        m_terminal.Stop();
        m_terminal.ClearFaults();
        m_terminal.ClearLog();
        m_record.Clear();
        ResetEvent(m_stop.Handle());
        m_port.reset();
    }
}

TEST_F(SessionTest, PortThatFailsWithAccessDeniedIsAwaitedAndSetUpAgain)
{
    PlugPort();
    StartTerminal();
    CRefusingPlatform platform;
    CTestEngine engine(platform);
    platform.failNextWrite = true;
    Run(commSuccess, 1, &engine);
    ASSERT_TRUE(WaitForEnd(20000));

    const std::vector<int> ids = m_record.StatusIds();
    ASSERT_GE(ids.size(), 3u);
    EXPECT_EQ(ids[0], StatusId::CannotTransmit);
    EXPECT_EQ(ids[1], StatusId::Resuming);
    EXPECT_EQ(ids.back(), StatusId::AbortedAfterSuccesses);
    // Each open leaves the port at 19200; the line set-up after the second one brings it back to
    // the configured rate.
    EXPECT_EQ(platform.lastRate.load(), 57600u);
}

TEST_F(SessionTest, RefusedConnectWritesArePacedAndAPortThatIsNoLongerListedIsAwaited)
{
    PlugPort();
    StartTerminal();
    CRefusingPlatform platform;
    CTestEngine engine(platform);
    platform.failWrites = true;
    Run(commSuccess, 1, &engine);

    // The port is still listed: the poll is repeated at the pace of the port re-check, not at once.
    ASSERT_TRUE(platform.WaitForWrites(3, 5000));
    EXPECT_GE(platform.refused.load(), 1);
    const std::vector<ULONGLONG> ticks = platform.WriteTicks();
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_GE(ticks[i] - ticks[i - 1] + 20, m_timings.portRecheckMs) << "refused write " << i;
    }
    EXPECT_EQ(m_record.StatusIds(), std::vector<int>{StatusId::CannotTransmit});

    // Unplugged: the next refused write finds the port gone, and the driver waits for it.
    ASSERT_TRUE(m_port->Remove());
    ASSERT_TRUE(m_record.WaitForStatus(StatusId::PortNotAvailable, 5000));
    platform.failWrites = false;
    ASSERT_TRUE(m_port->Add());
    ASSERT_TRUE(m_record.WaitForStatus(StatusId::Resuming, 5000));
    ASSERT_TRUE(WaitForEnd(15000));
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
}

// A read whose cancel the driver never carries out: the serial port gives it up and closes, the option
// fails with the transmission code, and the port is opened again for the next session.
TEST_F(SessionTest, ReadWhoseCancelNeverCompletesFailsTheOptionAndTheRunGoesOn)
{
    PlugPort();
    StartTerminal();
    CStallingSerialPlatform driver;
    driver.cancelCompletes = false;
    CTestEngine engine(driver);
    std::atomic<int> connects{0};
    m_record.SetHandler([&](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_CONNECTED) {
            ClearQueue();
            Queue(CCommOptionsObj(optGetOSVersion));
            if (++connects == 1) {
                driver.stallReads = true;
            }
        }
    });
    Run(commSuccess, 1, &engine);
    // The read's I/O time-out, the bounded wait for its cancel and the pause before the next attempt.
    ASSERT_TRUE(m_record.WaitForStatus(StatusId::CannotTransmit, 10000));
    driver.stallReads = false;  // the port is looked at again only after the port re-check
    ASSERT_TRUE(WaitForEnd(20000));

    EXPECT_EQ(m_record.CountStatus(StatusId::CannotTransmit), 1u);
    EXPECT_EQ(m_record.TextOf(StatusId::CannotTransmit), L"Cannot transmit frame data.");
    EXPECT_EQ(m_record.CountStatus(StatusId::Resuming), 0u) << "the port never left the port list";
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
    EXPECT_EQ(connects.load(), 2);
    EXPECT_EQ(driver.releasedOnClose.load(), 1);
}

// A stop while the driver keeps a cancelled wait, and does not give it back even when the port is
// closed: the run and the engine still end within a second or two.
TEST_F(SessionTest, StopEndsTheRunInTimeWhenTheDriverKeepsTheCancelledWait)
{
    PlugPort();
    CStallingSerialPlatform driver;
    driver.stallWaits = true;
    driver.cancelCompletes = false;
    driver.closeReleases = false;
    auto engine = std::make_unique<CTestEngine>(driver);
    Run(commContinuous, 0, engine.get());
    Sleep(1000);  // polling, in the connect's wait for an answer

    const ULONGLONG start = GetTickCount64();
    m_stop.Set();
    ASSERT_TRUE(WaitForEnd(3000));
    engine.reset();
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(m_record.StatusIds(), std::vector<int>{StatusId::UserAborted});
    EXPECT_EQ(driver.Outstanding(), 1u);
}

// A stop while the driver sits on a read, or on a write, of a running option and never carries out
// the cancel: the run ends well inside the I/O time-out with the stop's one report, not as a line
// that cannot transmit; the port is closed, and the request was still alive when the driver let go.
TEST_F(SessionTest, StopEndsTheRunInTimeWhileTheDriverSitsOnATransfer)
{
    m_timings.ioTimeoutMs = CProtocolTimings{}.ioTimeoutMs;  // the product's, which the stop must not wait out
    PlugPort();
    StartTerminal();
    for (const bool writing : {false, true}) {
        SCOPED_TRACE(writing ? "a write" : "a read");
        CStallingSerialPlatform driver;
        driver.cancelCompletes = false;
        CTestEngine engine(driver);
        m_record.SetHandler([&](const DeliveredMessage& m) {
            if (m.message == WM_WEXLINK_CONNECTED) {
                ClearQueue();
                Queue(CCommOptionsObj(optGetOSVersion));
                (writing ? driver.stallWrites : driver.stallReads) = true;
            }
        });
        Run(commContinuous, 0, &engine);
        const ULONGLONG waitUntil = GetTickCount64() + 10000;
        while (driver.Outstanding() == 0 && GetTickCount64() < waitUntil) {
            Sleep(10);
        }
        if (driver.Outstanding() != 1) {
            Stop();  // the engine on this stack must not outlive its run
            FAIL() << "the transfer never stuck";
        }

        const ULONGLONG start = GetTickCount64();
        m_stop.Set();
        ASSERT_TRUE(WaitForEnd(5000));
        EXPECT_LT(GetTickCount64() - start, 1500u);
        EXPECT_EQ(m_record.CountStatus(StatusId::UserAborted), 1u);
        EXPECT_EQ(m_record.StatusIds().back(), StatusId::UserAborted);
        EXPECT_EQ(m_record.CountStatus(StatusId::CannotTransmit), 0u);
        EXPECT_GE(driver.closes.load(), 1);
        EXPECT_EQ(driver.releasedOnClose.load(), 1);

        m_record.SetHandler(nullptr);
        m_record.Clear();
        m_terminal.ClearLog();
        ResetEvent(m_stop.Handle());
    }
}

// A comm-event wait that the driver refuses at once, as a pulled adapter's driver does, closes the
// port; the run opens it again with its line set-up and the session completes.
TEST_F(SessionTest, DataWaitRefusedByTheDriverHasThePortOpenedAgain)
{
    PlugPort();
    StartTerminal();
    CStallingSerialPlatform driver;
    driver.waitRefusal = ERROR_DEVICE_NOT_CONNECTED;
    driver.refusedWaits = 1;
    CTestEngine engine(driver);
    Run(commSuccess, 1, &engine);
    ASSERT_TRUE(WaitForEnd(20000));

    EXPECT_EQ(driver.refusedWaits.load(), 0);
    EXPECT_EQ(driver.closes.load(), 1) << "the refused wait did not close the port";
    EXPECT_GE(m_terminal.Log().Count(SimDirection::Received, 0x05), 2u) << "no connect after the port came back";
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
}

// The control's relay with a window to report to: the reports arrive as messages sent to it.
TEST_F(SessionTest, WithAClientSiteMessagesGoToTheWindowOnItsThread)
{
    CRecordingWindow window(m_record);
    ASSERT_NE(window.Handle(), nullptr) << "needs an X display (xvfb-run)";
    CEngineEventRelay relay;
    relay.Open(window.Handle(), nullptr);
    m_useSink = &relay;
    PlugPort();
    StartTerminal();
    CTestEngine engine;
    Run(commSuccess, 1, &engine);

    // The messages are sent synchronously, so this thread pumps until the run has ended; a run that
    // takes too long is stopped, still pumping, so that its last messages can get through.
    const ULONGLONG deadline = GetTickCount64() + 20000;
    bool late = false;
    while (!HasEnded(0)) {
        if (!late && GetTickCount64() > deadline) {
            late = true;
            m_stop.Set();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    ASSERT_FALSE(late);
    const std::vector<DeliveredMessage> messages = m_record.Snapshot();
    ASSERT_FALSE(messages.empty());
    for (const DeliveredMessage& m : messages) {
        EXPECT_EQ(m.threadId, GetCurrentThreadId());
    }
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
}

TEST(LocalClock, PcClockIsSentAsShownAndAClockBeforeTheCalendarFailsTheOption)
{
    CCommOptionsObj option(optSetLocalTimeDate);
    const SYSTEMTIME now{2026, 7, 0, 14, 13, 5, 9, 0};  // 14 July 2026, 13:05:09
    ASSERT_TRUE(CWexlinkProtocol::LocalClockToOption(now, option));
    EXPECT_EQ(option.year, 2026);
    EXPECT_EQ(option.month, 7);
    EXPECT_EQ(option.day, 14);
    EXPECT_EQ(option.hours, 13);
    EXPECT_EQ(option.minutes, 5);
    EXPECT_EQ(option.seconds, 9);

    SYSTEMTIME beforeCalendar = now;
    beforeCalendar.wYear = 1950;
    EXPECT_FALSE(CWexlinkProtocol::LocalClockToOption(beforeCalendar, option));
}

// The line goes away under a running file transfer and comes back, as an unplugged and replugged
// adapter does: the transfer fails once, and after the line is back a session completes.
TEST_F(SessionTest, LineThatGoesAwayDuringATransferIsPickedUpAgainWhenItIsBack)
{
    PlugPort();
    // Slow blocks make a transfer of some seconds for the line to go away under; once the line is
    // back they come at the line's own pace. Few blocks, so that the session after the return is
    // short on a loaded machine too (each exchange then costs tens of milliseconds).
    const SimBytes data = PatternBytes(15000);
    m_terminal.Files().Put(2, "BIG.DAT", data);
    RegisterReceiveCommands(m_terminal, SimReceiveOptions{244});
    m_terminal.InjectFault(0x11, SimFault::Delay(100), 1000);
    StartTerminal();
    const std::wstring pcFile = TempPath(L"wexlink-line-back.dat");
    DeleteFileW(pcFile.c_str());
    m_record.SetHandler([&](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_CONNECTED) {
            ClearQueue();
            Queue(CCommOptionsObj(pcFile, downOverwrite, L"BIG.DAT", 2, false));
        }
    });
    Run(commSuccess, 1);

    ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x11, 10, 15000));
    const int closesBefore = m_platform.closes;
    ASSERT_TRUE(VirtualLine::TakeDown());
    Sleep(4000);  // two looks at the port, which is listed but cannot be opened
    EXPECT_FALSE(HasEnded(0));
    EXPECT_GT(m_platform.closes.load(), closesBefore) << "the failed line did not close the port";
    m_terminal.ClearFaults();
    const int setUpsBefore = m_platform.configuredRateSetUps;
    ASSERT_TRUE(VirtualLine::BringBack());

    ASSERT_TRUE(WaitForEnd(20000)) << "no session within 20 s of the line coming back; statuses "
                                   << m_record.StatusTrail() << "; block requests "
                                   << m_terminal.Log().Count(SimDirection::Received, 0x11);
    EXPECT_GT(m_platform.configuredRateSetUps.load(), setUpsBefore) << "the port was not opened and set up again";
    EXPECT_EQ(m_record.CountStatus(StatusId::CannotTransmit), 1u);
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
    EXPECT_EQ(m_record.CountStatus(StatusId::PortNotAvailable), 0u);
    EXPECT_TRUE(ReadFileBytes(pcFile) == data);
    DeleteFileW(pcFile.c_str());
}

// An adapter that cannot be told the configured rate leaves a line on which no frame reaches the
// terminal: the port counts as one that does not open, at the start of a run and on every try to
// open it again after the line failed, so the run ends at once or after the grace.
TEST_F(SessionTest, AdapterThatCannotBeToldTheRateFailsTheOpenAtTheStartAndOnTheReopen)
{
    // Each Tekram try takes about a second of the adapter's pauses: the grace is more than two of them.
    m_timings.portOpenGraceMs = 3000;
    m_adapter = irdaTekram;
    PlugPort();
    m_platform.refusedByte = 0x11;  // the Tekram control byte for 57600
    Run(commSuccess, 1);
    ASSERT_TRUE(WaitForEnd(5000)) << "statuses " << m_record.StatusTrail();
    EXPECT_EQ(m_record.StatusIds(), std::vector<int>{StatusId::CannotOpenPort});

    m_record.Clear();
    m_platform.refusedByte = -1;
    Run(commSuccess, 1);
    // The adapter's control byte in the set-up, then the first poll.
    ASSERT_TRUE(m_platform.WaitForWrites(m_platform.WriteTicks().size() + 2, 5000)) << "no poll went out";
    std::atomic<ULONGLONG> lost{0};
    m_record.SetHandler([&lost](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_STATUS && static_cast<int>(m.wParam) == StatusId::CannotTransmit) {
            lost = GetTickCount64();
        }
    });
    m_platform.refusedByte = 0x11;
    m_platform.failNextWrite = true;
    ASSERT_TRUE(WaitForEnd(m_timings.portOpenGraceMs + 5000)) << "statuses " << m_record.StatusTrail();
    ASSERT_NE(lost.load(), 0u) << "no transmit failure was reported";
    EXPECT_GE(GetTickCount64() - lost, m_timings.portOpenGraceMs);
    EXPECT_EQ(m_record.StatusIds(), (std::vector<int>{StatusId::CannotTransmit, StatusId::CannotOpenPort}));
}

// A stop that lands while the port is being opened again after a line failure is all the run
// reports, whether that try fails after the grace is over (here the adapter cannot be told the rate)
// or opens a port whose loss would be announced as over.
TEST_F(SessionTest, StopDuringAReopenIsTheOnlyReportWhetherOrNotThePortOpens)
{
    m_timings.portOpenGraceMs = 0;  // a failed try ends the run
    PlugPort();
    for (const bool opens : {false, true}) {
        SCOPED_TRACE(opens ? "the try opens" : "the try fails");
        // The stop comes as the set-up gives the port the configured rate; with no adapter nothing
        // after that can fail the try.
        m_adapter = opens ? irdaNone : irdaTekram;
        const size_t setUpWrites = opens ? 0 : 1;  // the Tekram control byte
        Run(commSuccess, 1);
        ASSERT_TRUE(m_platform.WaitForWrites(m_platform.WriteTicks().size() + setUpWrites + 1, 5000))
            << "no poll went out";
        m_platform.refusedByte = opens ? -1 : 0x11;
        m_platform.setAtConfiguredRate = m_stop.Handle();
        m_platform.failNextWrite = true;  // access denied: the port's return would be announced
        ASSERT_TRUE(WaitForEnd(5000)) << "statuses " << m_record.StatusTrail();
        EXPECT_EQ(m_record.StatusIds(), (std::vector<int>{StatusId::CannotTransmit, StatusId::UserAborted}));

        m_record.Clear();
        ResetEvent(m_stop.Handle());
    }
}

// The same while the driver polls and no terminal answers: polling goes on after the line is back.
TEST_F(SessionTest, LineThatGoesAwayWhilePollingIsPickedUpAgainWhenItIsBack)
{
    PlugPort();
    Run(commSuccess, 1);
    Sleep(1000);
    const int closesBefore = m_platform.closes;
    ASSERT_TRUE(VirtualLine::TakeDown());
    Sleep(4000);
    EXPECT_FALSE(HasEnded(0));
    EXPECT_GT(m_platform.closes.load(), closesBefore) << "the failed line did not close the port";
    const int setUpsBefore = m_platform.configuredRateSetUps;
    ASSERT_TRUE(VirtualLine::BringBack());
    StartTerminal();

    ASSERT_TRUE(WaitForEnd(20000)) << "no session within 20 s of the line coming back; statuses "
                                   << m_record.StatusTrail();
    EXPECT_GT(m_platform.configuredRateSetUps.load(), setUpsBefore) << "the port was not opened and set up again";
    EXPECT_EQ(m_record.CountStatus(StatusId::SessionComplete), 1u);
    EXPECT_EQ(m_record.StatusIds().back(), StatusId::AbortedAfterSuccesses);
}

// The line goes away for good in the middle of a receive while its port stays listed, as an adapter's
// port often does, or a port another program took: after the grace the run ends with the port's open
// failure, in every mode, rather than waiting without a word.
TEST_F(SessionTest, LineThatNeverComesBackEndsTheRunAfterTheGraceInEveryMode)
{
    m_timings.portOpenGraceMs = 1500;
    PlugPort();
    m_terminal.Files().Put(2, "BIG.DAT", PatternBytes(15000));
    RegisterReceiveCommands(m_terminal, SimReceiveOptions{244});
    StartTerminal();
    const std::wstring pcFile = TempPath(L"wexlink-line-gone.dat");
    m_record.SetHandler([&](const DeliveredMessage& m) {
        if (m.message == WM_WEXLINK_CONNECTED) {
            ClearQueue();
            Queue(CCommOptionsObj(pcFile, downOverwrite, L"BIG.DAT", 2, false));
        }
    });
    for (const enumCommType mode : {commContinuous, commSuccess, commNoAnswer}) {
        SCOPED_TRACE(mode);
        m_terminal.InjectFault(0x11, SimFault::Delay(100), 1000);
        Run(mode, 1);
        ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x11, 3, 15000));
        const ULONGLONG down = GetTickCount64();
        ASSERT_TRUE(VirtualLine::TakeDown());
        ASSERT_TRUE(WaitForEnd(10000)) << "statuses " << m_record.StatusTrail();
        EXPECT_GE(GetTickCount64() - down, m_timings.portOpenGraceMs);
        EXPECT_EQ(m_record.StatusIds().back(), StatusId::CannotOpenPort);
        EXPECT_EQ(m_record.TextOf(StatusId::CannotOpenPort),
                  L"Cannot open port COM" + std::to_wstring(m_line.pcPort) + L".");

        ASSERT_TRUE(VirtualLine::BringBack());
        m_terminal.Stop();  // started again on the new line at once, so that the next run's first poll is answered
        ASSERT_TRUE(m_terminal.Start(m_line.terminalPort)) << m_terminal.LastError();
        m_terminal.ClearFaults();
        m_terminal.ClearLog();
        m_record.Clear();
    }
    DeleteFileW(pcFile.c_str());
}
