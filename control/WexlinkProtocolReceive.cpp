// Receiving a file from the terminal (0x10 open, 0x11 blocks, 0x12/0x13 closing pair) and storing it
// in a PC file, appended, overwritten or under a new free name.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"
#include "ComProgress.h"
#include "PathFolder.h"
#include "UniqueHandle.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr BYTE CmdOpenFile = 0x10;
constexpr BYTE CmdReadBlock = 0x11;
constexpr BYTE CmdCloseFirst = 0x12;
constexpr BYTE CmdCloseSecond = 0x13;

constexpr int LastNewExtension = 999;
constexpr int LastNewFileNumber = 9999;

}  // namespace

ProtocolCode CWexlinkProtocol::OpenTerminalFile(long terminalId, const std::string& terminalFile,
                                                std::int16_t terminalDrive, std::uint32_t& size)
{
    const std::wstring reportName = FromTerminalText(terminalFile);
    ReportStatus(ProtocolReport::ReceiveFile, reportName, std::wstring());
    const TerminalNameField field = BuildTerminalNameField(terminalFile, terminalDrive);

    const ExchangeOutcome outcome = Exchange(terminalId, {CmdOpenFile, 0, field.data(), TerminalNameFieldSize},
                                             [](const ExchangeRequest&, const ExchangeAnswer& answer) {
        // The terminal's refusals end the option; an answer too short to carry the size is as
        // good as none.
        if (answer.status == TerminalStatus::CannotOpenFile) {
            return AnswerVerdict::End(ProtocolResult::TerminalCannotOpenFile);
        }
        if (answer.status == TerminalStatus::FileNotAvailable) {
            return AnswerVerdict::End(ProtocolResult::TerminalFileNotAvailable);
        }
        if (answer.status != TerminalStatus::Ok || answer.payloadLength < 4) {
            return AnswerVerdict::AskAgain();
        }
        return AnswerVerdict::Accept();
    });
    if (outcome.result == ProtocolResult::TerminalCannotOpenFile ||
        outcome.result == ProtocolResult::TerminalFileNotAvailable) {
        ReportStatus(outcome.result, reportName, std::wstring());
    }
    if (outcome.result == 0) {
        size = GetBigEndian32(ReceivedPayload());
    }
    return outcome.result;
}

ProtocolCode CWexlinkProtocol::ReadFileBlock(long terminalId, BYTE* destination, BYTE block, int& dataLength)
{
    const ExchangeOutcome outcome =
        Exchange(terminalId, {CmdReadBlock, block}, [](const ExchangeRequest& request, const ExchangeAnswer& answer) {
            // A block without data would never bring the transfer closer to its end; it is asked
            // for again like a block with the wrong number.
            if (answer.block != request.block || answer.status != TerminalStatus::Ok || answer.payloadLength <= 0) {
                return AnswerVerdict::AskAgain();
            }
            return AnswerVerdict::Accept();
        });
    if (outcome.result != 0) {
        return outcome.result;
    }
    std::memcpy(destination, ReceivedPayload(), static_cast<size_t>(outcome.answer.payloadLength));
    dataLength = outcome.answer.payloadLength;
    return 0;
}

ProtocolCode CWexlinkProtocol::ReceiveFile(long terminalId, const std::wstring& pcPath, enumDownType downType,
                                           const std::string& terminalFile, std::int16_t terminalDrive)
{
    CComProgress progress;
    std::uint32_t size = 0;
    const ProtocolCode opened = OpenTerminalFile(terminalId, terminalFile, terminalDrive, size);
    if (opened != 0) {
        return opened;
    }

    // Room for the announced size and one whole frame more, so that a last block running a little
    // past the size still fits and is caught by the size check.
    // Checked first, since above it the sum could wrap round in a 32-bit process.
    const size_t capacity =
        size <= MaxReceiveFileSize ? static_cast<size_t>(size) + static_cast<size_t>(m_maxFrameSize) + 1 : 0;
    std::unique_ptr<BYTE[]> buffer;
    if (capacity != 0) {
        buffer.reset(new (std::nothrow) BYTE[capacity]);
    }
    if (!buffer) {
        ReportStatus(ProtocolResult::FileSizeMismatch, std::wstring(), std::wstring());
        SendProgress(0);
        return ProtocolResult::FileSizeMismatch;
    }
    progress.SetTotal(size);

    std::uint32_t received = 0;
    BYTE block = 0;
    while (received < size) {
        int dataLength = 0;
        const ProtocolCode read = ReadFileBlock(terminalId, m_blockData, block, dataLength);
        if (read != 0) {
            SendProgress(0);
            return read;
        }
        if (static_cast<size_t>(received) + static_cast<size_t>(dataLength) > capacity) {
            // More than the terminal announced plus a frame: refused unwritten, and the count past
            // the size makes the size check below turn the file down.
            received += static_cast<std::uint32_t>(dataLength);
            break;
        }
        std::memcpy(buffer.get() + received, m_blockData, static_cast<size_t>(dataLength));
        received += static_cast<std::uint32_t>(dataLength);
        ++block;
        SendChangedProgress(progress, received);
    }
    SendChangedProgress(progress, received);

    if (received != size) {
        ReportStatus(ProtocolResult::FileSizesDiffer, std::wstring(), std::wstring());
        SendProgress(0);
        return 0;
    }

    std::wstring writtenPath;
    const ProtocolCode written = WritePcFile(pcPath, downType, buffer.get(), size, writtenPath);
    buffer.reset();
    if (written != 0) {
        SendProgress(0);
        return written;
    }

    // The file is stored; the closing pair only tidies up on the terminal.
    if (SimpleRequest(terminalId, CmdCloseFirst) == 0) {
        SimpleRequest(terminalId, CmdCloseSecond);
    }
    ReportStatus(ProtocolReport::FileReceived, FromTerminalText(terminalFile), writtenPath);
    SendProgress(0);
    return 0;
}

void CWexlinkProtocol::SendChangedProgress(CComProgress& progress, std::uint64_t done)
{
    // A count beyond 32 bits (a PC file that grew while it was sent) is done all the same.
    const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    progress.Update(static_cast<std::uint32_t>(std::min(done, limit)));
    if (progress.IsChanged()) {
        SendProgress(static_cast<std::int16_t>(progress.GetPercent()));
    }
}

ProtocolCode CWexlinkProtocol::WritePcFile(const std::wstring& pcPath, enumDownType downType, const BYTE* data,
                                           std::uint32_t size, std::wstring& writtenPath)
{
    const std::wstring folder = FolderOfPathWithBackslash(pcPath);
    const std::wstring fileName = CutPath(pcPath, PathStripPathW);
    if (!PathIsDirectoryW(folder.c_str())) {
        ReportStatus(ProtocolResult::PcFolderMissing, folder, std::wstring());
        return ProtocolResult::PcFolderMissing;
    }

    std::wstring path = pcPath;
    DWORD disposition = CREATE_ALWAYS;
    if (downType == downAppend) {
        disposition = OPEN_ALWAYS;
    } else if (downType == downNewExtension || downType == downNewFile) {
        const ProtocolCode named = MakeFreePcFileName(path, folder, fileName, downType);
        if (named != 0) {
            return named;
        }
    }

    // Closed however the write ends.
    const CUniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A name that reaches a device (a console, a port, the null device) is no file: the data
    // would be gone while the write reported success.
    if (!file.IsValid() || GetFileType(file.Get()) != FILE_TYPE_DISK) {
        ReportStatus(ProtocolResult::PcFileCannotOpen, path, std::wstring());
        return ProtocolResult::PcFileCannotOpen;
    }
    writtenPath = path;
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    if (size == 0) {
        return 0;
    }
    // Only a write that took every byte counts, whatever WriteFile itself answered.
    DWORD done = 0;
    WriteFile(file.Get(), data, size, &done, nullptr);
    if (done != size) {
        ReportStatus(ProtocolResult::FileWriteError, path, std::wstring());
        return ProtocolResult::FileWriteError;
    }
    return 0;
}

ProtocolCode CWexlinkProtocol::MakeFreePcFileName(std::wstring& pcPath, const std::wstring& folder,
                                                  const std::wstring& fileName, enumDownType downType)
{
    const std::wstring stem = CutPath(fileName, PathRemoveExtensionW);
    const std::wstring extension = PathFindExtensionW(fileName.c_str());

    for (int n = 0; PathFileExistsW(pcPath.c_str()); ++n) {
        wchar_t suffix[16];
        if (downType == downNewExtension) {
            if (n > LastNewExtension) {
                return ProtocolResult::NoMoreExtension;
            }
            std::swprintf(suffix, std::size(suffix), L".%03d", n);
            pcPath = folder + stem + suffix;
        } else {
            if (n > LastNewFileNumber) {
                return ProtocolResult::NoMoreFileName;
            }
            std::swprintf(suffix, std::size(suffix), L"_%04d", n);
            pcPath = folder + stem + suffix + extension;
        }
    }
    return 0;
}
