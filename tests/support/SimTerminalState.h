#pragma once
// What the simulated terminal keeps between requests. Command handlers get it with the simulator's
// state lock held, so they may read and change it freely; the file store has a lock of its own because
// tests use it while the simulator runs.

#include "SimFileStore.h"
#include "SimTypes.h"

struct SimTerminalState {
    SimTerminalConfig config;
    bool inSession = false;  // between a connect answer and an end-of-session answer
    unsigned connects = 0;   // connect requests answered
    CSimFileStore files;
};
