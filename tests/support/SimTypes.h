#pragma once
// The data the terminal simulator works with: the wire constants, a decoded request, a handler's reply,
// the injected faults and the frame log records.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

using SimBytes = std::vector<uint8_t>;

namespace SimWire {
constexpr uint8_t kRequestStart = 0x50;  // 'P'
constexpr uint8_t kAnswerStart = 0x54;   // 'T'
constexpr uint8_t kEndSession = 0x00;
constexpr uint8_t kConnect = 0x05;
constexpr uint8_t kConnectAnswer = 0xFE;
constexpr size_t kHeaderSize = 9;          // start, length, ID, command, status, block
constexpr size_t kFrameOverhead = 11;      // header and CRC
constexpr size_t kConnectRequestSize = 6;  // 'P', length 6, command 5, CRC
constexpr size_t kLargestFrame = 16384;    // no frame of either side is longer
}  // namespace SimWire

// A request as the simulated terminal received it. The connect request carries no ID, status or block:
// those fields are 0 for it.
struct SimRequest {
    uint8_t command = 0;
    uint32_t terminalId = 0;
    uint8_t statusByte = 0;
    uint8_t block = 0;
    SimBytes payload;
    SimBytes raw;
    bool isConnect = false;
};

// What a command handler answers. The answer echoes the request's command unless answerCommand is set
// (the connect answer is 0xFE); silent = true sends nothing at all.
struct SimReply {
    uint8_t status = 0;
    uint8_t block = 0;
    SimBytes payload;
    int answerCommand = -1;
    bool silent = false;
};

// One fault for one exchange, applied to the answer the handler produced.
enum class SimFaultKind {
    NoAnswer,         // the request is read and never answered
    GarbageBefore,    // `bytes` (or a default run without 'T') goes out before the answer
    BadCrc,           // the CRC's low byte is inverted
    WrongTerminalId,  // the answer carries `value` (or the terminal's ID with its lowest bit flipped)
    WrongCommand,     // the answer carries `value` (or the right command with its lowest bit flipped)
    WrongBlock,       // the answer carries `value` (or the right block number plus one)
    OversizeLength,   // the length field says `value` (or 16385); the frame's bytes are unchanged
    UndersizeLength,  // the length field says `value` (or 10, too short for a frame)
    Truncated,        // only the first `value` bytes (or all but the last 3) go out
    Delay,            // the answer goes out after `delayMs`
    Status,           // the answer carries the status byte `value`
    Noise,            // noise without 'T' goes out for `delayMs`; the answer `value` ms later (-1: never)
    LateGarbage,      // `bytes` (or a default run without 'T') go out `delayMs` late, and no answer
};

struct SimFault {
    SimFaultKind kind = SimFaultKind::NoAnswer;
    int value = -1;  // -1: the kind's default
    DWORD delayMs = 0;
    SimBytes bytes;

    static SimFault NoAnswer() { return {SimFaultKind::NoAnswer, -1, 0, {}}; }
    static SimFault Garbage(SimBytes garbage = {}) { return {SimFaultKind::GarbageBefore, -1, 0, std::move(garbage)}; }
    static SimFault BadCrc() { return {SimFaultKind::BadCrc, -1, 0, {}}; }
    static SimFault WrongTerminalId(int id = -1) { return {SimFaultKind::WrongTerminalId, id, 0, {}}; }
    static SimFault WrongCommand(int command = -1) { return {SimFaultKind::WrongCommand, command, 0, {}}; }
    static SimFault WrongBlock(int block = -1) { return {SimFaultKind::WrongBlock, block, 0, {}}; }
    static SimFault OversizeLength(int length = -1) { return {SimFaultKind::OversizeLength, length, 0, {}}; }
    static SimFault UndersizeLength(int length = -1) { return {SimFaultKind::UndersizeLength, length, 0, {}}; }
    static SimFault Truncated(int keepBytes = -1) { return {SimFaultKind::Truncated, keepBytes, 0, {}}; }
    static SimFault Delay(DWORD ms) { return {SimFaultKind::Delay, -1, ms, {}}; }
    static SimFault Status(uint8_t status) { return {SimFaultKind::Status, status, 0, {}}; }
    static SimFault Noise(DWORD ms, int answerAfterMs = -1) { return {SimFaultKind::Noise, answerAfterMs, ms, {}}; }
    static SimFault LateGarbage(DWORD ms) { return {SimFaultKind::LateGarbage, -1, ms, {}}; }
};

enum class SimDirection { Received, Sent };

// One frame on the line, as the simulator saw or sent it. For a sent frame the fields are those of the
// answer that went out and `raw` its bytes exactly as written (faults to the length, CRC, truncation
// and garbage show only there); `note` names the fault. A received frame that was not answered for a reason of its own (bad CRC, foreign terminal ID,
// no handler, oversize) has refused = true and the reason in `note`.
struct SimFrameRecord {
    SimDirection direction = SimDirection::Received;
    uint8_t command = 0;
    uint8_t status = 0;
    uint8_t block = 0;
    uint32_t terminalId = 0;
    SimBytes payload;
    SimBytes raw;
    bool refused = false;
    std::string note;
    ULONGLONG tick = 0;  // GetTickCount64 when the frame was complete or written
};

// The terminal's identity as the connect answer gives it.
struct SimTerminalConfig {
    uint32_t terminalId = 0x012345;  // 24 bits
    uint16_t maxFrameSize = 1024;    // sent as is: a value above 16384 tests the PC's refusal
    uint8_t versionMajor = 1;
    uint8_t versionMinor = 1;
};
