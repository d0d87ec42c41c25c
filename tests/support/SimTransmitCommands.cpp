#include "SimTransmitCommands.h"

#include "TerminalSimulator.h"

#include <memory>

namespace {

// The file being received from the PC. Only one transfer is open at a time, as on a terminal.
struct Upload {
    bool open = false;
    int drive = 0;
    std::string name;
    uint32_t announced = 0;
    SimBytes data;
    uint8_t nextBlock = 0;
    bool hasBlock = false;      // a block has been taken since the create
    size_t lastBlockStart = 0;  // where the last taken block begins in data
};

std::string NameFromField(const SimBytes& payload)
{
    std::string name;
    for (size_t i = 0; i < 12 && payload[i] != 0; ++i) {
        name.push_back(static_cast<char>(payload[i]));
    }
    return name;
}

uint32_t BigEndian32(const uint8_t* at)
{
    return (static_cast<uint32_t>(at[0]) << 24) | (static_cast<uint32_t>(at[1]) << 16) |
           (static_cast<uint32_t>(at[2]) << 8) | at[3];
}

SimReply StatusReply(uint8_t status, uint8_t block = 0)
{
    SimReply reply;
    reply.status = status;
    reply.block = block;
    return reply;
}

SimReply Create(Upload& upload, const SimRequest& request, SimTerminalState& state)
{
    if (request.payload.size() < SimTransmit::kCreatePayloadSize) {
        return StatusReply(SimTransmit::kStatusCannotCreate);
    }
    std::string name = NameFromField(request.payload);
    if (name.empty()) {
        return StatusReply(SimTransmit::kStatusCannotCreate);
    }
    upload = Upload{};
    upload.open = true;
    upload.drive = request.payload[13];
    upload.name = std::move(name);
    upload.announced = BigEndian32(request.payload.data() + SimTransmit::kNameFieldSize);
    state.files.Put(upload.drive, upload.name, SimBytes{});
    return StatusReply(0);
}

// A block repeated because its answer went astray replaces the copy taken before, so the PC's
// retry rule cannot double data on the terminal.
SimReply WriteBlock(Upload& upload, const SimRequest& request)
{
    const uint8_t block = request.block;
    if (!upload.open) {
        return StatusReply(SimTransmit::kStatusWriteError, block);
    }
    const bool repeat = upload.hasBlock && block == static_cast<uint8_t>(upload.nextBlock - 1);
    if (!repeat && block != upload.nextBlock) {
        return StatusReply(SimTransmit::kStatusWriteError, block);
    }
    const size_t start = repeat ? upload.lastBlockStart : upload.data.size();
    if (start + request.payload.size() > upload.announced) {
        return StatusReply(SimTransmit::kStatusSizeMismatch, block);
    }
    upload.data.resize(start);
    upload.data.insert(upload.data.end(), request.payload.begin(), request.payload.end());
    upload.lastBlockStart = start;
    upload.hasBlock = true;
    if (!repeat) {
        ++upload.nextBlock;
    }
    return StatusReply(0, block);
}

SimReply Close(Upload& upload, SimTerminalState& state)
{
    if (!upload.open) {
        return StatusReply(SimTransmit::kStatusWriteError);
    }
    state.files.Put(upload.drive, upload.name, upload.data);
    upload.open = false;
    return StatusReply(0);
}

}  // namespace

void RegisterTransmitCommands(CTerminalSimulator& terminal, std::function<void(const std::string& name)> onCreate)
{
    // Handlers run one at a time on the simulator's thread, under its state lock.
    auto upload = std::make_shared<Upload>();
    terminal.RegisterHandler(SimTransmit::kCreate,
                             [upload, onCreate](const SimRequest& request, SimTerminalState& state) {
        if (onCreate && request.payload.size() >= SimTransmit::kCreatePayloadSize) {
            onCreate(NameFromField(request.payload));
        }
        return Create(*upload, request, state);
    });
    terminal.RegisterHandler(SimTransmit::kWriteBlock, [upload](const SimRequest& request, SimTerminalState&) {
        return WriteBlock(*upload, request);
    });
    terminal.RegisterHandler(SimTransmit::kClose,
                             [upload](const SimRequest&, SimTerminalState& state) { return Close(*upload, state); });
    terminal.RegisterHandler(SimTransmit::kCloseEnd,
                             [](const SimRequest&, SimTerminalState&) { return StatusReply(0); });
}
