// Receiving terminal files through the control, created by COM as a host does, against the simulated
// terminal on the virtual line: the progress values, the PC file names of every download type, the
// size check, the missing folder, a PC path that reaches a device, the closing pair and the files the
// terminal does not have.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "FileBytes.h"
#include "SimReceiveCommands.h"

using namespace controltest;

namespace {

constexpr short kDrive = 2;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's bytes, or "<missing>" as bytes when there is no such file.
SimBytes ReadBytes(const std::wstring& path)
{
    if (!Exists(path)) {
        const std::string missing = "<missing>";
        return SimBytes(missing.begin(), missing.end());
    }
    return ReadFileBytes(path);
}

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class ReceiveTest : public ControlOnLineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ControlOnLineTest::SetUp());
        MakeFolder();

        SimTerminalConfig config;
        config.maxFrameSize = 1024;
        terminal.SetConfig(config);
        RegisterReceiveCommands(terminal);
        ASSERT_TRUE(terminal.Start(line.terminalPort));
    }

    void TearDown() override
    {
        ControlOnLineTest::TearDown();
        RemoveFolder();
    }

    void MakeFolder()
    {
        folder = TempPath(L"wexlink-receive-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount64()));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }

    void RemoveFolder()
    {
        for (const std::wstring& name : FilesIn(folder))
            DeleteFileW((folder + L"\\" + name).c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring Path(const std::wstring& name) const { return folder + L"\\" + name; }

    void Queue(const std::wstring& pcPath, enumDownType downType, const wchar_t* terminalName,
               bool contOnNotAvail = false)
    {
        BSTR pc = SysAllocString(pcPath.c_str());
        BSTR name = SysAllocString(terminalName);
        short code = 99;
        EXPECT_EQ(S_OK, control->AddReceiveFileFromTerminal(pc, downType, name, kDrive, contOnNotAvail ? 1 : 0, &code));
        EXPECT_EQ(0, code);
        SysFreeString(pc);
        SysFreeString(name);
    }

    // Runs the queued options in one session. A completed session ends the run by itself; any of
    // `stopOn` stops it from inside its event, before the driver could poll for another session.
    void RunSession(std::set<int> stopOn = {})
    {
        stopOn.insert(StatusId::AbortedAfterSuccesses);
        sink.onEvent = [this, stopOn](const RecordedEvent& event) {
            if (event.id == kStatusEvent && stopOn.count(event.value))
                control->StopProtocol();
        };
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(WaitUntilIdle(50000)) << "the run did not end";
        sink.onEvent = nullptr;
    }

    size_t Requests(uint8_t command) { return terminal.Log().Count(SimDirection::Received, command); }

    std::vector<int> BlockNumbersAsked()
    {
        std::vector<int> blocks;
        for (const SimFrameRecord& frame : terminal.Frames())
            if (frame.direction == SimDirection::Received && frame.command == 0x11)
                blocks.push_back(frame.block);
        return blocks;
    }

    std::wstring folder;
};

}  // namespace

TEST_F(ReceiveTest, BlocksArriveWithProgressOnlyWhenItChangesAndTheFileIsStoredOnce)
{
    const SimBytes data = PatternBytes(1000, 1);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    RegisterReceiveCommands(terminal, SimReceiveOptions{244});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ((std::vector<long>{24, 48, 73, 97, 100, 0}), Progress());
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(std::vector<std::wstring>{L"Receive file DATA.TXT from terminal."}, Messages(StatusId::ReceiveFile));
    EXPECT_EQ(std::vector<std::wstring>{L"Received file DATA.TXT stored as " + Path(L"DATA.TXT") + L"."},
              Messages(StatusId::FileReceived));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), BlockNumbersAsked());
    EXPECT_EQ(1u, Requests(0x12));
    EXPECT_EQ(1u, Requests(0x13));
    EXPECT_EQ(1u, Requests(0x00));
}

TEST_F(ReceiveTest, DamagedAndMisnumberedBlockAnswersAreAskedForAgainWithTheSameNumber)
{
    const SimBytes data = PatternBytes(1000, 2);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    RegisterReceiveCommands(terminal, SimReceiveOptions{300});
    terminal.InjectFault(0x11, SimFault::BadCrc());
    terminal.InjectFault(0x11, SimFault::WrongBlock());
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ((std::vector<int>{0, 0, 0, 1, 2, 3}), BlockNumbersAsked());
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
}

TEST_F(ReceiveTest, AnswersTooShortToUseAreAskedForAgain)
{
    // An opening answer without the whole size, then a block without data: each counts as no answer,
    // and the next attempt brings the file.
    const SimBytes data = PatternBytes(5, 3);
    auto openings = std::make_shared<std::atomic<int>>(0);
    auto blocks = std::make_shared<std::atomic<int>>(0);
    terminal.RegisterHandler(0x10, [openings](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = ++*openings == 1 ? SimBytes{0, 0, 0} : SimBytes{0, 0, 0, 5};
        return reply;
    });
    terminal.RegisterHandler(0x11, [blocks, data](const SimRequest& request, SimTerminalState&) {
        SimReply reply;
        reply.block = request.block;
        if (++*blocks > 1)
            reply.payload = data;
        return reply;
    });
    Queue(Path(L"SHORT.TXT"), downOverwrite, L"SHORT.TXT");
    RunSession();

    EXPECT_EQ(2u, Requests(0x10));
    EXPECT_EQ((std::vector<int>{0, 0}), BlockNumbersAsked());
    EXPECT_EQ(data, ReadBytes(Path(L"SHORT.TXT")));
    EXPECT_EQ(1u, Messages(StatusId::FileReceived).size());
}

TEST_F(ReceiveTest, EmptyFileAsksForNoBlockAndIsCreatedOrLeftAsItWas)
{
    terminal.Files().Put(kDrive, "EMPTY.TXT", SimBytes{});
    const SimBytes old = PatternBytes(5, 9);
    ASSERT_TRUE(WriteFileBytes(Path(L"OLD.TXT"), old));
    Queue(Path(L"NEW.TXT"), downOverwrite, L"EMPTY.TXT");
    Queue(Path(L"OLD.TXT"), downAppend, L"EMPTY.TXT");
    RunSession();

    EXPECT_EQ(0u, Requests(0x11));
    EXPECT_EQ((std::vector<long>{100, 0, 100, 0}), Progress());
    EXPECT_TRUE(Exists(Path(L"NEW.TXT")));
    EXPECT_EQ(SimBytes{}, ReadBytes(Path(L"NEW.TXT")));
    EXPECT_EQ(old, ReadBytes(Path(L"OLD.TXT")));
    EXPECT_EQ(2u, Requests(0x13));
    EXPECT_EQ(1u, Requests(0x00));
}

TEST_F(ReceiveTest, FileOfMoreThan256BlocksWrapsTheBlockNumberAndSendsAtMostOneValuePerPercent)
{
    const SimBytes data = PatternBytes(3000, 5);
    terminal.Files().Put(kDrive, "BIG.DAT", data);
    RegisterReceiveCommands(terminal, SimReceiveOptions{10});
    Queue(Path(L"BIG.DAT"), downOverwrite, L"BIG.DAT");
    RunSession();

    EXPECT_EQ(data, ReadBytes(Path(L"BIG.DAT")));
    std::vector<int> expected;
    for (int i = 0; i < 300; ++i)
        expected.push_back(i % 256);
    EXPECT_EQ(expected, BlockNumbersAsked());
    // 0 for the first block (the total is new), 1 to 100 once each, and the final 0.
    std::vector<long> expectedProgress;
    for (long percent = 0; percent <= 100; ++percent)
        expectedProgress.push_back(percent);
    expectedProgress.push_back(0);
    EXPECT_EQ(expectedProgress, Progress());
}

TEST_F(ReceiveTest, EveryDownTypeStoresUnderItsName)
{
    const SimBytes data = PatternBytes(300, 3);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    const SimBytes old = PatternBytes(17, 200);
    ASSERT_TRUE(WriteFileBytes(Path(L"DATA.TXT"), old));
    ASSERT_TRUE(WriteFileBytes(Path(L"NOEXT"), old));
    ASSERT_TRUE(WriteFileBytes(Path(L"OVER.TXT"), PatternBytes(5000, 1)));

    Queue(Path(L"DATA.TXT"), downAppend, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downNewExtension, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downNewExtension, L"DATA.TXT");
    Queue(Path(L"NOEXT"), downNewExtension, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downNewFile, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downNewFile, L"DATA.TXT");
    Queue(Path(L"NOEXT"), downNewFile, L"DATA.TXT");
    Queue(Path(L"OVER.TXT"), downOverwrite, L"DATA.TXT");
    Queue(Path(L"FRESH.TXT"), downAppend, L"DATA.TXT");
    RunSession();

    SimBytes appended = old;
    appended.insert(appended.end(), data.begin(), data.end());
    EXPECT_EQ(appended, ReadBytes(Path(L"DATA.TXT")));
    const std::vector<std::wstring> stored = {L"DATA.TXT",   L"DATA.000",      L"DATA.001",
                                              L"NOEXT.000",  L"DATA_0000.TXT", L"DATA_0001.TXT",
                                              L"NOEXT_0000", L"OVER.TXT",      L"FRESH.TXT"};
    std::vector<std::wstring> expectedMessages;
    for (const std::wstring& name : stored) {
        expectedMessages.push_back(L"Received file DATA.TXT stored as " + Path(name) + L".");
        if (name != L"DATA.TXT") {
            EXPECT_EQ(data, ReadBytes(Path(name))) << name.c_str();
        }
    }
    EXPECT_EQ(expectedMessages, Messages(StatusId::FileReceived));
    EXPECT_EQ(old, ReadBytes(Path(L"NOEXT")));
    const std::vector<long> ids = StatusIds(sink.Events());
    EXPECT_EQ(1, std::count(ids.begin(), ids.end(), StatusId::SessionComplete));
}

TEST_F(ReceiveTest, AllThousandNewExtensionsTakenFailsTheOptionWithoutWriting)
{
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(50, 1));
    ASSERT_TRUE(WriteFileBytes(Path(L"DATA.TXT"), SimBytes{1}));
    for (int n = 0; n <= 999; ++n) {
        wchar_t name[16];
        swprintf(name, 16, L"DATA.%03d", n);
        ASSERT_TRUE(WriteFileBytes(Path(name), SimBytes{2}));
    }
    Queue(Path(L"DATA.TXT"), downNewExtension, L"DATA.TXT");
    RunSession({StatusId::NoMoreExtension});

    EXPECT_EQ(std::vector<std::wstring>{L"No more file extension available."}, Messages(StatusId::NoMoreExtension));
    EXPECT_EQ(1001u, FilesIn(folder).size());
    EXPECT_EQ(SimBytes{1}, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_EQ(0u, Requests(0x00));
}

TEST_F(ReceiveTest, MissingFolderIsRefusedAfterTheDataArrivedAndBeforeAnyFileIsOpened)
{
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(600, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{200});
    const std::wstring missing = Path(L"MISSING");
    for (enumDownType downType : {downAppend, downOverwrite, downNewExtension, downNewFile}) {
        SCOPED_TRACE(static_cast<int>(downType));
        terminal.ClearLog();
        control->ClearProtocolOptionsList();
        Queue(missing + L"\\DATA.TXT", downType, L"DATA.TXT");
        RunSession({StatusId::PcFolderMissing});

        EXPECT_EQ(3u, Requests(0x11));
        EXPECT_EQ(0u, Requests(0x12));
        EXPECT_EQ(0u, Requests(0x00));
        EXPECT_FALSE(Exists(missing));
    }
    EXPECT_EQ(std::vector<std::wstring>(4, L"The PC folder " + missing + L"\\ does not exist."),
              Messages(StatusId::PcFolderMissing));
}

TEST_F(ReceiveTest, PcPathThatReachesADeviceIsRefusedAndNothingIsReportedStored)
{
    // Under Wine Z:\dev\null passes every name rule (no device name, an existing folder) and yet opens
    // the null device, where the data would be gone: only the check of what was opened can refuse it.
    const std::wstring device = L"Z:\\dev\\null";
    {
        HANDLE opened = CreateFileW(device.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, opened);
        EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_CHAR), GetFileType(opened));
        CloseHandle(opened);
    }
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(600, 5));
    RegisterReceiveCommands(terminal, SimReceiveOptions{200});
    size_t sessions = 0;
    for (enumDownType downType : {downOverwrite, downAppend}) {
        SCOPED_TRACE(static_cast<int>(downType));
        terminal.ClearLog();
        control->ClearProtocolOptionsList();
        Queue(device, downType, L"DATA.TXT");
        Queue(Path(L"AFTER.TXT"), downOverwrite, L"DATA.TXT");
        // The refused option ends its session; the run goes on with the next session, which meets the
        // same refusal and is stopped there.
        auto connects = std::make_shared<std::atomic<int>>(0);
        sink.onEvent = [this, connects](const RecordedEvent& event) {
            if (event.id == kConnectedEvent)
                ++*connects;
            if (event.id == kStatusEvent && event.value == StatusId::PcFileCannotOpen && *connects >= 2)
                control->StopProtocol();
        };
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(WaitUntilIdle(50000)) << "the run did not end";
        sink.onEvent = nullptr;
        sessions += 2;

        EXPECT_EQ(2, connects->load());
        EXPECT_EQ(6u, Requests(0x11));  // the data arrived in each session, and went nowhere
        EXPECT_EQ(0u, Requests(0x12));  // no closing pair: the terminal is not told the file is safe
        EXPECT_EQ(0u, Requests(0x00));
    }
    EXPECT_EQ(sessions, ValuesOf(sink.Events(), kConnectedEvent).size());
    const std::vector<std::wstring> refusals = Messages(StatusId::PcFileCannotOpen);
    ASSERT_FALSE(refusals.empty());
    for (const std::wstring& refusal : refusals)
        EXPECT_EQ(L"Cannot open/create PC file " + device + L".", refusal);
    EXPECT_TRUE(Messages(StatusId::FileReceived).empty());
    EXPECT_FALSE(Exists(Path(L"AFTER.TXT")));
}

TEST_F(ReceiveTest, MoreDataThanAnnouncedIsRefusedUnwrittenAndTheSessionGoesOn)
{
    // The last of five 244-byte blocks runs past an announced 990 bytes, for both options.
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(1000, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{244, true, 990});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downAppend, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(std::vector<std::wstring>(2, L"Terminal file and PC file have different file size."),
              Messages(StatusId::FileSizesDiffer));
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_EQ(10u, Requests(0x11));  // the second option ran too
    EXPECT_EQ(1u, Requests(0x00));
    EXPECT_EQ(1u, Messages(StatusId::SessionComplete).size());
    const std::vector<long> progress = Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(0, progress.back());
}

TEST_F(ReceiveTest, BlockLargerThanTheRoomLeftIsRefusedUnwritten)
{
    // A terminal that announces 10 bytes and frames of 255, then sends a block of 2000 bytes.
    SimTerminalConfig config = terminal.Config();
    config.maxFrameSize = 255;
    terminal.SetConfig(config);
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(3000, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{2000, true, 10});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(1u, Messages(StatusId::FileSizesDiffer).size());
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(1u, Requests(0x11));
    EXPECT_EQ(0u, Requests(0x12));
}

TEST_F(ReceiveTest, AnnouncedSizeBeyondTheLargestAcceptedIsRefusedBeforeAnyBlock)
{
    terminal.Files().Put(kDrive, "DATA.TXT", PatternBytes(100, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{0, true, 0xFFFFFFF0u});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({StatusId::FileSizeMismatch});

    EXPECT_EQ(std::vector<std::wstring>{L"File size mismatch."}, Messages(StatusId::FileSizeMismatch));
    EXPECT_EQ(0u, Requests(0x11));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(0, Progress().back());
}

TEST_F(ReceiveTest, FailedFirstClosingRequestSkipsTheSecondAndStillReportsTheStoredFile)
{
    const SimBytes data = PatternBytes(100, 4);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    terminal.InjectFault(0x12, SimFault::Status(9), 3);
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(3u, Requests(0x12));
    EXPECT_EQ(0u, Requests(0x13));
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(1u, Messages(StatusId::FileReceived).size());
    EXPECT_EQ(1u, Requests(0x00));
}

TEST_F(ReceiveTest, FileTheTerminalDoesNotHaveEndsTheSessionUnlessToldToContinue)
{
    const SimBytes data = PatternBytes(20, 4);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    Queue(Path(L"GONE.TXT"), downOverwrite, L"GONE.TXT", true);
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(std::vector<std::wstring>{L"Requested terminal file GONE.TXT is not available."},
              Messages(StatusId::TerminalFileNotAvailable));
    EXPECT_EQ(1u, Messages(StatusId::ContinueNotAvailable).size());
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_FALSE(Exists(Path(L"GONE.TXT")));
    EXPECT_EQ(1u, Requests(0x00));
    EXPECT_EQ(2u, Requests(0x10));  // the missing file was asked for once

    // Without the flag the session ends there, without the end-of-session request.
    terminal.ClearLog();
    control->ClearProtocolOptionsList();
    Queue(Path(L"GONE.TXT"), downOverwrite, L"GONE.TXT");
    Queue(Path(L"OTHER.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({StatusId::TerminalFileNotAvailable});
    EXPECT_EQ(1u, Requests(0x10));
    EXPECT_EQ(0u, Requests(0x00));
    EXPECT_FALSE(Exists(Path(L"OTHER.TXT")));

    // A terminal that cannot open the file answers 7: reported with the name, not asked again.
    terminal.ClearLog();
    control->ClearProtocolOptionsList();
    terminal.InjectFault(0x10, SimFault::Status(7));
    Queue(Path(L"DATA7.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({StatusId::TerminalCannotOpenFile});
    EXPECT_EQ(std::vector<std::wstring>{L"Terminal cannot open/create file DATA.TXT."},
              Messages(StatusId::TerminalCannotOpenFile));
    EXPECT_EQ(1u, Requests(0x10));
    EXPECT_FALSE(Exists(Path(L"DATA7.TXT")));
}
