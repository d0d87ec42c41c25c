#pragma once
// Frame encoding of the simulated terminal: answers ('T') out, and the big-endian fields both frame
// kinds share.

#include "SimTypes.h"

struct SimAnswer {
    uint32_t terminalId = 0;  // low 24 bits go out
    uint8_t command = 0;
    uint8_t status = 0;
    uint8_t block = 0;
    SimBytes payload;
};

class CSimFrame {
public:
    // The answer frame: 'T', length (payload + 11), ID, command, status, block, payload, CRC.
    // False when the payload does not fit the 16-bit length field.
    static bool EncodeAnswer(const SimAnswer& answer, SimBytes& frame);

    // Rewrites the CRC at the end of a frame after its bytes were changed on purpose.
    static void RewriteCrc(SimBytes& frame);

    static uint16_t ReadBig16(const uint8_t* bytes);
    static uint32_t ReadBig24(const uint8_t* bytes);
    static void WriteBig16(uint8_t* bytes, uint16_t value);
};
