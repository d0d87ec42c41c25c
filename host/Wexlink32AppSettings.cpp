// The application object's settings operations: the settings folder, and loading and saving the
// settings file and the language file.
#include "Wexlink32App.h"

#include "ErrorText.h"
#include "PathFolder.h"
#include "util/IniFile.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace {

constexpr wchar_t DefaultSettingsFileName[] = L"TarvexSt.CFG";
constexpr wchar_t LanguageFileName[] = L"\\TarvexLang.CFG";

// Highest accepted value of each task key read from a file.
constexpr unsigned int MaxTaskKind = 7;
constexpr unsigned int MaxTimeDateFormat = 19;
constexpr unsigned int MaxDownType = 3;
constexpr unsigned int MaxReceiveTimeFormat = 2;
constexpr unsigned int MaxReceiveDateFormat = 11;
constexpr unsigned int MaxReceiveOrder = 23;

std::wstring ModuleFilePath()
{
    std::vector<wchar_t> buffer(8192);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool IsDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// An existing folder is used as it is; only a folder created here gets the Users grant. Another
// instance may create the folder between the test and the creation: that folder is used too.
bool EnsureSharedFolder(const std::wstring& folder)
{
    if (IsDirectory(folder)) {
        return true;
    }
    if (CTarvexSettings::CreateSharedFolder(folder)) {
        return true;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(folder);
}

const wchar_t* Flag(bool value)
{
    return value ? L"1" : L"0";
}

std::wstring Unsigned(unsigned int value)
{
    return std::to_wstring(value);
}

std::wstring TaskSection(int index)
{
    return L"Task" + std::to_wstring(index);
}

void ReadSettingsValues(const CIniFile& ini, CTarvexSettings& settings)
{
    settings.COM = ini.GetInt(L"RS232", L"COM", 1);
    settings.Baudrate = ini.GetInt(L"RS232", L"Baudrate", 115200);
    settings.IrDA = ini.GetInt(L"RS232", L"IrDA", 1);
    settings.ProtocolType = ini.GetInt(L"WEXLINK", L"ProtocolType", 0);
    settings.ProtocolTimes = ini.GetInt(L"WEXLINK", L"ProtocolTimes", 1);
    settings.RunAtStart = ini.GetBool(L"WEXLINK", L"RunAtStart", 0) == 1;
    settings.RunMinimized = ini.GetBool(L"WEXLINK", L"RunMinimized", 0) == 1;
    settings.MinimizeToTray = ini.GetBool(L"WEXLINK", L"MinimizeToTray", 0) == 1;
    settings.MessagesWhileInTray = ini.GetBool(L"WEXLINK", L"MessagesWhileInTray", 1) == 1;
}

// Reads one value that must not exceed a maximum; an out-of-range value leaves the field alone.
void ReadBounded(const CIniFile& ini, const wchar_t* section, const wchar_t* key, unsigned int maximum, int& field)
{
    const unsigned int value = ini.GetInt(section, key, 0);
    if (value <= maximum) {
        field = static_cast<int>(value);
    }
}

// Fills the working record from one task section. The three receive-name formats are not reset
// between sections: an out-of-range one keeps what the previous section left.
void ReadTask(const CIniFile& ini, const wchar_t* section, CWexlinkObj& task)
{
    task.ComOption = taskGetOSVersion;
    task.TDFMT = 0;
    task.PcFileFolder.clear();
    task.DownType = 0;
    task.TerminalFile.clear();
    task.TerminalDrive = 2;
    task.ContOnNotAvail = false;

    ReadBounded(ini, section, L"ComOption", MaxTaskKind, task.ComOption);
    ReadBounded(ini, section, L"TDFMT", MaxTimeDateFormat, task.TDFMT);
    task.PcFileFolder = ini.GetString(section, L"PcFileFolder");
    ReadBounded(ini, section, L"DownType", MaxDownType, task.DownType);
    task.TerminalFile = ini.GetString(section, L"TerminalFile");
    task.TerminalDrive = static_cast<short>(static_cast<unsigned short>(ini.GetInt(section, L"TerminalDrive", 2)));
    task.ContOnNotAvail = ini.GetBool(section, L"ContOnNotAvail", 0) == 1;
    task.advRcvUseFilename = ini.GetBool(section, L"advRcvUseFilename", 1) == 1;
    task.advRcvUseTermId = ini.GetBool(section, L"advRcvUseTermId", 0) == 1;
    task.advRcvUseTime = ini.GetBool(section, L"advRcvUseTime", 0) == 1;
    ReadBounded(ini, section, L"advRcvFmtTime", MaxReceiveTimeFormat, task.advRcvFmtTime);
    task.advRcvUseDate = ini.GetBool(section, L"advRcvUseDate", 0) == 1;
    ReadBounded(ini, section, L"advRcvFmtDate", MaxReceiveDateFormat, task.advRcvFmtDate);
    ReadBounded(ini, section, L"advRcvFmtFile", MaxReceiveOrder, task.advRcvFmtFile);
}

// The position in a task section's name ("Task12" gives 12, in any letter case, as the profile
// services match it), or -1 for any other name.
int TaskPosition(const std::wstring& sectionName)
{
    constexpr size_t PrefixLength = 4;
    if (sectionName.size() <= PrefixLength || _wcsnicmp(sectionName.c_str(), L"Task", PrefixLength) != 0) {
        return -1;
    }
    const std::wstring digits = sectionName.substr(PrefixLength);
    // Only the names that TaskSection makes: decimal digits without a leading zero.
    if (digits.size() > 9 || (digits.size() > 1 && digits[0] == L'0') ||
        digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return -1;
    }
    return std::stoi(digits);
}

int LastTaskSectionPresent(const CIniFile& ini)
{
    int last = -1;
    for (const std::wstring& name : ini.GetSectionNames()) {
        last = std::max(last, TaskPosition(name));
    }
    return last;
}

// The stored count is signed: a negative one (written as a large number) reads no task. Task
// sections missing below the count give default tasks; but a count beyond any sensible task list
// (a damaged file) is believed only as far as the last task section really there, so that it
// cannot make the load, every session and every save run through a flood of default tasks.
int TaskCountToLoad(const CIniFile& ini)
{
    const int count = static_cast<int>(ini.GetInt(L"WEXLINK", L"ProtocolTasks", 0));
    if (count <= CWexlink32App::MaxUncheckedTaskCount) {
        return count;
    }
    return std::min(count, LastTaskSectionPresent(ini) + 1);
}

}  // namespace

std::wstring CWexlink32App::SettingsFolderBelow(const std::wstring& commonAppData, const std::wstring& programFolder)
{
    if (commonAppData == ErrorText) {
        return programFolder;
    }
    const std::wstring makerFolder = commonAppData + L"\\quenlar";
    if (!EnsureSharedFolder(makerFolder)) {
        return programFolder;
    }
    const std::wstring settingsFolder = makerFolder + L"\\Wexlink32";
    return EnsureSharedFolder(settingsFolder) ? settingsFolder : programFolder;
}

std::wstring CWexlink32App::GetSettingsFolder() const
{
    return SettingsFolderBelow(CTarvexSettings::GetCommonAppDataFolder(), FolderOfPath(ModuleFilePath()));
}

void CWexlink32App::LoadSettings(const std::wstring& path)
{
    m_ProgramPath = ModuleFilePath();
    m_ProgramFolder = FolderOfPath(m_ProgramPath);
    m_SettingsFolder = GetSettingsFolder();

    CIniFile ini;
    try {
        if (path.empty()) {
            // Single-instance mode comes only from a file named explicitly.
            ini.SetPath(m_SettingsFolder + L"\\" + DefaultSettingsFileName);
        } else {
            ini.SetPath(path);
            m_Settings.SingleInstance = ini.GetBool(L"GLOBAL", L"SingleIntance", 0) == 1;
        }
    } catch (...) {
        // Go on with whatever path the accessor holds: the keys then read as their defaults.
    }

    ReadSettingsValues(ini, m_Settings);

    m_TaskList.clear();
    CWexlinkObj task;
    const int count = TaskCountToLoad(ini);
    for (int i = 0; i < count; ++i) {
        ReadTask(ini, TaskSection(i).c_str(), task);
        m_TaskList.push_back(task);
    }

    CIniFile language;
    language.SetPath(m_SettingsFolder + LanguageFileName);
    m_LanguageFile = language.GetString(L"LANGUAGE", L"LANGFILE");
}

bool CWexlink32App::SaveSettings(const std::wstring& path) const
{
    CIniFile ini;
    ini.SetPath(path);
    bool written = true;
    auto write = [&](const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        written = ini.WriteString(section, key, value.c_str()) && written;
    };

    // The default settings file never carries single-instance mode; an exported file does.
    const bool isDefaultFile = path.find(DefaultSettingsFileName) != std::wstring::npos;
    write(L"GLOBAL", L"SingleIntance", Flag(!isDefaultFile && m_Settings.SingleInstance));

    write(L"RS232", L"COM", Unsigned(m_Settings.COM));
    write(L"RS232", L"Baudrate", Unsigned(m_Settings.Baudrate));
    write(L"RS232", L"IrDA", Unsigned(m_Settings.IrDA));

    write(L"WEXLINK", L"ProtocolType", Unsigned(m_Settings.ProtocolType));
    write(L"WEXLINK", L"ProtocolTimes", Unsigned(m_Settings.ProtocolTimes));
    write(L"WEXLINK", L"RunAtStart", Flag(m_Settings.RunAtStart));
    write(L"WEXLINK", L"RunMinimized", Flag(m_Settings.RunMinimized));
    write(L"WEXLINK", L"MinimizeToTray", Flag(m_Settings.MinimizeToTray));
    write(L"WEXLINK", L"MessagesWhileInTray", Flag(m_Settings.MessagesWhileInTray));
    write(L"WEXLINK", L"ProtocolTasks", Unsigned(static_cast<unsigned int>(m_TaskList.size())));

    // Sections of tasks beyond the new count stay in the file; the count makes the reader skip them.
    for (size_t i = 0; i < m_TaskList.size(); ++i) {
        const CWexlinkObj& task = m_TaskList[i];
        const std::wstring sectionName = TaskSection(static_cast<int>(i));
        const wchar_t* section = sectionName.c_str();
        write(section, L"ComOption", Unsigned(static_cast<unsigned int>(task.ComOption)));
        write(section, L"TDFMT", Unsigned(static_cast<unsigned int>(task.TDFMT)));
        write(section, L"PcFileFolder", task.PcFileFolder);
        write(section, L"DownType", Unsigned(static_cast<unsigned int>(task.DownType)));
        write(section, L"TerminalFile", task.TerminalFile);
        write(section, L"TerminalDrive", Unsigned(static_cast<unsigned int>(static_cast<int>(task.TerminalDrive))));
        write(section, L"ContOnNotAvail", Flag(task.ContOnNotAvail));
        write(section, L"advRcvUseFilename", Flag(task.advRcvUseFilename));
        write(section, L"advRcvUseTermId", Flag(task.advRcvUseTermId));
        write(section, L"advRcvUseTime", Flag(task.advRcvUseTime));
        write(section, L"advRcvFmtTime", Unsigned(static_cast<unsigned int>(task.advRcvFmtTime)));
        write(section, L"advRcvUseDate", Flag(task.advRcvUseDate));
        write(section, L"advRcvFmtDate", Unsigned(static_cast<unsigned int>(task.advRcvFmtDate)));
        write(section, L"advRcvFmtFile", Unsigned(static_cast<unsigned int>(task.advRcvFmtFile)));
    }
    return written;
}

bool CWexlink32App::SaveLanguage(const std::wstring& file) const
{
    CIniFile language;
    language.SetPath(m_SettingsFolder + LanguageFileName);
    return language.WriteString(L"LANGUAGE", L"LANGFILE", file.c_str());
}
