// The serial transport on the virtual line: the PC's port through CSerialCom, the terminal's port
// through plain Win32 calls.
#include "RecordingSerialPlatform.h"
#include "SerialCom.h"
#include "StallingSerialPlatform.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>

namespace {

class SerialComOnLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run";
        terminal = CreateFileW(VirtualLine::DevicePath(line.terminalPort).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(terminal, INVALID_HANDLE_VALUE);
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = 2000;
        SetCommTimeouts(terminal, &timeouts);
    }
    void TearDown() override { CloseHandle(terminal); }

    void TerminalSends(const std::string& data)
    {
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(terminal, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    }

    std::string TerminalReceives(size_t count)
    {
        std::string data(count, '\0');
        DWORD got = 0;
        size_t total = 0;
        while (total < count && ReadFile(terminal, &data[total], static_cast<DWORD>(count - total), &got, nullptr) &&
               got > 0) {
            total += got;
        }
        return data.substr(0, total);
    }

    static std::string Read(CSerialCom& port, DWORD count)
    {
        std::string data(count, '\0');
        data.resize(port.Read(&data[0], count));
        return data;
    }

    VirtualLine line;
    HANDLE terminal = INVALID_HANDLE_VALUE;
    CRecordingSerialPlatform platform;
};

ULONGLONG Since(ULONGLONG start)
{
    return GetTickCount64() - start;
}

}  // namespace

TEST_F(SerialComOnLine, OpensAt19200WithoutFlowControlAndCarriesDataWhole)
{
    CSerialCom port(platform);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    EXPECT_EQ(port.GetLastError(), 0u);
    EXPECT_EQ(port.GetBaudRate(), 19200u);
    const DCB& dcb = platform.lastState;
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));

    const std::string request("P\0\x0b request", 11);
    ASSERT_TRUE(port.Write(request.data(), static_cast<DWORD>(request.size()))) << port.GetLastError();
    EXPECT_EQ(TerminalReceives(request.size()), request);

    std::string answer(3000, '\0');
    for (size_t i = 0; i < answer.size(); ++i) {
        answer[i] = static_cast<char>(i * 7);
    }
    TerminalSends(answer);
    EXPECT_EQ(Read(port, static_cast<DWORD>(answer.size())), answer);
}

TEST_F(SerialComOnLine, TimedOutReadIsRetiredSoLaterDataReachTheNextRead)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    port.SetIoTimeout(300);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Read(port, 16), "");
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(Since(start), 250u);

    // A read left outstanding would swallow these bytes into the buffer of the abandoned call.
    TerminalSends("abc");
    EXPECT_EQ(Read(port, 3), "abc");
}

TEST_F(SerialComOnLine, AbortEventFromAnotherThreadEndsTheDataWaitWithCancelled)
{
    HANDLE abort = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    port.SetAbortEvent(abort);
    port.SetAbortEvent(nullptr);  // keeps the event already given

    std::thread stopper([abort] {
        Sleep(200);
        SetEvent(abort);
    });
    // Waits as the engine does, again after each early end: Wine ends a comm-event wait on a
    // pseudo-terminal after a few milliseconds, so there one of the later waits sees the abort.
    const ULONGLONG start = GetTickCount64();
    bool came = true;
    while (came && Since(start) < 5000) {
        came = port.WaitForData(10000);
    }
    const ULONGLONG waited = Since(start);
    stopper.join();
    EXPECT_FALSE(came);
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
    EXPECT_GE(waited, 150u);
    EXPECT_LT(waited, 5000u);

    // A raised abort ends reads as well; a new run lowers it before it uses the port again.
    ResetEvent(abort);
    TerminalSends("xyz");  // the abandoned wait was retired: the port reads on
    EXPECT_EQ(Read(port, 3), "xyz");
    port.Close();
    CloseHandle(abort);
}

TEST_F(SerialComOnLine, OpeningWhileOpenFailsAndReopeningAfterCloseWorks)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    EXPECT_FALSE(port.OpenPort(line.pcPort, true));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_ALREADY_INITIALIZED));
    ASSERT_TRUE(port.Write("ok", 2)) << port.GetLastError();
    EXPECT_EQ(TerminalReceives(2), "ok");

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    ASSERT_TRUE(port.Write("again", 5));
    EXPECT_EQ(TerminalReceives(5), "again");
}

// Run as a test of its own, so that where it skips itself the skip shows.
TEST_F(SerialComOnLine, SecondObjectCannotOpenAPortThatIsOpen)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    CSerialCom other;
    if (other.OpenPort(line.pcPort, true)) {
        GTEST_SKIP() << "this platform does not keep a serial device exclusive (Wine on a pseudo-terminal)";
    }
    EXPECT_NE(other.GetLastError(), 0u);
    EXPECT_FALSE(other.IsOpen());
}

TEST_F(SerialComOnLine, SettersHandTheDriverTheLineSettings)
{
    CSerialCom port(platform);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    // A pseudo-terminal keeps only some of the framing, so the settings are checked as the driver
    // was given them; the rate reads back everywhere.
    ASSERT_TRUE(port.SetBaudRate(57600));
    EXPECT_EQ(port.GetBaudRate(), 57600u);
    ASSERT_TRUE(port.SetByteSize(5)) << port.GetLastError();  // Wine's pty takes 5 and 8 bits only
    EXPECT_EQ(platform.lastState.ByteSize, 5);
    ASSERT_TRUE(port.SetParity(EVENPARITY));
    EXPECT_EQ(platform.lastState.Parity, EVENPARITY);
    EXPECT_TRUE(platform.lastState.fParity);
    ASSERT_TRUE(port.SetStopBits(TWOSTOPBITS));
    EXPECT_EQ(platform.lastState.StopBits, TWOSTOPBITS);
    ASSERT_TRUE(port.SetParity(NOPARITY));
    EXPECT_FALSE(platform.lastState.fParity);
}

TEST_F(SerialComOnLine, WriteThatFailsOrIsCutShortIsReportedAsFailed)
{
    CSerialCom port(platform);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    platform.shortWriteBy = 2;
    EXPECT_FALSE(port.Write("12345", 5));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    platform.shortWriteBy = 0;
    platform.failWrites = true;
    EXPECT_FALSE(port.Write("12345", 5));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(SerialComOnLine, PortOpenedWithoutOverlapWritesButRefusesUnboundedWaits)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, false)) << port.GetLastError();
    ASSERT_TRUE(port.Write("sync", 4)) << port.GetLastError();
    EXPECT_EQ(TerminalReceives(4), "sync");
    EXPECT_EQ(Read(port, 4), "");
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(port.WaitForData(100));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

// A transfer refused by the line closes the port, which keeps the reason until it is opened again; a
// transfer that only ran out of time leaves the port open, as a terminal that does not answer does.
TEST_F(SerialComOnLine, TransferRefusedByTheLineClosesThePortAndOneCutShortDoesNot)
{
    CSerialCom port(platform);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    platform.shortWriteBy = 1;
    EXPECT_FALSE(port.Write("12345", 5));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetLineFailure(), 0u);

    platform.shortWriteBy = 0;
    platform.failWrites = true;
    EXPECT_FALSE(port.Write("12345", 5));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.GetLineFailure(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    platform.Clear();
    EXPECT_FALSE(port.Write("12345", 5));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(platform.log.empty()) << "nothing more reaches the handle of a failed line";

    platform.failWrites = false;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    EXPECT_EQ(port.GetLineFailure(), 0u);
    ASSERT_TRUE(port.Write("fine", 4));
    EXPECT_EQ(TerminalReceives(4), "fine");
}

// Data that came before the wait was armed raise no event on drivers that clear their event history
// when the mask is set; the wait must not run to its time-out while they lie in the input queue.
TEST_F(SerialComOnLine, BytesAlreadyQueuedEndTheDataWaitAtOnceAndAnEmptyQueueDoesNot)
{
    CStallingSerialPlatform driver;
    driver.stallWaits = true;
    CSerialCom port(driver);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));

    driver.queuedBytes = 3;
    for (int round = 0; round < 2; ++round) {  // the retired wait leaves its request fit for the next
        SCOPED_TRACE(round);
        const ULONGLONG start = GetTickCount64();
        EXPECT_TRUE(port.WaitForData(5000));
        EXPECT_LT(Since(start), 1000u);
        EXPECT_EQ(driver.Outstanding(), 0u) << "the armed wait is retired before the request is used again";
        EXPECT_TRUE(port.IsOpen());
    }

    // A driver that never carries out a cancel but ends a wait on a change of the mask, as drivers
    // must: the answer in the queue stays readable and the port open. (The port learnt above that its
    // driver ignores the mask; a new open forgets that.)
    driver.cancelCompletes = false;
    driver.maskEndsWaits = true;
    port.Close();
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    TerminalSends("ans");
    Sleep(100);
    EXPECT_TRUE(port.WaitForData(5000));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(Read(port, 3), "ans");

    driver.queuedBytes = 0;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(port.WaitForData(300));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(Since(start), 250u);
    EXPECT_TRUE(port.IsOpen());

    // A driver that ends the wait on the mask change only after the time given to it: the cancel that
    // follows finds it completed with no event, which is still a time-out, not data to be read.
    driver.maskEndDelayMs = CSerialCom::MaskEndsWaitMs + 50;
    EXPECT_FALSE(port.WaitForData(300));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_TRUE(port.IsOpen());
}

// A driver that takes a cancel and never carries it out: every wait still ends within its bound, the
// request is kept alive until closing the port makes the driver give it back, and the port can be
// opened again and carries data.
TEST_F(SerialComOnLine, CancelThatNeverCompletesEndsInTimeAndClosesThePort)
{
    CStallingSerialPlatform driver;
    driver.cancelCompletes = false;
    HANDLE abort = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CSerialCom port(driver);
    port.SetAbortEvent(abort);
    port.SetIoTimeout(200);
    const DWORD bound = CSerialCom::CancelWaitMs + 1000;

    {
        SCOPED_TRACE("a read past its I/O time-out");
        ASSERT_TRUE(port.OpenPort(line.pcPort, true));
        driver.stallReads = true;
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(Read(port, 8), "");
        EXPECT_LT(Since(start), 200 + bound);
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_NE(port.GetLineFailure(), 0u);
        EXPECT_EQ(driver.releasedOnClose.load(), 1) << "the abandoned read was alive when the driver let go";
        EXPECT_EQ(Read(port, 8), "");
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        driver.stallReads = false;
    }
    {
        SCOPED_TRACE("a data wait ended by the abort event");
        ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
        driver.stallWaits = true;
        std::thread stopper([abort] {
            Sleep(100);
            SetEvent(abort);
        });
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(port.WaitForData(10000));
        const ULONGLONG waited = Since(start);
        stopper.join();
        EXPECT_LT(waited, 100 + bound);
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(driver.releasedOnClose.load(), 2);
        driver.stallWaits = false;
        ResetEvent(abort);
    }
    {
        SCOPED_TRACE("the port opened again");
        ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
        EXPECT_EQ(port.GetLineFailure(), 0u);
        port.SetIoTimeout(2000);
        ASSERT_TRUE(port.Write("back", 4));
        EXPECT_EQ(TerminalReceives(4), "back");
        TerminalSends("again");
        EXPECT_EQ(Read(port, 5), "again");
    }
    port.Close();
    CloseHandle(abort);
}

// A pulled adapter refuses the comm-event wait at once, with one of several codes. That is a failure
// of the line as much as a refused transfer is: the port closes and keeps the code, so that whoever
// drives it opens it again, which then waits as before.
TEST_F(SerialComOnLine, DataWaitRefusedAtOnceClosesThePortAsALineFailure)
{
    CStallingSerialPlatform driver;
    CSerialCom port(driver);
    for (const DWORD refusal :
         {static_cast<DWORD>(ERROR_BAD_COMMAND), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED)}) {
        SCOPED_TRACE(refusal);
        ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
        driver.waitRefusal = refusal;
        driver.refusedWaits = 1;
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(port.WaitForData(5000));
        EXPECT_LT(Since(start), 1000u);
        EXPECT_EQ(port.GetLastError(), refusal);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.GetLineFailure(), refusal);
    }
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    EXPECT_EQ(port.GetLineFailure(), 0u);
    TerminalSends("up");
    EXPECT_TRUE(port.WaitForData(2000)) << port.GetLastError();
    EXPECT_EQ(Read(port, 2), "up");
}

// The abort event ends a read or a write the driver sits on as it ends a data wait, long before the
// I/O time-out. A driver that carries out the cancel leaves the port open and fit for the next
// transfer; one that never does has its request kept alive until closing the port makes it let go.
TEST_F(SerialComOnLine, AbortEndsAStuckReadOrWriteLongBeforeTheIoTimeOut)
{
    HANDLE abort = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(abort);
    constexpr DWORD ioTimeout = 2500;
    constexpr DWORD abortAfter = 100;
    for (const bool writing : {false, true}) {
        for (const bool cancelCompletes : {true, false}) {
            SCOPED_TRACE(std::string(writing ? "write" : "read") + (cancelCompletes ? "" : ", cancel never completes"));
            CStallingSerialPlatform driver;
            driver.cancelCompletes = cancelCompletes;
            CSerialCom port(driver);
            port.SetAbortEvent(abort);
            port.SetIoTimeout(ioTimeout);
            ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
            driver.stallReads = !writing;
            driver.stallWrites = writing;
            ResetEvent(abort);
            std::thread stopper([abort] {
                Sleep(abortAfter);
                SetEvent(abort);
            });
            const ULONGLONG start = GetTickCount64();
            const bool done = writing ? port.Write("stuck", 5) : !Read(port, 8).empty();
            const ULONGLONG took = Since(start);
            stopper.join();
            EXPECT_FALSE(done);
            EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
            EXPECT_GE(took, abortAfter - 20);
            EXPECT_LT(took, abortAfter + CSerialCom::CancelWaitMs + 600);
            EXPECT_EQ(driver.cancels.load(), 1);
            driver.stallReads = false;
            driver.stallWrites = false;
            ResetEvent(abort);
            if (cancelCompletes) {
                EXPECT_TRUE(port.IsOpen());
                EXPECT_EQ(port.GetLineFailure(), 0u);
                ASSERT_TRUE(port.Write("on", 2)) << port.GetLastError();
                EXPECT_EQ(TerminalReceives(2), "on");
            } else {
                EXPECT_FALSE(port.IsOpen());
                EXPECT_EQ(driver.releasedOnClose.load(), 1) << "the kept request was alive when the driver let go";
            }
        }
    }
    CloseHandle(abort);
}

TEST(SerialComClosed, OperationsFailWithInvalidHandleAndMakeNoCall)
{
    CRecordingSerialPlatform platform;
    CSerialCom port(platform);
    char buffer[4] = {};
    const bool failed[] = {!port.SetBaudRate(9600),       !port.SetByteSize(8),    !port.SetParity(0),
                           !port.SetStopBits(0),          port.GetBaudRate() == 0, port.GetByteSize() == 0,
                           port.GetParity() == 0,         port.GetStopBits() == 0, !port.SetTimeouts(1, 2, 3, 4, 5),
                           !port.SetEventMask(EV_RXCHAR), !port.SetRts(1),         !port.SetDtr(0),
                           port.Read(buffer, 4) == 0,     !port.Write(buffer, 4),  !port.WaitForData(10)};
    EXPECT_EQ(std::count(std::begin(failed), std::end(failed), true), 15);
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(platform.log.empty());

    port.Close();
    EXPECT_EQ(port.GetLastError(), 0u);  // closing a closed port only clears the error
    EXPECT_FALSE(port.OpenPort(249, true));
    EXPECT_NE(port.GetLastError(), 0u);
    EXPECT_FALSE(port.IsOpen());
}
