// Texts of the task list that come from the string table of the current resource module: drive
// names, time/date format labels and the two-line description of a task.
#pragma once

#include "WexlinkObj.h"

#include <windows.h>

#include <initializer_list>
#include <string>

const int TimeDateFormatCount = 20;
const int DriveCount = 3;

// The label string of a time/date format 0..19; 0 for any other value.
UINT TimeDateFormatLabelId(int format);
// The name of a task kind ("Receive File(s)"), the program's own when a language library lacks it;
// its number for a kind outside 0..7.
std::wstring TaskKindTitle(int kind);
// A drive outside 0..2 (possible from an edited settings file) shows its number.
std::wstring DriveLabel(int drive);
std::wstring TimeDateFormatLabel(int format);
// Adds the three drive names to a combo box.
void AddDriveNames(HWND combo);
// The title line and, for kinds with parameters, a detail line after a line feed.
std::wstring TaskItemText(const CWexlinkObj& task, const std::wstring& title);
// printf-style "%s" substitution of a string resource's format with the given texts in order.
std::wstring FormatTexts(const std::wstring& format, std::initializer_list<std::wstring> texts);
