// Receiving terminal files through the control, created by COM as a host does, against the simulated
// terminal on the virtual line: the progress values, the PC file names of every download type, the
// size check, the missing folder, the closing pair and the files the terminal does not have.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlDll.h"
#include "PortDevice.h"
#include "SimReceiveCommands.h"
#include "TerminalSimulator.h"
#include "TestContainer.h"
#include "VirtualLine.h"
#include "Wexlink.h"
#include "com/ComRef.h"

using namespace controltest;

namespace {

constexpr DISPID kProgressEvent = 2;
constexpr DISPID kStatusEvent = 3;
constexpr short kDrive = 2;

constexpr int kReceiveStarted = 1080;
constexpr int kReceiveStored = 1090;
constexpr int kContinueNotAvailable = 1100;
constexpr int kSessionComplete = 1210;
constexpr int kSuccessLimit = 1000;
constexpr int kCannotOpenTerminalFile = 70;
constexpr int kFileTooLarge = 110;
constexpr int kNotAvailable = 120;
constexpr int kFolderMissing = 150;
constexpr int kNoMoreExtensions = 200;
constexpr int kSizeDiffers = 220;

SimBytes Pattern(size_t size, uint8_t seed)
{
    SimBytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const SimBytes& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// The file's bytes, or "<missing>" as bytes when there is no such file.
SimBytes ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const std::string missing = "<missing>";
        return SimBytes(missing.begin(), missing.end());
    }
    SimBytes bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

class ReceiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run";
        port = std::make_unique<CPortDevice>(line.pcPort);
        ASSERT_TRUE(port->IsAdded());
        MakeFolder();

        ASSERT_TRUE(KeepLibraryLoaded());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IWexlinkCtl,
                                         reinterpret_cast<void**>(control.Receive())));
        ASSERT_EQ(S_OK, AttachContainer(control.Get(), &site, &sink, point, cookie));
        ASSERT_EQ(S_OK, control->put_Comport(static_cast<short>(line.pcPort)));

        SimTerminalConfig config;
        config.maxFrameSize = 1024;
        terminal.SetConfig(config);
        RegisterReceiveCommands(terminal);
        ASSERT_TRUE(terminal.Start(line.terminalPort));
    }

    void TearDown() override
    {
        if (control) {
            control->StopProtocol();
            PumpUntil([this] { return !Running(); }, 10000);
            if (point)
                point->Unadvise(cookie);
            point.Reset();
            CComRef<IOleObject> object;
            control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.Receive()));
            if (object)
                object->SetClientSite(nullptr);
            control.Reset();
            CoUninitialize();
        }
        terminal.Stop();
        RemoveFolder();
    }

    void MakeFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"wexlink-receive-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount64());
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

    bool Running()
    {
        short running = -1;
        control->IsProtocolRunning(&running);
        return running == 1;
    }

    // Runs the queued options in one session. A completed session ends the run by itself; any of
    // `stopOn` stops it from inside its event, before the driver could poll for another session.
    void RunSession(std::set<int> stopOn = {})
    {
        stopOn.insert(kSuccessLimit);
        sink.onEvent = [this, stopOn](const RecordedEvent& event) {
            if (event.id == kStatusEvent && stopOn.count(event.value))
                control->StopProtocol();
        };
        short result = 99;
        ASSERT_EQ(S_OK, control->StartProtocol(commSuccess, 1, &result));
        ASSERT_EQ(0, result);
        ASSERT_TRUE(PumpUntil([this] { return !Running(); }, 50000)) << "the run did not end";
        sink.onEvent = nullptr;
    }

    std::vector<long> Progress()
    {
        std::vector<long> values;
        for (const RecordedEvent& event : sink.Events())
            if (event.id == kProgressEvent)
                values.push_back(event.value);
        return values;
    }

    std::vector<int> StatusIds()
    {
        std::vector<int> ids;
        for (const RecordedEvent& event : sink.Events())
            if (event.id == kStatusEvent)
                ids.push_back(static_cast<int>(event.value));
        return ids;
    }

    std::vector<std::wstring> Messages(int id)
    {
        std::vector<std::wstring> texts;
        for (const RecordedEvent& event : sink.Events())
            if (event.id == kStatusEvent && event.value == id)
                texts.push_back(event.message);
        return texts;
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

    VirtualLine line;
    std::unique_ptr<CPortDevice> port;
    std::wstring folder;
    CTerminalSimulator terminal;
    CComRef<IWexlinkCtl> control;
    TestSite site;
    TestEventSink sink;
    CComRef<IConnectionPoint> point;
    DWORD cookie = 0;
};

}  // namespace

TEST_F(ReceiveTest, BlocksArriveWithProgressOnlyWhenItChangesAndTheFileIsStoredOnce)
{
    const SimBytes data = Pattern(1000, 1);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    RegisterReceiveCommands(terminal, SimReceiveOptions{244});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ((std::vector<long>{24, 48, 73, 97, 100, 0}), Progress());
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(std::vector<std::wstring>{L"Receive file DATA.TXT from terminal."}, Messages(kReceiveStarted));
    EXPECT_EQ(std::vector<std::wstring>{L"Received file DATA.TXT stored as " + Path(L"DATA.TXT") + L"."},
              Messages(kReceiveStored));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), BlockNumbersAsked());
    EXPECT_EQ(1u, Requests(0x12));
    EXPECT_EQ(1u, Requests(0x13));
    EXPECT_EQ(1u, Requests(0x00));
}

TEST_F(ReceiveTest, DamagedAndMisnumberedBlockAnswersAreAskedForAgainWithTheSameNumber)
{
    const SimBytes data = Pattern(1000, 2);
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
    const SimBytes data = Pattern(5, 3);
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
    EXPECT_EQ(1u, Messages(kReceiveStored).size());
}

TEST_F(ReceiveTest, EmptyFileAsksForNoBlockAndIsCreatedOrLeftAsItWas)
{
    terminal.Files().Put(kDrive, "EMPTY.TXT", SimBytes{});
    const SimBytes old = Pattern(5, 9);
    ASSERT_TRUE(WriteBytes(Path(L"OLD.TXT"), old));
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
    const SimBytes data = Pattern(3000, 5);
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
    const SimBytes data = Pattern(300, 3);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    const SimBytes old = Pattern(17, 200);
    ASSERT_TRUE(WriteBytes(Path(L"DATA.TXT"), old));
    ASSERT_TRUE(WriteBytes(Path(L"NOEXT"), old));
    ASSERT_TRUE(WriteBytes(Path(L"OVER.TXT"), Pattern(5000, 1)));

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
    const std::vector<std::wstring> stored = {L"DATA.TXT", L"DATA.000", L"DATA.001", L"NOEXT.000",
                                              L"DATA_0000.TXT", L"DATA_0001.TXT", L"NOEXT_0000",
                                              L"OVER.TXT", L"FRESH.TXT"};
    std::vector<std::wstring> expectedMessages;
    for (const std::wstring& name : stored) {
        expectedMessages.push_back(L"Received file DATA.TXT stored as " + Path(name) + L".");
        if (name != L"DATA.TXT") {
            EXPECT_EQ(data, ReadBytes(Path(name))) << name.c_str();
        }
    }
    EXPECT_EQ(expectedMessages, Messages(kReceiveStored));
    EXPECT_EQ(old, ReadBytes(Path(L"NOEXT")));
    const std::vector<int> ids = StatusIds();
    EXPECT_EQ(1, std::count(ids.begin(), ids.end(), kSessionComplete));
}

TEST_F(ReceiveTest, AllThousandNewExtensionsTakenFailsTheOptionWithoutWriting)
{
    terminal.Files().Put(kDrive, "DATA.TXT", Pattern(50, 1));
    ASSERT_TRUE(WriteBytes(Path(L"DATA.TXT"), SimBytes{1}));
    for (int n = 0; n <= 999; ++n) {
        wchar_t name[16];
        swprintf(name, 16, L"DATA.%03d", n);
        ASSERT_TRUE(WriteBytes(Path(name), SimBytes{2}));
    }
    Queue(Path(L"DATA.TXT"), downNewExtension, L"DATA.TXT");
    RunSession({kNoMoreExtensions});

    EXPECT_EQ(std::vector<std::wstring>{L"No more file extension available."}, Messages(kNoMoreExtensions));
    EXPECT_EQ(1001u, FilesIn(folder).size());
    EXPECT_EQ(SimBytes{1}, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_EQ(0u, Requests(0x00));
}

TEST_F(ReceiveTest, MissingFolderIsRefusedAfterTheDataArrivedAndBeforeAnyFileIsOpened)
{
    terminal.Files().Put(kDrive, "DATA.TXT", Pattern(600, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{200});
    const std::wstring missing = Path(L"MISSING");
    for (enumDownType downType : {downAppend, downOverwrite, downNewExtension, downNewFile}) {
        SCOPED_TRACE(static_cast<int>(downType));
        terminal.ClearLog();
        control->ClearProtocolOptionsList();
        Queue(missing + L"\\DATA.TXT", downType, L"DATA.TXT");
        RunSession({kFolderMissing});

        EXPECT_EQ(3u, Requests(0x11));
        EXPECT_EQ(0u, Requests(0x12));
        EXPECT_EQ(0u, Requests(0x00));
        EXPECT_FALSE(Exists(missing));
    }
    EXPECT_EQ(std::vector<std::wstring>(4, L"The PC folder " + missing + L"\\ does not exist."),
              Messages(kFolderMissing));
}

TEST_F(ReceiveTest, MoreDataThanAnnouncedIsRefusedUnwrittenAndTheSessionGoesOn)
{
    // The last of five 244-byte blocks runs past an announced 990 bytes, for both options.
    terminal.Files().Put(kDrive, "DATA.TXT", Pattern(1000, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{244, true, 990});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    Queue(Path(L"DATA.TXT"), downAppend, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(std::vector<std::wstring>(2, L"Terminal file and PC file have different file size."),
              Messages(kSizeDiffers));
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_EQ(10u, Requests(0x11));  // the second option ran too
    EXPECT_EQ(1u, Requests(0x00));
    EXPECT_EQ(1u, Messages(kSessionComplete).size());
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
    terminal.Files().Put(kDrive, "DATA.TXT", Pattern(3000, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{2000, true, 10});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(1u, Messages(kSizeDiffers).size());
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(1u, Requests(0x11));
    EXPECT_EQ(0u, Requests(0x12));
}

TEST_F(ReceiveTest, AnnouncedSizeBeyondTheLargestAcceptedIsRefusedBeforeAnyBlock)
{
    terminal.Files().Put(kDrive, "DATA.TXT", Pattern(100, 1));
    RegisterReceiveCommands(terminal, SimReceiveOptions{0, true, 0xFFFFFFF0u});
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({kFileTooLarge});

    EXPECT_EQ(std::vector<std::wstring>{L"File size mismatch."}, Messages(kFileTooLarge));
    EXPECT_EQ(0u, Requests(0x11));
    EXPECT_EQ(0u, Requests(0x12));
    EXPECT_FALSE(Exists(Path(L"DATA.TXT")));
    EXPECT_EQ(0, Progress().back());
}

TEST_F(ReceiveTest, FailedFirstClosingRequestSkipsTheSecondAndStillReportsTheStoredFile)
{
    const SimBytes data = Pattern(100, 4);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    terminal.InjectFault(0x12, SimFault::Status(9), 3);
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(3u, Requests(0x12));
    EXPECT_EQ(0u, Requests(0x13));
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_EQ(1u, Messages(kReceiveStored).size());
    EXPECT_EQ(1u, Requests(0x00));
}

TEST_F(ReceiveTest, FileTheTerminalDoesNotHaveEndsTheSessionUnlessToldToContinue)
{
    const SimBytes data = Pattern(20, 4);
    terminal.Files().Put(kDrive, "DATA.TXT", data);
    Queue(Path(L"GONE.TXT"), downOverwrite, L"GONE.TXT", true);
    Queue(Path(L"DATA.TXT"), downOverwrite, L"DATA.TXT");
    RunSession();

    EXPECT_EQ(std::vector<std::wstring>{L"Requested terminal file GONE.TXT is not available."}, Messages(kNotAvailable));
    EXPECT_EQ(1u, Messages(kContinueNotAvailable).size());
    EXPECT_EQ(data, ReadBytes(Path(L"DATA.TXT")));
    EXPECT_FALSE(Exists(Path(L"GONE.TXT")));
    EXPECT_EQ(1u, Requests(0x00));
    EXPECT_EQ(2u, Requests(0x10));  // the missing file was asked for once

    // Without the flag the session ends there, without the end-of-session request.
    terminal.ClearLog();
    control->ClearProtocolOptionsList();
    Queue(Path(L"GONE.TXT"), downOverwrite, L"GONE.TXT");
    Queue(Path(L"OTHER.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({kNotAvailable});
    EXPECT_EQ(1u, Requests(0x10));
    EXPECT_EQ(0u, Requests(0x00));
    EXPECT_FALSE(Exists(Path(L"OTHER.TXT")));

    // A terminal that cannot open the file answers 7: reported with the name, not asked again.
    terminal.ClearLog();
    control->ClearProtocolOptionsList();
    terminal.InjectFault(0x10, SimFault::Status(7));
    Queue(Path(L"DATA7.TXT"), downOverwrite, L"DATA.TXT");
    RunSession({kCannotOpenTerminalFile});
    EXPECT_EQ(std::vector<std::wstring>{L"Terminal cannot open/create file DATA.TXT."},
              Messages(kCannotOpenTerminalFile));
    EXPECT_EQ(1u, Requests(0x10));
    EXPECT_FALSE(Exists(Path(L"DATA7.TXT")));
}
