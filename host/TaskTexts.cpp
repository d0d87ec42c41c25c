#include "TaskTexts.h"

#include "framework/Resources.h"
#include "res/resource.h"

UINT TimeDateFormatLabelId(int format)
{
    if (format < 0 || format >= TimeDateFormatCount)
        return 0;
    // String 128 belongs to the document template, so the labels skip it.
    return format < 16 ? IDS_FORMAT_FIRST + format : IDS_FORMAT_SECOND_FIRST + (format - 16);
}

std::wstring TaskKindTitle(int kind)
{
    static const UINT titles[] = {IDS_TASK_GET_OS_VERSION, IDS_TASK_GET_APP_VERSION, IDS_TASK_GET_TIME_DATE,
                                  IDS_TASK_SET_TIME_DATE,  IDS_TASK_RECEIVE_FILES,   IDS_TASK_TRANSMIT_FILE,
                                  IDS_TASK_LIST_FILES,     IDS_TASK_DELETE_FILES};
    if (kind < 0 || kind >= static_cast<int>(sizeof titles / sizeof titles[0]))
        return std::to_wstring(kind);
    return LoadStringResourceOrOwn(titles[kind]);
}

std::wstring DriveLabel(int drive)
{
    if (drive < 0 || drive >= DriveCount)
        return std::to_wstring(drive);
    return LoadStringResource(IDS_DRIVE_RAM + drive);
}

std::wstring TimeDateFormatLabel(int format)
{
    UINT id = TimeDateFormatLabelId(format);
    return id == 0 ? std::to_wstring(format) : LoadStringResource(id);
}

void AddDriveNames(HWND combo)
{
    for (int drive = 0; drive < DriveCount; ++drive) {
        std::wstring name = DriveLabel(drive);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

// Only "%s" is substituted, so a format from a language library can never read past the texts
// given; a missing text stands empty.
std::wstring FormatTexts(const std::wstring& format, std::initializer_list<std::wstring> texts)
{
    std::wstring result;
    auto next = texts.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                if (next != texts.end())
                    result += *next++;
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                result += L'%';
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}

std::wstring TaskItemText(const CWexlinkObj& task, const std::wstring& title)
{
    switch (task.ComOption) {
    case taskGetTimeDate:
        return FormatTexts(L"%s\n%s", {title, TimeDateFormatLabel(task.TDFMT)});
    case taskReceiveFiles:
        return FormatTexts(LoadStringResource(IDS_RECEIVE_TASK_FORMAT),
                           {title, task.TerminalFile, DriveLabel(task.TerminalDrive), task.PcFileFolder});
    case taskTransmitFile:
        return FormatTexts(LoadStringResource(IDS_TRANSMIT_TASK_FORMAT),
                           {title, task.PcFileFolder, DriveLabel(task.TerminalDrive)});
    case taskListFiles:
    case taskDeleteFiles:
        return FormatTexts(L"%s\n%s, %s", {title, DriveLabel(task.TerminalDrive), task.TerminalFile});
    default:
        return title;
    }
}
