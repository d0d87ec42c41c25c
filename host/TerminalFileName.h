// Terminal file names as the host checks and makes them: the terminal keeps at most 8 characters
// before one dot and 4 after it, and refuses a few characters outright.
#pragma once

#include <string>

// True when the terminal accepts the name (wildcards pass, so patterns are checked the same way).
// Unlike the control's own check, an empty name is refused: a task without a name is a mistake.
bool IsValidHostTerminalFileName(const std::wstring& name);

// Cuts a file name (no folder) that the terminal would refuse down to 8 + 4 characters: the part
// before the first dot keeps 6 characters and gets "~o", the last extension keeps 3 characters.
std::wstring ShortenTerminalFileName(const std::wstring& name);

// The terminal name under which a PC file is transmitted: the file system's short form of the
// path, without its folders, shortened when the terminal would still refuse it.
std::wstring TransmitTerminalFileName(const std::wstring& pcPath);
