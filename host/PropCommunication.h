// The communication page of the settings sheet: port, infrared adapter, speed, protocol type with
// its count, and the start-up and notification-area flags. It edits a working copy of the
// application's settings and copies it back on OK only.
#pragma once

#include "ComPortList.h"
#include "TarvexSettings.h"
#include "framework/ComboBox.h"
#include "framework/PropertyPage.h"

#include <vector>

class CPropCommunication : public CPropertyPage {
public:
    CPropCommunication();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;

private:
    void OnContinuous();
    void OnTimesMode();
    void FillPortList();
    void CheckSettingButtons();
    void TakeSettingButtons();
    void EnableTimes(bool enable);

    std::vector<ComPortEntry> m_ports;
    CTarvexSettings m_settings;
    CComboBox m_portCombo;
    int m_times = 1;
};
