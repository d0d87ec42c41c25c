#include "SimFrameReader.h"

#include "SimCrc16.h"
#include "SimFrame.h"

void CSimFrameReader::Append(const uint8_t* bytes, size_t count)
{
    m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    if (m_buffer.size() > kBufferLimit) {
        // More than any frame can fill: what lies at the front can only be noise.
        Skip(m_buffer.size() - kBufferLimit);
    }
}

size_t CSimFrameReader::BytesWanted() const
{
    if (m_buffer.size() < 3 || m_buffer[0] != SimWire::kRequestStart) {
        return m_buffer.size() < 3 ? 3 - m_buffer.size() : 1;
    }
    const size_t length = CSimFrame::ReadBig16(&m_buffer[1]);
    const bool framed = length == SimWire::kConnectRequestSize ||
                        (length >= SimWire::kFrameOverhead && length <= SimWire::kLargestFrame);
    return framed && length > m_buffer.size() ? length - m_buffer.size() : 1;
}

void CSimFrameReader::Reset()
{
    m_buffer.clear();
    m_skipped = 0;
}

void CSimFrameReader::DropStalledCandidate()
{
    if (!m_buffer.empty()) {
        Skip(1);
    }
}

void CSimFrameReader::Skip(size_t count)
{
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(count));
    m_skipped += count;
}

SimScanResult CSimFrameReader::Scan(SimRequest& request, SimFrameRecord& refused)
{
    while (!m_buffer.empty()) {
        if (m_buffer[0] != SimWire::kRequestStart) {
            Skip(1);
            continue;
        }
        if (m_buffer.size() < 3) {
            return SimScanResult::NeedMore;
        }
        const size_t length = CSimFrame::ReadBig16(&m_buffer[1]);
        if (length == SimWire::kConnectRequestSize) {
            if (m_buffer.size() < SimWire::kConnectRequestSize) {
                return SimScanResult::NeedMore;
            }
            if (m_buffer[3] == SimWire::kConnect) {
                return ScanConnect(request, refused);
            }
        } else if (length >= SimWire::kFrameOverhead && length <= SimWire::kLargestFrame) {
            return ScanFrame(length, request, refused);
        }
        Skip(1);  // this 'P' cannot start a frame
    }
    return SimScanResult::NeedMore;
}

SimScanResult CSimFrameReader::ScanConnect(SimRequest& request, SimFrameRecord& refused)
{
    const size_t length = SimWire::kConnectRequestSize;
    if (!CrcMatches(length)) {
        FillRefusal(length, "bad CRC", refused);
        Skip(1);
        return SimScanResult::Refused;
    }
    request = SimRequest{};
    request.command = SimWire::kConnect;
    request.isConnect = true;
    request.raw.assign(m_buffer.begin(), m_buffer.begin() + length);
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + length);
    return SimScanResult::Request;
}

SimScanResult CSimFrameReader::ScanFrame(size_t length, SimRequest& request, SimFrameRecord& refused)
{
    if (m_buffer.size() < length) {
        return SimScanResult::NeedMore;
    }
    if (!CrcMatches(length)) {
        FillRefusal(length, "bad CRC", refused);
        Skip(1);  // the 'P' may have been noise: look for a frame inside these bytes too
        return SimScanResult::Refused;
    }
    if (length > m_maxFrameSize) {
        FillRefusal(length, "longer than the maximum frame size", refused);
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
        return SimScanResult::Refused;
    }
    request = SimRequest{};
    request.terminalId = CSimFrame::ReadBig24(&m_buffer[3]);
    request.command = m_buffer[6];
    request.statusByte = m_buffer[7];
    request.block = m_buffer[8];
    request.payload.assign(m_buffer.begin() + SimWire::kHeaderSize, m_buffer.begin() + (length - 2));
    request.raw.assign(m_buffer.begin(), m_buffer.begin() + length);
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    return SimScanResult::Request;
}

bool CSimFrameReader::CrcMatches(size_t length) const
{
    const uint16_t expected = CSimFrame::ReadBig16(&m_buffer[length - 2]);
    return CSimCrc16::Compute(m_buffer.data(), length - 2) == expected;
}

void CSimFrameReader::FillRefusal(size_t length, const char* reason, SimFrameRecord& refused) const
{
    refused = SimFrameRecord{};
    refused.direction = SimDirection::Received;
    refused.refused = true;
    refused.note = reason;
    refused.raw.assign(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length));
    if (length >= SimWire::kFrameOverhead) {
        refused.terminalId = CSimFrame::ReadBig24(&m_buffer[3]);
        refused.command = m_buffer[6];
        refused.status = m_buffer[7];
        refused.block = m_buffer[8];
        refused.payload.assign(m_buffer.begin() + SimWire::kHeaderSize, m_buffer.begin() + (length - 2));
    } else {
        refused.command = m_buffer[3];
    }
}
