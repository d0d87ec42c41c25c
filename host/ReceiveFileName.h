// The PC file name under which a file received from a terminal is stored: the terminal file's base
// name, the terminal ID, the time and the date, each optional, in one of 24 orders, followed by the
// terminal file's extension. The name holds no folder.
#pragma once

#include <ctime>
#include <string>

// Reads the local clock once, so the time and the date parts always come from the same moment.
std::wstring BuildReceiveFileName(const std::wstring& base, bool useFilename, bool useTermId, long termId, bool useTime,
                                  int fmtTime, bool useDate, int fmtDate, int order);

// The same with the moment given by the caller.
std::wstring BuildReceiveFileNameAt(const std::tm& now, const std::wstring& base, bool useFilename, bool useTermId,
                                    long termId, bool useTime, int fmtTime, bool useDate, int fmtDate, int order);

// Why a PC file name (no folder) cannot hold a received file. A device name (CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9, with or without an extension) would swallow the data while the write
// reports success; the other names fail when the file is opened, which ends the whole session.
enum class PcFileNameProblem { none, notAName, deviceName, forbiddenCharacter, finalDotOrBlank };
PcFileNameProblem CheckReceivedPcFileName(const std::wstring& name);
