// The application object: owner of the settings and the task list for the whole run.
#pragma once

#include "TarvexSettings.h"
#include "WexlinkObj.h"
#include "framework/WinApp.h"

#include <functional>
#include <string>
#include <vector>

class CView;

class CWexlink32App : public CWinApp {
public:
    CWexlink32App();
    CWexlink32App(const CWexlink32App&) = delete;
    CWexlink32App& operator=(const CWexlink32App&) = delete;

    // Start-up: settings from the command line's file or the default file, the single-instance
    // guard, the main window, and the protocol started when the settings ask for it.
    BOOL InitInstance() override;
    // Saves the settings into the default settings file and empties the task list.
    int ExitInstance() override;

    bool OnCommand(UINT id) override;
    bool HasCommandHandler(UINT id) const override;
    // Shows the About box.
    void OnAppAbout();

    // The settings file a command line names: its one argument when that file exists, can be read
    // (a folder does not count) and holds settings, else empty (the default settings file).
    static std::wstring SettingsFileFromCommandLine(const wchar_t* commandLine);

    // What an Import can make of a file: only a readable settings file replaces the settings.
    enum class SettingsFileState { usable, unreadable, notSettings };
    // Readable (a folder does not count), and holding at least one of the settings sections.
    static SettingsFileState CheckSettingsFile(const std::wstring& path);

    // Makes the main window's view; tests put a view of their own here before InitInstance.
    std::function<CView*()> m_createView;

    // The folder that holds the default settings file and the language file; created (with the
    // Users grant) when missing, else the program folder.
    std::wstring GetSettingsFolder() const;
    // Loads the settings and the task list from a settings file; an empty path means the default
    // settings file. Missing or unreadable keys take their defaults.
    void LoadSettings(const std::wstring& path);
    // Writes the settings and the task list into a settings file. False when a write failed.
    bool SaveSettings(const std::wstring& path) const;
    // Records the chosen language library in the language file of the settings folder.
    bool SaveLanguage(const std::wstring& file) const;

    // The settings folder below the given all-users folder, or the program folder when the
    // all-users folder is unknown (ErrorText) or a folder of the path cannot be created.
    static std::wstring SettingsFolderBelow(const std::wstring& commonAppData, const std::wstring& programFolder);
    // A task count read from a file is trusted up to this many tasks, beyond it only as far as its
    // task sections go. Every task costs fourteen profile writes at each save, and the profile
    // services rewrite the whole file for each one, so a few hundred invented tasks already make
    // the exit take minutes.
    static constexpr int MaxUncheckedTaskCount = 100;

    std::vector<CWexlinkObj> m_TaskList;
    CTarvexSettings m_Settings;
    std::wstring m_ProgramFolder;
    std::wstring m_ProgramPath;
    std::wstring m_LanguageFile;
    std::wstring m_SettingsFolder;
};

extern CWexlink32App theApp;
