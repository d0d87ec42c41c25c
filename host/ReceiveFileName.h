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
