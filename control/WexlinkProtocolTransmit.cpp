// Transmitting one PC file to the terminal: the create request with name, drive and size, the data
// blocks, the closing pair, and the progress and reports on the way.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"
#include "ComProgress.h"

#include <algorithm>

namespace {

// The PC file being sent, closed on every way out of the transfer.
class CPcFileReader {
public:
    explicit CPcFileReader(const std::wstring& path)
        : m_handle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr))
    {
    }
    ~CPcFileReader() { Close(); }
    CPcFileReader(const CPcFileReader&) = delete;
    CPcFileReader& operator=(const CPcFileReader&) = delete;

    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    // One ReadFile of at most `capacity` bytes; false when the read fails. 0 bytes is the file's end.
    bool Read(BYTE* buffer, int capacity, DWORD& got)
    {
        got = 0;
        return ReadFile(m_handle, buffer, static_cast<DWORD>(capacity), &got, nullptr) != FALSE;
    }
    void Close()
    {
        if (IsOpen()) {
            CloseHandle(m_handle);
            m_handle = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE m_handle;
};

constexpr int CreatePayloadSize = CWexlinkProtocol::TerminalNameFieldSize + 4;
constexpr int TerminalStatusCannotCreate = 7;
constexpr int TerminalStatusWriteError = 9;
constexpr int TerminalStatusSizeMismatch = 11;

}  // namespace

ProtocolCode CWexlinkProtocol::CreateTerminalFile(long terminalId, const std::wstring& pcFile,
                                                  const std::string& terminalFile, std::int16_t terminalDrive,
                                                  DWORD& size)
{
    ReportStatus(-111, pcFile, std::wstring());

    BYTE payload[CreatePayloadSize] = {};
    const TerminalNameField nameField = BuildTerminalNameField(terminalFile, terminalDrive);
    std::copy(nameField.begin(), nameField.end(), payload);

    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(pcFile.c_str(), GetFileExInfoStandard, &attributes)) {
        ReportStatus(-18, pcFile, std::wstring());
        return -18;
    }
    if (attributes.nFileSizeHigh != 0) {
        // The create request holds 32 bits of size: a file of 4 GiB or more cannot be announced,
        // and announcing its low 32 bits would store a cut-down file on the terminal.
        return -17;
    }
    size = attributes.nFileSizeLow;
    PutBigEndian32(payload + TerminalNameFieldSize, size);

    const ExchangeOutcome outcome = Exchange(
        terminalId, {CmdCreateFile, 0, payload, CreatePayloadSize},
        [](const ExchangeRequest&, const ExchangeAnswer& answer) {
            if (answer.status == -TerminalStatusCannotCreate) {
                return AnswerVerdict::End(-7);
            }
            return answer.status == 0 ? AnswerVerdict::Accept() : AnswerVerdict::AskAgain();
        });
    if (outcome.result == -7) {
        ReportStatus(-7, FromTerminalText(terminalFile), std::wstring());
    }
    return outcome.result;
}

ProtocolCode CWexlinkProtocol::WriteFileBlock(long terminalId, const BYTE* data, int length, BYTE block)
{
    // The same data go out again on each attempt. A terminal that could not write the block, or
    // finds the file larger than announced, ends the transfer at once.
    return Exchange(terminalId, {CmdWriteBlock, block, data, length},
                    [](const ExchangeRequest& request, const ExchangeAnswer& answer) {
                        if (answer.block != request.block) {
                            return AnswerVerdict::AskAgain();
                        }
                        switch (answer.status) {
                        case 0:
                            return AnswerVerdict::Accept();
                        case -TerminalStatusWriteError:
                            return AnswerVerdict::End(-9);
                        case -TerminalStatusSizeMismatch:
                            return AnswerVerdict::End(-11);
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
        return -15;
    }

    DWORD size = 0;
    const ProtocolCode created = CreateTerminalFile(terminalId, pcFile, terminalFile, terminalDrive, size);
    if (created != 0) {
        return created;
    }
    CPcFileReader file(pcFile);
    if (!file.IsOpen()) {
        return -17;
    }
    progress.SetTotal(size);

    // Sizes are counted unsigned and wide, so that files from 2 GiB up to the 4 GiB limit go whole.
    std::uint64_t sent = 0;
    BYTE block = 0;
    ProtocolCode result = 0;
    while (sent < size) {
        DWORD got = 0;
        if (!file.Read(m_blockData, blockCapacity, got)) {
            result = -8;
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
            ReportStatus(-22, std::wstring(), std::wstring());
        } else {
            result = SimpleRequest(terminalId, CmdCloseTransmit);
            if (result == 0) {
                SimpleRequest(terminalId, CmdCloseTransmitEnd);
                ReportStatus(-112, pcFile, FromTerminalText(terminalFile));
            }
        }
    }
    file.Close();
    SendProgress(0);
    return result;
}
