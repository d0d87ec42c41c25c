// Frames, CRC and the small exchanges of the engine, against the simulated terminal on the virtual line.
#include "EngineTestSupport.h"
#include "StallingSerialPlatform.h"
#include "TerminalSimulator.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

// Bit by bit, so that the engine's table is checked against something it does not share.
WORD BitwiseCrc(const std::vector<BYTE>& bytes)
{
    unsigned crc = 0;
    for (BYTE byte : bytes) {
        crc ^= static_cast<unsigned>(byte) << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
            crc &= 0xFFFF;
        }
    }
    return static_cast<WORD>(crc);
}

constexpr uint32_t TerminalId = 0x0A0B0C;

// Passes every write on and remembers the largest one; it can hold reads as a slow driver does.
class CWriteSizePlatform : public CStallingSerialPlatform {
public:
    std::atomic<DWORD> largestWrite{0};

    BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request) override
    {
        if (count > largestWrite) {
            largestWrite = count;
        }
        return CStallingSerialPlatform::WriteFile(port, buffer, count, written, request);
    }
};

class FramesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(m_line)) << "run through scripts/wine-run";
        SimTerminalConfig config;
        config.terminalId = TerminalId;
        config.maxFrameSize = 512;
        config.versionMajor = 2;
        config.versionMinor = 7;
        m_terminal.SetConfig(config);
        m_terminal.RegisterHandler(0x32, [](const SimRequest&, SimTerminalState&) { return SimReply{}; });
        ASSERT_TRUE(m_terminal.Start(m_line.terminalPort)) << m_terminal.LastError();

        m_engine.SetComPort(m_line.pcPort);
        m_engine.SetTimings(ShortTimings());
        m_engine.SetIrdaDevice(irdaNone);
        m_engine.SetStopEvent(m_stop.Handle());
        m_engine.SetSink(&m_sink);
        ASSERT_TRUE(m_engine.OpenConfiguredPort());
    }

    void TearDown() override { m_terminal.Stop(); }

    long ConnectOrFail()
    {
        const long id = m_engine.Connect(m_engine.Timings().connectTimeoutMs);
        EXPECT_EQ(id, static_cast<long>(TerminalId));
        return id;
    }

    // One end-of-session exchange, sent and received by hand.
    ProtocolCode ExchangeEndOfSession(long id, int& status)
    {
        EXPECT_EQ(m_engine.SendFrame(id, 0x00, 0, 0, nullptr, 0), 0);
        int block = 0;
        int length = 0;
        return m_engine.ReceiveFrame(id, 0x00, status, block, length, m_engine.Timings().answerTimeoutMs);
    }

    VirtualLine m_line;
    CTerminalSimulator m_terminal;
    CMessageRecord m_record;
    CRecordingSink m_sink{m_record};
    CTestEvent m_stop;
    CWriteSizePlatform m_platform;
    CTestEngine m_engine{m_platform};
};

}  // namespace

TEST(Crc16, MatchesTheXmodemCheckValueAndGivesZeroForNoBytes)
{
    const BYTE check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(CWexlinkProtocol::CalcCrc16(check, 9), 0x31C3);
    EXPECT_EQ(CWexlinkProtocol::CalcCrc16(check, 0), 0);
    EXPECT_EQ(CWexlinkProtocol::CalcCrc16(check, -1), 0);

    std::vector<BYTE> all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<BYTE>(i * 7 + 3));
    }
    EXPECT_EQ(CWexlinkProtocol::CalcCrc16(all.data(), 256), BitwiseCrc(all));
}

TEST_F(FramesTest, ConnectSendsTheSixByteRequestAndLearnsTheTerminal)
{
    EXPECT_EQ(ConnectOrFail(), static_cast<long>(TerminalId));
    EXPECT_EQ(m_engine.MaxFrameSizeOfTerminal(), 512);
    EXPECT_EQ(m_engine.ProtocolVersionMajor(), 2);
    EXPECT_EQ(m_engine.ProtocolVersionMinor(), 7);

    ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x05, 1, 2000));
    const SimFrameRecord request = m_terminal.Frames().front();
    const WORD crc = BitwiseCrc({0x50, 0x00, 0x06, 0x05});
    EXPECT_EQ(request.raw,
              (SimBytes{0x50, 0x00, 0x06, 0x05, static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)}));
}

TEST_F(FramesTest, RequestWithoutPayloadIsElevenBytesWithTheSessionId)
{
    const long id = ConnectOrFail();
    int status = -99;
    EXPECT_EQ(ExchangeEndOfSession(id, status), 0);

    ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x00, 1, 2000));
    SimFrameRecord request;
    for (const SimFrameRecord& frame : m_terminal.Frames()) {
        if (frame.direction == SimDirection::Received && frame.command == 0x00) {
            request = frame;
        }
    }
    ASSERT_EQ(request.raw.size(), 11u);
    EXPECT_EQ(request.raw[1], 0x00);
    EXPECT_EQ(request.raw[2], 0x0B);
    EXPECT_EQ(request.terminalId, TerminalId);
    const WORD crc = BitwiseCrc(SimBytes(request.raw.begin(), request.raw.begin() + 9));
    EXPECT_EQ(request.raw[9], crc >> 8);
    EXPECT_EQ(request.raw[10], crc & 0xFF);
}

TEST_F(FramesTest, GarbageBeforeTheAnswerIsSkipped)
{
    m_terminal.InjectFault(0x05, SimFault::Garbage({0x00, 0x50, 0x41, 0xFF, 0x13}));
    EXPECT_EQ(ConnectOrFail(), static_cast<long>(TerminalId));
}

TEST_F(FramesTest, DamagedAnswersAreRefusedWithTheirCodes)
{
    const long id = ConnectOrFail();
    struct Case {
        SimFault fault;
        ProtocolCode expected;
        const char* what;
    };
    const Case cases[] = {
        {SimFault::BadCrc(), ProtocolResult::CrcError, "bad CRC"},
        {SimFault::WrongCommand(), ProtocolResult::WrongCommand, "wrong command"},
        {SimFault::OversizeLength(), ProtocolResult::FrameTooLarge, "length 16385"},
        {SimFault::UndersizeLength(5), ProtocolResult::CrcError, "length 5, shorter than header and CRC"},
        {SimFault::UndersizeLength(0), ProtocolResult::CrcError, "length 0"},
        {SimFault::Truncated(), ProtocolResult::NoResponse, "frame cut short"},
    };
    for (const Case& c : cases) {
        m_terminal.InjectFault(0x00, c.fault);
        int status = 0;
        EXPECT_EQ(ExchangeEndOfSession(id, status), c.expected) << c.what;
        // The line is usable again at once.
        EXPECT_EQ(ExchangeEndOfSession(id, status), 0) << "after " << c.what;
    }
    EXPECT_EQ(m_record.CountStatus(StatusId::IdMismatch), 0u);
}

TEST_F(FramesTest, AnswerFromAnotherTerminalIsReportedAtOnce)
{
    const long id = ConnectOrFail();
    m_terminal.InjectFault(0x00, SimFault::WrongTerminalId());
    int status = 0;
    EXPECT_EQ(ExchangeEndOfSession(id, status), ProtocolResult::IdMismatch);
    EXPECT_EQ(m_record.CountStatus(StatusId::IdMismatch), 1u);
    EXPECT_EQ(m_record.TextOf(StatusId::IdMismatch), L"Session/Terminal ID mismatch.");
}

TEST_F(FramesTest, ConnectRefusesFrameSizesOutsideWhatATransferCanUse)
{
    for (uint16_t size : {uint16_t{16385}, uint16_t{11}, uint16_t{0}}) {
        SimTerminalConfig config = m_terminal.Config();
        config.maxFrameSize = size;
        m_terminal.SetConfig(config);
        EXPECT_EQ(m_engine.Connect(m_engine.Timings().connectTimeoutMs), ProtocolResult::FrameTooLarge) << size;
    }
    for (uint16_t size : {uint16_t{12}, uint16_t{16384}}) {
        SimTerminalConfig config = m_terminal.Config();
        config.maxFrameSize = size;
        m_terminal.SetConfig(config);
        EXPECT_EQ(m_engine.Connect(m_engine.Timings().connectTimeoutMs), static_cast<long>(TerminalId)) << size;
        EXPECT_EQ(m_engine.MaxFrameSizeOfTerminal(), size);
    }
}

TEST_F(FramesTest, EndOfSessionIgnoresTheStatusByteAndGivesUpAfterThreeAttempts)
{
    const long id = ConnectOrFail();
    m_terminal.InjectFault(0x00, SimFault::Status(7));
    EXPECT_EQ(m_engine.Disconnect(id), 0);

    m_terminal.ClearLog();
    m_terminal.InjectFault(0x00, SimFault::NoAnswer(), 3);
    EXPECT_EQ(m_engine.Disconnect(id), ProtocolResult::NoResponse);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x00), 3u);
}

TEST_F(FramesTest, ClosingRequestRetriesANonZeroStatusAndReportsAMismatchEvenWhenARetrySucceeds)
{
    const long id = ConnectOrFail();
    m_terminal.InjectFault(0x32, SimFault::Status(7), 3);
    EXPECT_EQ(m_engine.SimpleRequest(id, 0x32), ProtocolResult::NotSucceededAfterRetries);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 3u);

    m_terminal.ClearLog();
    m_terminal.InjectFault(0x32, SimFault::WrongTerminalId(), 1);
    EXPECT_EQ(m_engine.SimpleRequest(id, 0x32), 0);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 2u);
    EXPECT_EQ(m_record.CountStatus(StatusId::IdMismatch), 1u);
}

TEST_F(FramesTest, StopDuringTheRetryPauseEndsTheRequestAtOnce)
{
    m_engine.SetTimings(CProtocolTimings{});  // the product's 1000 ms pause, for the stop to land in
    const long id = ConnectOrFail();
    m_terminal.InjectFault(0x32, SimFault::Status(7), 3);
    std::atomic<ULONGLONG> stoppedAt{0};
    std::thread stopper([&] {
        m_terminal.WaitForFrames(SimDirection::Sent, 0x32, 1, 5000);
        Sleep(200);  // well inside the pause that follows the refused answer
        stoppedAt = GetTickCount64();
        m_stop.Set();
    });
    EXPECT_EQ(m_engine.SimpleRequest(id, 0x32), ProtocolResult::UserAborted);
    const ULONGLONG ended = GetTickCount64();
    stopper.join();
    EXPECT_LT(ended - stoppedAt, 300u) << "the 1000 ms pause was not cut short";
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 1u);
    EXPECT_EQ(m_record.CountStatus(StatusId::UserAborted), 1u);
    EXPECT_EQ(m_record.TextOf(StatusId::UserAborted), L"User aborted the protocol.");
}

// The terminals in the field are built around these times; only tests hand the engine shorter ones.
TEST(ProductTimings, EveryEngineAndEveryWorkerRunStartsWithTheProductsTimes)
{
    CWexlinkProtocol engine;
    const CWexlinkWorkerSetup setup;
    for (const CProtocolTimings& timings : {engine.Timings(), setup.timings}) {
        EXPECT_EQ(timings.connectTimeoutMs, 5000u);
        EXPECT_EQ(timings.answerTimeoutMs, 3000u);
        EXPECT_EQ(timings.retryPauseMs, 1000u);
        EXPECT_EQ(timings.ioTimeoutMs, 2500u);
        EXPECT_EQ(timings.readIntervalMs, 1000u);
        EXPECT_EQ(timings.portRecheckMs, 2000u);
        EXPECT_EQ(timings.portOpenGraceMs, 10000u);
    }
}

TEST_F(FramesTest, ProductTimesSpaceTheAttemptsOfARequest)
{
    const CProtocolTimings product;
    m_engine.SetTimings(product);
    m_engine.SetUpLine();  // the line's read times come from the timings too
    const long id = ConnectOrFail();
    m_terminal.ClearLog();
    m_terminal.InjectFault(0x32, SimFault::Status(7), 1);
    m_terminal.InjectFault(0x32, SimFault::NoAnswer(), 1);
    EXPECT_EQ(m_engine.SimpleRequest(id, 0x32), 0);

    std::vector<ULONGLONG> arrivals;
    for (const SimFrameRecord& frame : m_terminal.Frames()) {
        if (frame.direction == SimDirection::Received && frame.command == 0x32) {
            arrivals.push_back(frame.tick);
        }
    }
    ASSERT_EQ(arrivals.size(), 3u);
    // A tick of the clock's granularity is allowed for. A lost answer is given up on after the
    // answer time-out, or after the port's I/O time-out where the wait for data ends early.
    const ULONGLONG slack = 20;
    EXPECT_GE(arrivals[1] - arrivals[0] + slack, product.retryPauseMs) << "refused answer";
    const DWORD lostAnswer = std::min(product.answerTimeoutMs, product.ioTimeoutMs);
    EXPECT_GE(arrivals[2] - arrivals[1] + slack, lostAnswer + product.retryPauseMs) << "lost answer";
}

TEST_F(FramesTest, StoppedEngineSendsNothing)
{
    const long id = ConnectOrFail();
    m_stop.Set();
    EXPECT_EQ(m_engine.SendFrame(id, 0x00, 0, 0, nullptr, 0), ProtocolResult::UserAborted);
    EXPECT_EQ(m_record.CountStatus(StatusId::UserAborted), 1u);
    // The line keeps the order of frames: once a later frame has arrived, an earlier one that had
    // been sent would have arrived too.
    ResetEvent(m_stop.Handle());
    ASSERT_EQ(m_engine.SendFrame(id, 0x32, 0, 0, nullptr, 0), 0);
    ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x32, 1, 5000));
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x00), 0u);
}

TEST_F(FramesTest, ConnectAnswerWithoutRoomForItsPayloadIsNoAnswer)
{
    // A frame-size field and no version: the version must not be taken from the CRC and beyond.
    m_terminal.RegisterHandler(0x05, [](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.answerCommand = 0xFE;
        reply.payload = {0x02, 0x00};
        return reply;
    });
    EXPECT_EQ(m_engine.Connect(m_engine.Timings().connectTimeoutMs), ProtocolResult::NoResponse);
    EXPECT_EQ(m_engine.ProtocolVersionMajor(), 0);
    EXPECT_EQ(m_engine.ProtocolVersionMinor(), 0);
}

// Noise takes an attempt's whole answer time and no more, however much of it the line carries: an
// answer that comes late after noise is taken, noise that outlasts two attempts is over when the third
// is asked, and endless noise fails the request after three answer times and two pauses.
TEST_F(FramesTest, NoiseIsWaitedThroughForTheAnswerTimeOfEachAttempt)
{
    CProtocolTimings timings = ShortTimings();
    timings.retryPauseMs = 1000;
    m_engine.SetTimings(timings);
    long id = ConnectOrFail();
    const DWORD attempt = timings.answerTimeoutMs;
    const DWORD pause = timings.retryPauseMs;
    const CWexlinkProtocol::ExchangeRequest request{0x32};

    // A burst of noise, the line quiet for longer than a read waits, then the answer in time.
    CProtocolTimings late = timings;
    late.answerTimeoutMs = 2 * late.ioTimeoutMs + 500;
    m_engine.SetTimings(late);
    m_terminal.InjectFault(0x32, SimFault::Noise(20, static_cast<int>(late.ioTimeoutMs + 500)));
    EXPECT_EQ(m_engine.Exchange(id, request, CWexlinkProtocol::AcceptAnyAnswer).result, 0);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 1u) << "the late answer was not awaited";
    m_engine.SetTimings(timings);
    m_terminal.ClearLog();

    m_terminal.InjectFault(0x32, SimFault::Noise(2 * attempt + pause + pause / 2));
    EXPECT_EQ(m_engine.Exchange(id, request, CWexlinkProtocol::AcceptAnyAnswer).result, 0);
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 3u);

    // A few bytes of noise just before the deadline, and a driver that holds the read while it waits
    // for more (as one does for the line's quiet time): the read is given up at the deadline.
    CProtocolTimings slowReads = timings;
    slowReads.ioTimeoutMs = 2500;
    m_engine.SetTimings(slowReads);
    m_engine.SetUpLine();
    m_terminal.InjectFault(0x32, SimFault::LateGarbage(attempt - 150));
    m_platform.stallReads = true;
    ASSERT_EQ(m_engine.SendFrame(id, 0x32, 0, 0, nullptr, 0), 0);
    int status = 0;
    int block = 0;
    int length = 0;
    const ULONGLONG asked = GetTickCount64();
    EXPECT_EQ(m_engine.ReceiveFrame(id, 0x32, status, block, length, attempt), ProtocolResult::NoResponse);
    EXPECT_LT(GetTickCount64() - asked, attempt + 100) << "late noise drew the attempt out";
    m_platform.stallReads = false;
    m_engine.SetTimings(timings);
    m_engine.SetUpLine();

    const DWORD allAttempts = 3 * attempt + 2 * pause;
    m_terminal.InjectFault(0x32, SimFault::Noise(allAttempts + 2000));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(m_engine.Exchange(id, request, CWexlinkProtocol::AcceptAnyAnswer).result,
              ProtocolResult::NotSucceededAfterRetries);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took + 50, allAttempts);
    EXPECT_LT(took, allAttempts + 1000);
}

TEST_F(FramesTest, TheAnswerIsFoundWhereverNoiseLeavesItsStartInARead)
{
    // The answer is looked for in reads as long as the shortest frame: its start byte may come
    // first, last or anywhere in one, or only in a later one, with the length field split off.
    const long id = ConnectOrFail();
    for (size_t noise = 0; noise <= 2 * CWexlinkProtocol::FrameOverhead + 1; ++noise) {
        m_terminal.InjectFault(0x00, SimFault::Garbage(SimBytes(noise, 0x55)));
        int status = -1;
        EXPECT_EQ(ExchangeEndOfSession(id, status), 0) << noise << " bytes of noise";
        EXPECT_EQ(status, 0) << noise << " bytes of noise";
    }
}

TEST_F(FramesTest, LargestFramesCrossTheLineWholeAtTheLowestRate)
{
    // At 1200 baud a frame goes out and comes in in parts that the line carries within the serial
    // object's 2500 ms per transfer (a pseudo-terminal ignores the rate, so only the parts show).
    SimBytes data(CWexlinkProtocol::MaxFrameSize - CWexlinkProtocol::FrameOverhead);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + i / 256);
    }
    auto request = std::make_shared<SimBytes>();
    m_terminal.RegisterHandler(0x21, [data, request](const SimRequest& received, SimTerminalState&) {
        *request = received.payload;
        SimReply reply;
        reply.payload = data;
        return reply;
    });
    SimTerminalConfig config = m_terminal.Config();
    config.maxFrameSize = CWexlinkProtocol::MaxFrameSize;
    m_terminal.SetConfig(config);
    m_engine.SetBaudRate(1200);
    long id = ConnectOrFail();

    std::vector<BYTE> sent(data.rbegin(), data.rend());
    ASSERT_EQ(m_engine.SendFrame(id, 0x21, 0, 0, sent.data(), static_cast<int>(sent.size())), 0);
    EXPECT_LE(m_platform.largestWrite.load(), 240u);
    int status = -1;
    int block = -1;
    int length = 0;
    ASSERT_EQ(m_engine.ReceiveFrame(id, 0x21, status, block, length, m_engine.Timings().answerTimeoutMs), 0);
    EXPECT_EQ(*request, SimBytes(sent.begin(), sent.end()));
    ASSERT_EQ(length, CWexlinkProtocol::MaxFrameSize);
    EXPECT_EQ(SimBytes(m_engine.ReceivedPayload(), m_engine.ReceivedPayload() + data.size()), data);
}

TEST_F(FramesTest, PayloadThatNoFrameCanHoldIsRefusedUnsent)
{
    SimTerminalConfig config = m_terminal.Config();
    config.maxFrameSize = CWexlinkProtocol::MaxFrameSize;
    m_terminal.SetConfig(config);
    const long id = ConnectOrFail();
    std::vector<BYTE> payload(CWexlinkProtocol::MaxFrameSize - CWexlinkProtocol::FrameOverhead + 1, 0x41);
    EXPECT_EQ(m_engine.SendFrame(id, 0x32, 0, 0, payload.data(), static_cast<int>(payload.size())),
              ProtocolResult::CannotTransmit);
    EXPECT_EQ(m_record.TextOf(StatusId::CannotTransmit), L"Cannot transmit frame data.");
    EXPECT_EQ(m_engine.SendFrame(id, 0x32, 0, 0, payload.data(), static_cast<int>(payload.size()) - 1), 0);
    ASSERT_TRUE(m_terminal.WaitForFrames(SimDirection::Received, 0x32, 1, 3000));
    EXPECT_EQ(m_terminal.Log().Count(SimDirection::Received, 0x32), 1u);
}
