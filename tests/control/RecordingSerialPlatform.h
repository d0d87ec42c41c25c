#pragma once
// A serial platform for tests: it records every line change, line setting, purge, write and delay in
// a readable log. Modem-line changes are only recorded (a pseudo-terminal refuses them) and delays
// only recorded (so that long adapter sequences run fast); line settings, purges and writes still
// reach the port, so the other end of the line sees the data.

#include "SerialPlatform.h"

#include <cstdio>
#include <string>
#include <vector>

class CRecordingSerialPlatform : public CSerialPlatform {
public:
    std::vector<std::string> log;
    DCB lastState{};
    bool failWrites = false;
    DWORD shortWriteBy = 0;  // reports that many bytes fewer than written

    void Clear() { log.clear(); }

    BOOL EscapeCommFunction(HANDLE, DWORD function) override
    {
        switch (function) {
        case SETRTS:
            log.push_back("RTS+");
            break;
        case CLRRTS:
            log.push_back("RTS-");
            break;
        case SETDTR:
            log.push_back("DTR+");
            break;
        case CLRDTR:
            log.push_back("DTR-");
            break;
        default:
            log.push_back("Escape");
            break;
        }
        return TRUE;
    }

    BOOL SetCommState(HANDLE port, DCB* dcb) override
    {
        static const char parities[] = "NOEMS";
        static const char* const stopBits[] = {"1", "1.5", "2"};
        log.push_back("State " + std::to_string(dcb->BaudRate) + " " + std::to_string(dcb->ByteSize) +
                      (dcb->Parity < 5 ? parities[dcb->Parity] : '?') +
                      (dcb->StopBits < 3 ? stopBits[dcb->StopBits] : "?"));
        lastState = *dcb;
        return CSerialPlatform::SetCommState(port, dcb);
    }

    BOOL PurgeComm(HANDLE port, DWORD flags) override
    {
        log.push_back("Purge");
        return CSerialPlatform::PurgeComm(port, flags);
    }

    BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* request) override
    {
        std::string entry = "Write";
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        for (DWORD i = 0; i < count; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof(hex), " %02X", bytes[i]);
            entry += hex;
        }
        log.push_back(entry);
        if (failWrites) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (shortWriteBy > 0) {
            *written = count > shortWriteBy ? count - shortWriteBy : 0;
            return TRUE;
        }
        return CSerialPlatform::WriteFile(port, buffer, count, written, request);
    }

    void Sleep(DWORD milliseconds) override { log.push_back("Sleep " + std::to_string(milliseconds)); }

    BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) override
    {
        log.push_back("BusyWait");
        return CSerialPlatform::QueryPerformanceFrequency(frequency);
    }
};
