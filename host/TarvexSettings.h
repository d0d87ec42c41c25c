// The host's communication and behaviour settings, and the two folder services of the settings
// store. Ranges are not checked here: the control refuses a port, rate or adapter it cannot use.
#pragma once

#include <string>

class CTarvexSettings {
public:
    virtual ~CTarvexSettings() = default;

    // The all-users application-data folder, or ErrorText when it cannot be obtained.
    static std::wstring GetCommonAppDataFolder();
    // Creates the folder and grants the built-in Users group full access, inherited by files and
    // sub-folders. False when the folder could not be created (it existed already, for one) or
    // could not be opened to change its access list.
    static bool CreateSharedFolder(const std::wstring& folder);

    bool SingleInstance = false;
    unsigned int Baudrate = 115200;
    unsigned int IrDA = 1;
    unsigned int COM = 1;
    unsigned int ProtocolType = 0;
    unsigned int ProtocolTimes = 1;
    bool RunAtStart = false;
    bool RunMinimized = false;
    bool MinimizeToTray = false;
    bool MessagesWhileInTray = true;
};
