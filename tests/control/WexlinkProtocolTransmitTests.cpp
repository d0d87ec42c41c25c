// Sending PC files to a terminal, through the control created by COM, against the simulated terminal
// on the other end of the virtual line: what the terminal stores, the frames it sees, and the events
// the control fires.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "FileBytes.h"
#include "SimTransmitCommands.h"

using namespace controltest;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kFrameSize = 255;          // the simulated terminal's largest frame
constexpr int kBlock = kFrameSize - 11;  // data bytes per block

Bytes SomeBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes data(size);
    for (uint8_t& byte : data)
        byte = static_cast<uint8_t>(random());
    return data;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// Splits records into the runs that start at each record that `starts` picks; records before the
// first start are dropped.
template <typename Record, typename Starts>
std::vector<std::vector<Record>> SplitAt(const std::vector<Record>& records, Starts starts)
{
    std::vector<std::vector<Record>> runs;
    for (const Record& record : records) {
        if (starts(record))
            runs.emplace_back();
        if (!runs.empty())
            runs.back().push_back(record);
    }
    return runs;
}

std::wstring MessageOf(const Events& events, long statusId)
{
    const std::vector<std::wstring> texts = StatusTexts(events, statusId);
    return texts.empty() ? L"<not reported>" : texts.front();
}

class TransmitTest : public ControlOnLineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ControlOnLineTest::SetUp());

        folder = TempPath(L"wexlink-transmit-" + std::to_wstring(GetCurrentProcessId()));
        CreateDirectoryW(folder.c_str(), nullptr);

        SimTerminalConfig config;
        config.maxFrameSize = kFrameSize;
        terminal.SetConfig(config);
        RegisterTransmitCommands(terminal, [this](const std::string& name) {
            if (onCreate)
                onCreate(name);
        });
        ASSERT_TRUE(terminal.Start(line.terminalPort));
    }

    void TearDown() override
    {
        ControlOnLineTest::TearDown();
        for (const std::wstring& file : files)
            DeleteFileW(file.c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring WritePcFile(const std::wstring& name, const Bytes& data)
    {
        const std::wstring path = folder + L"\\" + name;
        files.push_back(path);
        EXPECT_TRUE(WriteFileBytes(path, data));
        return path;
    }

    void Queue(const std::wstring& pcFile, const std::string& terminalName, short drive, bool contOnNotAvail = false)
    {
        BSTR pc = SysAllocString(pcFile.c_str());
        BSTR name = SysAllocString(Wide(terminalName).c_str());
        short code = 99;
        EXPECT_EQ(S_OK, control->AddTransmitFileToTerminal(pc, name, drive, contOnNotAvail ? 1 : 0, &code));
        EXPECT_EQ(0, code);
        SysFreeString(pc);
        SysFreeString(name);
    }

    // Runs until the terminal has been connected `count` times after the sessions of interest, or
    // until the run ends by itself.
    bool WaitForConnects(size_t count, DWORD timeoutMs)
    {
        return PumpUntil(
            [&] {
            size_t connects = 0;
            for (const RecordedEvent& event : sink.Events())
                connects += event.id == kConnectedEvent;
            return connects >= count || !Running();
            },
            timeoutMs);
    }

    std::vector<Events> EventSessions()
    {
        return SplitAt(sink.Events(), [](const RecordedEvent& event) { return event.id == kConnectedEvent; });
    }

    std::vector<Frames> FrameSessions()
    {
        return SplitAt(terminal.Frames(), [](const SimFrameRecord& frame) {
            return frame.direction == SimDirection::Received && frame.command == SimWire::kConnect;
        });
    }

    // Runs until one session has completed, and splits what the control fired and what the terminal
    // saw into the sessions of the run, which must number `count`.
    void RunToFirstSuccess(size_t count, std::vector<Events>& sessions, std::vector<Frames>& frames)
    {
        ASSERT_NO_FATAL_FAILURE(Start(commSuccess, 1));
        ASSERT_TRUE(WaitUntilIdle(20000));
        sessions = EventSessions();
        frames = FrameSessions();
        ASSERT_EQ(count, sessions.size());
        ASSERT_EQ(count, frames.size());
    }

    Bytes Stored(int drive, const std::string& name)
    {
        Bytes data;
        if (!terminal.Files().Get(drive, name, data))
            ADD_FAILURE() << "not on the terminal: " << name;
        return data;
    }

    std::wstring folder;
    std::vector<std::wstring> files;
    std::function<void(const std::string&)> onCreate;
};

}  // namespace

TEST_F(TransmitTest, EveryFileArrivesWholeWithItsReportsAndProgress)
{
    struct Case {
        std::string name;
        size_t size;
        short drive;
    };
    // Empty, one byte, exactly one block, one block and a byte, 1000 bytes under a name of the full
    // twelve characters on a drive number whose low byte is 3, and more than 256 blocks.
    const Case cases[] = {{"EMPTY.DAT", 0, 2},
                          {"ONE.DAT", 1, 2},
                          {"BLOCK.DAT", kBlock, 2},
                          {"BLOCK1.DAT", kBlock + 1, 2},
                          {"ABCDEFGH.TXT", 1000, 0x0103},
                          {"BIG.DAT", 256 * kBlock + 100, 2}};
    std::vector<std::wstring> paths;
    for (const Case& c : cases) {
        paths.push_back(WritePcFile(Wide(c.name), SomeBytes(c.size, static_cast<unsigned>(c.size))));
        Queue(paths.back(), c.name, c.drive);
    }
    ASSERT_NO_FATAL_FAILURE(Start(commSuccess, 1));
    ASSERT_TRUE(WaitUntilIdle(40000));

    const std::vector<Events> sessions = EventSessions();
    ASSERT_EQ(1u, sessions.size());
    EXPECT_EQ(L"Communication session complete.", MessageOf(sessions[0], StatusId::SessionComplete));
    for (const Case& c : cases)
        EXPECT_EQ(SomeBytes(c.size, static_cast<unsigned>(c.size)), Stored(c.drive & 0xFF, c.name)) << c.name;

    // One run of events per file, from its "Transmit file" report on.
    const std::vector<Events> perFile = SplitAt(sessions[0], [](const RecordedEvent& event) {
        return event.id == kStatusEvent && event.value == StatusId::TransmitFile;
    });
    ASSERT_EQ(std::size(cases), perFile.size());
    EXPECT_EQ(L"Transmit file " + paths[4] + L" to terminal.", MessageOf(perFile[4], StatusId::TransmitFile));
    EXPECT_EQ(L"File " + paths[4] + L" stored in terminal as ABCDEFGH.TXT.",
              MessageOf(perFile[4], StatusId::FileTransmitted));
    EXPECT_EQ((std::vector<long>{100, 0}), ProgressValues(perFile[0]));
    EXPECT_EQ((std::vector<long>{24, 48, 73, 97, 100, 0}), ProgressValues(perFile[4]));

    const Frames frames = terminal.Frames();
    const Frames creates = Requests(frames, SimTransmit::kCreate);
    ASSERT_EQ(std::size(cases), creates.size());
    const Bytes expectedCreate = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '.', 'T', 'X', 'T', 0, 3, 0, 0, 0x03, 0xE8};
    EXPECT_EQ(expectedCreate, creates[4].payload);

    // The blocks of the large file follow its create request: full blocks but the last, numbered on
    // from 0 and wrapping after 255. On a loaded machine an answer can come too late, and the block
    // goes out again: a repeat of the block before it, whole, within its three attempts.
    const Frames sentBlocks = Requests(SplitAt(
                                           frames,
                                           [](const SimFrameRecord& frame) {
        return frame.direction == SimDirection::Received && frame.command == SimTransmit::kCreate;
                                           })
                                           .at(5),
                                       SimTransmit::kWriteBlock);
    Frames bigBlocks;
    int attempts = 0;
    for (const SimFrameRecord& frame : sentBlocks) {
        if (!bigBlocks.empty() && frame.block == bigBlocks.back().block && frame.payload == bigBlocks.back().payload) {
            EXPECT_LE(++attempts, 3) << "block " << bigBlocks.size() - 1 << " sent more often than it may be";
            continue;
        }
        attempts = 1;
        bigBlocks.push_back(frame);
    }
    ASSERT_EQ(257u, bigBlocks.size());
    for (size_t i = 0; i < bigBlocks.size(); ++i) {
        EXPECT_EQ(static_cast<uint8_t>(i), bigBlocks[i].block) << i;
        EXPECT_EQ(i + 1 < bigBlocks.size() ? size_t(kBlock) : size_t(100), bigBlocks[i].payload.size()) << i;
    }
}

TEST_F(TransmitTest, AMissingPcFileWithContinueIsSkippedBeforeAnythingIsSent)
{
    const std::wstring missing = folder + L"\\MISSING.DAT";
    Queue(missing, "MISSING.DAT", 2, true);
    Queue(WritePcFile(L"ONE.DAT", {0x5A}), "ONE.DAT", 2);
    ASSERT_NO_FATAL_FAILURE(Start(commSuccess, 1));
    ASSERT_TRUE(WaitUntilIdle(15000));

    const Events session = EventSessions().at(0);
    EXPECT_EQ(L"PC file " + missing + L" is not available.", MessageOf(session, StatusId::PcFileNotAvailable));
    EXPECT_EQ(L"Continue session when file not available.", MessageOf(session, StatusId::ContinueNotAvailable));
    EXPECT_EQ(L"Communication session complete.", MessageOf(session, StatusId::SessionComplete));
    EXPECT_EQ(Bytes{0x5A}, Stored(2, "ONE.DAT"));
    EXPECT_EQ(1u, Requests(terminal.Frames(), SimTransmit::kCreate).size());
}

TEST_F(TransmitTest, AMissingPcFileWithoutContinueEndsTheSessionBeforeAnythingIsSent)
{
    const std::wstring missing = folder + L"\\MISSING.DAT";
    Queue(missing, "MISSING.DAT", 2, false);
    Queue(WritePcFile(L"ONE.DAT", {0x5A}), "ONE.DAT", 2);
    ASSERT_NO_FATAL_FAILURE(Start(commContinuous, 0));
    ASSERT_TRUE(WaitForConnects(2, 15000));
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle(10000));

    // No end-of-session request, and one report although both the routine and the driver make it.
    const Events session = EventSessions().at(0);
    const std::vector<long> ids = StatusIds(session);
    EXPECT_EQ(1, std::count(ids.begin(), ids.end(), StatusId::PcFileNotAvailable));
    EXPECT_EQ(StatusId::PcFileNotAvailable, ids.back());
    const Frames first = FrameSessions().at(0);
    EXPECT_TRUE(Requests(first, SimTransmit::kCreate).empty());
    EXPECT_TRUE(Requests(first, SimWire::kEndSession).empty());
}

TEST_F(TransmitTest, EachTerminalRefusalEndsTheSessionAtOnce)
{
    const Bytes data = SomeBytes(1000, 7);
    const std::wstring path = WritePcFile(L"DATA.TXT", data);
    Queue(path, "DATA.TXT", 2);
    // Four sessions, as the driver polls again after each failed one: the create refused, the
    // first block refused with status 9, then with status 11, and at last the whole file.
    terminal.InjectFault(SimTransmit::kCreate, SimFault::Status(7));
    terminal.InjectFault(SimTransmit::kWriteBlock, SimFault::Status(9));
    terminal.InjectFault(SimTransmit::kWriteBlock, SimFault::Status(11));
    std::vector<Events> sessions;
    std::vector<Frames> frames;
    ASSERT_NO_FATAL_FAILURE(RunToFirstSuccess(4, sessions, frames));
    EXPECT_EQ(L"Terminal cannot open/create file DATA.TXT.", MessageOf(sessions[0], StatusId::TerminalCannotOpenFile));
    EXPECT_EQ(L"Error writing to file " + path + L".", MessageOf(sessions[1], StatusId::FileWriteError));
    EXPECT_EQ(L"File size mismatch.", MessageOf(sessions[2], StatusId::FileSizeMismatch));
    EXPECT_EQ(1u, Requests(frames[0], SimTransmit::kCreate).size());
    EXPECT_TRUE(Requests(frames[0], SimTransmit::kWriteBlock).empty());
    EXPECT_TRUE(ProgressValues(sessions[0]).empty());
    for (int refused : {1, 2}) {
        EXPECT_EQ(1u, Requests(frames[refused], SimTransmit::kWriteBlock).size()) << refused;
        EXPECT_EQ(std::vector<long>{0}, ProgressValues(sessions[refused])) << refused;
    }
    for (int failed : {0, 1, 2}) {
        EXPECT_TRUE(Requests(frames[failed], SimTransmit::kClose).empty()) << failed;
        EXPECT_TRUE(Requests(frames[failed], SimWire::kEndSession).empty()) << failed;
    }
    EXPECT_EQ(L"Communication session complete.", MessageOf(sessions[3], StatusId::SessionComplete));
    EXPECT_EQ(data, Stored(2, "DATA.TXT"));
}

// A refused closing request ends the option as failed retries, whatever status byte the terminal
// chose: 30 is the value of this side's stop code and must not end the run unreported.
TEST_F(TransmitTest, ARefusedClosingRequestFailsTheOptionAndTheRunGoesOn)
{
    const Bytes data = SomeBytes(300, 5);
    Queue(WritePcFile(L"CLOSE.DAT", data), "CLOSE.DAT", 2);
    terminal.InjectFault(SimTransmit::kClose, SimFault::Status(30), 3);
    std::vector<Events> sessions;
    std::vector<Frames> frames;
    ASSERT_NO_FATAL_FAILURE(RunToFirstSuccess(2, sessions, frames));
    EXPECT_EQ(3u, Requests(frames[0], SimTransmit::kClose).size());
    EXPECT_TRUE(Requests(frames[0], SimTransmit::kCloseEnd).empty());
    EXPECT_EQ(L"Not succeeded after retries.", MessageOf(sessions[0], StatusId::NotSucceededAfterRetries));
    EXPECT_EQ(L"<not reported>", MessageOf(sessions[0], StatusId::UserAborted));
    EXPECT_EQ(L"Communication session complete.", MessageOf(sessions[1], StatusId::SessionComplete));
    EXPECT_EQ(data, Stored(2, "CLOSE.DAT"));
}

TEST_F(TransmitTest, ExchangesAreRetriedWithTheSameDataAndGiveUpAfterThree)
{
    const Bytes data = SomeBytes(600, 11);
    Queue(WritePcFile(L"RETRY.DAT", data), "RETRY.DAT", 2);
    // First session: a create answer with a bad CRC, then three answers to block 0 that name
    // another block. Second session: a block answer with a status byte of no meaning here.
    terminal.InjectFault(SimTransmit::kCreate, SimFault::BadCrc());
    terminal.InjectFault(SimTransmit::kWriteBlock, SimFault::WrongBlock(), 3);
    terminal.InjectFault(SimTransmit::kWriteBlock, SimFault::Status(5));
    std::vector<Events> sessions;
    std::vector<Frames> frames;
    ASSERT_NO_FATAL_FAILURE(RunToFirstSuccess(2, sessions, frames));
    EXPECT_EQ(L"Not succeeded after retries.", MessageOf(sessions[0], StatusId::NotSucceededAfterRetries));
    EXPECT_EQ(2u, Requests(frames[0], SimTransmit::kCreate).size());
    const Frames tries = Requests(frames[0], SimTransmit::kWriteBlock);
    ASSERT_EQ(3u, tries.size());
    for (size_t i = 1; i < tries.size(); ++i) {
        EXPECT_EQ(tries[0].raw, tries[i].raw);               // same block number, same data
        EXPECT_GE(tries[i].tick - tries[i - 1].tick, 900u);  // after the pause
    }
    EXPECT_TRUE(Requests(frames[0], SimTransmit::kClose).empty());

    const Frames second = Requests(frames[1], SimTransmit::kWriteBlock);
    ASSERT_EQ(4u, second.size());  // block 0 twice, then blocks 1 and 2
    EXPECT_EQ(second[0].raw, second[1].raw);
    EXPECT_EQ(L"Communication session complete.", MessageOf(sessions[1], StatusId::SessionComplete));
    EXPECT_EQ(data, Stored(2, "RETRY.DAT"));
}

TEST_F(TransmitTest, AStopDuringTheRetryPauseEndsTheRunAtOnce)
{
    Queue(WritePcFile(L"STOP.DAT", SomeBytes(600, 3)), "STOP.DAT", 2);
    terminal.InjectFault(SimTransmit::kWriteBlock, SimFault::WrongBlock());
    ASSERT_NO_FATAL_FAILURE(Start(commContinuous, 0));
    ASSERT_TRUE(
        PumpUntil([this] { return terminal.Log().Count(SimDirection::Sent, SimTransmit::kWriteBlock) > 0; }, 10000));
    PumpUntil([] { return false; }, 200);  // the control has the answer by now and waits to try again

    const ULONGLONG stopped = GetTickCount64();
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle(5000));
    EXPECT_LT(GetTickCount64() - stopped, 700u);

    const Events events = sink.Events();
    const std::vector<long> ids = StatusIds(events);
    EXPECT_EQ(1, std::count(ids.begin(), ids.end(), StatusId::UserAborted));
    EXPECT_EQ(StatusId::UserAborted, ids.back());
    EXPECT_EQ(0, ProgressValues(events).back());
    const Frames frames = terminal.Frames();
    EXPECT_EQ(1u, Requests(frames, SimTransmit::kWriteBlock).size());
    EXPECT_TRUE(Requests(frames, SimTransmit::kClose).empty());
}

TEST_F(TransmitTest, AFileThatShrinksAfterItsAnnouncementEndsWithTheSizeReport)
{
    const std::wstring shrinking = WritePcFile(L"SHRINK.DAT", SomeBytes(1000, 5));
    onCreate = [&](const std::string& name) {
        if (name != "SHRINK.DAT")
            return;
        // Between the size read for the announcement and the opening for the data.
        HANDLE file = CreateFileW(shrinking.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFilePointer(file, 300, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    };
    Queue(shrinking, "SHRINK.DAT", 2);
    Queue(WritePcFile(L"ONE.DAT", {1}), "ONE.DAT", 2);
    ASSERT_NO_FATAL_FAILURE(Start(commSuccess, 1));
    ASSERT_TRUE(WaitUntilIdle(15000));

    const Events session = EventSessions().at(0);
    EXPECT_EQ(L"Terminal file and PC file have different file size.", MessageOf(session, StatusId::FileSizesDiffer));
    EXPECT_EQ(L"Communication session complete.", MessageOf(session, StatusId::SessionComplete));
    const Frames frames = terminal.Frames();
    EXPECT_EQ(3u, Requests(frames, SimTransmit::kWriteBlock).size());  // 244 + 56 bytes, then ONE.DAT
    EXPECT_EQ(1u, Requests(frames, SimTransmit::kClose).size());       // for ONE.DAT only
}

TEST_F(TransmitTest, AFileOf4GiBIsRefusedBeforeAnythingIsSent)
{
    const std::wstring huge = WritePcFile(L"HUGE.DAT", {});
    HANDLE file = CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000LL;  // sparse: no disk is spent on it
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);

    Queue(huge, "HUGE.DAT", 2, true);
    ASSERT_NO_FATAL_FAILURE(Start(commContinuous, 0));
    ASSERT_TRUE(WaitForConnects(2, 15000));
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle(10000));

    const Events session = EventSessions().at(0);
    EXPECT_EQ(L"Cannot open/create PC file " + huge + L".", MessageOf(session, StatusId::PcFileCannotOpen));
    EXPECT_EQ(StatusId::PcFileCannotOpen, StatusIds(session).back());
    EXPECT_TRUE(Requests(FrameSessions().at(0), SimTransmit::kCreate).empty());
}
