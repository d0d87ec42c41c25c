#pragma once
// The common run of the file-transfer benchmarks: one file of SIZE bytes (default 1 MiB) crosses the
// virtual line between the whole session driver and the simulated terminal, at the largest frame
// size, and the run prints the payload throughput, the frames on the line and the process's CPU time.
// The CPU time includes the simulated terminal, which runs on a thread of this process.
//
// The terminal paces the line at --rate bytes a second (default 11520: 115200 baud, 8N1), and the run
// then gives the payload throughput as a percentage of that rate and the line time left unused per
// exchange. --rate 0 runs the line as fast as the pseudo-terminals carry it.
//
// A benchmark runs through scripts/wine-run, which provides the line (WEXLINK_VIRTUAL_PORTS).

#include "SimTypes.h"
#include "WexlinkProtocol.h"

#include <functional>
#include <string>

class CTerminalSimulator;

// What one direction of transfer brings to the common run.
struct TransferBenchKind {
    const wchar_t* program;          // the program's name, for its usage line
    unsigned long long largestSize;  // the largest SIZE the benchmark accepts
    int startedStatus;               // status id that starts the clock
    int storedStatus;                // status id that stops it: the file is complete at its target
    int firstCommand;                // the transfer's four commands are numbered from here
    const wchar_t* timeLabel;        // the name of the measured time in the printout
    const wchar_t* pcFilePrefix;     // the PC file's name in the temporary folder starts with this
};

class CTransferBench {
public:
    static constexpr short Drive = 2;
    static constexpr const char* TerminalFile = "BENCH.DAT";

    explicit CTransferBench(const TransferBenchKind& kind);
    ~CTransferBench();  // removes the PC file, whichever side wrote it
    CTransferBench(const CTransferBench&) = delete;
    CTransferBench& operator=(const CTransferBench&) = delete;

    // Takes the optional SIZE and --rate arguments and makes the file's contents; prints the usage on
    // a bad one.
    bool ParseArguments(int argc, wchar_t** argv);

    const SimBytes& Data() const { return m_data; }
    const std::wstring& PcFile() const { return m_pcFile; }

    // Sets up the line and a simulator that `prepare` completes, runs `option` in one session, and
    // prints the measurements when `arrivedIntact` finds the file whole at its target. Returns the
    // program's exit code: 0 for an intact file, 1 otherwise.
    int Run(const CCommOptionsObj& option, const std::function<void(CTerminalSimulator&)>& prepare,
            const std::function<bool(CTerminalSimulator&)>& arrivedIntact);

private:
    struct Measurement {
        double started = 0.0;  // seconds on the performance counter
        double stored = 0.0;
        int progressMessages = 0;
        double cpuSeconds = 0.0;
    };

    Measurement RunSession(int pcPort, const CCommOptionsObj& option) const;
    // The transfer's frames (requests and answers) and the bytes they took on the line.
    struct LineUse {
        size_t frames = 0;
        size_t exchanges = 0;
        size_t bytes = 0;
        double terminalLateMs = 0.0;  // mean lateness of the simulator's answers
    };

    bool ParseRate(const wchar_t* text);
    LineUse CountFrames(CTerminalSimulator& terminal) const;
    void Print(const Measurement& measurement, const LineUse& line) const;
    void PrintPacing(double elapsed, const LineUse& line) const;

    TransferBenchKind m_kind;
    unsigned long m_lineRate = 11520;
    SimBytes m_data;
    std::wstring m_pcFile;
};
