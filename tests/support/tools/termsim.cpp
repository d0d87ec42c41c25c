// termsim --port N [--id ID] [--frame SIZE] [--version MAJOR.MINOR] [--rate BYTES] [--file PATH]... [--quiet]:
// a simulated terminal on COM port N, answering every request of the protocol (connect, clock and
// versions, listing and deletion, receive and transmit, end of session), until Ctrl+C or until standard
// input closes. With --rate it reads and answers no faster than a line of that many bytes a second
// (11520 for 115200 baud, 8N1). --file puts a copy of a PC file on the terminal's default drive, under
// the file's own name, beside (or in place of) the demo files, so that whoever receives it can compare
// what arrived with its source. Every frame is traced on standard output unless --quiet is given.
#include "SimClockCommands.h"
#include "SimListingCommands.h"
#include "SimReceiveCommands.h"
#include "FileBytes.h"
#include "SimTransmitCommands.h"
#include "TerminalSimulator.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

HANDLE g_quit = nullptr;

BOOL WINAPI OnConsoleControl(DWORD)
{
    SetEvent(g_quit);
    return TRUE;
}

// Ends the run when standard input reaches its end (the demo script closes it to stop us).
DWORD WINAPI WatchStandardInput(void*)
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(input, buffer, sizeof(buffer), &got, nullptr) && got != 0) {
    }
    SetEvent(g_quit);
    return 0;
}

struct Options {
    int port = 0;
    SimTerminalConfig config;
    unsigned long lineRate = 0;  // bytes a second; 0: as fast as the port carries them
    std::vector<std::wstring> files;
    bool quiet = false;
};

int Usage()
{
    fwprintf(
        stderr,
        L"usage: termsim --port N [--id ID] [--frame SIZE] [--version MAJOR.MINOR] [--rate BYTES] [--file PATH]... "
        L"[--quiet]\n"
        L"  ID: 0 to 16777215 (decimal or 0x hex); SIZE: 11 to 65535; BYTES: 1 to 1000000 a second\n");
    return 2;
}

// A whole-text unsigned number in [low, high], decimal or with a 0x prefix.
bool ParseNumber(const wchar_t* text, unsigned long low, unsigned long high, unsigned long& value)
{
    if (text == nullptr || *text == L'\0' || *text == L'-' || *text == L'+') {
        return false;
    }
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstoul(text, &end, 0);
    return errno == 0 && *end == L'\0' && value >= low && value <= high;
}

bool ParseVersion(const wchar_t* text, SimTerminalConfig& config)
{
    unsigned major = 0;
    unsigned minor = 0;
    wchar_t rest = 0;
    if (text == nullptr || swscanf(text, L"%u.%u%lc", &major, &minor, &rest) != 2 || major > 255 || minor > 255) {
        return false;
    }
    config.versionMajor = static_cast<uint8_t>(major);
    config.versionMinor = static_cast<uint8_t>(minor);
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long number = 0;
        if (option == L"--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == L"--port" && ParseNumber(value, 1, 255, number)) {
            options.port = static_cast<int>(number);
        } else if (option == L"--id" && ParseNumber(value, 0, 0xFFFFFF, number)) {
            options.config.terminalId = static_cast<uint32_t>(number);
        } else if (option == L"--frame" && ParseNumber(value, 11, 0xFFFF, number)) {
            options.config.maxFrameSize = static_cast<uint16_t>(number);
        } else if (option == L"--rate" && ParseNumber(value, 1, 1000000, number)) {
            options.lineRate = number;
        } else if (option == L"--file" && value != nullptr && *value != L'\0') {
            options.files.push_back(value);
        } else if (option != L"--version" || !ParseVersion(value, options.config)) {
            return false;
        }
        ++i;
    }
    return options.port != 0;
}

void Trace(const SimFrameRecord& record)
{
    std::string hex;
    char byte[4];
    for (uint8_t b : record.raw) {
        snprintf(byte, sizeof(byte), "%02X ", b);
        hex += byte;
    }
    printf("%s cmd=%02X status=%u block=%u payload=%u %s%s%s\n  %s\n",
           record.direction == SimDirection::Received ? "<-" : "->", record.command, record.status, record.block,
           static_cast<unsigned>(record.payload.size()), record.refused ? "refused " : "",
           record.note.empty() ? "" : "- ", record.note.c_str(), hex.c_str());
    fflush(stdout);
}

// A few files on the default drive, so that listing and receiving have something to show.
void AddDemoFiles(CSimFileStore& files)
{
    const std::string inventory = "ITEM;COUNT\r\n4711;12\r\n4712;3\r\n";
    files.Put(2, "INVENT.DAT", SimBytes(inventory.begin(), inventory.end()));
    const std::string orders = "ORDER;ITEM;COUNT\r\n1;4711;2\r\n";
    files.Put(2, "ORDERS.DAT", SimBytes(orders.begin(), orders.end()));
}

// Puts each named PC file on the terminal's default drive under its own name (ASCII, upper case, as
// the terminal lists names); false, with the reason on standard error, for one that is no readable file
// whose name the terminal cannot hold or that is empty.
bool AddPcFiles(CSimFileStore& files, const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        const size_t slash = path.find_last_of(L"\\/");
        const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        std::string terminalName;
        for (wchar_t c : name) {
            if (c <= L' ' || c > L'~') {
                terminalName.clear();
                break;
            }
            terminalName += static_cast<char>(c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c);
        }
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            fwprintf(stderr, L"termsim: %ls is no file\n", path.c_str());
            return false;
        }
        if (terminalName.empty() || terminalName.size() > 12) {
            fwprintf(stderr, L"termsim: the terminal cannot hold a file named '%ls'\n", name.c_str());
            return false;
        }
        SimBytes data = ReadFileBytes(path);
        if (data.empty()) {
            fwprintf(stderr, L"termsim: %ls is empty or cannot be read\n", path.c_str());
            return false;
        }
        files.Put(2, terminalName, std::move(data));
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return Usage();
    }
    g_quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_quit == nullptr) {
        return 1;
    }
    CTerminalSimulator terminal(options.config);
    terminal.SetLineRate(static_cast<double>(options.lineRate));
    terminal.Log().SetCapacity(1000);  // only the trace needs the frames
    RegisterClockCommands(terminal);
    RegisterListingCommands(terminal);
    RegisterReceiveCommands(terminal);
    RegisterTransmitCommands(terminal);
    AddDemoFiles(terminal.Files());
    if (!AddPcFiles(terminal.Files(), options.files)) {
        CloseHandle(g_quit);
        return 2;
    }
    if (!options.quiet) {
        terminal.Log().SetObserver(Trace);
    }
    if (!terminal.Start(options.port)) {
        fwprintf(stderr, L"termsim: cannot open COM%d (error %lu)\n", options.port, terminal.LastError());
        CloseHandle(g_quit);
        return 1;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    HANDLE watcher = CreateThread(nullptr, 0, WatchStandardInput, nullptr, 0, nullptr);
    printf("termsim: terminal %06X on COM%d, frame size %u, version %u.%u\n",
           static_cast<unsigned>(options.config.terminalId), options.port, options.config.maxFrameSize,
           options.config.versionMajor, options.config.versionMinor);
    if (options.lineRate != 0) {
        printf("termsim: paced at %lu bytes a second\n", options.lineRate);
    }
    fflush(stdout);
    WaitForSingleObject(g_quit, INFINITE);
    terminal.Stop();
    printf("termsim: stopped\n");
    fflush(stdout);
    // The watcher may still block in ReadFile on a console; the process exit ends it.
    if (watcher != nullptr) {
        CloseHandle(watcher);
    }
    CloseHandle(g_quit);
    return 0;
}
