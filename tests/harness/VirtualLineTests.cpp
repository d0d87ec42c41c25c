// The virtual line carries bytes both ways between the two ports, through plain Win32 serial calls.
#include "VirtualLine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

HANDLE OpenPort(int port)
{
    return CreateFileW(VirtualLine::DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

void SetReadTimeout(HANDLE port, DWORD ms)
{
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = ms;
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
}

std::string ReadExactly(HANDLE port, size_t count)
{
    std::string data;
    char buffer[256];
    while (data.size() < count) {
        DWORD got = 0;
        if (!ReadFile(port, buffer, static_cast<DWORD>(count - data.size()), &got, nullptr) || got == 0) {
            break;
        }
        data.append(buffer, got);
    }
    return data;
}

}  // namespace

TEST(VirtualLine, CarriesBytesBothWays)
{
    VirtualLine line;
    ASSERT_TRUE(VirtualLine::FromEnvironment(line)) << "run through scripts/wine-run with WEXLINK_VIRTUAL_PORTS";

    HANDLE pc = OpenPort(line.pcPort);
    ASSERT_NE(pc, INVALID_HANDLE_VALUE) << GetLastError();
    HANDLE terminal = OpenPort(line.terminalPort);
    ASSERT_NE(terminal, INVALID_HANDLE_VALUE) << GetLastError();
    SetReadTimeout(pc, 2000);
    SetReadTimeout(terminal, 2000);

    DWORD written = 0;
    ASSERT_TRUE(WriteFile(pc, "hello", 5, &written, nullptr));
    EXPECT_EQ(ReadExactly(terminal, 5), "hello");
    ASSERT_TRUE(WriteFile(terminal, "world!", 6, &written, nullptr));
    EXPECT_EQ(ReadExactly(pc, 6), "world!");

    CloseHandle(pc);
    CloseHandle(terminal);
}
