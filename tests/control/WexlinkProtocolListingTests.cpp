// File listing and deletion through the control, against the simulated terminal: the reports the host
// reads, the frames on the line, the retry rule, and the faults of a terminal that answers badly.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "SimListingCommands.h"
#include "WexlinkProtocol.h"

using namespace controltest;

namespace {

// A bound, not a pace: 300 listed entries through COM on a loaded machine took over 30 s.
constexpr DWORD RunTimeoutMs = 90000;

SimBytes Bytes(size_t count)
{
    return SimBytes(count, 0x5A);
}

class ListingTest : public ControlOnLineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ControlOnLineTest::SetUp());
        ASSERT_EQ(S_OK, control->put_IrDADevice(irdaNone));
        RegisterListingCommands(terminal);
        ASSERT_TRUE(terminal.Start(line.terminalPort)) << terminal.LastError();
    }

    void AddListing(const wchar_t* pattern, short drive) { AddFileOption(false, pattern, drive); }
    void AddDeletion(const wchar_t* pattern, short drive) { AddFileOption(true, pattern, drive); }

    void AddFileOption(bool deletion, const wchar_t* pattern, short drive)
    {
        BSTR text = SysAllocString(pattern);
        short result = 99;
        const HRESULT hr = deletion ? control->AddDeleteTerminalFiles(text, drive, &result)
                                    : control->AddGetTerminalFileList(text, drive, &result);
        SysFreeString(text);
        ASSERT_EQ(S_OK, hr);
        ASSERT_EQ(0, result);
    }

    // Runs one session that ends by itself after completing.
    void RunOneSession()
    {
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_TRUE(WaitUntilIdle(RunTimeoutMs)) << "the run did not end";
    }

    // Runs until the status has arrived, then stops the run.
    void RunUntilStatus(long id)
    {
        ASSERT_NO_FATAL_FAILURE(Start());
        const bool seen = PumpUntil([this, id] { return HasStatus(id); }, RunTimeoutMs);
        control->StopProtocol();
        WaitUntilIdle(10000);
        ASSERT_TRUE(seen) << "status " << id << " never arrived";
    }

    // The reports from the first of the given id on, at most `count` of them.
    Reports StatusesFrom(long id, size_t count = SIZE_MAX)
    {
        Reports all = StatusReports();
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i].first == id) {
                const size_t taken = std::min(count, all.size() - i);
                return Reports(all.begin() + static_cast<std::ptrdiff_t>(i),
                               all.begin() + static_cast<std::ptrdiff_t>(i + taken));
            }
        }
        return {};
    }

    Frames Requests(int command) { return controltest::Requests(terminal.Frames(), command); }
    size_t RequestCount(int command) { return Requests(command).size(); }
};

}  // namespace

// The tests through the control check the field on the line; these are inputs the control never sends.
TEST(TerminalNameField, CutsALongerNameAndTakesTheLowByteOfANegativeDrive)
{
    const auto longer = CWexlinkProtocol::BuildTerminalNameField("ABCDEFGHIJKLMNOP", -1);
    EXPECT_EQ(std::string("ABCDEFGHIJKL"), std::string(longer.begin(), longer.begin() + 12));
    EXPECT_EQ(0, longer[12]);
    EXPECT_EQ(0xFF, longer[13]);
}

TEST(SimulatedTerminalPatterns, StarAndQuestionMarkIgnoringCase)
{
    EXPECT_TRUE(SimNameMatches("*.TXT", "a.txt"));
    EXPECT_TRUE(SimNameMatches("*", "ANY.DAT"));
    EXPECT_TRUE(SimNameMatches("A?C*.D*", "ABC.DAT"));
    EXPECT_TRUE(SimNameMatches("*AB*AB", "XABYAB"));
    EXPECT_FALSE(SimNameMatches("*.TXT", "A.TXT2"));
    EXPECT_FALSE(SimNameMatches("A?C", "AC"));
    EXPECT_FALSE(SimNameMatches("", "A"));
}

TEST_F(ListingTest, ReportsEveryStepEveryEntryAndAnEmptyListing)
{
    terminal.Files().Put(2, "A.TXT", Bytes(10));
    terminal.Files().Put(2, "BIG.TXT", Bytes(1048576));
    terminal.Files().Put(2, "C.DAT", Bytes(3));
    terminal.Files().Put(1, "D.TXT", Bytes(4));  // another drive
    AddListing(L"*.TXT", 2);
    AddListing(L"*.NONE", 2);
    AddListing(L"ABCDEFGH.TXT", 0x0102);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    const Reports expected = {
        {StatusId::ListFiles, L"List file(s) *.TXT."},
        {StatusId::FilesFound, L"Total file(s) found is 2."},
        {StatusId::ListedFile, L"A.TXT, 10 bytes."},
        {StatusId::ListedFile, L"BIG.TXT, 1048576 bytes."},
        {StatusId::ListingComplete, L"File listing complete."},
        {StatusId::ListFiles, L"List file(s) *.NONE."},
        {StatusId::FilesFound, L"Total file(s) found is 0."},
        {StatusId::ListingComplete, L"File listing complete."},
        {StatusId::ListFiles, L"List file(s) ABCDEFGH.TXT."},
        {StatusId::FilesFound, L"Total file(s) found is 0."},
        {StatusId::ListingComplete, L"File listing complete."},
        {StatusId::SessionComplete, L"Communication session complete."},
        {StatusId::AbortedAfterSuccesses, L"Aborted after 1 times successful communication."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::ListFiles));

    const std::vector<SimFrameRecord> openings = Requests(CWexlinkProtocol::CmdListFiles);
    ASSERT_EQ(3u, openings.size());
    const SimBytes firstField = {'*', '.', 'T', 'X', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 2};
    EXPECT_EQ(firstField, openings[0].payload);
    const SimBytes fullField = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '.', 'T', 'X', 'T', 0, 2};
    EXPECT_EQ(fullField, openings[2].payload);

    // Only the first listing has entries to ask for; every listing sends its closing pair.
    const std::vector<SimFrameRecord> entries = Requests(CWexlinkProtocol::CmdListFilesNext);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(0, entries[0].block);
    EXPECT_EQ(1, entries[1].block);
    EXPECT_EQ(3u, RequestCount(CWexlinkProtocol::CmdListFilesClose));
    EXPECT_EQ(3u, RequestCount(CWexlinkProtocol::CmdListFilesCloseAck));
}

TEST_F(ListingTest, ThreeHundredEntriesWrapTheBlockNumber)
{
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof(name), "F%03d.DAT", i);
        terminal.Files().Put(0, name, Bytes(static_cast<size_t>(i)));
    }
    AddListing(L"*", 0);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    const std::vector<SimFrameRecord> entries = Requests(CWexlinkProtocol::CmdListFilesNext);
    ASSERT_EQ(300u, entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(i % 256, entries[i].block) << "entry " << i;
    }
    Reports listed;
    for (const Report& report : StatusReports()) {
        if (report.first == 1190) {
            listed.push_back(report);
        }
    }
    ASSERT_EQ(300u, listed.size());
    EXPECT_EQ(L"F256.DAT, 256 bytes.", listed[256].second);
    EXPECT_EQ(L"F299.DAT, 299 bytes.", listed[299].second);
    EXPECT_TRUE(HasStatus(StatusId::ListingComplete));
}

TEST_F(ListingTest, AnEntryWithAnotherBlockNumberIsAskedAgainAfterAPause)
{
    terminal.Files().Put(2, "A.TXT", Bytes(1));
    terminal.Files().Put(2, "B.TXT", Bytes(2));
    terminal.InjectFault(CWexlinkProtocol::CmdListFilesNext, SimFault::WrongBlock(), 2);
    AddListing(L"*.TXT", 2);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    const std::vector<SimFrameRecord> entries = Requests(CWexlinkProtocol::CmdListFilesNext);
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ(0, entries[1].block);
    EXPECT_GE(entries[1].tick - entries[0].tick, 900u);
    EXPECT_GE(entries[2].tick - entries[1].tick, 900u);
    EXPECT_EQ(1, entries[3].block);
    const Reports expected = {
        {StatusId::ListedFile, L"A.TXT, 1 bytes."},
        {StatusId::ListedFile, L"B.TXT, 2 bytes."},
        {StatusId::ListingComplete, L"File listing complete."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::ListedFile, expected.size()));
}

TEST_F(ListingTest, ThreeWrongBlockNumbersFailTheListingWithoutClosingIt)
{
    terminal.Files().Put(2, "A.TXT", Bytes(1));
    terminal.Files().Put(2, "B.TXT", Bytes(2));
    // The first entry passes; the second is answered with a wrong block number three times.
    terminal.InjectFault(CWexlinkProtocol::CmdListFilesNext, SimFault::Delay(0), 1);
    terminal.InjectFault(CWexlinkProtocol::CmdListFilesNext, SimFault::WrongBlock(7), 3);
    AddListing(L"*.TXT", 2);
    ASSERT_NO_FATAL_FAILURE(RunUntilStatus(StatusId::NotSucceededAfterRetries));

    EXPECT_EQ(4u, RequestCount(CWexlinkProtocol::CmdListFilesNext));
    EXPECT_EQ(0u, RequestCount(CWexlinkProtocol::CmdListFilesClose));
    EXPECT_EQ(0u, RequestCount(SimWire::kEndSession));
    const Reports expected = {
        {StatusId::FilesFound, L"Total file(s) found is 2."},
        {StatusId::ListedFile, L"A.TXT, 1 bytes."},
        {StatusId::NotSucceededAfterRetries, L"Not succeeded after retries."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::FilesFound, expected.size()));
    EXPECT_FALSE(HasStatus(StatusId::ListingComplete));
    EXPECT_FALSE(HasStatus(StatusId::SessionComplete));
}

TEST_F(ListingTest, OpeningStatusThirteenEndsAtOnceAndOtherStatusesAreRetried)
{
    terminal.Files().Put(2, "A.TXT", Bytes(1));
    // Another status is a failed attempt, and the second attempt succeeds. Status 13 (the file is not
    // available) for the second listing ends it at once: retrying would not help.
    terminal.InjectFault(CWexlinkProtocol::CmdListFiles, SimFault::Status(7), 1);
    terminal.InjectFault(CWexlinkProtocol::CmdListFiles, SimFault::Delay(0), 1);
    terminal.InjectFault(CWexlinkProtocol::CmdListFiles, SimFault::Status(13), 3);
    AddListing(L"*.TXT", 2);
    AddListing(L"Q?.TXT", 2);
    ASSERT_NO_FATAL_FAILURE(RunUntilStatus(StatusId::TerminalFileNotAvailable));

    EXPECT_EQ(3u, RequestCount(CWexlinkProtocol::CmdListFiles));  // two for the first, one for the second
    EXPECT_EQ(1u, RequestCount(CWexlinkProtocol::CmdListFilesNext));
    EXPECT_EQ(1u, RequestCount(CWexlinkProtocol::CmdListFilesClose));
    const Reports expected = {
        {StatusId::ListingComplete, L"File listing complete."},
        {StatusId::ListFiles, L"List file(s) Q?.TXT."},
        {StatusId::TerminalFileNotAvailable, L"Requested terminal file Q?.TXT is not available."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::ListingComplete, expected.size()));
    // The driver's report of the same code is not passed on again.
    EXPECT_EQ(1u, CountStatus(StatusId::TerminalFileNotAvailable));
    EXPECT_FALSE(HasStatus(StatusId::SessionComplete));
}

TEST_F(ListingTest, EntriesAreTakenWithinWhatTheTerminalSentAndEveryOneIsReported)
{
    // Two identical entries whose name fills all twelve bytes, whose reserved byte is not zero and
    // whose size has its top bit set, then one so short that it carries neither the whole name
    // field nor the size.
    terminal.RegisterHandler(CWexlinkProtocol::CmdListFiles, [](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = {0, 3};
        return reply;
    });
    terminal.RegisterHandler(CWexlinkProtocol::CmdListFilesNext, [](const SimRequest& request, SimTerminalState&) {
        SimReply reply;
        reply.block = request.block;
        if (request.block < 2) {
            reply.payload = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'X', 0xFF, 0xFF, 0xFF, 0xFE};
        } else {
            reply.payload = {'S', 'H'};
        }
        return reply;
    });
    AddListing(L"*", 2);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    const Reports expected = {
        {StatusId::ListedFile, L"ABCDEFGHIJKL, -2 bytes."},
        {StatusId::ListedFile, L"ABCDEFGHIJKL, -2 bytes."},
        {StatusId::ListedFile, L"SH, 0 bytes."},
        {StatusId::ListingComplete, L"File listing complete."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::ListedFile, expected.size()));
}

TEST_F(ListingTest, AnOpeningAnswerWithoutItsCountIsAskedAgain)
{
    // One byte cannot hold the count: not an empty drive, but no answer.
    auto openings = std::make_shared<std::atomic<int>>(0);
    terminal.RegisterHandler(CWexlinkProtocol::CmdListFiles, [openings](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = ++*openings == 1 ? SimBytes{1} : SimBytes{0, 0};
        return reply;
    });
    AddListing(L"*", 2);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    EXPECT_EQ(2u, RequestCount(CWexlinkProtocol::CmdListFiles));
    const Reports expected = {{StatusId::FilesFound, L"Total file(s) found is 0."},
                              {StatusId::ListingComplete, L"File listing complete."}};
    EXPECT_EQ(expected, StatusesFrom(StatusId::FilesFound, expected.size()));
}

TEST_F(ListingTest, AFailedFirstClosingRequestSkipsTheSecondAndTheCompletionReport)
{
    terminal.Files().Put(2, "A.TXT", Bytes(1));
    terminal.InjectFault(CWexlinkProtocol::CmdListFilesClose, SimFault::Status(9), 3);
    AddListing(L"*.TXT", 2);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    EXPECT_EQ(3u, RequestCount(CWexlinkProtocol::CmdListFilesClose));
    EXPECT_EQ(0u, RequestCount(CWexlinkProtocol::CmdListFilesCloseAck));
    EXPECT_FALSE(HasStatus(StatusId::ListingComplete));
    // The listing itself succeeded, so the session completes.
    const Reports seen = StatusesFrom(StatusId::ListedFile);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(Report(StatusId::SessionComplete, L"Communication session complete."), seen[1]);
}

TEST_F(ListingTest, DeletionRemovesTheMatchingFilesAndReportsEach)
{
    terminal.Files().Put(2, "A.LOG", Bytes(1));
    terminal.Files().Put(2, "B.LOG", Bytes(2));
    terminal.Files().Put(2, "KEEP.TXT", Bytes(3));
    terminal.Files().Put(1, "C.LOG", Bytes(3));
    AddDeletion(L"*.LOG", 2);
    ASSERT_NO_FATAL_FAILURE(RunOneSession());

    const Reports expected = {
        {StatusId::DeleteFiles, L"Delete file(s) *.LOG."},
        {StatusId::DeletingFiles, L"Deleting 2 file(s)."},
        {StatusId::FileDeleted, L"A.LOG deleted."},
        {StatusId::FileDeleted, L"B.LOG deleted."},
        {StatusId::DeletingComplete, L"Deleting file(s) complete."},
        {StatusId::SessionComplete, L"Communication session complete."},
        {StatusId::AbortedAfterSuccesses, L"Aborted after 1 times successful communication."},
    };
    EXPECT_EQ(expected, StatusesFrom(StatusId::DeleteFiles));
    EXPECT_EQ((std::vector<std::string>{"KEEP.TXT"}), terminal.Files().Names(2));
    EXPECT_EQ((std::vector<std::string>{"C.LOG"}), terminal.Files().Names(1));
    EXPECT_EQ(1u, RequestCount(CWexlinkProtocol::CmdDeleteFilesClose));
    EXPECT_EQ(1u, RequestCount(CWexlinkProtocol::CmdDeleteFilesCloseAck));
}

// A character the code page cannot carry would reach the terminal as '?', a wildcard: the deletion
// of one file would take every file of that shape.
TEST_F(ListingTest, APatternTheCodePageCannotCarryIsRefusedBeforeItReachesTheTerminal)
{
    ASSERT_EQ('?', CWexlinkProtocol::ToTerminalText(L"\x0416")[0]) << "needs a code page without this letter";
    terminal.Files().Put(2, "A.LOG", Bytes(1));
    terminal.Files().Put(2, "B.LOG", Bytes(2));
    AddDeletion(L"\x0416.LOG", 2);
    ASSERT_NO_FATAL_FAILURE(RunUntilStatus(StatusId::TerminalFileNotAvailable));

    EXPECT_EQ(Report(StatusId::TerminalFileNotAvailable, L"Requested terminal file \x0416.LOG is not available."),
              StatusesFrom(StatusId::TerminalFileNotAvailable).front());
    EXPECT_EQ(0u, RequestCount(CWexlinkProtocol::CmdDeleteFiles));
    EXPECT_EQ((std::vector<std::string>{"A.LOG", "B.LOG"}), terminal.Files().Names(2));
}

TEST_F(ListingTest, AStopDuringTheRetryPauseEndsTheRunWithoutClosing)
{
    terminal.Files().Put(2, "A.TXT", Bytes(1));
    terminal.InjectFault(CWexlinkProtocol::CmdListFilesNext, SimFault::WrongBlock(), 1);
    AddListing(L"*.TXT", 2);
    ASSERT_NO_FATAL_FAILURE(Start());
    // Events arrive on this thread, so it keeps pumping while it waits.
    ASSERT_TRUE(
        PumpUntil([this] { return terminal.Log().Count(SimDirection::Sent, CWexlinkProtocol::CmdListFilesNext) >= 1; },
                  RunTimeoutMs));
    PumpUntil([] { return false; }, 300);  // the engine has the answer and pauses
    const DWORD stoppedAt = GetTickCount();
    control->StopProtocol();
    ASSERT_TRUE(PumpUntil([this] { return !Running(); }, 5000));
    EXPECT_LT(GetTickCount() - stoppedAt, 700u);

    EXPECT_EQ(1u, RequestCount(CWexlinkProtocol::CmdListFilesNext));
    EXPECT_EQ(0u, RequestCount(CWexlinkProtocol::CmdListFilesClose));
    EXPECT_EQ(1u, CountStatus(StatusId::UserAborted));
    EXPECT_EQ(Report(StatusId::UserAborted, L"User aborted the protocol."), StatusReports().back());
}
