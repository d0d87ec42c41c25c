#include "SimReceiveCommands.h"

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr uint8_t kOpenFile = 0x10;
constexpr uint8_t kReadBlock = 0x11;
constexpr uint8_t kCloseFirst = 0x12;
constexpr uint8_t kCloseSecond = 0x13;

constexpr uint8_t kStatusWrongBlock = 9;
constexpr uint8_t kStatusEndOfData = 11;
constexpr uint8_t kStatusNotAvailable = 13;

constexpr size_t kNameFieldSize = 14;
constexpr size_t kNameBytes = 12;

// The file being handed out, and where the last block began, so that a repeated request is answered
// with the same bytes.
struct OpenTransfer {
    bool open = false;
    SimBytes data;
    size_t nextOffset = 0;
    size_t lastOffset = 0;
    int lastBlock = -1;
};

std::string NameOf(const SimBytes& field)
{
    const size_t limit = std::min(field.size(), kNameBytes);
    size_t end = 0;
    while (end < limit && field[end] != 0) {
        ++end;
    }
    return std::string(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(end));
}

SimReply Status(uint8_t status, uint8_t block = 0)
{
    SimReply reply;
    reply.status = status;
    reply.block = block;
    return reply;
}

SimReply Open(const SimRequest& request, SimTerminalState& state, const SimReceiveOptions& options,
              OpenTransfer& transfer)
{
    transfer = OpenTransfer{};
    if (request.payload.size() < kNameFieldSize) {
        return Status(kStatusNotAvailable);
    }
    const int drive = request.payload[13];
    if (!state.files.Get(drive, NameOf(request.payload), transfer.data)) {
        return Status(kStatusNotAvailable);
    }
    transfer.open = true;
    const uint32_t size =
        options.overrideAnnouncedSize ? options.announcedSize : static_cast<uint32_t>(transfer.data.size());
    SimReply reply;
    reply.payload = {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                     static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    return reply;
}

SimReply ReadBlock(const SimRequest& request, const SimTerminalState& state, const SimReceiveOptions& options,
                   OpenTransfer& transfer)
{
    if (!transfer.open) {
        return Status(kStatusWrongBlock, request.block);
    }
    const int expected = (transfer.lastBlock + 1) % 256;
    size_t offset = 0;
    if (request.block == expected) {
        offset = transfer.nextOffset;
    } else if (request.block == transfer.lastBlock) {
        offset = transfer.lastOffset;
    } else {
        return Status(kStatusWrongBlock, request.block);
    }
    if (offset >= transfer.data.size()) {
        return Status(kStatusEndOfData, request.block);
    }
    const size_t largest =
        std::min<size_t>(state.config.maxFrameSize, SimWire::kLargestFrame) - SimWire::kFrameOverhead;
    const size_t blockSize = options.blockSize != 0 ? options.blockSize : largest;
    const size_t count = std::min(blockSize, transfer.data.size() - offset);

    SimReply reply;
    reply.block = request.block;
    reply.payload.assign(transfer.data.begin() + static_cast<std::ptrdiff_t>(offset),
                         transfer.data.begin() + static_cast<std::ptrdiff_t>(offset + count));
    transfer.lastBlock = request.block;
    transfer.lastOffset = offset;
    transfer.nextOffset = offset + count;
    return reply;
}

}  // namespace

void RegisterReceiveCommands(CTerminalSimulator& terminal, const SimReceiveOptions& options)
{
    // Handlers run one at a time on the simulator's thread, so the transfer needs no lock of its own.
    auto transfer = std::make_shared<OpenTransfer>();
    terminal.RegisterHandler(kOpenFile, [options, transfer](const SimRequest& request, SimTerminalState& state) {
        return Open(request, state, options, *transfer);
    });
    terminal.RegisterHandler(kReadBlock, [options, transfer](const SimRequest& request, SimTerminalState& state) {
        return ReadBlock(request, state, options, *transfer);
    });
    terminal.RegisterHandler(kCloseFirst, [transfer](const SimRequest&, SimTerminalState&) {
        transfer->open = false;
        return SimReply{};
    });
    terminal.RegisterHandler(kCloseSecond, [](const SimRequest&, SimTerminalState&) { return SimReply{}; });
}
