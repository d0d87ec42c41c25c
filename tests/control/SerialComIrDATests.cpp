// The infrared adapter sequences, recorded through the serial platform on the virtual line's PC port.
#include "RecordingSerialPlatform.h"
#include "SerialComIrDA.h"
#include "VirtualLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

Log operator+(Log a, const Log& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Log Repeat(int times, const Log& part)
{
    Log all;
    for (int i = 0; i < times; ++i) {
        all = all + part;
    }
    return all;
}

// Per rate, what each adapter is told: a pulse count or the Tekram control byte; -1 for no setting.
struct Setting {
    DWORD rate;
    int parallax, tekram, actiSys, dkv5500;
};
const Setting kSettings[] = {
    {1200, -1, -1, -1, -1}, {2400, 6, 0x18, -1, 6}, {4800, 5, 0x16, -1, 5},  {9600, 4, 0x14, 0, 4},
    {19200, 3, 0x13, 1, 3}, {38400, 2, 0x12, 4, 2}, {57600, 1, 0x11, 2, -1}, {115200, 0, 0x00, 3, 1},
};

Log Parallax(const Setting& s)
{
    if (s.parallax < 0) {
        return {"RTS+", "DTR+"};
    }
    return Log{"RTS-", "DTR-", "Sleep 200", "RTS+", "DTR+", "Sleep 10", "RTS-", "Sleep 2", "RTS+", "Sleep 2"} +
           Repeat(s.parallax, {"DTR-", "Sleep 2", "DTR+", "Sleep 2"}) + Log{"Purge"};
}

Log ActiSys(const Setting& s)
{
    const Log reset = {"DTR+", "RTS+", "Sleep 50", "DTR-", "Sleep 1", "DTR+", "RTS+", "Sleep 1"};
    if (s.actiSys < 0) {
        return reset;
    }
    return reset + Repeat(s.actiSys, {"Sleep 1", "DTR+", "RTS-", "Sleep 1", "DTR+", "RTS+"}) + Log{"Purge"};
}

Log Dkv5500(const Setting& s)
{
    if (s.dkv5500 < 0) {
        return {"RTS+", "DTR+"};
    }
    return Log{"DTR-", "RTS-", "Sleep 30", "DTR+", "RTS+", "Sleep 30", "RTS-", "Sleep 1", "RTS+", "Sleep 1"} +
           Repeat(s.dkv5500, {"DTR-", "Sleep 1", "DTR+", "Sleep 1"}) + Log{"Purge"};
}

// For a port framed 8N1: four settings to 9600 8N1, the command-mode lines, the control byte, and
// four settings back to the rate and the former framing (also for a rate without a control byte).
Log Tekram(const Setting& s)
{
    const Log back = Log{"RTS+", "DTR+", "Sleep 1"} + Repeat(4, {"State " + std::to_string(s.rate) + " 8N1"});
    const Log command = Repeat(4, {"State 9600 8N1"}) + Log{"RTS-",     "DTR-",    "Sleep 55", "RTS+",    "DTR+",
                                                            "Sleep 55", "RTS+",    "DTR-",     "Sleep 2", "RTS+",
                                                            "DTR+",     "Sleep 1", "RTS-",     "DTR+",    "Sleep 1"};
    if (s.tekram < 0) {
        return command + back;
    }
    char write[16];
    std::snprintf(write, sizeof(write), "Write %02X", s.tekram);
    return command + Log{"Purge", write, "Sleep 200"} + back + Log{"Purge"};
}

bool HasSetting(enumIRDADev adapter, const Setting& s)
{
    const int value[] = {0, s.parallax, s.tekram, s.actiSys, s.dkv5500};
    return value[adapter] >= 0;
}

Log Sequence(enumIRDADev adapter, const Setting& s)
{
    switch (adapter) {
    case irdaParallax:
        return Parallax(s);
    case irdaTekram:
        return Tekram(s);
    case irdaActiSys:
        return ActiSys(s);
    case irdaDKV5500:
        return Dkv5500(s);
    default:
        return {};
    }
}

bool IsState(const std::string& entry)
{
    return entry.rfind("State", 0) == 0;
}

const enumIRDADev kAdapters[] = {irdaNone, irdaParallax, irdaTekram, irdaActiSys, irdaDKV5500};

class AdapterOnLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run";
        ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
        platform.Clear();
    }

    VirtualLine line;
    CRecordingSerialPlatform platform;
    CSerialComIrDA port{platform};
};

}  // namespace

TEST_F(AdapterOnLine, EachAdapterIsToldEveryRateOfItsTableAndRefusesTheOthers)
{
    for (enumIRDADev adapter : kAdapters) {
        port.SetAdapterType(adapter);
        for (const Setting& s : kSettings) {
            platform.Clear();
            const bool switched = port.SetBaudRate(s.rate);
            const Log expected = Log{"State " + std::to_string(s.rate) + " 8N1"} + Sequence(adapter, s);
            EXPECT_EQ(platform.log, expected) << "adapter " << adapter << " at " << s.rate;
            EXPECT_EQ(switched, HasSetting(adapter, s)) << "adapter " << adapter << " at " << s.rate;
            EXPECT_EQ(port.GetLastError(), switched ? 0u : static_cast<DWORD>(ERROR_INVALID_DATA));
            // A refused rate is set on the port all the same; Tekram leaves its command rate for it.
            EXPECT_EQ(port.GetBaudRate(), s.rate);
        }
    }
}

TEST_F(AdapterOnLine, TekramPutsBackTheFormerFramingAfterTheControlByte)
{
    ASSERT_TRUE(port.SetStopBits(TWOSTOPBITS));  // a pseudo-terminal keeps the stop bits
    port.SetAdapterType(irdaTekram);
    platform.Clear();
    ASSERT_TRUE(port.SetBaudRate(57600)) << port.GetLastError();

    const auto write = std::find(platform.log.begin(), platform.log.end(), "Write 11");
    ASSERT_NE(write, platform.log.end());
    EXPECT_EQ(*(write - 1), "Purge");
    EXPECT_EQ(*std::find_if(std::make_reverse_iterator(write), platform.log.rend(), IsState), "State 9600 8N1");
    EXPECT_EQ(platform.log.back(), "Purge");
    EXPECT_EQ(*(platform.log.end() - 2), "State 57600 8N2");
    EXPECT_EQ(port.GetStopBits(), TWOSTOPBITS);
}

TEST_F(AdapterOnLine, OpenRunsTheSequenceInsideAndAfterTheOpen)
{
    port.Close();
    port.SetAdapterType(irdaParallax);
    EXPECT_TRUE(platform.log.empty()) << "a closed port touches no line";
    ASSERT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();

    Log lines;
    std::copy_if(platform.log.begin(), platform.log.end(), std::back_inserter(lines),
                 [](const std::string& entry) { return !IsState(entry); });
    const Log at19200 = Parallax(kSettings[4]);
    EXPECT_EQ(lines, at19200 + Log{"Purge"} + at19200);  // the open ends with a purge of its own
}

// A control byte that does not go out fails the switch, and the port still goes back to the rate
// asked for; whether the write runs out of time or the line fails under it, it fails an open, and
// the failed open leaves no port open behind it to refuse the next one.
TEST_F(AdapterOnLine, OpenWhoseAdapterCannotBeToldItsRateFailsAndLeavesThePortClosed)
{
    platform.shortWriteBy = 1;
    EXPECT_FALSE(port.SetAdapterType(irdaTekram));
    EXPECT_FALSE(port.SetBaudRate(57600));
    EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_EQ(port.GetBaudRate(), 57600u);
    port.Close();
    for (const DWORD failure : {ERROR_TIMEOUT, ERROR_ACCESS_DENIED}) {
        platform.shortWriteBy = failure == ERROR_TIMEOUT ? 1 : 0;
        platform.failWrites = failure == ERROR_ACCESS_DENIED;
        EXPECT_FALSE(port.OpenPort(line.pcPort, true)) << failure;
        EXPECT_FALSE(port.IsOpen()) << failure;
        EXPECT_EQ(port.GetLastError(), failure);
    }
    platform.shortWriteBy = 0;
    platform.failWrites = false;
    EXPECT_TRUE(port.OpenPort(line.pcPort, true)) << port.GetLastError();
}

TEST_F(AdapterOnLine, ChangingTheAdapterOnAnOpenPortRunsItForTheCurrentRate)
{
    ASSERT_TRUE(port.SetBaudRate(38400));
    platform.Clear();
    port.SetAdapterType(irdaDKV5500);
    EXPECT_EQ(platform.log, Dkv5500(kSettings[5]));
}

TEST_F(AdapterOnLine, WritesPauseBeforeTheDataAsTheAdapterNeeds)
{
    const Log pauses[] = {{}, {"BusyWait"}, {"Sleep 10", "BusyWait"}, {"BusyWait"}, {"BusyWait"}};
    for (enumIRDADev adapter : kAdapters) {
        port.SetAdapterType(adapter);
        platform.Clear();
        ASSERT_TRUE(port.Write("a", 1)) << port.GetLastError();
        EXPECT_EQ(platform.log, pauses[adapter] + Log{"Write 61"}) << "adapter " << adapter;
    }
}

TEST(AdapterClosed, NothingIsTouchedWhileThePortIsClosed)
{
    CRecordingSerialPlatform platform;
    CSerialComIrDA port(platform);
    for (enumIRDADev adapter : kAdapters) {
        port.SetAdapterType(adapter);
        EXPECT_FALSE(port.SwitchAdapterBaud(9600));
        EXPECT_EQ(port.GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(port.Write("x", 1));
    }
    EXPECT_FALSE(port.SwitchTekramBaud(9600));
    EXPECT_TRUE(platform.log.empty());
}

TEST(AdapterTiming, TekramWriteGoesOutNoSoonerThanTenMillisecondsAndAFifthMore)
{
    VirtualLine line;
    ASSERT_TRUE(VirtualLine::FromEnvironment(line));
    CSerialComIrDA port;  // the real sleeps and the real busy wait
    ASSERT_TRUE(port.OpenPort(line.pcPort, true));
    port.SetAdapterType(irdaTekram);

    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ASSERT_TRUE(port.Write("t", 1)) << port.GetLastError();
    QueryPerformanceCounter(&end);
    EXPECT_GE((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart, 10200);
}
