// The serial transport on the virtual line: the PC's port through CSerialCom, the terminal's port
// through plain Win32 calls.
#include "RecordingSerialPlatform.h"
#include "SerialCom.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

namespace {

// The terminal's end of the line, opened synchronously with a bounded read.
class TerminalEnd {
public:
    explicit TerminalEnd(int port)
        : m_port(CreateFileW(VirtualLine::DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr))
    {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadTotalTimeoutConstant = 2000;
        SetCommTimeouts(m_port, &timeouts);
    }
    ~TerminalEnd()
    {
        if (IsOpen()) {
            CloseHandle(m_port);
        }
    }
    bool IsOpen() const { return m_port != INVALID_HANDLE_VALUE; }

    bool Send(const std::string& data)
    {
        DWORD written = 0;
        return WriteFile(m_port, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
               written == data.size();
    }

    std::string Receive(size_t count)
    {
        std::string data;
        char buffer[512];
        while (data.size() < count) {
            const DWORD wanted = static_cast<DWORD>(std::min(count - data.size(), sizeof(buffer)));
            DWORD got = 0;
            if (!ReadFile(m_port, buffer, wanted, &got, nullptr) || got == 0) {
                break;
            }
            data.append(buffer, got);
        }
        return data;
    }

private:
    HANDLE m_port;
};

ULONGLONG Elapsed(ULONGLONG since)
{
    return GetTickCount64() - since;
}

class SerialComOnLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run";
        terminal = std::make_unique<TerminalEnd>(line.terminalPort);
        ASSERT_TRUE(terminal->IsOpen()) << GetLastError();
    }

    std::string ReadAll(CSerialCom& port, DWORD count)
    {
        std::string data(count, '\0');
        data.resize(port.Read(data.data(), count));
        return data;
    }

    VirtualLine line;
    std::unique_ptr<TerminalEnd> terminal;
};

}  // namespace

TEST_F(SerialComOnLine, OpensAt19200WithoutFlowControlAndCarriesDataWhole)
{
    CRecordingSerialPlatform platform;
    CSerialCom port(platform);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    EXPECT_EQ(port.GetLastError(), 0u);
    EXPECT_EQ(port.GetBaudRate(), 19200u);
    EXPECT_FALSE(platform.lastState.fOutxCtsFlow);
    EXPECT_FALSE(platform.lastState.fOutxDsrFlow);
    EXPECT_FALSE(platform.lastState.fOutX);
    EXPECT_FALSE(platform.lastState.fInX);
    EXPECT_EQ(platform.lastState.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(platform.lastState.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));

    const std::string request = "P\x00\x0b\x01\x02\x03 request frame";
    ASSERT_TRUE(port.Write(request.data(), static_cast<DWORD>(request.size()))) << port.GetLastError();
    EXPECT_EQ(terminal->Receive(request.size()), request);

    std::string answer(3000, '\0');
    for (size_t i = 0; i < answer.size(); ++i) {
        answer[i] = static_cast<char>(i * 7);
    }
    ASSERT_TRUE(terminal->Send(answer));
    // The 1000 ms read interval lets a read collect everything that arrives without a pause.
    EXPECT_EQ(ReadAll(port, static_cast<DWORD>(answer.size())), answer);
}

TEST_F(SerialComOnLine, TimedOutReadIsRetiredSoLaterDataReachTheNextRead)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    port.SetIoTimeout(300);

    char buffer[16];
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(port.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(Elapsed(start), 250u);
    EXPECT_LT(Elapsed(start), 2000u);

    // A read left outstanding would swallow these bytes into the buffer of the abandoned call.
    ASSERT_TRUE(terminal->Send("abc"));
    port.SetIoTimeout(3000);
    EXPECT_EQ(ReadAll(port, 3), "abc");
}

TEST_F(SerialComOnLine, AbortEventEndsTheDataWaitWithCancelled)
{
    HANDLE abort = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(abort, nullptr);
    {
        CSerialCom port;
        ASSERT_TRUE(port.OpenPort(line.pcPort, true));
        port.SetAbortEvent(abort);
        port.SetAbortEvent(nullptr);  // keeps the event already given

        std::thread stopper([abort] {
            Sleep(200);
            SetEvent(abort);
        });
        // Waits as the engine does, again after each early end. Wine ends a comm-event wait on a
        // pseudo-terminal after a few milliseconds without an event, so there the abort is seen by
        // one of the later waits; a real port waits in the first.
        const ULONGLONG start = GetTickCount64();
        bool came = true;
        while (came && Elapsed(start) < 5000) {
            came = port.WaitForData(10000);
        }
        const ULONGLONG waited = Elapsed(start);
        stopper.join();

        EXPECT_FALSE(came);
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
        EXPECT_GE(waited, 150u);
        EXPECT_LT(waited, 5000u);

        // The wait was retired: the port still reads what comes next.
        ASSERT_TRUE(terminal->Send("xyz"));
        EXPECT_EQ(ReadAll(port, 3), "xyz");
    }
    CloseHandle(abort);
}

TEST_F(SerialComOnLine, DataWaitWithoutAbortEventEndsWithinItsTime)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    const ULONGLONG start = GetTickCount64();
    if (!port.WaitForData(400)) {
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    }
    EXPECT_LT(Elapsed(start), 2000u);
}

TEST_F(SerialComOnLine, OpeningTwiceFailsAndLeavesThePortUsable)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    EXPECT_FALSE(port.OpenPort(line.pcPort, true));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_ALREADY_INITIALIZED));
    EXPECT_TRUE(port.IsOpen());

    ASSERT_TRUE(port.Write("ok", 2)) << port.GetLastError();
    EXPECT_EQ(terminal->Receive(2), "ok");

    // Closing and opening again gives a working port.
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    ASSERT_TRUE(port.Write("again", 5));
    EXPECT_EQ(terminal->Receive(5), "again");
}

TEST_F(SerialComOnLine, SecondObjectCannotOpenAPortInUse)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    CSerialCom other;
    if (other.OpenPort(line.pcPort, true)) {
        GTEST_SKIP() << "this platform does not keep serial devices exclusive (Wine on a pseudo-terminal)";
    }
    EXPECT_NE(other.GetLastError(), 0u);
    EXPECT_FALSE(other.IsOpen());
    ASSERT_TRUE(port.Write("still", 5));
    EXPECT_EQ(terminal->Receive(5), "still");
}

TEST_F(SerialComOnLine, LineSettingsAndParityCheckFollowTheSetters)
{
    CRecordingSerialPlatform platform;
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
    EXPECT_EQ(platform.lastState.BaudRate, 57600u);

    ASSERT_TRUE(port.SetParity(NOPARITY));
    EXPECT_FALSE(platform.lastState.fParity);
    EXPECT_TRUE(port.SetTimeouts(1000, 0, 0, 0, 0));
    EXPECT_TRUE(port.SetEventMask(EV_RXCHAR));
}

TEST_F(SerialComOnLine, WriteThatTheDriverCutsShortIsAFailure)
{
    CRecordingSerialPlatform platform;
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

TEST_F(SerialComOnLine, PortWithoutOverlappedRequestsWritesButRefusesUnboundedWaits)
{
    CSerialCom port;
    ASSERT_TRUE(port.OpenPort(line.pcPort, false)) << port.GetLastError();
    ASSERT_TRUE(port.Write("sync", 4)) << port.GetLastError();
    EXPECT_EQ(terminal->Receive(4), "sync");

    char buffer[4];
    EXPECT_EQ(port.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(port.WaitForData(100));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(SerialComClosed, OperationsFailWithInvalidHandleAndTouchNothing)
{
    CRecordingSerialPlatform platform;
    CSerialCom port(platform);
    char buffer[4] = {};
    const DWORD invalid = ERROR_INVALID_HANDLE;

    EXPECT_FALSE(port.SetBaudRate(9600));
    EXPECT_EQ(port.GetLastError(), invalid);
    port.Close();
    EXPECT_EQ(port.GetLastError(), 0u);  // closing a closed port only clears the error

    const auto expectInvalid = [&](bool failed) {
        EXPECT_TRUE(failed);
        EXPECT_EQ(port.GetLastError(), invalid);
    };
    expectInvalid(!port.SetByteSize(8));
    expectInvalid(!port.SetParity(0));
    expectInvalid(!port.SetStopBits(0));
    expectInvalid(port.GetBaudRate() == 0);
    expectInvalid(port.GetByteSize() == 0);
    expectInvalid(port.GetParity() == 0);
    expectInvalid(port.GetStopBits() == 0);
    expectInvalid(!port.SetTimeouts(1, 2, 3, 4, 5));
    expectInvalid(!port.SetEventMask(EV_RXCHAR));
    expectInvalid(!port.SetRts(1));
    expectInvalid(!port.SetDtr(0));
    expectInvalid(port.Read(buffer, sizeof(buffer)) == 0);
    expectInvalid(!port.Write(buffer, sizeof(buffer)));
    expectInvalid(!port.WaitForData(10));
    port.Purge();
    EXPECT_EQ(port.GetLastError(), invalid);
    EXPECT_TRUE(platform.log.empty());

    // The two setters work on a closed port.
    port.SetIoTimeout(123);
    port.SetAbortEvent(GetCurrentThread());
    EXPECT_EQ(port.GetLastError(), invalid);
}

TEST(SerialComClosed, FailedOpenKeepsTheObjectClosed)
{
    CSerialCom port;
    EXPECT_FALSE(port.OpenPort(249, true));
    EXPECT_NE(port.GetLastError(), 0u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.OpenPortByName(nullptr, true));
    EXPECT_FALSE(port.IsOpen());
}
