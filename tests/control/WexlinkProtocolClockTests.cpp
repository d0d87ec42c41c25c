// The clock and version commands end to end: the registered control, created through COM, runs its
// options against the terminal simulator on the other end of the virtual line, and the tests read the
// events as the host does and the frames as the terminal saw them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "SimClockCommands.h"

using namespace controltest;

namespace {

using Status = Report;
using Statuses = Reports;

const Status kVersion101{StatusId::ProtocolVersion, L"Terminal Wexlink protocol version 1.01"};
const Status kComplete{StatusId::SessionComplete, L"Communication session complete."};
const Status kOneSuccess{StatusId::AbortedAfterSuccesses, L"Aborted after 1 times successful communication."};
const Status kRetriesFailed{StatusId::NotSucceededAfterRetries, L"Not succeeded after retries."};
const Status kAborted{StatusId::UserAborted, L"User aborted the protocol."};
const Status kReadClock{StatusId::GetTimeDate, L"Receive time and date from terminal."};
const Status kSetClock{StatusId::SetTimeDate, L"Set new time and date."};
const Status kSetClockDone{StatusId::SetTimeDateDone, L"Set new time and date successfull."};
const Status kGetOs{StatusId::GetOsVersion, L"Get terminal OS version."};
const Status kGetApplication{StatusId::GetApplicationVersion, L"Get terminal application version."};

constexpr DWORD kRunTimeoutMs = 40000;

class ClockCommandsTest : public ControlOnLineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ControlOnLineTest::SetUp());
        ASSERT_EQ(S_OK, control->put_IrDADevice(irdaNone));
        clock = RegisterClockCommands(terminal);
        ASSERT_TRUE(terminal.Start(line.terminalPort));
    }

    void RunToEnd()
    {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(WaitUntilIdle(kRunTimeoutMs));
    }

    void Queue(HRESULT (STDMETHODCALLTYPE IWexlinkCtl::*add)()) { ASSERT_EQ(S_OK, (control.Get()->*add)()); }

    // The statuses up to and including the first `last`.
    Statuses StatusesThrough(const Status& last)
    {
        Statuses statuses = StatusReports();
        for (size_t i = 0; i < statuses.size(); ++i)
            if (statuses[i] == last) {
                statuses.resize(i + 1);
                return statuses;
            }
        return statuses;
    }

    size_t CountOf(const Status& status)
    {
        size_t count = 0;
        for (const Status& s : StatusReports())
            count += s == status ? 1 : 0;
        return count;
    }

    // The requests of `command` that the terminal received in the first session, that is before the
    // second connect request.
    std::vector<SimFrameRecord> FirstSessionRequests(uint8_t command)
    {
        std::vector<SimFrameRecord> requests;
        int connects = 0;
        for (const SimFrameRecord& frame : terminal.Frames()) {
            if (frame.direction != SimDirection::Received || frame.refused)
                continue;
            if (frame.command == SimWire::kConnect && ++connects == 2)
                break;
            if (frame.command == command)
                requests.push_back(frame);
        }
        return requests;
    }

    size_t RequestCount(uint8_t command)
    {
        size_t count = 0;
        for (const SimFrameRecord& frame : terminal.Frames())
            count += frame.direction == SimDirection::Received && frame.command == command ? 1 : 0;
        return count;
    }

    enum class RetryGap { Paused, AtOnce };

    // The first session: the option's report, three requests and one report of the failure.
    void ExpectOneFailedOption(const Status& before, uint8_t command, RetryGap gap)
    {
        EXPECT_EQ((Statuses{kVersion101, before, kRetriesFailed}), StatusesThrough(kRetriesFailed));
        EXPECT_EQ(1u, CountOf(kRetriesFailed));
        EXPECT_EQ(1u, CountOf(kComplete)) << "only the second session completes";

        const std::vector<SimFrameRecord> requests = FirstSessionRequests(command);
        ASSERT_EQ(3u, requests.size());
        for (size_t i = 1; i < requests.size(); ++i) {
            const ULONGLONG between = requests[i].tick - requests[i - 1].tick;
            if (gap == RetryGap::Paused)
                EXPECT_GE(between, 950u) << "a second's pause before each retry";
            else
                EXPECT_LT(between, 700u) << "no pause before a retry";
        }
    }

    std::shared_ptr<CSimClockState> clock;
    short result = 99;
};

SYSTEMTIME ToSystemTime(const SimClock& clock)
{
    SYSTEMTIME time{};
    time.wYear = clock.year;
    time.wMonth = clock.month;
    time.wDay = clock.day;
    time.wHour = clock.hours;
    time.wMinute = clock.minutes;
    time.wSecond = clock.seconds;
    return time;
}

// Seconds from a to b; both are read as the same kind of time.
double SecondsBetween(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    FILETIME fa{};
    FILETIME fb{};
    if (!SystemTimeToFileTime(&a, &fa) || !SystemTimeToFileTime(&b, &fb))
        return 1e9;
    ULARGE_INTEGER ua{{fa.dwLowDateTime, fa.dwHighDateTime}};
    ULARGE_INTEGER ub{{fb.dwLowDateTime, fb.dwHighDateTime}};
    return (static_cast<double>(ub.QuadPart) - static_cast<double>(ua.QuadPart)) / 1e7;
}

}  // namespace

TEST_F(ClockCommandsTest, ReadsTheClockInTheRequestedFormats)
{
    ASSERT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmthhmmssDDMMYYYYY, &result));
    ASSERT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmtYYMMDD, &result));
    RunToEnd();

    // The terminal's clock 0C 05 21 08 0C 07 EA.
    const Status longForm{StatusId::TimeDate, L"12:05:33 8/12/2026"}, shortForm{StatusId::TimeDate, L"26/12/8"};
    const Statuses expected = {kVersion101, kReadClock, longForm, kReadClock, shortForm, kComplete, kOneSuccess};
    EXPECT_EQ(expected, StatusReports());
    const std::vector<RecordedEvent> events = sink.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(1, events.front().id);
    EXPECT_EQ(0x012345, events.front().value);
}

TEST_F(ClockCommandsTest, AClockThatMakesNoSenseIsAnEmptyTextAndTheSessionGoesOn)
{
    SimClock noMonth;
    noMonth.month = 0;
    clock->SetClock(noMonth);
    ASSERT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmthhmmssDDMMYYYYY, &result));
    RunToEnd();
    EXPECT_EQ((Statuses{kVersion101, kReadClock, {StatusId::TimeDate, L""}, kComplete, kOneSuccess}), StatusReports());
}

TEST_F(ClockCommandsTest, AClockAnswerTooShortForAClockIsAnEmptyText)
{
    // Not a clock made of whatever bytes follow the payload.
    terminal.RegisterHandler(SimClockWire::kGetTimeDate, [](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = {12, 5, 33, 8};
        return reply;
    });
    ASSERT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmthhmmssDDMMYYYYY, &result));
    RunToEnd();
    EXPECT_EQ((Statuses{kVersion101, kReadClock, {StatusId::TimeDate, L""}, kComplete, kOneSuccess}), StatusReports());
}

TEST_F(ClockCommandsTest, SetsTheClockToTheGivenValues)
{
    ASSERT_EQ(S_OK, control->AddSetTerminalTimeDate(15, 4, 5, 8, 12, 2026, &result));
    ASSERT_EQ(0, result);
    // Queued as 1 May: the option normalises the date, and the terminal gets it as it shows.
    ASSERT_EQ(S_OK, control->AddSetTerminalTimeDate(10, 0, 0, 31, 4, 2026, &result));
    ASSERT_EQ(0, result);
    RunToEnd();

    EXPECT_EQ((Statuses{kVersion101, kSetClock, kSetClockDone, kSetClock, kSetClockDone, kComplete, kOneSuccess}),
              StatusReports());
    const std::vector<SimFrameRecord> requests = FirstSessionRequests(SimClockWire::kSetTimeDate);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ((SimBytes{0x0F, 0x04, 0x05, 0x08, 0x0C, 0x07, 0xEA}), requests[0].payload);
    EXPECT_EQ((SimBytes{0x0A, 0x00, 0x00, 0x01, 0x05, 0x07, 0xEA}), requests[1].payload);
    EXPECT_EQ(2u, clock->ClocksSet().size());
}

TEST_F(ClockCommandsTest, SetLocalTimeSendsThePcClock)
{
    ASSERT_NO_FATAL_FAILURE(Queue(&IWexlinkCtl::AddSetTerminalLocalTimeDate));
    SYSTEMTIME before{};
    GetLocalTime(&before);
    RunToEnd();
    SYSTEMTIME after{};
    GetLocalTime(&after);

    EXPECT_EQ((Statuses{kVersion101,
                        {StatusId::SetLocalTimeDate, L"Set local pc time in terminal."},
                        {StatusId::SetLocalTimeDateDone, L"Set local pc time in terminal successful."},
                        kComplete,
                        kOneSuccess}),
              StatusReports());
    const std::vector<SimClock> set = clock->ClocksSet();
    ASSERT_EQ(1u, set.size());
    const SYSTEMTIME sent = ToSystemTime(set[0]);
    // Whole seconds: the clock sent may lie up to a second before the moment read first, and no later
    // than the end of the run, however long a loaded machine makes the run.
    EXPECT_GE(SecondsBetween(before, sent), -1.0);
    EXPECT_GE(SecondsBetween(sent, after), 0.0);
}

TEST_F(ClockCommandsTest, VersionsAreReportedAsTheTerminalsText)
{
    // Bytes after the NUL are not part of the text; a text without a NUL ends with the payload; each
    // byte is one character.
    clock->SetOsVersion({'V', '2', '.', '1', '0', 0, 'x', 'y'});
    clock->SetApplicationVersion({'C', 'a', 'f', 0xE9, ' ', '1', '.', '4'});
    ASSERT_NO_FATAL_FAILURE(Queue(&IWexlinkCtl::AddGetTerminalOSVersion));
    ASSERT_NO_FATAL_FAILURE(Queue(&IWexlinkCtl::AddGetTerminalApplicationVersion));
    RunToEnd();

    EXPECT_EQ((Statuses{kVersion101,
                        kGetOs,
                        {StatusId::OsVersion, L"OS version: V2.10."},
                        kGetApplication,
                        {StatusId::ApplicationVersion, L"Application version: Caf\u00E9 1.4."},
                        kComplete,
                        kOneSuccess}),
              StatusReports());
}

// Three bad answers in a row fail the option with one report; the session ends without the end of
// session request, and the next poll starts a session that succeeds. Only the clock setting retries at
// once; the other commands pause a second before each retry.
TEST_F(ClockCommandsTest, ThreeBadClockAnswersFailTheReadWithOneReport)
{
    terminal.InjectFault(SimClockWire::kGetTimeDate, SimFault::BadCrc(), 3);
    ASSERT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmthhmm, &result));
    RunToEnd();
    ExpectOneFailedOption(kReadClock, SimClockWire::kGetTimeDate, RetryGap::Paused);
}

TEST_F(ClockCommandsTest, ThreeBadSetClockAnswersFailTheSettingWithOneReport)
{
    terminal.InjectFault(SimClockWire::kSetTimeDate, SimFault::BadCrc(), 3);
    ASSERT_EQ(S_OK, control->AddSetTerminalTimeDate(1, 2, 3, 4, 5, 2026, &result));
    RunToEnd();
    ExpectOneFailedOption(kSetClock, SimClockWire::kSetTimeDate, RetryGap::AtOnce);
}

TEST_F(ClockCommandsTest, ThreeBadVersionAnswersFailTheOptionWithOneReport)
{
    terminal.InjectFault(SimClockWire::kGetApplicationVersion, SimFault::WrongCommand(), 3);
    ASSERT_NO_FATAL_FAILURE(Queue(&IWexlinkCtl::AddGetTerminalApplicationVersion));
    RunToEnd();
    ExpectOneFailedOption(kGetApplication, SimClockWire::kGetApplicationVersion, RetryGap::Paused);
}

TEST_F(ClockCommandsTest, ASilentTerminalGetsThreeClockSettingsAndOneReport)
{
    terminal.InjectFault(SimClockWire::kSetTimeDate, SimFault::NoAnswer(), 3);
    ASSERT_EQ(S_OK, control->AddSetTerminalTimeDate(15, 4, 5, 8, 12, 2026, &result));
    RunToEnd();

    EXPECT_EQ((Statuses{kVersion101, kSetClock, kRetriesFailed}), StatusesThrough(kRetriesFailed));
    EXPECT_EQ(1u, CountOf(kRetriesFailed));
    EXPECT_EQ(3u, FirstSessionRequests(SimClockWire::kSetTimeDate).size());
}

TEST_F(ClockCommandsTest, AStopDuringTheRetryPauseEndsTheRunAtOnce)
{
    terminal.InjectFault(SimClockWire::kGetOsVersion, SimFault::WrongCommand(), 1);
    ASSERT_NO_FATAL_FAILURE(Queue(&IWexlinkCtl::AddGetTerminalOSVersion));
    ASSERT_NO_FATAL_FAILURE(Start());

    // The wrong answer goes out as soon as the request is in and fails the first attempt at once;
    // the second attempt waits a second's pause.
    ASSERT_TRUE(PumpUntil(
        [this] { return terminal.WaitForFrames(SimDirection::Received, SimClockWire::kGetOsVersion, 1, 0); }, 15000));
    PumpUntil([] { return false; }, 300);
    const ULONGLONG stopped = GetTickCount64();
    ASSERT_EQ(S_OK, control->StopProtocol());
    ASSERT_TRUE(WaitUntilIdle(5000));
    EXPECT_LT(GetTickCount64() - stopped, 900u);

    EXPECT_EQ((Statuses{kVersion101, kGetOs, kAborted}), StatusReports());
    EXPECT_EQ(1u, RequestCount(SimClockWire::kGetOsVersion));
}
