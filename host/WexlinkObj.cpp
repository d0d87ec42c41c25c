#include "WexlinkObj.h"

CWexlinkObj::CWexlinkObj() = default;

CWexlinkObj::CWexlinkObj(int kind) : ComOption(kind) {}

CWexlinkObj::CWexlinkObj(TimeDateFormat format) : ComOption(taskGetTimeDate), TDFMT(format.Value) {}

CWexlinkObj::CWexlinkObj(const std::wstring& pcFolder, int downType, const std::wstring& terminalFile, short drive,
                         bool contOnNotAvail, bool useFilename, bool useTermId, bool useTime, int fmtTime, bool useDate,
                         int fmtDate, int fmtFile)
    : ComOption(taskReceiveFiles),
      PcFileFolder(pcFolder),
      DownType(downType),
      TerminalFile(terminalFile),
      TerminalDrive(drive),
      ContOnNotAvail(contOnNotAvail),
      advRcvUseFilename(useFilename),
      advRcvUseTermId(useTermId),
      advRcvUseTime(useTime),
      advRcvUseDate(useDate),
      advRcvFmtTime(fmtTime),
      advRcvFmtDate(fmtDate),
      advRcvFmtFile(fmtFile)
{
}

CWexlinkObj::CWexlinkObj(const std::wstring& pcFile, short drive, bool contOnNotAvail)
    : ComOption(taskTransmitFile),
      PcFileFolder(pcFile),
      TerminalDrive(drive),
      ContOnNotAvail(contOnNotAvail)
{
}

CWexlinkObj::CWexlinkObj(int kind, const std::wstring& terminalPattern, short drive)
    : ComOption(kind),
      TerminalFile(terminalPattern),
      TerminalDrive(drive)
{
}
