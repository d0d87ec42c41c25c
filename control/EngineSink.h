#pragma once
// What the protocol engine tells whoever runs it: a terminal answered, a transfer moved on, a status
// changed. The engine knows nothing of how (or on which thread) its reports reach anyone: that is the
// business of the sink's owner.

#include <cstdint>

class IEngineSink {
public:
    virtual void Connected(long terminalId) = 0;
    virtual void Progress(std::int16_t percentage) = 0;
    // The text is valid only for the duration of the call.
    virtual void Status(int statusId, const wchar_t* message) = 0;

protected:
    ~IEngineSink() = default;
};
