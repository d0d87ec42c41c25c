// The terminal simulator answers on its end of the virtual line as a terminal would. The PC side here
// is plain Win32 serial code, and every frame is built and checked with this file's own CRC reckoning,
// so neither the simulator nor the control checks itself.
#include "SimCrc16.h"
#include "SimLinePacer.h"
#include "TerminalSimulator.h"
#include "UniqueHandle.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// CRC-16/XMODEM bit by bit, as the textbook gives it.
uint16_t Crc16(const Bytes& data, size_t count)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return crc;
}

void AppendCrc(Bytes& frame)
{
    const uint16_t crc = Crc16(frame, frame.size());
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc));
}

Bytes ConnectRequest()
{
    Bytes frame = {0x50, 0x00, 0x06, 0x05};
    AppendCrc(frame);
    return frame;
}

Bytes Request(uint32_t id, uint8_t command, uint8_t block = 0, const Bytes& payload = {})
{
    const size_t length = payload.size() + 11;
    Bytes frame = {0x50,
                   static_cast<uint8_t>(length >> 8),
                   static_cast<uint8_t>(length),
                   static_cast<uint8_t>(id >> 16),
                   static_cast<uint8_t>(id >> 8),
                   static_cast<uint8_t>(id),
                   command,
                   0x00,
                   block};
    frame.insert(frame.end(), payload.begin(), payload.end());
    AppendCrc(frame);
    return frame;
}

// An answer frame as this side reads it.
struct Answer {
    size_t garbage = 0;  // bytes before the 'T'
    size_t lengthField = 0;
    uint32_t id = 0;
    uint8_t command = 0;
    uint8_t status = 0;
    uint8_t block = 0;
    Bytes payload;
    bool crcGood = false;
};

bool ParseAnswer(const Bytes& bytes, Answer& answer)
{
    size_t start = 0;
    while (start < bytes.size() && bytes[start] != 0x54) {
        ++start;
    }
    if (bytes.size() < start + 11) {
        return false;
    }
    const uint8_t* f = &bytes[start];
    answer.garbage = start;
    answer.lengthField = static_cast<size_t>((f[1] << 8) | f[2]);
    answer.id = (static_cast<uint32_t>(f[3]) << 16) | (static_cast<uint32_t>(f[4]) << 8) | f[5];
    answer.command = f[6];
    answer.status = f[7];
    answer.block = f[8];
    const size_t length = bytes.size() - start;  // all that came, whatever the field says
    answer.payload.assign(f + 9, f + length - 2);
    const Bytes frame(f, f + length);
    answer.crcGood = Crc16(frame, length - 2) == static_cast<uint16_t>((f[length - 2] << 8) | f[length - 1]);
    return true;
}

// The PC's end of the line.
class PcPort {
public:
    explicit PcPort(int port)
        : m_handle(CreateFileW(VirtualLine::DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr))
    {
    }
    bool IsOpen() const { return m_handle.IsValid(); }

    bool Send(const Bytes& bytes)
    {
        DWORD written = 0;
        return WriteFile(m_handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    // Collects bytes until `count` have come or the line has been quiet for quietMs after a byte. The
    // first byte may take up to firstByteMs: on a loaded machine the simulator's thread can wake well
    // after the request has crossed. A check that nothing comes passes the same short time for both.
    Bytes Receive(size_t count, DWORD quietMs = 600, DWORD firstByteMs = 5000)
    {
        Bytes bytes;
        uint8_t buffer[512];
        while (bytes.size() < count) {
            COMMTIMEOUTS timeouts{};
            timeouts.ReadIntervalTimeout = quietMs;
            timeouts.ReadTotalTimeoutConstant = bytes.empty() ? firstByteMs : quietMs;
            SetCommTimeouts(m_handle.Get(), &timeouts);
            const DWORD wanted = static_cast<DWORD>(std::min(sizeof(buffer), count - bytes.size()));
            DWORD got = 0;
            if (!ReadFile(m_handle.Get(), buffer, wanted, &got, nullptr) || got == 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + got);
            if (got < wanted) {
                break;  // the line went quiet
            }
        }
        return bytes;
    }

    // Sends a request and reads the answer: up to the length its length field gives, plus garbage.
    Bytes Exchange(const Bytes& request, size_t expected = 64, DWORD quietMs = 600, DWORD firstByteMs = 5000)
    {
        if (!Send(request)) {
            return {};
        }
        return Receive(expected, quietMs, firstByteMs);
    }

private:
    CUniqueFileHandle m_handle;
};

class TerminalSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(m_line)) << "run through scripts/wine-run";
        m_config.terminalId = 0xABCDEF;
        m_config.maxFrameSize = 2048;
        m_config.versionMajor = 1;
        m_config.versionMinor = 2;
        m_terminal = std::make_unique<CTerminalSimulator>(m_config);
        ASSERT_TRUE(m_terminal->Start(m_line.terminalPort)) << m_terminal->LastError();
        m_pc = std::make_unique<PcPort>(m_line.pcPort);
        ASSERT_TRUE(m_pc->IsOpen()) << GetLastError();
    }

    void TearDown() override
    {
        m_pc.reset();
        if (m_terminal) {
            m_terminal->Stop();
        }
    }

    // Waits until the simulator has logged `count` received frames (refused ones included).
    bool WaitForReceived(size_t count, DWORD timeoutMs = 3000)
    {
        return m_terminal->WaitFor(
            [count](const std::vector<SimFrameRecord>& records) {
            size_t received = 0;
            for (const SimFrameRecord& record : records) {
                received += record.direction == SimDirection::Received ? 1 : 0;
            }
            return received >= count;
            },
            timeoutMs);
    }

    Answer ExchangeEndOfSession(size_t expected = 11)
    {
        Answer answer;
        const Bytes bytes = m_pc->Exchange(Request(m_config.terminalId, 0x00), expected);
        EXPECT_TRUE(ParseAnswer(bytes, answer)) << "got " << bytes.size() << " bytes";
        return answer;
    }

    VirtualLine m_line;
    SimTerminalConfig m_config;
    std::unique_ptr<CTerminalSimulator> m_terminal;
    std::unique_ptr<PcPort> m_pc;
};

}  // namespace

TEST(SimulatorCrc, MatchesTheXmodemCheckValueAndABitwiseReckoning)
{
    const std::string check = "123456789";
    const Bytes checkBytes(check.begin(), check.end());
    EXPECT_EQ(Crc16(checkBytes, checkBytes.size()), 0x31C3);
    EXPECT_EQ(CSimCrc16::Compute(checkBytes, checkBytes.size()), 0x31C3);

    Bytes data;
    for (int i = 0; i < 1000; ++i) {
        data.push_back(static_cast<uint8_t>(i * 37 + (i >> 3)));
    }
    EXPECT_EQ(CSimCrc16::Compute(data, data.size()), Crc16(data, data.size()));
    EXPECT_EQ(CSimCrc16::Compute(data, 0), 0);
}

TEST_F(TerminalSimulatorTest, AnswersConnectWithItsIdFrameSizeAndVersion)
{
    const Bytes bytes = m_pc->Exchange(ConnectRequest(), 15);
    ASSERT_EQ(bytes.size(), 15u);
    Answer answer;
    ASSERT_TRUE(ParseAnswer(bytes, answer));
    EXPECT_EQ(answer.garbage, 0u);
    EXPECT_EQ(answer.lengthField, 15u);
    EXPECT_EQ(answer.id, 0xABCDEFu);
    EXPECT_EQ(answer.command, 0xFE);
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.block, 0);
    EXPECT_EQ(answer.payload, (Bytes{0x08, 0x00, 0x01, 0x02}));
    EXPECT_TRUE(answer.crcGood);

    // The simulator notes a frame it sent once the write has returned, which may be after the answer
    // has reached this end.
    ASSERT_TRUE(m_terminal->WaitForFrames(SimDirection::Sent, 0xFE, 1, 1000));
    const std::vector<SimFrameRecord> log = m_terminal->Frames();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].direction, SimDirection::Received);
    EXPECT_EQ(log[0].command, 0x05);
    EXPECT_EQ(log[0].raw, ConnectRequest());
    EXPECT_EQ(log[1].direction, SimDirection::Sent);
    EXPECT_EQ(log[1].command, 0xFE);
    EXPECT_EQ(log[1].raw, bytes);
    EXPECT_TRUE(m_terminal->WithState([](SimTerminalState& state) { return state.inSession; }));
}

TEST_F(TerminalSimulatorTest, AnswersEndOfSessionAndLogsBothFrames)
{
    const Answer answer = ExchangeEndOfSession();
    EXPECT_EQ(answer.lengthField, 11u);
    EXPECT_EQ(answer.id, 0xABCDEFu);
    EXPECT_EQ(answer.command, 0x00);
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.payload.empty());
    EXPECT_TRUE(answer.crcGood);
    ASSERT_TRUE(m_terminal->WaitForFrames(SimDirection::Sent, 0x00, 1, 1000));
    EXPECT_EQ(m_terminal->Frames()[0].raw, Request(0xABCDEF, 0x00));
}

TEST_F(TerminalSimulatorTest, LeavesBadCrcForeignIdAndUnknownCommandsUnanswered)
{
    Bytes corrupt = Request(m_config.terminalId, 0x00);
    corrupt.back() ^= 0x01;
    const Bytes requests[] = {corrupt, Request(0x111111, 0x00), Request(m_config.terminalId, 0x77)};
    const char* reasons[] = {"bad CRC", "foreign terminal ID", "no handler for the command"};
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pc->Send(requests[i]));
        ASSERT_TRUE(WaitForReceived(i + 1)) << reasons[i];
        EXPECT_TRUE(m_pc->Receive(1, 300, 300).empty()) << reasons[i];
        const SimFrameRecord record = m_terminal->Frames().back();
        EXPECT_TRUE(record.refused);
        EXPECT_EQ(record.note, reasons[i]);
    }
    // The line is still in step: a good request right after is answered.
    EXPECT_TRUE(ExchangeEndOfSession().crcGood);
}

TEST_F(TerminalSimulatorTest, FindsTheRequestBehindGarbageAndAStrayFrameStart)
{
    // Noise, then a 'P' whose length field claims more bytes than ever come, then the request.
    Bytes bytes = {0x00, 0x13, 0xFF, 0x54, 0x50, 0x01, 0x00, 0x12};
    const Bytes request = Request(m_config.terminalId, 0x00);
    bytes.insert(bytes.end(), request.begin(), request.end());
    ASSERT_TRUE(m_pc->Send(bytes));
    Answer answer;
    ASSERT_TRUE(ParseAnswer(m_pc->Receive(11, 2000), answer));
    EXPECT_EQ(answer.command, 0x00);
    EXPECT_TRUE(answer.crcGood);
    EXPECT_EQ(m_terminal->SkippedBytes(), 8u);
}

TEST_F(TerminalSimulatorTest, RefusesRequestsLongerThanItsMaximumFrameSize)
{
    const Bytes fits(2048 - 11, 0x50);
    const Bytes tooLong(2048 - 10, 0x50);
    ASSERT_TRUE(m_pc->Send(Request(m_config.terminalId, 0x00, 0, tooLong)));
    ASSERT_TRUE(WaitForReceived(1));
    EXPECT_TRUE(m_terminal->Frames().back().refused);
    EXPECT_TRUE(m_pc->Receive(1, 300, 300).empty());
    Answer answer;
    ASSERT_TRUE(ParseAnswer(m_pc->Exchange(Request(m_config.terminalId, 0x00, 0, fits), 11), answer));
    EXPECT_TRUE(answer.crcGood);
}

TEST_F(TerminalSimulatorTest, RegisteredHandlerGetsTheRequestAndTheStateAndShapesTheAnswer)
{
    m_terminal->Files().Put(2, "DATA.TXT", {1, 2, 3});
    m_terminal->RegisterHandler(0x30, [](const SimRequest& request, SimTerminalState& state) {
        SimReply reply;
        reply.status = request.payload.empty() ? 13 : 0;
        reply.block = static_cast<uint8_t>(request.block + 1);
        reply.payload = {static_cast<uint8_t>(state.files.Names(request.payload.at(0)).size())};
        return reply;
    });
    Answer answer;
    ASSERT_TRUE(ParseAnswer(m_pc->Exchange(Request(m_config.terminalId, 0x30, 7, {2}), 12), answer));
    EXPECT_EQ(answer.command, 0x30);
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.block, 8);
    EXPECT_EQ(answer.payload, Bytes{1});
    EXPECT_TRUE(answer.crcGood);

    // A handler that throws on a request without the payload it needs leaves it unanswered.
    ASSERT_TRUE(m_pc->Send(Request(m_config.terminalId, 0x30)));
    ASSERT_TRUE(WaitForReceived(2));
    EXPECT_TRUE(m_pc->Receive(1, 300, 300).empty());
    EXPECT_EQ(m_terminal->Frames().back().note.rfind("handler failed", 0), 0u);
    EXPECT_TRUE(ExchangeEndOfSession().crcGood);
}

TEST_F(TerminalSimulatorTest, FaultsChangeOnlyWhatTheySayForTheCountGiven)
{
    m_terminal->InjectFault(0x00, SimFault::Status(9), 2);
    m_terminal->InjectFault(0x05, SimFault::NoAnswer());
    EXPECT_EQ(ExchangeEndOfSession().status, 9);
    EXPECT_EQ(ExchangeEndOfSession().status, 9);
    EXPECT_EQ(ExchangeEndOfSession().status, 0);
    EXPECT_TRUE(m_pc->Exchange(ConnectRequest(), 15, 600, 600).empty());
    EXPECT_EQ(m_pc->Exchange(ConnectRequest(), 15).size(), 15u);
    EXPECT_EQ(m_terminal->PendingFaults(), 0u);
}

TEST_F(TerminalSimulatorTest, FieldFaultsKeepAFrameWithAGoodCrc)
{
    m_terminal->InjectFault(0x00, SimFault::WrongTerminalId());
    m_terminal->InjectFault(0x00, SimFault::WrongCommand());
    m_terminal->InjectFault(0x00, SimFault::WrongBlock());
    m_terminal->InjectFault(0x00, SimFault::Garbage());

    Answer answer = ExchangeEndOfSession();
    EXPECT_NE(answer.id, 0xABCDEFu);
    EXPECT_TRUE(answer.crcGood);
    answer = ExchangeEndOfSession();
    EXPECT_NE(answer.command, 0x00);
    EXPECT_TRUE(answer.crcGood);
    answer = ExchangeEndOfSession();
    EXPECT_NE(answer.block, 0);
    EXPECT_TRUE(answer.crcGood);
    answer = ExchangeEndOfSession(18);
    EXPECT_GT(answer.garbage, 0u);
    EXPECT_EQ(answer.command, 0x00);
    EXPECT_TRUE(answer.crcGood);
}

TEST_F(TerminalSimulatorTest, FrameFaultsBreakTheCrcLengthOrSize)
{
    m_terminal->InjectFault(0x00, SimFault::BadCrc());
    m_terminal->InjectFault(0x00, SimFault::OversizeLength());
    m_terminal->InjectFault(0x00, SimFault::UndersizeLength());
    m_terminal->InjectFault(0x00, SimFault::Truncated());

    Answer answer = ExchangeEndOfSession();
    EXPECT_FALSE(answer.crcGood);
    answer = ExchangeEndOfSession();
    EXPECT_EQ(answer.lengthField, 16385u);
    answer = ExchangeEndOfSession();
    EXPECT_LT(answer.lengthField, 11u);
    const Bytes truncated = m_pc->Exchange(Request(m_config.terminalId, 0x00), 11);
    EXPECT_EQ(truncated.size(), 8u);
    ASSERT_TRUE(m_terminal->WaitForFrames(SimDirection::Sent, 0x00, 4, 1000));
    EXPECT_EQ(m_terminal->Frames().back().note, "fault: truncated frame");
}

TEST_F(TerminalSimulatorTest, DelayedAnswerComesAfterTheDelay)
{
    m_terminal->InjectFault(0x00, SimFault::Delay(700));
    const auto start = std::chrono::steady_clock::now();
    const Bytes bytes = m_pc->Exchange(Request(m_config.terminalId, 0x00), 11, 3000);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(bytes.size(), 11u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(650));
}

TEST_F(TerminalSimulatorTest, StopIsPromptWhileWaitingForBytesOrDelayingAnAnswer)
{
    auto stopTime = [this] {
        const auto start = std::chrono::steady_clock::now();
        m_terminal->Stop();
        return std::chrono::steady_clock::now() - start;
    };
    EXPECT_LT(stopTime(), std::chrono::milliseconds(1000));
    EXPECT_FALSE(m_terminal->IsRunning());

    // Restarted, then stopped in the middle of a long delay.
    ASSERT_TRUE(m_terminal->Start(m_line.terminalPort));
    m_terminal->InjectFault(0x00, SimFault::Delay(60000));
    ASSERT_TRUE(m_pc->Send(Request(m_config.terminalId, 0x00)));
    ASSERT_TRUE(WaitForReceived(1));
    EXPECT_LT(stopTime(), std::chrono::milliseconds(1000));
}

// A paced simulator, restarted on the fixture's line at `rate`, echoing the payload of command 0x60.
class PacedSimulatorTest : public TerminalSimulatorTest {
protected:
    void Restart(double rate)
    {
        m_terminal->Stop();
        ASSERT_TRUE(m_terminal->SetLineRate(rate));
        m_terminal->RegisterHandler(0x60, [](const SimRequest& request, SimTerminalState&) {
            SimReply reply;
            reply.block = request.block;
            reply.payload = request.payload;
            return reply;
        });
        ASSERT_TRUE(m_terminal->Start(m_line.terminalPort)) << m_terminal->LastError();
    }

    static double Since(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

TEST(SimulatorLinePacer, BytesCrossOneAfterAnotherAtTheRateAndAnIdleLineStartsAfresh)
{
    CSimLinePacer line(1000.0);
    EXPECT_DOUBLE_EQ(line.Book(100, 10.0), 10.1);
    // Bytes that come while the line is busy wait for it; bytes after a pause start when they come.
    EXPECT_DOUBLE_EQ(line.Book(50, 10.02), 10.15);
    EXPECT_DOUBLE_EQ(line.Book(10, 11.0), 11.01);
    EXPECT_DOUBLE_EQ(line.FreeAt(), 11.01);

    EXPECT_EQ(line.CrossedBy(5.0, 100, 4.0), 0u);
    EXPECT_EQ(line.CrossedBy(5.0, 100, line.TimeOf(5.0, 37)), 37u);
    EXPECT_EQ(line.CrossedBy(5.0, 100, line.TimeOf(5.0, 37) - 0.0005), 36u);
    EXPECT_EQ(line.CrossedBy(5.0, 100, 9.0), 100u);

    CSimLinePacer unpaced;
    EXPECT_FALSE(unpaced.IsPaced());
    EXPECT_DOUBLE_EQ(unpaced.Book(16384, 3.0), 3.0);
    EXPECT_EQ(unpaced.CrossedBy(3.0, 16384, 3.0), 16384u);
    EXPECT_FALSE(CSimLinePacer(-5.0).IsPaced());
}

TEST_F(PacedSimulatorTest, ReadsAndAnswersNoFasterThanTheLineRate)
{
    Restart(20000.0);
    Bytes payload(2000);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    const Bytes request = Request(m_config.terminalId, 0x60, 3, payload);
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_pc->Send(request));
    const Bytes first = m_pc->Receive(1, 3000);
    ASSERT_FALSE(first.empty());
    ASSERT_LT(first.size(), 1000u);
    // The request's 2011 bytes take 100.5 ms on the line before the answer can start.
    EXPECT_GE(Since(sent), 0.095);
    Bytes rest = m_pc->Receive(2011 - first.size(), 1000);
    // The answer takes its own line time after the request's, however fast the port could carry it.
    // Counted from the send, so that this thread running late cannot shorten what it measures.
    EXPECT_GE(Since(sent), 2.0 * 2011 / 20000.0 - 0.01);
    rest.insert(rest.begin(), first.begin(), first.end());
    Answer answer;
    ASSERT_TRUE(ParseAnswer(rest, answer));
    EXPECT_TRUE(answer.crcGood);
    EXPECT_EQ(answer.block, 3);
    EXPECT_EQ(answer.payload, payload);

    // Back-to-back short exchanges still go through, each in its own line time.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ExchangeEndOfSession().crcGood);
    }
}

TEST_F(PacedSimulatorTest, StopIsPromptInTheMiddleOfASlowAnswerAndTheRateIsFixedWhileRunning)
{
    EXPECT_FALSE(m_terminal->SetLineRate(100.0));
    EXPECT_EQ(m_terminal->LineRate(), 0.0);
    EXPECT_FALSE(CTerminalSimulator().SetLineRate(-1.0));

    Restart(2000.0);
    ASSERT_TRUE(m_pc->Send(Request(m_config.terminalId, 0x60, 0, Bytes(2000, 0x41))));
    // The request takes a second to cross and its answer as long again: stop in the middle of it.
    ASSERT_FALSE(m_pc->Receive(1, 3000).empty());
    const auto start = std::chrono::steady_clock::now();
    m_terminal->Stop();
    EXPECT_LT(Since(start), 1.0);
    EXPECT_FALSE(m_terminal->IsRunning());
}

TEST(SimulatorFrameReader, WantsNoMoreThanCompletesTheRequestItHolds)
{
    CSimFrameReader reader;
    EXPECT_EQ(reader.BytesWanted(), 3u);  // the start and the length field
    const Bytes request = Request(0x123456, 0x11, 0, Bytes(20, 0x41));
    reader.Append(request.data(), 1);
    EXPECT_EQ(reader.BytesWanted(), 2u);
    reader.Append(request.data() + 1, 4);
    EXPECT_EQ(reader.BytesWanted(), request.size() - 5);
    reader.Append(request.data() + 5, request.size() - 6);
    EXPECT_EQ(reader.BytesWanted(), 1u);

    CSimFrameReader connect;
    const Bytes connectRequest = ConnectRequest();
    connect.Append(connectRequest.data(), 3);
    EXPECT_EQ(connect.BytesWanted(), 3u);

    // A length no request has: one byte at a time until the reader has moved past it.
    CSimFrameReader stray;
    const Bytes bogus = {0x50, 0xFF, 0xFF};
    stray.Append(bogus.data(), bogus.size());
    EXPECT_EQ(stray.BytesWanted(), 1u);
}

TEST(TerminalSimulator, StartFailsOnAPortThatDoesNotExist)
{
    CTerminalSimulator terminal;
    EXPECT_FALSE(terminal.Start(199));
    EXPECT_NE(terminal.LastError(), 0u);
    EXPECT_FALSE(terminal.IsRunning());
    terminal.Stop();
}

TEST(SimulatorFileStore, KeepsDrivesApartAndNamesWithoutRegardToCase)
{
    CSimFileStore store;
    store.Put(2, "DATA.TXT", {1});
    store.Put(1, "DATA.TXT", {2});
    store.Put(2, "data.txt", {3});
    SimBytes data;
    ASSERT_TRUE(store.Get(2, "Data.Txt", data));
    EXPECT_EQ(data, SimBytes{3});
    EXPECT_EQ(store.Names(2), std::vector<std::string>{"data.txt"});
    EXPECT_TRUE(store.Remove(2, "DATA.TXT"));
    EXPECT_FALSE(store.Exists(2, "DATA.TXT"));
    EXPECT_TRUE(store.Exists(1, "data.txt"));
    EXPECT_FALSE(store.Get(3, "DATA.TXT", data));
}
