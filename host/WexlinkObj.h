// One protocol task of the host's task list: what to ask of a terminal in a session, with every
// argument the matching control method needs. A plain value, copied freely.
#pragma once

#include <string>

// The task kind, stored as ComOption; also the order of the Tasks page's type list.
enum enumTaskKind {
    taskGetOSVersion = 0,
    taskGetApplicationVersion = 1,
    taskGetTimeDate = 2,
    taskSetTimeDate = 3,
    taskReceiveFiles = 4,
    taskTransmitFile = 5,
    taskListFiles = 6,
    taskDeleteFiles = 7,
};

// Wraps the format argument of the time/date constructor, so that it cannot be mistaken for the
// by-kind constructor's int argument.
struct TimeDateFormat {
    int Value;
};

class CWexlinkObj {
public:
    // Every constructor sets all fields: what an argument does not give takes the default below.
    CWexlinkObj();
    explicit CWexlinkObj(int kind);               // kinds without arguments: 0, 1 and 3
    explicit CWexlinkObj(TimeDateFormat format);  // Get Time / Date
    CWexlinkObj(const std::wstring& pcFolder, int downType, const std::wstring& terminalFile, short drive,
                bool contOnNotAvail, bool useFilename, bool useTermId, bool useTime, int fmtTime, bool useDate,
                int fmtDate, int fmtFile);                                      // Receive File(s)
    CWexlinkObj(const std::wstring& pcFile, short drive, bool contOnNotAvail);  // Transmit File
    CWexlinkObj(int kind, const std::wstring& terminalPattern, short drive);    // List / Delete File(s)

    CWexlinkObj(const CWexlinkObj&) = default;
    CWexlinkObj& operator=(const CWexlinkObj&) = default;
    virtual ~CWexlinkObj() = default;

    std::wstring GetPcFileFolder() const { return PcFileFolder; }
    std::wstring GetTerminalFile() const { return TerminalFile; }

    // Each field is stored under the settings key of the same name.
    int ComOption = taskGetOSVersion;
    int TDFMT = 0;
    std::wstring PcFileFolder;
    int DownType = 0;
    std::wstring TerminalFile;
    short TerminalDrive = 2;
    bool ContOnNotAvail = false;
    bool advRcvUseFilename = true;
    bool advRcvUseTermId = false;
    bool advRcvUseTime = false;
    bool advRcvUseDate = false;
    int advRcvFmtTime = 0;
    int advRcvFmtDate = 0;
    int advRcvFmtFile = 0;
};
