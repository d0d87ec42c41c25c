#pragma once
// The waits of the protocol engine, handed to it as one value. The control runs the engine with the
// defaults below, which the terminals in the field are built around; tests give it shorter ones so
// that a fault case does not sit out the real timers.

#include <windows.h>

struct CProtocolTimings {
    DWORD connectTimeoutMs = 5000;  // for the answer to a poll
    DWORD answerTimeoutMs = 3000;   // for the answer to any other request
    DWORD retryPauseMs = 1000;      // before the second and third attempt of a request
    DWORD ioTimeoutMs = 2500;       // bounds one read or write on the port
    DWORD readIntervalMs = 1000;    // a gap between two bytes longer than this ends a read
    DWORD portRecheckMs = 2000;     // between two looks at the port list, and between refused polls
    DWORD portOpenGraceMs = 10000;  // how long a listed port that refuses to open may take to come back
};
