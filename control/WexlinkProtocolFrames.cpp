// Request and answer frames, the CRC that protects them, the stop check, and the small exchanges that
// open and close a session, and the retry rule that every request and its answer go through.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr BYTE RequestStart = 'P';
constexpr BYTE AnswerStart = 'T';
constexpr int ConnectRequestLength = 6;

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, most significant bit first, no final XOR.
constexpr std::array<WORD, 256> MakeCrcTable()
{
    std::array<WORD, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        WORD crc = static_cast<WORD>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<WORD>((crc << 1) ^ 0x1021) : static_cast<WORD>(crc << 1);
        }
        table[static_cast<size_t>(byte)] = crc;
    }
    return table;
}

constexpr std::array<WORD, 256> CrcTable = MakeCrcTable();

// The serial object cancels a read or write that has not finished within its 2500 ms I/O time-out,
// and a cancelled transfer counts for nothing. At a low rate a long frame takes longer than that to
// cross the line, so it is read and written in parts that the line carries in two seconds (10 bits
// a byte). At the usual rates a whole frame is one part.
int BytesPerTransfer(long baudRate)
{
    return baudRate >= 5 ? static_cast<int>(baudRate / 5) : 1;
}

// How long bytes take on the line (ten bits each), and a driver that hands them over in chunks on top.
DWORD LineTimeMs(long baudRate, int bytes)
{
    constexpr DWORD ChunkLatencyMs = 50;
    return baudRate > 0 ? static_cast<DWORD>(bytes * 10000LL / baudRate) + ChunkLatencyMs : ChunkLatencyMs;
}

}  // namespace

WORD CWexlinkProtocol::CalcCrc16(const BYTE* data, int count)
{
    WORD crc = 0;
    for (int i = 0; i < count; ++i) {
        crc = static_cast<WORD>((crc << 8) ^ CrcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

bool CWexlinkProtocol::IsAborted(DWORD ms)
{
    if (!m_stopEvent) {
        Sleep(ms);
        return false;
    }
    if (WaitForSingleObject(m_stopEvent, ms) != WAIT_OBJECT_0) {
        return false;
    }
    ReportStatus(ProtocolResult::UserAborted, std::wstring(), std::wstring());
    return true;
}

bool CWexlinkProtocol::PauseBeforeRetry()
{
    return IsAborted(m_timings.retryPauseMs);
}

ProtocolCode CWexlinkProtocol::SendFrame(long terminalId, BYTE command, int status, BYTE block, const BYTE* payload,
                                         int payloadLength)
{
    const int frameLength = BuildFrame(m_sendFrame, terminalId, command, status, block, payload, payloadLength);
    return frameLength < 0 ? frameLength : SendBuiltFrame(m_sendFrame, frameLength);
}

int CWexlinkProtocol::BuildFrame(BYTE* frame, long terminalId, BYTE command, int status, BYTE block,
                                 const BYTE* payload, int payloadLength)
{
    if (payloadLength < 0 || payloadLength > MaxFrameSize - FrameOverhead) {
        // Nothing that long fits a frame; refusing here keeps the copy inside the buffer.
        ReportStatus(ProtocolResult::CannotTransmit, std::wstring(), std::wstring());
        return ProtocolResult::CannotTransmit;
    }
    const int frameLength = payloadLength + FrameOverhead;
    frame[0] = RequestStart;
    PutBigEndian16(frame + 1, static_cast<unsigned>(frameLength));
    PutBigEndian24(frame + 3, static_cast<std::uint32_t>(terminalId));
    frame[6] = command;
    frame[7] = static_cast<BYTE>(-status);
    frame[8] = block;
    if (payloadLength > 0) {
        std::memcpy(frame + PayloadOffset, payload, static_cast<size_t>(payloadLength));
    }
    const int crcAt = PayloadOffset + payloadLength;
    PutBigEndian16(frame + crcAt, CalcCrc16(frame, crcAt));
    return frameLength;
}

ProtocolCode CWexlinkProtocol::SendBuiltFrame(const BYTE* frame, int frameLength)
{
    if (IsAborted(0)) {
        return ProtocolResult::UserAborted;
    }
    m_serial.Purge();
    m_serial.SetEventMask(EV_RXCHAR);
    const int partSize = BytesPerTransfer(m_baudRate);
    for (int sent = 0; sent < frameLength; sent += partSize) {
        const int part = std::min(frameLength - sent, partSize);
        if (!m_serial.Write(frame + sent, static_cast<DWORD>(part))) {
            return WriteFailed();
        }
    }
    return 0;
}

// A stop cuts short a write the driver has not finished; that is the stop, not a line that cannot
// transmit.
ProtocolCode CWexlinkProtocol::WriteFailed()
{
    if (IsAborted(0)) {
        return ProtocolResult::UserAborted;
    }
    ReportStatus(ProtocolResult::CannotTransmit, std::wstring(), std::wstring());
    return ProtocolResult::CannotTransmit;
}

// The time left until the deadline, 0 once it has passed.
DWORD CWexlinkProtocol::TimeLeft(ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
}

ProtocolCode CWexlinkProtocol::WaitForAnswerStart(ULONGLONG deadline)
{
    if (!m_serial.WaitForData(TimeLeft(deadline))) {
        return IsAborted(0) ? ProtocolResult::UserAborted : ProtocolResult::NoResponse;
    }
    return IsAborted(0) ? ProtocolResult::UserAborted : 0;
}

// Noise before an answer is dropped for as long as the answer may take: a line that carries noise
// and no answer start by the deadline has not answered, however much or little noise it carried, so
// noise never cuts an attempt short. Every read is a round trip through the driver,
// and between the terminal's answer and the next request that time is lost to the line; so the first
// read asks for as much as the shortest frame holds. A whole short answer then takes this one read,
// and no byte beyond the answer is ever taken. A first read that brings nothing at all is a terminal
// that did not answer. What followed the start byte in the same read is kept in place; `got` gives
// its count. Every read ends by the deadline, the first too: a little noise just before it would
// otherwise hold the attempt for the line's quiet time or the whole I/O time-out. The first is given
// at least the line time of what it asks for, so that an answer whose start came in time is not cut
// off (a cancelled read gives back nothing); that floor, and the driver's time to carry out the read's
// cancel, is all that noise can draw an attempt out by.
ProtocolCode CWexlinkProtocol::ReadUntilAnswerStart(int& got, ULONGLONG deadline)
{
    got = 0;
    BYTE chunk[NoiseReadSize];
    DWORD read = ReadBy(chunk, FrameOverhead, deadline, LineTimeMs(m_baudRate, FrameOverhead));
    if (read == 0) {
        return IsAborted(0) ? ProtocolResult::UserAborted : ProtocolResult::NoResponse;
    }
    for (;;) {
        const BYTE* start = static_cast<const BYTE*>(std::memchr(chunk, AnswerStart, read));
        if (start != nullptr) {
            const int noise = static_cast<int>(start - chunk);
            std::memcpy(m_receiveFrame, start, read - noise);
            got = static_cast<int>(read) - noise - 1;
            return 0;
        }
        if (IsAborted(0)) {
            return ProtocolResult::UserAborted;
        }
        if (TimeLeft(deadline) == 0 || !m_serial.IsOpen()) {
            return ProtocolResult::NoResponse;
        }
        if (m_serial.QueuedBytes() == 0) {
            const ProtocolCode waited = WaitForAnswerStart(deadline);
            if (waited != 0) {
                return waited;
            }
        }
        // What the driver holds, a byte at least, so that a flood is drained as fast as it comes.
        read = ReadBy(chunk, std::clamp<DWORD>(m_serial.QueuedBytes(), 1, NoiseReadSize), deadline, 1);
    }
}

// A read that ends by the deadline (or after `atLeastMs`, whichever is later) however long the line
// stays quiet, and never later than the I/O time-out.
DWORD CWexlinkProtocol::ReadBy(BYTE* chunk, DWORD wanted, ULONGLONG deadline, DWORD atLeastMs)
{
    m_serial.SetIoTimeout(std::min(m_timings.ioTimeoutMs, std::max(TimeLeft(deadline), atLeastMs)));
    const DWORD read = m_serial.Read(chunk, wanted);
    m_serial.SetIoTimeout(m_timings.ioTimeoutMs);
    return read;
}

// The serial read returns once the count has arrived or the line has gone quiet, and a platform may
// hand over fewer bytes than asked while more are on their way; so read on, a part at a time, while
// bytes keep coming.
ProtocolCode CWexlinkProtocol::ReadAnswerBytes(int offset, int count)
{
    const int partSize = BytesPerTransfer(m_baudRate);
    int got = 0;
    while (got < count) {
        const int part = std::min(count - got, partSize);
        const DWORD read = m_serial.Read(m_receiveFrame + offset + got, static_cast<DWORD>(part));
        if (read == 0) {
            return IsAborted(0) ? ProtocolResult::UserAborted : ProtocolResult::NoResponse;
        }
        got += static_cast<int>(read);
        if (got < count && IsAborted(0)) {
            return ProtocolResult::UserAborted;
        }
    }
    return 0;
}

ProtocolCode CWexlinkProtocol::ReceiveFrame(long& terminalId, int expectedCommand, int& status, int& block,
                                            int& frameLength, DWORD timeoutMs)
{
    return ReceiveFrameBy(terminalId, expectedCommand, status, block, frameLength, GetTickCount64() + timeoutMs);
}

ProtocolCode CWexlinkProtocol::ReceiveFrameBy(long& terminalId, int expectedCommand, int& status, int& block,
                                              int& frameLength, ULONGLONG deadline)
{
    int got = 0;  // bytes of the frame read after its start byte
    ProtocolCode result = WaitForAnswerStart(deadline);
    if (result == 0) {
        result = ReadUntilAnswerStart(got, deadline);
    }
    if (result == 0 && IsAborted(0)) {
        return ProtocolResult::UserAborted;
    }
    if (result == 0 && got < 2) {
        result = ReadAnswerBytes(1 + got, 2 - got);  // the rest of the length field
        got = 2;
    }
    if (result != 0) {
        return result;
    }
    if (IsAborted(0)) {
        return ProtocolResult::UserAborted;
    }
    const int length = static_cast<int>(GetBigEndian16(m_receiveFrame + 1));
    if (length > MaxFrameSize) {
        return ProtocolResult::FrameTooLarge;
    }
    if (length < FrameOverhead) {
        // Too short to hold a header and a CRC: a damaged frame, refused before any byte of it
        // beyond the length is compared.
        return ProtocolResult::CrcError;
    }
    const int read = 1 + got;  // the start byte and what came with the length field
    if (read < length) {
        result = ReadAnswerBytes(read, length - read);
        if (result != 0) {
            return result;
        }
    }
    if (IsAborted(0)) {
        return ProtocolResult::UserAborted;
    }
    if (CalcCrc16(m_receiveFrame, length - 2) != GetBigEndian16(m_receiveFrame + length - 2)) {
        return ProtocolResult::CrcError;
    }
    const long answerId = static_cast<long>(GetBigEndian24(m_receiveFrame + 3));
    if (terminalId == -1) {
        terminalId = answerId;
    } else if (answerId != terminalId) {
        ReportStatus(ProtocolResult::IdMismatch, std::wstring(), std::wstring());
        return ProtocolResult::IdMismatch;
    }
    if (m_receiveFrame[6] != expectedCommand) {
        return ProtocolResult::WrongCommand;
    }
    status = -static_cast<int>(static_cast<signed char>(m_receiveFrame[7]));
    block = m_receiveFrame[8];
    frameLength = length;
    return 0;
}

long CWexlinkProtocol::Connect(DWORD timeoutMs)
{
    m_serial.Purge();
    m_sendFrame[0] = RequestStart;
    PutBigEndian16(m_sendFrame + 1, ConnectRequestLength);
    m_sendFrame[3] = CmdConnect;
    PutBigEndian16(m_sendFrame + 4, CalcCrc16(m_sendFrame, 4));
    m_serial.SetEventMask(EV_RXCHAR);
    if (!m_serial.Write(m_sendFrame, ConnectRequestLength)) {
        return WriteFailed();
    }

    long terminalId = -1;
    int status = 0;
    int block = 0;
    int length = 0;
    const ProtocolCode result = ReceiveFrame(terminalId, CmdConnectAnswer, status, block, length, timeoutMs);
    if (result != 0) {
        return result;
    }
    if (length < FrameOverhead + 4) {
        // An answer without room for the frame size and the version cannot open a session.
        return ProtocolResult::NoResponse;
    }
    const BYTE* payload = m_receiveFrame + PayloadOffset;
    m_maxFrameSize = static_cast<int>(GetBigEndian16(payload));
    if (m_maxFrameSize > MaxFrameSize || m_maxFrameSize <= FrameOverhead) {
        // Above the limit the terminal could send frames no buffer holds; at or below the frame
        // overhead no request could carry a single byte of file data, and a transfer would never
        // move on. Either way the terminal cannot be worked with.
        return ProtocolResult::FrameTooLarge;
    }
    m_versionMajor = payload[2];
    m_versionMinor = payload[3];
    return terminalId;
}

CWexlinkProtocol::AnswerVerdict CWexlinkProtocol::AcceptAnyAnswer(const ExchangeRequest&, const ExchangeAnswer&)
{
    return AnswerVerdict::Accept();
}

CWexlinkProtocol::ExchangeOutcome CWexlinkProtocol::Exchange(long terminalId, const ExchangeRequest& request,
                                                             AnswerCheck check, RetryPause pause)
{
    ExchangeOutcome outcome;
    for (int attempt = 1; attempt <= Attempts; ++attempt) {
        if (attempt > 1 && pause == RetryPause::BeforeEachRetry && PauseBeforeRetry()) {
            outcome.result = ProtocolResult::UserAborted;
            return outcome;
        }
        const ProtocolCode sent = request.frame != nullptr ? SendBuiltFrame(request.frame, request.frameLength)
                                                           : SendFrame(terminalId, request.command, 0, request.block,
                                                                       request.payload, request.payloadLength);
        if (sent != 0) {
            outcome.result = sent;
            return outcome;
        }
        // The answer's time is counted from the request, whatever is done while it is awaited.
        const ULONGLONG deadline = GetTickCount64() + m_timings.answerTimeoutMs;
        if (attempt == 1 && request.whileAnswering != nullptr) {
            (*request.whileAnswering)();
        }
        long answerId = terminalId;
        ExchangeAnswer answer;
        int frameLength = 0;
        const ProtocolCode received =
            ReceiveFrameBy(answerId, request.command, answer.status, answer.block, frameLength, deadline);
        if (received == ProtocolResult::UserAborted) {
            outcome.result = ProtocolResult::UserAborted;
            return outcome;
        }
        if (received != 0) {
            outcome.lastFailure = received;
            continue;
        }
        answer.payloadLength = frameLength - FrameOverhead;
        const AnswerVerdict verdict = check(request, answer);
        if (verdict.kind == AnswerVerdict::Kind::AskAgain) {
            outcome.lastFailure = verdict.code;
            continue;
        }
        outcome.result = verdict.kind == AnswerVerdict::Kind::Accept ? 0 : verdict.code;
        outcome.answer = answer;
        return outcome;
    }
    outcome.result = ProtocolResult::NotSucceededAfterRetries;
    return outcome;
}

// The end of a session counts as done on any answer, whatever its status byte; after three failed
// attempts it gives the last receive failure rather than NotSucceededAfterRetries.
ProtocolCode CWexlinkProtocol::Disconnect(long terminalId)
{
    const ExchangeOutcome outcome = Exchange(terminalId, {CmdEndOfSession}, AcceptAnyAnswer);
    return outcome.result == ProtocolResult::NotSucceededAfterRetries ? outcome.lastFailure : outcome.result;
}

// A closing request wants status 0; any other status is asked again. When the last attempt was
// refused that way, the request fails with NotSucceededAfterRetries rather than with the terminal's
// status value: the result goes on to the driver as one of this side's codes, where a status of 30
// would read as a stop and end the run unreported, and other values as failures that never happened.
ProtocolCode CWexlinkProtocol::SimpleRequest(long terminalId, BYTE command)
{
    const ExchangeOutcome outcome =
        Exchange(terminalId, {command}, [](const ExchangeRequest&, const ExchangeAnswer& answer) {
            return answer.status == TerminalStatus::Ok ? AnswerVerdict::Accept() : AnswerVerdict::AskAgain();
        });
    return outcome.result == ProtocolResult::NotSucceededAfterRetries ? outcome.lastFailure : outcome.result;
}
