#include "BuildStatusInfo.h"
#include "StatusMessageTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Expected {
    ProtocolCode code;
    StatusInfoId id;
    const wchar_t* text;
};

// The one place in the tests that writes the codes and ids as numbers: the library's table pairs
// them by their shared names, so a name that changes its number fails here (a host built against an
// older copy must keep working). The host reads words out of these texts by position, so each one
// is checked character for character, independently of the table in the library.
const Expected ExpectedVocabulary[] = {
    {0, 1, L""},
    {-1, 10, L"No response from terminal."},
    {-2, 20, L"CRC error in receive frame."},
    {-3, 30, L"Wrong command response."},
    {-5, 50, L"Session/Terminal ID mismatch."},
    {-6, 60, L"Cannot transmit frame data."},
    {-7, 70, L"Terminal cannot open/create file %s."},
    {-8, 80, L"Error reading from file %s."},
    {-9, 90, L"Error writing to file %s."},
    {-10, 100, L"Error wrong block."},
    {-11, 110, L"File size mismatch."},
    {-13, 120, L"Requested terminal file %s is not available."},
    {-14, 130, L"Not succeeded after retries."},
    {-15, 140, L"Received frame exceeds max frame size."},
    {-16, 150, L"The PC folder %s does not exist."},
    {-17, 160, L"Cannot open/create PC file %s."},
    {-18, 170, L"PC file %s is not available."},
    {-30, 180, L"User aborted the protocol."},
    {-19, 190, L"Cannot open port %s."},
    {-20, 200, L"No more file extension available."},
    {-21, 210, L"No more free filenames available."},
    {-22, 220, L"Terminal file and PC file have different file size."},
    {-23, 230, L"Function not supported until Wexlink protocol version %s."},
    {-24, 240, L"Port %s not available."},
    {-100, 1000, L"Aborted after %s times successful communication."},
    {-101, 1010, L"Aborted after %s times no answer from terminal."},
    {-102, 1020, L"Receive time and date from terminal."},
    {-103, 1030, L""},
    {-104, 1040, L"Set new time and date."},
    {-105, 1050, L"Set new time and date successfull."},
    {-106, 1060, L"Set local pc time in terminal."},
    {-107, 1070, L"Set local pc time in terminal successful."},
    {-108, 1080, L"Receive file %s from terminal."},
    {-109, 1090, L"Received file %s stored as %s."},
    {-110, 1100, L"Continue session when file not available."},
    {-111, 1110, L"Transmit file %s to terminal."},
    {-112, 1120, L"File %s stored in terminal as %s."},
    {-113, 1130, L"Get terminal OS version."},
    {-114, 1140, L"OS version: %s."},
    {-115, 1150, L"Get terminal application version."},
    {-116, 1160, L"Application version: %s."},
    {-117, 1170, L"List file(s) %s."},
    {-118, 1180, L"Total file(s) found is %s."},
    {-119, 1190, L"%s, %s bytes."},
    {-120, 1200, L"File listing complete."},
    {-121, 1210, L"Communication session complete."},
    {-126, 1220, L"Terminal Wexlink protocol version %s"},
    {-122, 1300, L"Delete file(s) %s."},
    {-123, 1310, L"Deleting %s file(s)."},
    {-124, 1320, L"%s deleted."},
    {-125, 1330, L"Deleting file(s) complete."},
    {-127, 1400, L"Resuming Wexlink operation."},
};

TEST(StatusVocabulary, EveryCodeGivesItsIdAndExactText)
{
    for (const Expected& expected : ExpectedVocabulary) {
        CBuildStatusInfo info;
        info.Build(expected.code);
        EXPECT_EQ(info.statusId, expected.id) << "code " << expected.code;
        EXPECT_EQ(info.message, expected.text) << "code " << expected.code;
        EXPECT_TRUE(info.changed) << "code " << expected.code;
    }
}

// What StartProtocol and the Add methods answer reaches a host as a bare number too.
TEST(SharedCodes, StartAndRefusalCodesKeepTheirNumbers)
{
    EXPECT_EQ((std::vector<int>{StatusId::None, StartResult::Started, StartResult::UnknownCommType,
                                StartResult::TimesCountBelowOne, StartResult::AlreadyRunning,
                                StartResult::ThreadCreationFailed, OptionRefusal::BadKind,
                                OptionRefusal::BadTimeDateFmt, OptionRefusal::BadTimeDate, OptionRefusal::BadPcFile,
                                OptionRefusal::BadDownType, OptionRefusal::BadTerminalFile}),
              (std::vector<int>{-1, 0, -1, -2, -3, -4, -5, -6, -7, -8, -9, -10}));
}

TEST(StatusVocabulary, CodesWithoutEntryAreUnknownAndNeverNew)
{
    for (ProtocolCode code : {-4, -12, -25, -29, -31, -99, -128, -200, 1}) {
        CBuildStatusInfo info;
        info.Build(ProtocolResult::NoResponse);
        info.Build(code, L"arg", L"arg");
        EXPECT_EQ(info.statusId, StatusId::None) << code;
        EXPECT_EQ(info.message, L"Unknown") << code;
        EXPECT_FALSE(info.changed) << code;
        info.Build(ProtocolResult::NoResponse);
        EXPECT_TRUE(info.changed) << "a known code after " << code << " counts as new";
    }
}

TEST(StatusChangeRule, RepeatedIdIsNotNewWhateverTheArguments)
{
    CBuildStatusInfo info;
    info.Build(ProtocolResult::PortNotAvailable, L"COM3");
    EXPECT_TRUE(info.changed);
    info.Build(ProtocolResult::PortNotAvailable, L"COM3");
    EXPECT_FALSE(info.changed);
    info.Build(ProtocolResult::PortNotAvailable, L"COM4");
    EXPECT_FALSE(info.changed);
    EXPECT_EQ(info.message, L"Port COM4 not available.");
}

TEST(StatusChangeRule, AlternatingIdsAreEachNew)
{
    CBuildStatusInfo info;
    for (ProtocolCode code :
         {ProtocolResult::NoResponse, ProtocolResult::CrcError, ProtocolResult::NoResponse, ProtocolResult::CrcError}) {
        info.Build(code);
        EXPECT_TRUE(info.changed) << code;
    }
}

TEST(StatusChangeRule, ListedFileDeletedFileAndSessionEndAreAlwaysNew)
{
    for (ProtocolCode code :
         {ProtocolReport::ListedFile, ProtocolReport::SessionComplete, ProtocolReport::FileDeleted}) {
        CBuildStatusInfo info;
        for (int repeat = 0; repeat < 3; ++repeat) {
            info.Build(code, L"A.DAT", L"10");
            EXPECT_TRUE(info.changed) << code << " repeat " << repeat;
        }
        info.Build(ProtocolResult::NoResponse);
        EXPECT_TRUE(info.changed);
        info.Build(ProtocolResult::NoResponse);
        EXPECT_FALSE(info.changed) << "the rule holds only for the three ids";
    }
}

TEST(StatusArguments, PlaceholdersAreFilledInOrder)
{
    CBuildStatusInfo info;
    info.Build(ProtocolReport::FileReceived, L"DATA.TXT", L"C:\\in\\DATA.TXT");
    EXPECT_EQ(info.message, L"Received file DATA.TXT stored as C:\\in\\DATA.TXT.");
    info.Build(ProtocolReport::ListedFile, L"A.DAT", L"1234");
    EXPECT_EQ(info.message, L"A.DAT, 1234 bytes.");
    info.Build(ProtocolReport::OsVersion, L"V1.2", L"ignored");
    EXPECT_EQ(info.message, L"OS version: V1.2.");
    info.Build(ProtocolReport::SessionComplete, L"ignored", L"ignored");
    EXPECT_EQ(info.message, L"Communication session complete.");
}

TEST(StatusArguments, MissingFirstKeepsTheStoredText)
{
    CBuildStatusInfo info;
    info.Build(ProtocolResult::CannotOpenPort, L"", L"");
    EXPECT_EQ(info.message, L"Cannot open port %s.");
    info.Build(ProtocolReport::FileReceived, L"", L"C:\\x");
    EXPECT_EQ(info.message, L"Received file %s stored as %s.");
}

TEST(StatusArguments, MissingSecondFillsWithNothing)
{
    CBuildStatusInfo info;
    info.Build(ProtocolReport::FileTransmitted, L"A.TXT");
    EXPECT_EQ(info.message, L"File A.TXT stored in terminal as .");
    info.Build(ProtocolReport::ListedFile, L"A.DAT");
    EXPECT_EQ(info.message, L"A.DAT,  bytes.");
}

TEST(StatusArguments, EmptyTextShowsALoneFirstArgumentOnly)
{
    CBuildStatusInfo info;
    info.Build(ProtocolReport::TimeDate, L"9:07:04 5/3/2006");
    EXPECT_EQ(info.statusId, StatusId::TimeDate);
    EXPECT_EQ(info.message, L"9:07:04 5/3/2006");
    info.Build(ProtocolReport::TimeDate, L"9:07:04", L"extra");
    EXPECT_EQ(info.message, L"");
    info.Build(ProtocolResult::Success, L"done");
    EXPECT_EQ(info.statusId, StatusId::Success);
    EXPECT_EQ(info.message, L"done");
}

TEST(StatusArguments, PercentSignsInArgumentsAreCopiedAsTheyAre)
{
    CBuildStatusInfo info;
    info.Build(ProtocolReport::FileReceived, L"%s%d.TXT", L"C:\\100%\\%s");
    EXPECT_EQ(info.message, L"Received file %s%d.TXT stored as C:\\100%\\%s.");
}

}  // namespace
