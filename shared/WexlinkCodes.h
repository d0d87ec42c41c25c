// The numbers the control and its hosts agree on: the engine's result and report codes, the status
// values a terminal answers with, the status ids the StatusInformation event carries, and what
// StartProtocol and the Add methods answer in their [out, retval]. Both sides
// compile these names, but they still meet only through COM: a host built from an older copy keeps
// working because the values never change. They are an interface; add, never renumber.
#pragma once

#include <cstdint>

// The engine's result: 0 success, -1 to -30 errors, -100 to -127 reports.
using ProtocolCode = std::int32_t;
// The id carried by StatusInformation (fits 16 bits); -1 marks "none".
using StatusInfoId = std::int32_t;

// What an engine operation returns, and what it reports when it fails. Gaps (-4, -12, -25 to -29)
// are codes the engine never produces.
namespace ProtocolResult {
constexpr ProtocolCode Success = 0;
constexpr ProtocolCode NoResponse = -1;
constexpr ProtocolCode CrcError = -2;
constexpr ProtocolCode WrongCommand = -3;
constexpr ProtocolCode IdMismatch = -5;
constexpr ProtocolCode CannotTransmit = -6;
constexpr ProtocolCode TerminalCannotOpenFile = -7;
constexpr ProtocolCode FileReadError = -8;
constexpr ProtocolCode FileWriteError = -9;
constexpr ProtocolCode WrongBlock = -10;
constexpr ProtocolCode FileSizeMismatch = -11;
constexpr ProtocolCode TerminalFileNotAvailable = -13;
constexpr ProtocolCode NotSucceededAfterRetries = -14;
constexpr ProtocolCode FrameTooLarge = -15;
constexpr ProtocolCode PcFolderMissing = -16;
constexpr ProtocolCode PcFileCannotOpen = -17;
constexpr ProtocolCode PcFileNotAvailable = -18;
constexpr ProtocolCode CannotOpenPort = -19;
constexpr ProtocolCode NoMoreExtension = -20;
constexpr ProtocolCode NoMoreFileName = -21;
constexpr ProtocolCode FileSizesDiffer = -22;
constexpr ProtocolCode VersionTooOld = -23;
constexpr ProtocolCode PortNotAvailable = -24;
constexpr ProtocolCode UserAborted = -30;
}  // namespace ProtocolResult

// Progress reports of the engine: never a result, only reported.
namespace ProtocolReport {
constexpr ProtocolCode AbortedAfterSuccesses = -100;
constexpr ProtocolCode AbortedAfterNoAnswers = -101;
constexpr ProtocolCode GetTimeDate = -102;
constexpr ProtocolCode TimeDate = -103;
constexpr ProtocolCode SetTimeDate = -104;
constexpr ProtocolCode SetTimeDateDone = -105;
constexpr ProtocolCode SetLocalTimeDate = -106;
constexpr ProtocolCode SetLocalTimeDateDone = -107;
constexpr ProtocolCode ReceiveFile = -108;
constexpr ProtocolCode FileReceived = -109;
constexpr ProtocolCode ContinueNotAvailable = -110;
constexpr ProtocolCode TransmitFile = -111;
constexpr ProtocolCode FileTransmitted = -112;
constexpr ProtocolCode GetOsVersion = -113;
constexpr ProtocolCode OsVersion = -114;
constexpr ProtocolCode GetApplicationVersion = -115;
constexpr ProtocolCode ApplicationVersion = -116;
constexpr ProtocolCode ListFiles = -117;
constexpr ProtocolCode FilesFound = -118;
constexpr ProtocolCode ListedFile = -119;
constexpr ProtocolCode ListingComplete = -120;
constexpr ProtocolCode SessionComplete = -121;
constexpr ProtocolCode DeleteFiles = -122;
constexpr ProtocolCode DeletingFiles = -123;
constexpr ProtocolCode FileDeleted = -124;
constexpr ProtocolCode DeletingComplete = -125;
constexpr ProtocolCode ProtocolVersion = -126;
constexpr ProtocolCode Resuming = -127;
}  // namespace ProtocolReport

// The status values a terminal refuses a file command with. The terminal sends the positive byte
// (7, 9, 11, 13); the frame receiver hands over its negation, and these are those negated values.
namespace TerminalStatus {
constexpr int Ok = 0;
constexpr int CannotOpenFile = -7;  // cannot open (receive) or create (transmit) its file
constexpr int WriteError = -9;
constexpr int SizeMismatch = -11;  // more data than the create request announced
constexpr int FileNotAvailable = -13;
}  // namespace TerminalStatus

// What StartProtocol answers: Started with S_OK, any other with S_FALSE and no new worker.
namespace StartResult {
constexpr std::int16_t Started = 0;
constexpr std::int16_t UnknownCommType = -1;     // not commContinuous, commSuccess or commNoAnswer
constexpr std::int16_t TimesCountBelowOne = -2;  // commSuccess or commNoAnswer with a count below 1
constexpr std::int16_t AlreadyRunning = -3;      // a worker exists
constexpr std::int16_t ThreadCreationFailed = -4;
}  // namespace StartResult

// Why an Add method refused its option (0 when queued): the code of the CCommOptExcept that the
// option's constructor threw. A vocabulary of its own, not ProtocolCode values.
namespace OptionRefusal {
constexpr std::int32_t BadKind = -5;           // kind above optDeleteFiles
constexpr std::int32_t BadTimeDateFmt = -6;    // time/date format 20 or more
constexpr std::int32_t BadTimeDate = -7;       // clock value out of range or not a calendar time
constexpr std::int32_t BadPcFile = -8;         // PC file name shorter than 3 characters; for a receive
                                               // also a last part that is a device or no file name
constexpr std::int32_t BadDownType = -9;       // download type above downNewFile
constexpr std::int32_t BadTerminalFile = -10;  // terminal name or pattern fails the terminal name rule
}  // namespace OptionRefusal

// The ids of StatusInformation, one per code above (StatusId::X belongs to ProtocolResult::X or
// ProtocolReport::X).
namespace StatusId {
constexpr StatusInfoId None = -1;
constexpr StatusInfoId Success = 1;
constexpr StatusInfoId NoResponse = 10;
constexpr StatusInfoId CrcError = 20;
constexpr StatusInfoId WrongCommand = 30;
constexpr StatusInfoId IdMismatch = 50;
constexpr StatusInfoId CannotTransmit = 60;
constexpr StatusInfoId TerminalCannotOpenFile = 70;
constexpr StatusInfoId FileReadError = 80;
constexpr StatusInfoId FileWriteError = 90;
constexpr StatusInfoId WrongBlock = 100;
constexpr StatusInfoId FileSizeMismatch = 110;
constexpr StatusInfoId TerminalFileNotAvailable = 120;
constexpr StatusInfoId NotSucceededAfterRetries = 130;
constexpr StatusInfoId FrameTooLarge = 140;
constexpr StatusInfoId PcFolderMissing = 150;
constexpr StatusInfoId PcFileCannotOpen = 160;
constexpr StatusInfoId PcFileNotAvailable = 170;
constexpr StatusInfoId UserAborted = 180;
constexpr StatusInfoId CannotOpenPort = 190;
constexpr StatusInfoId NoMoreExtension = 200;
constexpr StatusInfoId NoMoreFileName = 210;
constexpr StatusInfoId FileSizesDiffer = 220;
constexpr StatusInfoId VersionTooOld = 230;
constexpr StatusInfoId PortNotAvailable = 240;
constexpr StatusInfoId AbortedAfterSuccesses = 1000;
constexpr StatusInfoId AbortedAfterNoAnswers = 1010;
constexpr StatusInfoId GetTimeDate = 1020;
constexpr StatusInfoId TimeDate = 1030;
constexpr StatusInfoId SetTimeDate = 1040;
constexpr StatusInfoId SetTimeDateDone = 1050;
constexpr StatusInfoId SetLocalTimeDate = 1060;
constexpr StatusInfoId SetLocalTimeDateDone = 1070;
constexpr StatusInfoId ReceiveFile = 1080;
constexpr StatusInfoId FileReceived = 1090;
constexpr StatusInfoId ContinueNotAvailable = 1100;
constexpr StatusInfoId TransmitFile = 1110;
constexpr StatusInfoId FileTransmitted = 1120;
constexpr StatusInfoId GetOsVersion = 1130;
constexpr StatusInfoId OsVersion = 1140;
constexpr StatusInfoId GetApplicationVersion = 1150;
constexpr StatusInfoId ApplicationVersion = 1160;
constexpr StatusInfoId ListFiles = 1170;
constexpr StatusInfoId FilesFound = 1180;
constexpr StatusInfoId ListedFile = 1190;
constexpr StatusInfoId ListingComplete = 1200;
constexpr StatusInfoId SessionComplete = 1210;
constexpr StatusInfoId ProtocolVersion = 1220;
constexpr StatusInfoId DeleteFiles = 1300;
constexpr StatusInfoId DeletingFiles = 1310;
constexpr StatusInfoId FileDeleted = 1320;
constexpr StatusInfoId DeletingComplete = 1330;
constexpr StatusInfoId Resuming = 1400;
}  // namespace StatusId
