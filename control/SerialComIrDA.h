#pragma once
// A serial port with an infrared adapter between it and the terminal. The adapter learns the baud
// rate from a sequence on the DTR and RTS lines (and, for one family, a control byte), which runs
// after every open, every rate change and every change of adapter on an open port; every write
// through an adapter is preceded by a short pause. With irdaNone it behaves as a plain CSerialCom.

#include "SerialCom.h"
#include "WexlinkEnums.h"

class CSerialComIrDA : public CSerialCom {
public:
    CSerialComIrDA();
    explicit CSerialComIrDA(CSerialPlatform& platform);
    ~CSerialComIrDA() override;

    // Opens the port and runs the adapter's sequence for its rate; when the sequence fails the port
    // is closed again and the open fails with the sequence's code.
    bool OpenPortByName(const wchar_t* portName, bool overlapped) override;
    bool OpenPort(int portNumber, bool overlapped) override;
    // A rate the adapter cannot switch to gives false with ERROR_INVALID_DATA; the port's own rate
    // has been changed all the same.
    bool SetBaudRate(DWORD rate) override;
    bool Write(const void* buffer, DWORD count) override;

    // Stores the adapter; on an open port runs its sequence for the current rate, and returns whether
    // the adapter was told it (true on a closed port, which tells it at the next open).
    bool SetAdapterType(enumIRDADev adapter);

    bool SwitchAdapterBaud(DWORD baud);
    bool SwitchTekramBaud(DWORD baud);

private:
    bool BeginSequence();
    bool TellAdapterOrClose();
    bool SwitchAdapterToCurrentRate();
    void LeaveTekramCommandMode(DWORD baud, BYTE byteSize, BYTE parity, BYTE stopBits);
    bool FailUnknownRate();
    bool SwitchParallaxBaud(DWORD baud);
    bool SwitchActiSysBaud(DWORD baud);
    bool SwitchDkv5500Baud(DWORD baud);
    void Pause(DWORD milliseconds);
    void WaitBeforeWrite();
    void BusyWaitMicroseconds(LONGLONG microseconds);

    enumIRDADev m_adapter = irdaNone;
};
