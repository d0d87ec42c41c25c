#include "SimClockCommands.h"

std::shared_ptr<CSimClockState> RegisterClockCommands(CTerminalSimulator& terminal)
{
    auto clock = std::make_shared<CSimClockState>();

    terminal.RegisterHandler(SimClockWire::kGetTimeDate, [clock](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = clock->Clock().ToPayload();
        return reply;
    });
    terminal.RegisterHandler(SimClockWire::kSetTimeDate, [clock](const SimRequest& request, SimTerminalState&) {
        SimReply reply;
        SimClock set;
        if (SimClock::FromPayload(request.payload, set)) {
            clock->RecordSet(set);
        } else {
            reply.status = SimClockWire::kStatusBadClock;
        }
        return reply;
    });
    terminal.RegisterHandler(SimClockWire::kGetOsVersion, [clock](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = clock->OsVersion();
        return reply;
    });
    terminal.RegisterHandler(SimClockWire::kGetApplicationVersion, [clock](const SimRequest&, SimTerminalState&) {
        SimReply reply;
        reply.payload = clock->ApplicationVersion();
        return reply;
    });
    return clock;
}
