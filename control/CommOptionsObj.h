// One queued protocol option: what the worker must do with the connected terminal. Every constructor
// checks its arguments in a fixed order and throws CCommOptExcept with an OptionRefusal code at the
// first failure, so a refused option never exists. Options are plain values, copied into the
// control's list and out to the engine.
#pragma once

#include "CommOptExcept.h"
#include "WexlinkCodes.h"
#include "WexlinkEnums.h"

#include <cstdint>
#include <string>

enum enumOptionKind : std::int32_t {
    optGetTimeDate = 0,
    optSetTimeDate = 1,
    optSetLocalTimeDate = 2,
    optReceiveFile = 3,
    optTransmitFile = 4,
    optGetOSVersion = 5,
    optGetApplicationVersion = 6,
    optGetFileList = 7,
    optDeleteFiles = 8
};

class CCommOptionsObj {
public:
    // The engine's working copy, assigned from a queued option later.
    CCommOptionsObj();
    // Read the terminal clock in a format of 0..19 (BadTimeDateFmt otherwise).
    explicit CCommOptionsObj(enumTimeDateFmt fmt);
    // Set the terminal clock to the given local time, stored normalised (BadTimeDate when refused).
    CCommOptionsObj(std::int16_t hours, std::int16_t minutes, std::int16_t seconds, std::int16_t day,
                    std::int16_t month, std::int16_t year);
    // An option without arguments: set local time, OS version, application version (BadKind above 8).
    explicit CCommOptionsObj(enumOptionKind kind);
    // Receive terminalFile into pcFile (BadPcFile, BadDownType, BadTerminalFile in that order). A pcFile
    // whose last part is not a file that can be stored (see IsStorablePcFileName) is refused with BadPcFile.
    CCommOptionsObj(const std::wstring& pcFile, enumDownType downType, const std::wstring& terminalFile,
                    std::int16_t terminalDrive, bool contOnNotAvail);
    // Transmit pcFile as terminalFile (BadPcFile, BadTerminalFile in that order).
    CCommOptionsObj(const std::wstring& pcFile, const std::wstring& terminalFile, std::int16_t terminalDrive,
                    bool contOnNotAvail);
    // List (optGetFileList) or delete (optDeleteFiles) the terminal files matching pattern (BadTerminalFile).
    CCommOptionsObj(enumOptionKind kind, const std::wstring& pattern, std::int16_t terminalDrive);

    virtual ~CCommOptionsObj() = default;
    CCommOptionsObj(const CCommOptionsObj&) = default;
    CCommOptionsObj& operator=(const CCommOptionsObj&) = default;

    // At most 12 characters, none of < > : " / \ | or blank, at most one dot, at most 8 characters
    // before it and 4 after it. Wildcards pass, and so does the empty name.
    static bool IsValidTerminalFileName(const std::wstring& name);
    // True when the last part of a PC path can name a file of its own: not empty, "." or "..",
    // none of < > : " / \ | ? * or a control character, no final dot or blank, and not a device
    // name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension). Data
    // received into a device is gone, yet the write would succeed.
    static bool IsStorablePcFileName(const std::wstring& path);

    enumOptionKind kind = optGetOSVersion;
    enumTimeDateFmt timeDateFmt = tdFmthhmmssDDMMYYYYY;
    std::wstring pcFile;
    enumDownType downType = downAppend;
    std::wstring terminalFile;  // a name, or a pattern for list and delete
    std::int16_t terminalDrive = -1;
    bool contOnNotAvail = false;
    // The clock of optSetTimeDate, normalised through the local calendar; month 1..12, full year.
    std::int16_t hours = 0;
    std::int16_t minutes = 0;
    std::int16_t seconds = 0;
    std::int16_t day = 0;
    std::int16_t month = 0;
    std::int16_t year = 0;
};
