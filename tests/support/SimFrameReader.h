#pragma once
// Finds request frames ('P') in the bytes the simulated terminal receives. Bytes before a 'P' are
// skipped; a 'P' whose length field cannot start a frame is skipped too, so a real frame behind stray
// bytes is still found. A complete frame with a bad CRC is refused and the search goes on from the
// byte after its 'P'. A candidate that stays incomplete over an idle gap on the line is given up the
// same way (DropStalledCandidate), so a stray 'P' with a large length never swallows later requests.

#include "SimTypes.h"

enum class SimScanResult { NeedMore, Request, Refused };

class CSimFrameReader {
public:
    // Requests longer than maxFrameSize are refused (after their CRC was found right).
    void SetMaxFrameSize(size_t maxFrameSize) { m_maxFrameSize = maxFrameSize; }

    void Append(const uint8_t* bytes, size_t count);

    // Takes the next frame out of the buffer. Request fills `request`; Refused fills `refused` with the
    // frame's fields as far as they could be read and the reason in its note.
    SimScanResult Scan(SimRequest& request, SimFrameRecord& refused);

    // The line has been idle: the candidate at the front will not complete.
    void DropStalledCandidate();

    size_t Buffered() const { return m_buffer.size(); }
    // How many more bytes complete the request that the buffer begins (at least 1): a reader that
    // asks for no more learns of a complete request the moment its last byte comes.
    size_t BytesWanted() const;
    size_t SkippedBytes() const { return m_skipped; }
    void Reset();

private:
    static constexpr size_t kBufferLimit = 4 * SimWire::kLargestFrame;

    void Skip(size_t count);
    SimScanResult ScanConnect(SimRequest& request, SimFrameRecord& refused);
    SimScanResult ScanFrame(size_t length, SimRequest& request, SimFrameRecord& refused);
    bool CrcMatches(size_t length) const;
    void FillRefusal(size_t length, const char* reason, SimFrameRecord& refused) const;

    SimBytes m_buffer;
    size_t m_maxFrameSize = SimWire::kLargestFrame;
    size_t m_skipped = 0;
};
