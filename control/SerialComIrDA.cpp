#include "SerialComIrDA.h"

#include "SerialPlatform.h"

#include "LineSettings.h"

#include <iterator>

namespace {

// The rates an adapter can be switched to, and per adapter the pulse count or control byte for each;
// kNoSetting marks a rate that the adapter does not have.
constexpr int kNoSetting = -1;
using RateTable = int[std::size(kLineBaudRates)];
constexpr RateTable kParallaxDtrPulses = {6, 5, 4, 3, 2, 1, 0};
constexpr RateTable kTekramControlBytes = {0x18, 0x16, 0x14, 0x13, 0x12, 0x11, 0x00};
constexpr RateTable kActiSysRtsPulses = {kNoSetting, kNoSetting, 0, 1, 4, 2, 3};
constexpr RateTable kDkv5500DtrPulses = {6, 5, 4, 3, 2, kNoSetting, 1};

int LookUp(const RateTable& table, DWORD baud)
{
    for (size_t i = 0; i < std::size(kLineBaudRates); ++i) {
        if (static_cast<DWORD>(kLineBaudRates[i]) == baud) {
            return table[i];
        }
    }
    return kNoSetting;
}

constexpr unsigned kLow = 0;
constexpr unsigned kHigh = 1;
constexpr DWORD kTekramCommandBaud = 9600;
constexpr LONGLONG kPreWriteBusyWaitMicroseconds = 200;

}  // namespace

CSerialComIrDA::CSerialComIrDA() = default;

CSerialComIrDA::CSerialComIrDA(CSerialPlatform& platform) : CSerialCom(platform) {}

CSerialComIrDA::~CSerialComIrDA()
{
    Close();
}

bool CSerialComIrDA::OpenPortByName(const wchar_t* portName, bool overlapped)
{
    return CSerialCom::OpenPortByName(portName, overlapped) && TellAdapterOrClose();
}

bool CSerialComIrDA::OpenPort(int portNumber, bool overlapped)
{
    return CSerialCom::OpenPort(portNumber, overlapped) && TellAdapterOrClose();
}

// An open is not done until the adapter knows the rate. A port whose adapter could not be told is
// closed again with the reason kept: left open, it would make every later open fail as "already
// open", and the caller would take a port that cannot carry a frame for a working one.
bool CSerialComIrDA::TellAdapterOrClose()
{
    if (SwitchAdapterToCurrentRate()) {
        return true;
    }
    const DWORD reason = GetLastError();
    Close();
    SetLastErrorCode(reason);
    return false;
}

bool CSerialComIrDA::SetBaudRate(DWORD rate)
{
    return CSerialCom::SetBaudRate(rate) && SwitchAdapterBaud(rate);
}

bool CSerialComIrDA::Write(const void* buffer, DWORD count)
{
    if (IsOpen()) {
        WaitBeforeWrite();
    }
    return CSerialCom::Write(buffer, count);
}

bool CSerialComIrDA::SetAdapterType(enumIRDADev adapter)
{
    m_adapter = adapter;
    return !IsOpen() || SwitchAdapterToCurrentRate();
}

// A port whose rate cannot be read cannot tell its adapter one; the read's own error says why, where
// a sequence run for rate 0 would only say that the adapter has no such rate.
bool CSerialComIrDA::SwitchAdapterToCurrentRate()
{
    const DWORD rate = CSerialCom::GetBaudRate();
    if (rate == 0 && m_adapter != irdaNone) {
        return false;
    }
    return SwitchAdapterBaud(rate);
}

bool CSerialComIrDA::BeginSequence()
{
    SetLastErrorCode(ERROR_SUCCESS);
    if (!IsOpen()) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

bool CSerialComIrDA::SwitchAdapterBaud(DWORD baud)
{
    if (!BeginSequence()) {
        return false;
    }
    switch (m_adapter) {
    case irdaParallax:
        return SwitchParallaxBaud(baud);
    case irdaTekram:
        return SwitchTekramBaud(baud);
    case irdaActiSys:
        return SwitchActiSysBaud(baud);
    case irdaDKV5500:
        return SwitchDkv5500Baud(baud);
    default:
        return true;  // no adapter: nothing to tell, and no purge either
    }
}

bool CSerialComIrDA::FailUnknownRate()
{
    SetLastErrorCode(ERROR_INVALID_DATA);
    return false;
}

void CSerialComIrDA::Pause(DWORD milliseconds)
{
    Platform().Sleep(milliseconds);
}

bool CSerialComIrDA::SwitchParallaxBaud(DWORD baud)
{
    const int pulses = LookUp(kParallaxDtrPulses, baud);
    if (pulses == kNoSetting) {
        SetRts(kHigh);
        SetDtr(kHigh);
        return FailUnknownRate();
    }
    SetRts(kLow);
    SetDtr(kLow);
    Pause(200);
    SetRts(kHigh);
    SetDtr(kHigh);
    Pause(10);
    SetRts(kLow);
    Pause(2);
    SetRts(kHigh);
    Pause(2);
    for (int i = 0; i < pulses; ++i) {
        SetDtr(kLow);
        Pause(2);
        SetDtr(kHigh);
        Pause(2);
    }
    Purge();
    return true;
}

// The Tekram adapter takes its rate as a control byte sent at 9600 8N1 while it is in command mode;
// the port then goes back to the requested rate and its former framing.
bool CSerialComIrDA::SwitchTekramBaud(DWORD baud)
{
    if (!BeginSequence()) {
        return false;
    }
    const BYTE byteSize = GetByteSize();
    const BYTE parity = GetParity();
    const BYTE stopBits = GetStopBits();
    CSerialCom::SetBaudRate(kTekramCommandBaud);
    SetByteSize(8);
    SetParity(NOPARITY);
    SetStopBits(ONESTOPBIT);

    SetRts(kLow);
    SetDtr(kLow);
    Pause(55);
    SetRts(kHigh);
    SetDtr(kHigh);
    Pause(55);
    SetRts(kHigh);
    SetDtr(kLow);
    Pause(2);
    SetRts(kHigh);
    SetDtr(kHigh);
    Pause(1);
    SetRts(kLow);
    SetDtr(kHigh);
    Pause(1);

    // A rate without a control byte, or a control byte that did not go out, leaves the adapter
    // without its rate; the port is put back all the same, so that it does not stay at the command
    // rate, and the switch fails with the reason.
    const int controlByte = LookUp(kTekramControlBytes, baud);
    if (controlByte == kNoSetting) {
        LeaveTekramCommandMode(baud, byteSize, parity, stopBits);
        return FailUnknownRate();
    }
    Purge();
    const BYTE command = static_cast<BYTE>(controlByte);
    const DWORD notSent = CSerialCom::Write(&command, 1) ? ERROR_SUCCESS : GetLastError();
    Pause(200);
    LeaveTekramCommandMode(baud, byteSize, parity, stopBits);
    Purge();
    SetLastErrorCode(notSent);
    return notSent == ERROR_SUCCESS;
}

void CSerialComIrDA::LeaveTekramCommandMode(DWORD baud, BYTE byteSize, BYTE parity, BYTE stopBits)
{
    SetRts(kHigh);
    SetDtr(kHigh);
    Pause(1);
    CSerialCom::SetBaudRate(baud);
    SetByteSize(byteSize);
    SetParity(parity);
    SetStopBits(stopBits);
}

bool CSerialComIrDA::SwitchActiSysBaud(DWORD baud)
{
    SetDtr(kHigh);
    SetRts(kHigh);
    Pause(50);
    SetDtr(kLow);
    Pause(1);
    SetDtr(kHigh);
    SetRts(kHigh);
    Pause(1);

    const int pulses = LookUp(kActiSysRtsPulses, baud);
    if (pulses == kNoSetting) {
        return FailUnknownRate();
    }
    for (int i = 0; i < pulses; ++i) {
        Pause(1);
        SetDtr(kHigh);
        SetRts(kLow);
        Pause(1);
        SetDtr(kHigh);
        SetRts(kHigh);
    }
    Purge();
    return true;
}

bool CSerialComIrDA::SwitchDkv5500Baud(DWORD baud)
{
    const int pulses = LookUp(kDkv5500DtrPulses, baud);
    if (pulses == kNoSetting) {
        SetRts(kHigh);
        SetDtr(kHigh);
        return FailUnknownRate();
    }
    SetDtr(kLow);
    SetRts(kLow);
    Pause(30);
    SetDtr(kHigh);
    SetRts(kHigh);
    Pause(30);
    SetRts(kLow);
    Pause(1);
    SetRts(kHigh);
    Pause(1);
    for (int i = 0; i < pulses; ++i) {
        SetDtr(kLow);
        Pause(1);
        SetDtr(kHigh);
        Pause(1);
    }
    Purge();
    return true;
}

// An adapter needs a moment between the last line change and the first data bit; the Tekram one a
// little more to leave its command mode.
void CSerialComIrDA::WaitBeforeWrite()
{
    if (m_adapter == irdaTekram) {
        Pause(10);
    }
    if (m_adapter != irdaNone) {
        BusyWaitMicroseconds(kPreWriteBusyWaitMicroseconds);
    }
}

// Sleep cannot wait less than a millisecond, so the short pause spins on the performance counter.
void CSerialComIrDA::BusyWaitMicroseconds(LONGLONG microseconds)
{
    LARGE_INTEGER frequency{};
    if (!Platform().QueryPerformanceFrequency(&frequency)) {
        return;
    }
    const LONGLONG ticks = frequency.QuadPart * microseconds / 1000000;
    if (ticks <= 0) {
        return;
    }
    LARGE_INTEGER start{};
    LARGE_INTEGER now{};
    if (!Platform().QueryPerformanceCounter(&start)) {
        return;
    }
    do {
        if (!Platform().QueryPerformanceCounter(&now)) {
            return;
        }
    } while (now.QuadPart - start.QuadPart < ticks);
}
