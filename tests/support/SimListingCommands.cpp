#include "SimListingCommands.h"

#include <memory>
#include <vector>

namespace {

constexpr size_t kNameFieldSize = 14;
constexpr size_t kNameBytes = 12;
constexpr size_t kDriveByte = 13;

char FoldCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// One listing or deletion in progress, from its opening request to its closing pair.
struct ListingRun {
    bool open = false;
    bool deleting = false;
    int drive = 0;
    std::vector<std::string> names;
    size_t next = 0;  // index of the entry the next new request asks for
};

std::string PatternOf(const SimBytes& payload)
{
    std::string pattern;
    for (size_t i = 0; i < kNameBytes && i < payload.size() && payload[i] != 0; ++i) {
        pattern.push_back(static_cast<char>(payload[i]));
    }
    return pattern;
}

SimReply OpenRun(const SimRequest& request, SimTerminalState& state, ListingRun& run, bool deleting)
{
    SimReply reply;
    if (request.payload.size() < kNameFieldSize) {
        reply.status = kSimStatusOutOfSequence;
        return reply;
    }
    const std::string pattern = PatternOf(request.payload);
    run = ListingRun{};
    run.open = true;
    run.deleting = deleting;
    run.drive = request.payload[kDriveByte];
    for (const std::string& name : state.files.Names(run.drive)) {
        if (SimNameMatches(pattern, name)) {
            run.names.push_back(name);
        }
    }
    const size_t count = run.names.size();
    reply.payload = {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    return reply;
}

SimBytes NameBytes(const std::string& name)
{
    SimBytes bytes(kNameBytes, 0);
    for (size_t i = 0; i < name.size() && i < kNameBytes; ++i) {
        bytes[i] = static_cast<uint8_t>(name[i]);
    }
    return bytes;
}

SimReply NextEntry(const SimRequest& request, SimTerminalState& state, ListingRun& run, bool deleting)
{
    SimReply reply;
    reply.block = request.block;
    size_t index = 0;
    bool repeat = false;
    if (run.open && run.deleting == deleting && run.next < run.names.size() &&
        request.block == static_cast<uint8_t>(run.next)) {
        index = run.next++;
    } else if (run.open && run.deleting == deleting && run.next > 0 &&
               request.block == static_cast<uint8_t>(run.next - 1)) {
        index = run.next - 1;
        repeat = true;
    } else {
        reply.status = kSimStatusOutOfSequence;
        return reply;
    }

    const std::string& name = run.names[index];
    reply.payload = NameBytes(name);
    if (deleting) {
        if (!repeat) {
            state.files.Remove(run.drive, name);
        }
        return reply;
    }
    SimBytes data;
    state.files.Get(run.drive, name, data);
    const uint32_t size = static_cast<uint32_t>(data.size());
    reply.payload.push_back(0);  // reserved
    reply.payload.push_back(static_cast<uint8_t>(size >> 24));
    reply.payload.push_back(static_cast<uint8_t>(size >> 16));
    reply.payload.push_back(static_cast<uint8_t>(size >> 8));
    reply.payload.push_back(static_cast<uint8_t>(size));
    return reply;
}

void RegisterFamily(CTerminalSimulator& terminal, uint8_t first, bool deleting, const std::shared_ptr<ListingRun>& run)
{
    terminal.RegisterHandler(first, [run, deleting](const SimRequest& request, SimTerminalState& state) {
        return OpenRun(request, state, *run, deleting);
    });
    terminal.RegisterHandler(static_cast<uint8_t>(first + 1),
                             [run, deleting](const SimRequest& request, SimTerminalState& state) {
        return NextEntry(request, state, *run, deleting);
    });
    terminal.RegisterHandler(static_cast<uint8_t>(first + 2), [run](const SimRequest&, SimTerminalState&) {
        run->open = false;
        return SimReply{};
    });
    terminal.RegisterHandler(static_cast<uint8_t>(first + 3),
                             [](const SimRequest&, SimTerminalState&) { return SimReply{}; });
}

}  // namespace

bool SimNameMatches(const std::string& pattern, const std::string& name)
{
    // Iterative wildcard match: on a mismatch, let the last '*' swallow one more character.
    size_t p = 0;
    size_t n = 0;
    size_t starAt = std::string::npos;
    size_t resumeName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeName = n;
        } else if (starAt != std::string::npos) {
            p = starAt + 1;
            n = ++resumeName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

void RegisterListingCommands(CTerminalSimulator& terminal)
{
    // One run at a time, as on a terminal: opening either family ends the other's.
    auto run = std::make_shared<ListingRun>();
    RegisterFamily(terminal, 0x30, false, run);
    RegisterFamily(terminal, 0x40, true, run);
}
