#include "SimFrame.h"

#include "SimCrc16.h"

bool CSimFrame::EncodeAnswer(const SimAnswer& answer, SimBytes& frame)
{
    const size_t length = answer.payload.size() + SimWire::kFrameOverhead;
    if (length > 0xFFFF) {
        return false;
    }
    frame.assign(SimWire::kHeaderSize, 0);
    frame[0] = SimWire::kAnswerStart;
    WriteBig16(&frame[1], static_cast<uint16_t>(length));
    frame[3] = static_cast<uint8_t>(answer.terminalId >> 16);
    frame[4] = static_cast<uint8_t>(answer.terminalId >> 8);
    frame[5] = static_cast<uint8_t>(answer.terminalId);
    frame[6] = answer.command;
    frame[7] = answer.status;
    frame[8] = answer.block;
    frame.insert(frame.end(), answer.payload.begin(), answer.payload.end());
    frame.resize(length);
    RewriteCrc(frame);
    return true;
}

void CSimFrame::RewriteCrc(SimBytes& frame)
{
    if (frame.size() < 2) {
        return;
    }
    const size_t covered = frame.size() - 2;
    WriteBig16(&frame[covered], CSimCrc16::Compute(frame.data(), covered));
}

uint16_t CSimFrame::ReadBig16(const uint8_t* bytes)
{
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t CSimFrame::ReadBig24(const uint8_t* bytes)
{
    return (static_cast<uint32_t>(bytes[0]) << 16) | (static_cast<uint32_t>(bytes[1]) << 8) | bytes[2];
}

void CSimFrame::WriteBig16(uint8_t* bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value >> 8);
    bytes[1] = static_cast<uint8_t>(value);
}
