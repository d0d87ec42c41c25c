// File listing (0x30-0x33) and file deletion (0x40-0x43) on the terminal, and the terminal name
// field that the file commands share. The two families are twins: an opening exchange that names the
// pattern and answers with a count, one entry exchange per file, then a closing pair.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int CountBytes = 2;
constexpr int EntryNameBytes = 12;
constexpr int EntrySizeOffset = 13;
constexpr int EntrySizeBytes = 4;

// What tells the two families apart: their command bytes and the reports they make.
struct FileCommandFamily {
    BYTE open;
    BYTE close;
    BYTE closeAck;
    ProtocolCode startReport;  // with the pattern
    ProtocolCode countReport;  // with the number of entries
    ProtocolCode entryReport;  // with the name (and, when hasSize, the size)
    ProtocolCode completeReport;
    bool hasSize;
    ProtocolCode (CWexlinkProtocol::*nextBlock)(long terminalId, BYTE* destination, int block, int& payloadLength);
};

const FileCommandFamily ListingFamily = {
    CWexlinkProtocol::CmdListFiles,
    CWexlinkProtocol::CmdListFilesClose,
    CWexlinkProtocol::CmdListFilesCloseAck,
    ProtocolReport::ListFiles,
    ProtocolReport::FilesFound,
    ProtocolReport::ListedFile,
    ProtocolReport::ListingComplete,
    true,
    &CWexlinkProtocol::ListFilesNextBlock,
};

const FileCommandFamily DeletionFamily = {
    CWexlinkProtocol::CmdDeleteFiles,
    CWexlinkProtocol::CmdDeleteFilesClose,
    CWexlinkProtocol::CmdDeleteFilesCloseAck,
    ProtocolReport::DeleteFiles,
    ProtocolReport::DeletingFiles,
    ProtocolReport::FileDeleted,
    ProtocolReport::DeletingComplete,
    false,
    &CWexlinkProtocol::DeleteFilesNextBlock,
};

// The name of an entry: its bytes up to the first zero, at most 12, and never past what the terminal
// sent (a short answer gives a short name).
std::wstring EntryName(const BYTE* payload, int payloadLength)
{
    const int available = std::min(payloadLength, EntryNameBytes);
    const BYTE* end = std::find(payload, payload + available, BYTE{0});
    return CWexlinkProtocol::FromTerminalText(reinterpret_cast<const char*>(payload), static_cast<int>(end - payload));
}

// The size of a listing entry as the signed 32-bit decimal the host reads; 0 when the answer is too
// short to carry all four size bytes, so that nothing the terminal did not send is read.
std::wstring EntrySize(const BYTE* payload, int payloadLength)
{
    if (payloadLength < EntrySizeOffset + EntrySizeBytes) {
        return L"0";
    }
    const BYTE* at = payload + EntrySizeOffset;
    const std::uint32_t size = GetBigEndian32(at);
    return std::to_wstring(static_cast<std::int32_t>(size));
}

using ExchangeRequest = CWexlinkProtocol::ExchangeRequest;
using ExchangeAnswer = CWexlinkProtocol::ExchangeAnswer;
using AnswerVerdict = CWexlinkProtocol::AnswerVerdict;

// The opening answer: "file not available" ends the option at once; any other refusal, or an answer
// without its count (which says nothing about the files, rather than an empty drive), is asked again.
// Its block number is not looked at.
AnswerVerdict CheckOpeningAnswer(const ExchangeRequest&, const ExchangeAnswer& answer)
{
    // The terminal has no such file or drive.
    if (answer.status == TerminalStatus::FileNotAvailable) {
        return AnswerVerdict::End(ProtocolResult::TerminalFileNotAvailable);
    }
    if (answer.status != TerminalStatus::Ok || answer.payloadLength < CountBytes) {
        return AnswerVerdict::AskAgain();
    }
    return AnswerVerdict::Accept();
}

// An entry answer must carry the request's block number and status 0.
AnswerVerdict CheckEntryAnswer(const ExchangeRequest& request, const ExchangeAnswer& answer)
{
    if (answer.block != request.block || answer.status != TerminalStatus::Ok) {
        return AnswerVerdict::AskAgain();
    }
    return AnswerVerdict::Accept();
}

ProtocolCode NextBlock(CWexlinkProtocol& engine, BYTE command, long terminalId, BYTE* destination, int block,
                       int& payloadLength)
{
    const CWexlinkProtocol::ExchangeOutcome outcome =
        engine.Exchange(terminalId, {command, static_cast<BYTE>(block & 0xFF)}, CheckEntryAnswer);
    if (outcome.result != 0) {
        return outcome.result;
    }
    std::memcpy(destination, engine.ReceivedPayload(), static_cast<size_t>(outcome.answer.payloadLength));
    payloadLength = outcome.answer.payloadLength;
    return 0;
}

ProtocolCode RunFileCommand(CWexlinkProtocol& engine, const FileCommandFamily& family, long terminalId,
                            const std::string& pattern, std::int16_t drive, BYTE* blockBuffer)
{
    const std::wstring patternText = CWexlinkProtocol::FromTerminalText(pattern);
    engine.ReportStatus(family.startReport, patternText, std::wstring());

    const CWexlinkProtocol::TerminalNameField field = CWexlinkProtocol::BuildTerminalNameField(pattern, drive);
    const ProtocolCode opened =
        engine
            .Exchange(terminalId, {family.open, 0, field.data(), CWexlinkProtocol::TerminalNameFieldSize},
                      CheckOpeningAnswer)
            .result;
    if (opened == ProtocolResult::TerminalFileNotAvailable) {
        engine.ReportStatus(ProtocolResult::TerminalFileNotAvailable, patternText, std::wstring());
    }
    if (opened != 0) {
        return opened;
    }

    const BYTE* countBytes = engine.ReceivedPayload();
    const int count = static_cast<int>(GetBigEndian16(countBytes));
    engine.ReportStatus(family.countReport, std::to_wstring(count), std::wstring());

    for (int entry = 0; entry < count; ++entry) {
        int payloadLength = 0;
        const ProtocolCode result = (engine.*family.nextBlock)(terminalId, blockBuffer, entry, payloadLength);
        if (result != 0) {
            return result;
        }
        const std::wstring name = EntryName(blockBuffer, payloadLength);
        const std::wstring size = family.hasSize ? EntrySize(blockBuffer, payloadLength) : std::wstring();
        engine.ReportStatus(family.entryReport, name, size);
    }

    // The listing itself has succeeded; a closing pair that fails only costs its completion report.
    if (engine.SimpleRequest(terminalId, family.close) == 0) {
        engine.SimpleRequest(terminalId, family.closeAck);
        engine.ReportStatus(family.completeReport, std::wstring(), std::wstring());
    }
    return 0;
}

}  // namespace

CWexlinkProtocol::TerminalNameField CWexlinkProtocol::BuildTerminalNameField(const std::string& name,
                                                                             std::int16_t drive)
{
    constexpr size_t NameBytes = 12;
    TerminalNameField field{};
    std::copy_n(name.begin(), std::min(name.size(), NameBytes), field.begin());
    field[13] = static_cast<BYTE>(static_cast<std::uint16_t>(drive) & 0xFF);
    return field;
}

ProtocolCode CWexlinkProtocol::ListFiles(long terminalId, const std::string& pattern, std::int16_t drive)
{
    return RunFileCommand(*this, ListingFamily, terminalId, pattern, drive, m_blockData);
}

ProtocolCode CWexlinkProtocol::DeleteFiles(long terminalId, const std::string& pattern, std::int16_t drive)
{
    return RunFileCommand(*this, DeletionFamily, terminalId, pattern, drive, m_blockData);
}

ProtocolCode CWexlinkProtocol::ListFilesNextBlock(long terminalId, BYTE* destination, int block, int& payloadLength)
{
    return NextBlock(*this, CmdListFilesNext, terminalId, destination, block, payloadLength);
}

ProtocolCode CWexlinkProtocol::DeleteFilesNextBlock(long terminalId, BYTE* destination, int block, int& payloadLength)
{
    return NextBlock(*this, CmdDeleteFilesNext, terminalId, destination, block, payloadLength);
}
