// Transmitting one PC file to the terminal: the create request with name, drive and size, the data
// blocks, the closing pair, and the progress and reports on the way.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"
#include "ComProgress.h"
#include "UniqueHandle.h"

#include <algorithm>

namespace {

// The PC file being sent, closed on every way out of the transfer.
class CPcFileReader {
public:
    explicit CPcFileReader(const std::wstring& path)
        : m_file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }

    bool IsOpen() const { return m_file.IsValid(); }
    // One ReadFile of at most `capacity` bytes; false when the read fails. 0 bytes is the file's end.
    bool Read(BYTE* buffer, int capacity, DWORD& got)
    {
        got = 0;
        return ReadFile(m_file.Get(), buffer, static_cast<DWORD>(capacity), &got, nullptr) != FALSE;
    }
    void Close() { m_file.Reset(); }

private:
    CUniqueFileHandle m_file;
};

constexpr int CreatePayloadSize = CWexlinkProtocol::TerminalNameFieldSize + 4;

}  // namespace

ProtocolCode CWexlinkProtocol::CreateTerminalFile(long terminalId, const std::wstring& pcFile,
                                                  const std::string& terminalFile, std::int16_t terminalDrive,
                                                  DWORD& size)
{
    ReportStatus(ProtocolReport::TransmitFile, pcFile, std::wstring());

    BYTE payload[CreatePayloadSize] = {};
    const TerminalNameField nameField = BuildTerminalNameField(terminalFile, terminalDrive);
    std::copy(nameField.begin(), nameField.end(), payload);

    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(pcFile.c_str(), GetFileExInfoStandard, &attributes)) {
        ReportStatus(ProtocolResult::PcFileNotAvailable, pcFile, std::wstring());
        return ProtocolResult::PcFileNotAvailable;
    }
    if (attributes.nFileSizeHigh != 0) {
        // The create request holds 32 bits of size: a file of 4 GiB or more cannot be announced,
        // and announcing its low 32 bits would store a cut-down file on the terminal.
        return ProtocolResult::PcFileCannotOpen;
    }
    size = attributes.nFileSizeLow;
    PutBigEndian32(payload + TerminalNameFieldSize, size);

    const ExchangeOutcome outcome = Exchange(terminalId, {CmdCreateFile, 0, payload, CreatePayloadSize},
                                             [](const ExchangeRequest&, const ExchangeAnswer& answer) {
        if (answer.status == TerminalStatus::CannotOpenFile) {
            return AnswerVerdict::End(ProtocolResult::TerminalCannotOpenFile);
        }
        return answer.status == TerminalStatus::Ok ? AnswerVerdict::Accept() : AnswerVerdict::AskAgain();
    });
    if (outcome.result == ProtocolResult::TerminalCannotOpenFile) {
        ReportStatus(ProtocolResult::TerminalCannotOpenFile, FromTerminalText(terminalFile), std::wstring());
    }
    return outcome.result;
}

ProtocolCode CWexlinkProtocol::WriteFileBlock(long terminalId, const BYTE* data, int length, BYTE block)
{
    // The same data go out again on each attempt. A terminal that could not write the block, or
    // finds the file larger than announced, ends the transfer at once.
    return Exchange(
               terminalId, {CmdWriteBlock, block, data, length},
               [](const ExchangeRequest& request, const ExchangeAnswer& answer) {
        if (answer.block != request.block) {
            return AnswerVerdict::AskAgain();
        }
        switch (answer.status) {
        case TerminalStatus::Ok:
            return AnswerVerdict::Accept();
        case TerminalStatus::WriteError:
            return AnswerVerdict::End(ProtocolResult::FileWriteError);
        case TerminalStatus::SizeMismatch:
            return AnswerVerdict::End(ProtocolResult::FileSizeMismatch);
        default:
            return AnswerVerdict::AskAgain();
        }
               })
        .result;
}

ProtocolCode CWexlinkProtocol::TransmitFile(long terminalId, const std::wstring& pcFile,
                                            const std::string& terminalFile, std::int16_t terminalDrive)
{
    CComProgress progress;
    const int blockCapacity = std::min(m_maxFrameSize, MaxFrameSize) - FrameOverhead;
    if (blockCapacity < 1) {
        // No room for a single data byte in a frame the terminal accepts: the blocks could never
        // move the transfer on, so nothing is started.
        return ProtocolResult::FrameTooLarge;
    }

    DWORD size = 0;
    const ProtocolCode created = CreateTerminalFile(terminalId, pcFile, terminalFile, terminalDrive, size);
    if (created != 0) {
        return created;
    }
    CPcFileReader file(pcFile);
    if (!file.IsOpen()) {
        return ProtocolResult::PcFileCannotOpen;
    }
    progress.SetTotal(size);

    // Sizes are counted unsigned and wide, so that files from 2 GiB up to the 4 GiB limit go whole.
    std::uint64_t sent = 0;
    BYTE block = 0;
    ProtocolCode result = 0;
    while (sent < size) {
        DWORD got = 0;
        if (!file.Read(m_blockData, blockCapacity, got)) {
            result = ProtocolResult::FileReadError;
            break;
        }
        if (got == 0) {
            // The file has shrunk since its size was announced: stop here rather than send empty
            // blocks for ever. The size check below reports the difference.
            break;
        }
        result = WriteFileBlock(terminalId, m_blockData, static_cast<int>(got), block);
        if (result != 0) {
            break;
        }
        ++block;
        sent += got;
        SendChangedProgress(progress, sent);
    }

    if (result == 0) {
        SendChangedProgress(progress, sent);
        if (sent != size) {
            ReportStatus(ProtocolResult::FileSizesDiffer, std::wstring(), std::wstring());
        } else {
            result = SimpleRequest(terminalId, CmdCloseTransmit);
            if (result == 0) {
                SimpleRequest(terminalId, CmdCloseTransmitEnd);
                ReportStatus(ProtocolReport::FileTransmitted, pcFile, FromTerminalText(terminalFile));
            }
        }
    }
    file.Close();
    SendProgress(0);
    return result;
}
