// The clock and version commands: read and set the terminal clock, read the terminal's operating
// system and application versions. Each is one request and its answer, tried up to three times.
#include "WexlinkProtocol.h"

#include "ByteOrder.h"
#include "TimeDateFmtString.h"

#include <cstring>

namespace {

constexpr BYTE CmdGetTimeDate = 0x01;
constexpr BYTE CmdSetTimeDate = 0x02;
constexpr BYTE CmdGetOsVersion = 0x03;
constexpr BYTE CmdGetApplicationVersion = 0x04;

// Hours, minutes, seconds, day, month, then the full year big-endian.
constexpr int ClockPayloadLength = 7;

// The clock answer as text. An answer too short to hold a clock gives the same empty text as one
// with impossible values, rather than a clock made of whatever follows the payload.
std::wstring ClockText(const BYTE* payload, int payloadLength, enumTimeDateFmt format)
{
    if (payloadLength < ClockPayloadLength) {
        return std::wstring();
    }
    const std::uint32_t year = GetBigEndian16(payload + 5);
    if (year > 0x7FFF) {
        return std::wstring();  // beyond any calendar; kept from wrapping into the 16-bit argument
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
    // None of the clock and version commands looks at the answer's status byte or block number.
    const CWexlinkProtocol::ExchangeOutcome outcome =
        engine.Exchange(terminalId, {command}, CWexlinkProtocol::AcceptAnyAnswer);
    if (outcome.result != 0) {
        return outcome.result;  // the driver reports a failure
    }
    engine.ReportStatus(report, VersionText(engine.ReceivedPayload(), outcome.answer.payloadLength), std::wstring());
    return 0;
}

}  // namespace

ProtocolCode CWexlinkProtocol::GetTimeDate(long terminalId, enumTimeDateFmt format)
{
    const ExchangeOutcome outcome = Exchange(terminalId, {CmdGetTimeDate}, AcceptAnyAnswer);
    if (outcome.result == ProtocolResult::NotSucceededAfterRetries) {
        ReportStatus(ProtocolResult::NotSucceededAfterRetries, std::wstring(), std::wstring());
    }
    if (outcome.result != 0) {
        return outcome.result;
    }
    // The status message of the clock is the text alone, so the host shows the terminal's time.
    ReportStatus(ProtocolReport::TimeDate, ClockText(ReceivedPayload(), outcome.answer.payloadLength, format),
                 std::wstring());
    return 0;
}

ProtocolCode CWexlinkProtocol::SetTimeDate(long terminalId, std::int16_t hours, std::int16_t minutes,
                                           std::int16_t seconds, std::int16_t day, std::int16_t month,
                                           std::int16_t year)
{
    BYTE clock[ClockPayloadLength] = {
        static_cast<BYTE>(hours), static_cast<BYTE>(minutes), static_cast<BYTE>(seconds),
        static_cast<BYTE>(day),   static_cast<BYTE>(month),
    };
    PutBigEndian16(clock + 5, static_cast<std::uint16_t>(year));
    // No pause between attempts: the clock should be set as close as possible to the time it carries.
    const ExchangeOutcome outcome =
        Exchange(terminalId, {CmdSetTimeDate, 0, clock, ClockPayloadLength}, AcceptAnyAnswer, RetryPause::None);
    if (outcome.result == ProtocolResult::NotSucceededAfterRetries) {
        ReportStatus(ProtocolResult::NotSucceededAfterRetries, std::wstring(), std::wstring());
    }
    return outcome.result;
}

ProtocolCode CWexlinkProtocol::GetOsVersion(long terminalId)
{
    return GetVersion(*this, terminalId, CmdGetOsVersion, ProtocolReport::OsVersion);
}

ProtocolCode CWexlinkProtocol::GetApplicationVersion(long terminalId)
{
    return GetVersion(*this, terminalId, CmdGetApplicationVersion, ProtocolReport::ApplicationVersion);
}
