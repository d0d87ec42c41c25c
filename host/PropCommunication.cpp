#include "PropCommunication.h"

#include "LineSettings.h"

#include "Wexlink32App.h"
#include "res/resource.h"

namespace {

// A settings value and the radio button that stands for it.
struct ButtonValue {
    int id;
    unsigned int value;
};

const ButtonValue kBaudButtons[] = {
    {IDC_BAUD_115200, 115200}, {IDC_BAUD_57600, 57600}, {IDC_BAUD_38400, 38400}, {IDC_BAUD_19200, 19200},
    {IDC_BAUD_9600, 9600},     {IDC_BAUD_4800, 4800},   {IDC_BAUD_2400, 2400},
};
const ButtonValue kIrDAButtons[] = {
    {IDC_IRDA_NONE, 0}, {IDC_IRDA_LITELINK, 1}, {IDC_IRDA_TEKRAM, 2}, {IDC_IRDA_ACTISYS, 3}, {IDC_IRDA_CRADLE, 4},
};
const ButtonValue kProtocolButtons[] = {
    {IDC_PROTOCOL_CONTINUOUS, 0},
    {IDC_PROTOCOL_SUCCESS, 1},
    {IDC_PROTOCOL_NO_ANSWER, 2},
};

struct FlagBox {
    int id;
    bool CTarvexSettings::*flag;
};

const FlagBox kFlagBoxes[] = {
    {IDC_RUN_AT_START, &CTarvexSettings::RunAtStart},
    {IDC_RUN_MINIMIZED, &CTarvexSettings::RunMinimized},
    {IDC_MINIMIZE_TO_TRAY, &CTarvexSettings::MinimizeToTray},
    {IDC_MESSAGES_IN_TRAY, &CTarvexSettings::MessagesWhileInTray},
};

bool IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

template <size_t N>
void CheckButtonOf(HWND dialog, const ButtonValue (&buttons)[N], unsigned int value)
{
    for (const ButtonValue& button : buttons) {
        if (button.value == value)
            CheckDlgButton(dialog, button.id, BST_CHECKED);
    }
}

// The value of the first checked button; the setting stays as it is when none is checked.
template <size_t N>
void TakeCheckedButton(HWND dialog, const ButtonValue (&buttons)[N], unsigned int& value)
{
    for (const ButtonValue& button : buttons) {
        if (IsChecked(dialog, button.id)) {
            value = button.value;
            return;
        }
    }
}

}  // namespace

CPropCommunication::CPropCommunication() : CPropertyPage(IDD_PROP_COMMUNICATION) {}

void CPropCommunication::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_COM_PORT, m_portCombo);
    DDX_Text(dx, IDC_PROTOCOL_TIMES, m_times);
    DDV_MinMaxInt(dx, m_times, kFewestRunCount, kMostRunCountOffered);
}

BOOL CPropCommunication::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_settings = theApp.m_Settings;
    FillPortList();
    CheckSettingButtons();
    // The count as stored: a value out of range shows as it is and is refused on OK.
    m_times = static_cast<int>(m_settings.ProtocolTimes);
    if (m_settings.ProtocolType == 0)
        EnableTimes(false);
    else if (m_settings.ProtocolType == 1 || m_settings.ProtocolType == 2)
        EnableTimes(true);
    UpdateData(false);
    return TRUE;
}

void CPropCommunication::FillPortList()
{
    m_ports.clear();
    m_portCombo.ResetContent();
    GetComPortList(m_ports);
    int selected = -1;
    for (size_t i = 0; i < m_ports.size(); ++i) {
        const ComPortEntry& port = m_ports[i];
        m_portCombo.AddString(port.displayName.empty() ? L"COM" + std::to_wstring(port.number) : port.displayName);
        if (port.number == static_cast<int>(m_settings.COM))
            selected = static_cast<int>(i);
    }
    if (!m_ports.empty())
        m_portCombo.SetCurSel(selected >= 0 ? selected : 0);
}

void CPropCommunication::CheckSettingButtons()
{
    CheckButtonOf(m_hWnd, kBaudButtons, m_settings.Baudrate);
    CheckButtonOf(m_hWnd, kIrDAButtons, m_settings.IrDA);
    CheckButtonOf(m_hWnd, kProtocolButtons, m_settings.ProtocolType);
    for (const FlagBox& box : kFlagBoxes) {
        if (m_settings.*box.flag)
            CheckDlgButton(m_hWnd, box.id, BST_CHECKED);
    }
}

void CPropCommunication::TakeSettingButtons()
{
    TakeCheckedButton(m_hWnd, kBaudButtons, m_settings.Baudrate);
    TakeCheckedButton(m_hWnd, kIrDAButtons, m_settings.IrDA);
    TakeCheckedButton(m_hWnd, kProtocolButtons, m_settings.ProtocolType);
    for (const FlagBox& box : kFlagBoxes)
        m_settings.*box.flag = IsChecked(m_hWnd, box.id);
}

void CPropCommunication::OnOK()
{
    // The sheet refuses to close with OK while the count is invalid, so this exchange succeeds.
    UpdateData(true);
    int selected = m_portCombo.GetCurSel();
    if (selected >= 0 && static_cast<size_t>(selected) < m_ports.size())
        m_settings.COM = static_cast<unsigned int>(m_ports[static_cast<size_t>(selected)].number);
    TakeSettingButtons();
    m_settings.ProtocolTimes = static_cast<unsigned int>(m_times);
    theApp.m_Settings = m_settings;
    CPropertyPage::OnOK();
}

void CPropCommunication::EnableTimes(bool enable)
{
    EnableWindow(GetDlgItem(m_hWnd, IDC_PROTOCOL_TIMES), enable ? TRUE : FALSE);
}

void CPropCommunication::OnContinuous()
{
    EnableTimes(false);
}

void CPropCommunication::OnTimesMode()
{
    EnableTimes(true);
}

bool CPropCommunication::OnControlCommand(UINT id, UINT code, HWND /*control*/)
{
    if (code == BN_CLICKED && id == IDC_PROTOCOL_CONTINUOUS) {
        OnContinuous();
        return true;
    }
    if (code == BN_CLICKED && (id == IDC_PROTOCOL_SUCCESS || id == IDC_PROTOCOL_NO_ANSWER)) {
        OnTimesMode();
        return true;
    }
    return false;
}
