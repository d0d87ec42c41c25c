// The clock and version commands: read and set the terminal clock, read the terminal's operating
// system and application versions. Each is one request and its answer, tried up to three times.
#include "WexlinkProtocol.h"

#include "TimeDateFmtString.h"

#include <cstring>

namespace {

constexpr BYTE CmdGetTimeDate = 0x01;
constexpr BYTE CmdSetTimeDate = 0x02;
constexpr BYTE CmdGetOsVersion = 0x03;
constexpr BYTE CmdGetApplicationVersion = 0x04;

// Hours, minutes, seconds, day, month, then the full year big-endian.
constexpr int ClockPayloadLength = 7;

enum class RetryPause { BeforeEachRetry, None };

// Sends the request and waits for its echo, up to three times. A failed send or a stop ends at once;
// any other receive failure leads to the next attempt (after a pause that the stop event cuts short,
// unless the command wants none). On success payloadLength is the answer's payload length; after three
// failures the result is -14, not yet reported.
ProtocolCode Exchange(CWexlinkProtocol& engine, long terminalId, BYTE command, const BYTE* payload,
                      int payloadSize, RetryPause pause, int& payloadLength)
{
    for (int attempt = 1; attempt <= CWexlinkProtocol::Attempts; ++attempt) {
        if (attempt > 1 && pause == RetryPause::BeforeEachRetry && engine.IsAborted(CWexlinkProtocol::RetryPauseMs)) {
            return -30;
        }
        const ProtocolCode sent = engine.SendFrame(terminalId, command, 0, 0, payload, payloadSize);
        if (sent != 0) {
            return sent;
        }
        long answerId = terminalId;
        int status = 0;
        int block = 0;
        int frameLength = 0;
        const ProtocolCode received =
            engine.ReceiveFrame(answerId, command, status, block, frameLength, CWexlinkProtocol::AnswerTimeoutMs);
        if (received == 0) {
            payloadLength = frameLength - CWexlinkProtocol::FrameOverhead;
            return 0;
        }
        if (received == -30) {
            return -30;
        }
    }
    return -14;
}

// The clock answer as text. An answer too short to hold a clock gives the same empty text as one
// with impossible values, rather than a clock made of whatever follows the payload.
std::wstring ClockText(const BYTE* payload, int payloadLength, enumTimeDateFmt format)
{
    if (payloadLength < ClockPayloadLength) {
        return std::wstring();
    }
    const unsigned year = (static_cast<unsigned>(payload[5]) << 8) | payload[6];
    if (year > 0x7FFF) {
        return std::wstring(); // beyond any calendar; kept from wrapping into the 16-bit argument
    }
    return CTimeDateFmtString(payload[0], payload[1], payload[2], payload[3], payload[4],
                              static_cast<std::int16_t>(year), static_cast<std::uint32_t>(format))
        .text;
}

// The version text: each byte one character, up to the first NUL or the end of the payload.
std::wstring VersionText(const BYTE* payload, int payloadLength)
{
    const size_t length = payloadLength > 0 ? static_cast<size_t>(payloadLength) : 0;
    const void* nul = std::memchr(payload, 0, length);
    const BYTE* end = nul ? static_cast<const BYTE*>(nul) : payload + length;
    return std::wstring(payload, end);
}

ProtocolCode GetVersion(CWexlinkProtocol& engine, long terminalId, BYTE command, ProtocolCode report)
{
    int payloadLength = 0;
    const ProtocolCode result =
        Exchange(engine, terminalId, command, nullptr, 0, RetryPause::BeforeEachRetry, payloadLength);
    if (result != 0) {
        return result; // the driver reports a failure
    }
    engine.ReportStatus(report, VersionText(engine.ReceivedPayload(), payloadLength), std::wstring());
    return 0;
}

} // namespace

ProtocolCode CWexlinkProtocol::GetTimeDate(long terminalId, enumTimeDateFmt format)
{
    int payloadLength = 0;
    const ProtocolCode result =
        Exchange(*this, terminalId, CmdGetTimeDate, nullptr, 0, RetryPause::BeforeEachRetry, payloadLength);
    if (result == -14) {
        ReportStatus(-14, std::wstring(), std::wstring());
    }
    if (result != 0) {
        return result;
    }
    // The status message of the clock is the text alone, so the host shows the terminal's time.
    ReportStatus(-103, ClockText(ReceivedPayload(), payloadLength, format), std::wstring());
    return 0;
}

ProtocolCode CWexlinkProtocol::SetTimeDate(long terminalId, std::int16_t hours, std::int16_t minutes,
                                           std::int16_t seconds, std::int16_t day, std::int16_t month,
                                           std::int16_t year)
{
    const BYTE clock[ClockPayloadLength] = {
        static_cast<BYTE>(hours),
        static_cast<BYTE>(minutes),
        static_cast<BYTE>(seconds),
        static_cast<BYTE>(day),
        static_cast<BYTE>(month),
        static_cast<BYTE>(static_cast<std::uint16_t>(year) >> 8),
        static_cast<BYTE>(year),
    };
    int payloadLength = 0;
    // No pause between attempts: the clock should be set as close as possible to the time it carries.
    const ProtocolCode result =
        Exchange(*this, terminalId, CmdSetTimeDate, clock, ClockPayloadLength, RetryPause::None, payloadLength);
    if (result == -14) {
        ReportStatus(-14, std::wstring(), std::wstring());
    }
    return result;
}

ProtocolCode CWexlinkProtocol::GetOsVersion(long terminalId)
{
    return GetVersion(*this, terminalId, CmdGetOsVersion, -114);
}

ProtocolCode CWexlinkProtocol::GetApplicationVersion(long terminalId)
{
    return GetVersion(*this, terminalId, CmdGetApplicationVersion, -116);
}
