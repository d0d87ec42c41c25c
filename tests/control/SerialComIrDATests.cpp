// The infrared adapter sequences, recorded through the serial platform on the virtual line's PC port.
#include "RecordingSerialPlatform.h"
#include "SerialComIrDA.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

const DWORD kAllRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

Log Repeat(int times, const Log& part)
{
    Log all;
    for (int i = 0; i < times; ++i) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Log operator+(Log a, const Log& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What each adapter must see, written out from its wiring: a pulse count of -1 means that the
// adapter has no setting for the rate.
int ParallaxPulses(DWORD rate)
{
    switch (rate) {
    case 2400: return 6;
    case 4800: return 5;
    case 9600: return 4;
    case 19200: return 3;
    case 38400: return 2;
    case 57600: return 1;
    case 115200: return 0;
    default: return -1;
    }
}

int ActiSysPulses(DWORD rate)
{
    switch (rate) {
    case 9600: return 0;
    case 19200: return 1;
    case 38400: return 4;
    case 57600: return 2;
    case 115200: return 3;
    default: return -1;
    }
}

int Dkv5500Pulses(DWORD rate)
{
    switch (rate) {
    case 2400: return 6;
    case 4800: return 5;
    case 9600: return 4;
    case 19200: return 3;
    case 38400: return 2;
    case 115200: return 1;
    default: return -1;
    }
}

const char* TekramByte(DWORD rate)
{
    switch (rate) {
    case 2400: return "18";
    case 4800: return "16";
    case 9600: return "14";
    case 19200: return "13";
    case 38400: return "12";
    case 57600: return "11";
    case 115200: return "00";
    default: return nullptr;
    }
}

Log ParallaxSequence(DWORD rate)
{
    const int pulses = ParallaxPulses(rate);
    if (pulses < 0) {
        return {"RTS+", "DTR+"};
    }
    return Log{"RTS-", "DTR-", "Sleep 200", "RTS+", "DTR+", "Sleep 10", "RTS-", "Sleep 2", "RTS+", "Sleep 2"} +
           Repeat(pulses, {"DTR-", "Sleep 2", "DTR+", "Sleep 2"}) + Log{"Purge"};
}

Log ActiSysSequence(DWORD rate)
{
    const Log reset = {"DTR+", "RTS+", "Sleep 50", "DTR-", "Sleep 1", "DTR+", "RTS+", "Sleep 1"};
    const int pulses = ActiSysPulses(rate);
    if (pulses < 0) {
        return reset;
    }
    return reset + Repeat(pulses, {"Sleep 1", "DTR+", "RTS-", "Sleep 1", "DTR+", "RTS+"}) + Log{"Purge"};
}

Log Dkv5500Sequence(DWORD rate)
{
    const int pulses = Dkv5500Pulses(rate);
    if (pulses < 0) {
        return {"RTS+", "DTR+"};
    }
    return Log{"DTR-", "RTS-", "Sleep 30", "DTR+", "RTS+", "Sleep 30", "RTS-", "Sleep 1", "RTS+", "Sleep 1"} +
           Repeat(pulses, {"DTR-", "Sleep 1", "DTR+", "Sleep 1"}) + Log{"Purge"};
}

// The Tekram sequence for a port framed 8N1 beforehand.
Log TekramSequence(DWORD rate)
{
    const std::string target = "State " + std::to_string(rate);
    const Log command = {"State 9600 8N1", "State 9600 8N1", "State 9600 8N1", "State 9600 8N1",
                         "RTS-", "DTR-", "Sleep 55", "RTS+", "DTR+", "Sleep 55", "RTS+", "DTR-", "Sleep 2",
                         "RTS+", "DTR+", "Sleep 1", "RTS-", "DTR+", "Sleep 1"};
    const char* controlByte = TekramByte(rate);
    if (controlByte == nullptr) {
        return command;
    }
    return command + Log{"Purge", std::string("Write ") + controlByte, "Sleep 200", "RTS+", "DTR+", "Sleep 1",
                         target + " 8N1", target + " 8N1", target + " 8N1", target + " 8N1", "Purge"};
}

// The RTS and DTR levels after a log, starting from both raised.
std::string FinalLines(const Log& log)
{
    bool rts = true;
    bool dtr = true;
    for (const std::string& entry : log) {
        if (entry == "RTS+" || entry == "RTS-") {
            rts = entry.back() == '+';
        } else if (entry == "DTR+" || entry == "DTR-") {
            dtr = entry.back() == '+';
        }
    }
    return std::string(rts ? "RTS high" : "RTS low") + (dtr ? ", DTR high" : ", DTR low");
}

class AdapterOnLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run"; }

    // Opens without an adapter (so the open itself runs no sequence), then selects the adapter.
    void OpenWith(enumIRDADev adapter)
    {
        ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
        port.SetAdapterType(adapter);
        platform.Clear();
    }

    // Changes the rate and checks the recorded sequence and the result against the expectation.
    void ExpectRateChange(DWORD rate, const Log& expectedSequence, bool hasSetting)
    {
        platform.Clear();
        const bool switched = port.SetBaudRate(rate);
        const Log expected = Log{"State " + std::to_string(rate) + " 8N1"} + expectedSequence;
        EXPECT_EQ(platform.log, expected) << "at " << rate << " baud";
        EXPECT_EQ(switched, hasSetting) << "at " << rate << " baud";
        EXPECT_EQ(port.GetLastError(), hasSetting ? 0u : static_cast<DWORD>(ERROR_INVALID_DATA))
            << "at " << rate << " baud";
    }

    VirtualLine line;
    CRecordingSerialPlatform platform;
    CSerialComIrDA port{platform};
};

}  // namespace

TEST_F(AdapterOnLine, ParallaxPulsesDtrForEveryRateOfItsTable)
{
    OpenWith(irdaParallax);
    for (DWORD rate : kAllRates) {
        ExpectRateChange(rate, ParallaxSequence(rate), ParallaxPulses(rate) >= 0);
    }
}

TEST_F(AdapterOnLine, ActiSysPulsesRtsForEveryRateOfItsTable)
{
    OpenWith(irdaActiSys);
    for (DWORD rate : kAllRates) {
        ExpectRateChange(rate, ActiSysSequence(rate), ActiSysPulses(rate) >= 0);
    }
}

TEST_F(AdapterOnLine, Dkv5500PulsesDtrForEveryRateOfItsTable)
{
    OpenWith(irdaDKV5500);
    for (DWORD rate : kAllRates) {
        ExpectRateChange(rate, Dkv5500Sequence(rate), Dkv5500Pulses(rate) >= 0);
    }
}

TEST_F(AdapterOnLine, TekramSendsItsControlByteAt9600ForEveryRateOfItsTable)
{
    OpenWith(irdaTekram);
    for (DWORD rate : kAllRates) {
        ExpectRateChange(rate, TekramSequence(rate), TekramByte(rate) != nullptr);
    }
}

TEST_F(AdapterOnLine, RatesWithoutSettingLeaveTheLinesAsEachAdapterDefines)
{
    const struct {
        enumIRDADev adapter;
        DWORD rate;
        const char* lines;
    } cases[] = {
        {irdaParallax, 1200, "RTS high, DTR high"},
        {irdaActiSys, 4800, "RTS high, DTR high"},
        {irdaDKV5500, 57600, "RTS high, DTR high"},
        {irdaTekram, 1200, "RTS low, DTR high"},
    };
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    for (const auto& c : cases) {
        port.SetAdapterType(c.adapter);
        platform.Clear();
        EXPECT_FALSE(port.SetBaudRate(c.rate));
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
        EXPECT_EQ(FinalLines(platform.log), c.lines) << "adapter " << c.adapter;
        // The port's own rate has been changed all the same; Tekram stays at its command rate.
        EXPECT_EQ(port.GetBaudRate(), c.adapter == irdaTekram ? 9600u : c.rate) << "adapter " << c.adapter;
    }
}

TEST_F(AdapterOnLine, TekramPutsBackTheFormerFraming)
{
    OpenWith(irdaNone);
    ASSERT_TRUE(port.SetStopBits(TWOSTOPBITS));  // a pseudo-terminal keeps the stop bits
    port.SetAdapterType(irdaTekram);
    platform.Clear();

    ASSERT_TRUE(port.SetBaudRate(57600)) << port.GetLastError();
    const Log& log = platform.log;
    const auto write = std::find(log.begin(), log.end(), "Write 11");
    ASSERT_NE(write, log.end());
    const auto lastStateBeforeWrite =
        std::find_if(std::make_reverse_iterator(write), log.rend(),
                     [](const std::string& entry) { return entry.rfind("State", 0) == 0; });
    ASSERT_NE(lastStateBeforeWrite, log.rend());
    EXPECT_EQ(*lastStateBeforeWrite, "State 9600 8N1");
    EXPECT_EQ(port.GetBaudRate(), 57600u);
    EXPECT_EQ(port.GetStopBits(), TWOSTOPBITS);
}

TEST_F(AdapterOnLine, OpenRunsTheSequenceInsideAndAfterTheOpen)
{
    port.SetAdapterType(irdaParallax);
    EXPECT_TRUE(platform.log.empty()) << "a closed port touches no line";
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();

    const Log sequence = ParallaxSequence(19200);
    Log lines;
    for (const std::string& entry : platform.log) {
        if (entry.rfind("State", 0) != 0) {
            lines.push_back(entry);
        }
    }
    // The purge that ends the open comes between the two runs.
    EXPECT_EQ(lines, sequence + Log{"Purge"} + sequence);
}

TEST_F(AdapterOnLine, TekramControlByteReachesTheLineDuringTheOpen)
{
    HANDLE terminal = CreateFileW(VirtualLine::DevicePath(line.terminalPort).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(terminal, INVALID_HANDLE_VALUE);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = 2000;
    SetCommTimeouts(terminal, &timeouts);

    port.SetAdapterType(irdaTekram);
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), "Write 13"), 2);

    // The second control byte goes out after the purge that ends the open, so at least it arrives.
    unsigned char received[2] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(terminal, received, 1, &got, nullptr));
    ASSERT_EQ(got, 1u);
    EXPECT_EQ(received[0], 0x13);
    CloseHandle(terminal);
}

TEST_F(AdapterOnLine, ChangingTheAdapterOnAnOpenPortRunsItForTheCurrentRate)
{
    OpenWith(irdaNone);
    ASSERT_TRUE(port.SetBaudRate(38400));
    platform.Clear();
    port.SetAdapterType(irdaDKV5500);
    EXPECT_EQ(platform.log, Dkv5500Sequence(38400));
}

TEST_F(AdapterOnLine, WritesWaitBeforeTheDataAsTheAdapterNeeds)
{
    OpenWith(irdaNone);
    ASSERT_TRUE(port.Write("a", 1));
    EXPECT_EQ(platform.log, (Log{"Write 61"}));

    for (enumIRDADev adapter : {irdaParallax, irdaActiSys, irdaDKV5500}) {
        port.SetAdapterType(adapter);
        platform.Clear();
        ASSERT_TRUE(port.Write("b", 1));
        EXPECT_EQ(platform.log, (Log{"BusyWait", "Write 62"})) << "adapter " << adapter;
    }

    port.SetAdapterType(irdaTekram);
    platform.Clear();
    ASSERT_TRUE(port.Write("c", 1));
    EXPECT_EQ(platform.log, (Log{"Sleep 10", "BusyWait", "Write 63"}));
}

TEST_F(AdapterOnLine, NoAdapterMeansNoLineActivity)
{
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    ASSERT_TRUE(port.SetBaudRate(115200));
    for (const std::string& entry : platform.log) {
        EXPECT_TRUE(entry.rfind("State", 0) == 0 || entry == "Purge") << entry;
    }
}

TEST(AdapterClosed, SequenceOnAClosedPortFailsWithoutTouchingALine)
{
    CRecordingSerialPlatform platform;
    CSerialComIrDA port(platform);
    for (enumIRDADev adapter : {irdaNone, irdaParallax, irdaTekram, irdaActiSys, irdaDKV5500}) {
        port.SetAdapterType(adapter);
        EXPECT_FALSE(port.SwitchAdapterBaud(9600));
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(port.Write("x", 1));
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_FALSE(port.SwitchTekramBaud(9600));
    EXPECT_TRUE(platform.log.empty());
}

TEST(AdapterTiming, TekramWriteGoesOutNoSoonerThanTenMilliseconds)
{
    VirtualLine line;
    ASSERT_TRUE(VirtualLine::FromEnvironment(line));
    CSerialComIrDA port;  // the real platform: real sleeps and the real busy wait
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    port.SetAdapterType(irdaTekram);

    LARGE_INTEGER frequency{};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ASSERT_TRUE(port.Write("t", 1)) << port.GetLastError();
    QueryPerformanceCounter(&end);
    const double microseconds = static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
                                static_cast<double>(frequency.QuadPart);
    EXPECT_GE(microseconds, 10200.0);
}
