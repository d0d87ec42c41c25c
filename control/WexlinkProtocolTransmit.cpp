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

ProtocolCode CWexlinkProtocol::WriteFileBlock(long terminalId, const BYTE* frame, int frameLength, BYTE block,
                                              const std::function<void()>& whileAnswering)
{
    // The same frame goes out again on each attempt. A terminal that could not write the block, or
    // finds the file larger than announced, ends the transfer at once.
    ExchangeRequest request{CmdWriteBlock, block};
    request.frame = frame;
    request.frameLength = frameLength;
    request.whileAnswering = &whileAnswering;
    return Exchange(
               terminalId, request,
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

    // A block read from the file and laid out as its request frame.
    struct PreparedBlock {
        bool readFailed = false;
        DWORD got = 0;  // 0: the file's end
        int frameLength = 0;
    };
    const auto prepare = [&](BYTE number, BYTE* frame) {
        PreparedBlock prepared;
        prepared.readFailed = !file.Read(m_blockData, blockCapacity, prepared.got);
        if (!prepared.readFailed && prepared.got > 0) {
            prepared.frameLength =
                BuildFrame(frame, terminalId, CmdWriteBlock, 0, number, m_blockData, static_cast<int>(prepared.got));
        }
        return prepared;
    };

    // Between the terminal's answer and the next request the line carries nothing, so the next block
    // is read and laid out while the terminal still takes in the current one, in the other of two
    // frames; the current frame stays as it is for a retry. Every block is read exactly when it would
    // be otherwise (only while the announced size has not been sent), just sooner.
    // Sizes are counted unsigned and wide, so that files from 2 GiB up to the 4 GiB limit go whole.
    BYTE* const frames[2] = {m_sendFrame, m_nextFrame};
    int current = 0;
    std::uint64_t sent = 0;
    BYTE block = 0;
    ProtocolCode result = 0;
    PreparedBlock ready = size > 0 ? prepare(block, frames[current]) : PreparedBlock{};
    while (sent < size) {
        if (ready.readFailed) {
            result = ProtocolResult::FileReadError;
            break;
        }
        if (ready.frameLength < 0) {
            result = ready.frameLength;  // already reported; no block is longer than a frame holds
            break;
        }
        if (ready.got == 0) {
            // The file has shrunk since its size was announced: stop here rather than send empty
            // blocks for ever. The size check below reports the difference.
            break;
        }
        PreparedBlock next;
        const std::function<void()> readAhead = [&] {
            if (sent + ready.got < size) {
                next = prepare(static_cast<BYTE>(block + 1), frames[1 - current]);
            }
        };
        result = WriteFileBlock(terminalId, frames[current], ready.frameLength, block, readAhead);
        if (result != 0) {
            break;
        }
        ++block;
        sent += ready.got;
        SendChangedProgress(progress, sent);
        ready = next;
        current = 1 - current;
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
