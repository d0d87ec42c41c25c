// bench_ReceiveBench [SIZE] [--rate BYTES]: receives one terminal file of SIZE bytes (default 1 MiB)
// from the simulated terminal through the virtual line, paced at BYTES a second (default 11520), at
// the largest frame size, with the whole session driver, and prints the payload throughput and its
// share of the line rate, the frames on the line and the process's CPU time. The CPU time includes
// the simulated terminal, which runs on a thread of this process.
//
// Runs through scripts/wine-run, which provides the line (WEXLINK_VIRTUAL_PORTS). Exit code 0 when
// the file arrived intact, 1 otherwise, 2 for a bad argument.
#include "FileBytes.h"
#include "SimReceiveCommands.h"
#include "TerminalSimulator.h"
#include "TransferBench.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    CTransferBench bench({L"bench_ReceiveBench", CWexlinkProtocol::MaxReceiveFileSize, StatusId::ReceiveFile,
                          StatusId::FileReceived, 0x10, L"receive", L"wexlink-bench-"});
    if (!bench.ParseArguments(argc, argv)) {
        return 2;
    }
    const CCommOptionsObj receive(bench.PcFile(), downOverwrite, L"BENCH.DAT", CTransferBench::Drive, false);
    return bench.Run(
        receive,
        [&](CTerminalSimulator& terminal) {
        terminal.Files().Put(CTransferBench::Drive, CTransferBench::TerminalFile, bench.Data());
        RegisterReceiveCommands(terminal);
        },
        [&](CTerminalSimulator&) { return ReadFileBytes(bench.PcFile()) == bench.Data(); });
}
