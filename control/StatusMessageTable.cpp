#include "StatusMessageTable.h"

// Scan order matters only for code 0, which appears twice: the first entry (status OK) wins, and
// the scan stops at the end marker before the marker's own code is compared.
// clang-format off
const StatusMessageEntry StatusMessageTable[StatusMessageTableSize] = {
    {ProtocolResult::Success, StatusId::Success, L""},
    {ProtocolResult::NoResponse, StatusId::NoResponse, L"No response from terminal."},
    {ProtocolResult::CrcError, StatusId::CrcError, L"CRC error in receive frame."},
    {ProtocolResult::WrongCommand, StatusId::WrongCommand, L"Wrong command response."},
    {ProtocolResult::IdMismatch, StatusId::IdMismatch, L"Session/Terminal ID mismatch."},
    {ProtocolResult::CannotTransmit, StatusId::CannotTransmit, L"Cannot transmit frame data."},
    {ProtocolResult::TerminalCannotOpenFile, StatusId::TerminalCannotOpenFile, L"Terminal cannot open/create file %s."},
    {ProtocolResult::FileReadError, StatusId::FileReadError, L"Error reading from file %s."},
    {ProtocolResult::FileWriteError, StatusId::FileWriteError, L"Error writing to file %s."},
    {ProtocolResult::WrongBlock, StatusId::WrongBlock, L"Error wrong block."},
    {ProtocolResult::FileSizeMismatch, StatusId::FileSizeMismatch, L"File size mismatch."},
    {ProtocolResult::TerminalFileNotAvailable, StatusId::TerminalFileNotAvailable, L"Requested terminal file %s is not available."},
    {ProtocolResult::NotSucceededAfterRetries, StatusId::NotSucceededAfterRetries, L"Not succeeded after retries."},
    {ProtocolResult::FrameTooLarge, StatusId::FrameTooLarge, L"Received frame exceeds max frame size."},
    {ProtocolResult::PcFolderMissing, StatusId::PcFolderMissing, L"The PC folder %s does not exist."},
    {ProtocolResult::PcFileCannotOpen, StatusId::PcFileCannotOpen, L"Cannot open/create PC file %s."},
    {ProtocolResult::PcFileNotAvailable, StatusId::PcFileNotAvailable, L"PC file %s is not available."},
    {ProtocolResult::UserAborted, StatusId::UserAborted, L"User aborted the protocol."},
    {ProtocolResult::CannotOpenPort, StatusId::CannotOpenPort, L"Cannot open port %s."},
    {ProtocolResult::NoMoreExtension, StatusId::NoMoreExtension, L"No more file extension available."},
    {ProtocolResult::NoMoreFileName, StatusId::NoMoreFileName, L"No more free filenames available."},
    {ProtocolResult::FileSizesDiffer, StatusId::FileSizesDiffer, L"Terminal file and PC file have different file size."},
    {ProtocolResult::VersionTooOld, StatusId::VersionTooOld, L"Function not supported until Wexlink protocol version %s."},
    {ProtocolResult::PortNotAvailable, StatusId::PortNotAvailable, L"Port %s not available."},
    {ProtocolReport::AbortedAfterSuccesses, StatusId::AbortedAfterSuccesses, L"Aborted after %s times successful communication."},
    {ProtocolReport::AbortedAfterNoAnswers, StatusId::AbortedAfterNoAnswers, L"Aborted after %s times no answer from terminal."},
    {ProtocolReport::GetTimeDate, StatusId::GetTimeDate, L"Receive time and date from terminal."},
    {ProtocolReport::TimeDate, StatusId::TimeDate, L""},
    {ProtocolReport::SetTimeDate, StatusId::SetTimeDate, L"Set new time and date."},
    {ProtocolReport::SetTimeDateDone, StatusId::SetTimeDateDone, L"Set new time and date successfull."},
    {ProtocolReport::SetLocalTimeDate, StatusId::SetLocalTimeDate, L"Set local pc time in terminal."},
    {ProtocolReport::SetLocalTimeDateDone, StatusId::SetLocalTimeDateDone, L"Set local pc time in terminal successful."},
    {ProtocolReport::ReceiveFile, StatusId::ReceiveFile, L"Receive file %s from terminal."},
    {ProtocolReport::FileReceived, StatusId::FileReceived, L"Received file %s stored as %s."},
    {ProtocolReport::ContinueNotAvailable, StatusId::ContinueNotAvailable, L"Continue session when file not available."},
    {ProtocolReport::TransmitFile, StatusId::TransmitFile, L"Transmit file %s to terminal."},
    {ProtocolReport::FileTransmitted, StatusId::FileTransmitted, L"File %s stored in terminal as %s."},
    {ProtocolReport::GetOsVersion, StatusId::GetOsVersion, L"Get terminal OS version."},
    {ProtocolReport::OsVersion, StatusId::OsVersion, L"OS version: %s."},
    {ProtocolReport::GetApplicationVersion, StatusId::GetApplicationVersion, L"Get terminal application version."},
    {ProtocolReport::ApplicationVersion, StatusId::ApplicationVersion, L"Application version: %s."},
    {ProtocolReport::ListFiles, StatusId::ListFiles, L"List file(s) %s."},
    {ProtocolReport::FilesFound, StatusId::FilesFound, L"Total file(s) found is %s."},
    {ProtocolReport::ListedFile, StatusId::ListedFile, L"%s, %s bytes."},
    {ProtocolReport::ListingComplete, StatusId::ListingComplete, L"File listing complete."},
    {ProtocolReport::SessionComplete, StatusId::SessionComplete, L"Communication session complete."},
    {ProtocolReport::ProtocolVersion, StatusId::ProtocolVersion, L"Terminal Wexlink protocol version %s"},
    {ProtocolReport::DeleteFiles, StatusId::DeleteFiles, L"Delete file(s) %s."},
    {ProtocolReport::DeletingFiles, StatusId::DeletingFiles, L"Deleting %s file(s)."},
    {ProtocolReport::FileDeleted, StatusId::FileDeleted, L"%s deleted."},
    {ProtocolReport::DeletingComplete, StatusId::DeletingComplete, L"Deleting file(s) complete."},
    {ProtocolReport::Resuming, StatusId::Resuming, L"Resuming Wexlink operation."},
    {ProtocolResult::Success, StatusId::None, L""}, // end marker
};
// clang-format on

const StatusMessageEntry* FindStatusMessage(ProtocolCode code)
{
    for (const StatusMessageEntry& entry : StatusMessageTable) {
        if (entry.statusInfoId == StatusId::None)
            return nullptr;
        if (entry.protocolCode == code)
            return &entry;
    }
    return nullptr;
}
