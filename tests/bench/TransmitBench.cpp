// bench_TransmitBench [SIZE] [--rate BYTES]: sends one PC file of SIZE bytes (default 1 MiB) to the
// simulated terminal through the virtual line, paced at BYTES a second (default 11520), at the largest
// frame size, with the whole session driver, and prints the payload throughput and its share of the
// line rate, the frames on the line and the process's CPU time. The CPU time includes the simulated
// terminal, which runs on a thread of this process.
//
// Runs through scripts/wine-run, which provides the line (WEXLINK_VIRTUAL_PORTS). Exit code 0 when
// the terminal stored the file intact, 1 otherwise, 2 for a bad argument.
#include "FileBytes.h"
#include "SimTransmitCommands.h"
#include "TerminalSimulator.h"
#include "TransferBench.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr unsigned long long LargestSize = 1024ull * 1024ull * 1024ull;  // what the benchmark accepts

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    CTransferBench bench({L"bench_TransmitBench", LargestSize, StatusId::TransmitFile, StatusId::FileTransmitted, 0x20,
                          L"transmit", L"wexlink-bench-tx-"});
    if (!bench.ParseArguments(argc, argv)) {
        return 2;
    }
    if (!WriteFileBytes(bench.PcFile(), bench.Data())) {
        fwprintf(stderr, L"cannot write the PC file %ls\n", bench.PcFile().c_str());
        return 1;
    }
    const CCommOptionsObj transmit(bench.PcFile(), L"BENCH.DAT", CTransferBench::Drive, false);
    return bench.Run(
        transmit, [](CTerminalSimulator& terminal) { RegisterTransmitCommands(terminal); },
        [&](CTerminalSimulator& terminal) {
        SimBytes onTerminal;
        return terminal.Files().Get(CTransferBench::Drive, CTransferBench::TerminalFile, onTerminal) &&
               onTerminal == bench.Data();
        });
}
