// The communication page and the port list: ports registered as devices of the "Ports" class are
// listed in number order under their names, one row each, the page shows the application's settings
// and hands them back on OK only, and a bad count keeps the sheet open. Ports 201 to 203 are this
// test's own; others that the machine has are left out of every check.
#include "CancelTimer.h"
#include "ComPortList.h"
#include "DialogInput.h"
#include "PortDevice.h"
#include "PropCommunication.h"
#include "Wexlink32App.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "res/resource.h"
#include "util/TreePropSheet.h"

#include <gtest/gtest.h>

#include <setupapi.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

using namespace hosttest;

namespace {

const int kFirstPort = 203;
const int kSecondPort = 201;
const int kUnnamedPort = 202;

// The number of "COMn" or of a friendly name that ends in "(COMn)"; 0 when there is none.
unsigned PortNumberIn(const std::wstring& text)
{
    const size_t at = text.rfind(L"COM");
    return at == std::wstring::npos ? 0u : static_cast<unsigned>(wcstoul(text.c_str() + at + 3, nullptr, 10));
}

std::vector<ComPortEntry> OwnPorts()
{
    std::vector<ComPortEntry> ports;
    GetComPortList(ports);
    std::vector<ComPortEntry> own;
    for (const ComPortEntry& port : ports) {
        // Other programs register ports above 200 of their own at the same moment (a listed port
        // with no device behind it), so only this test's three numbers count.
        if (port.number >= kSecondPort && port.number <= kFirstPort)
            own.push_back(port);
    }
    return own;
}

// Takes the friendly name away from the device of one port, so that it is listed by number.
void RemoveFriendlyName(int number)
{
    GUID guid;
    DWORD count = 0;
    ASSERT_TRUE(SetupDiClassGuidsFromNameW(L"Ports", &guid, 1, &count));
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(INVALID_HANDLE_VALUE, set);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t name[32] = L"";
        DWORD size = sizeof(name) - sizeof(wchar_t);
        RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
        RegCloseKey(key);
        if (name == L"COM" + std::to_wstring(number))
            SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr, 0);
    }
    SetupDiDestroyDeviceInfoList(set);
}

class CommPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_ports.push_back(new CPortDevice(kFirstPort));
        s_ports.push_back(new CPortDevice(kSecondPort));
        s_ports.push_back(new CPortDevice(kUnnamedPort));
        RemoveFriendlyName(kUnnamedPort);
    }
    static void TearDownTestSuite()
    {
        for (CPortDevice* port : s_ports)
            delete port;
        s_ports.clear();
    }

    void SetUp() override
    {
        for (CPortDevice* port : s_ports)
            ASSERT_TRUE(port->IsAdded());
        theApp.m_Settings = CTarvexSettings();
        CMessageBox::SetHandler([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            m_messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        CMessageBox::SetHandler(nullptr);
        theApp.m_Settings = CTarvexSettings();
    }

    // Opens the settings sheet with the communication page; the action gets the page's window and
    // returns the button that closes the sheet (a timer cancels whatever stays open).
    INT_PTR RunPage(const std::function<int(HWND page, HWND sheet)>& action)
    {
        CPropCommunication page;
        TreePropSheet::CTreePropSheet sheet(L"Communication options");
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        sheet.AddPage(&page);
        sheet.SetTreeViewMode(true, true, true);
        SetModalHook([&](HWND hwnd) {
            SetTimer(hwnd, 0x5AFE, 5000, &CancelWindowOnTimer);
            int button = action(page.m_hWnd, hwnd);
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        });
        return sheet.DoModal();
    }

    static std::wstring ComboText(HWND page, int index)
    {
        HWND combo = GetDlgItem(page, IDC_COM_PORT);
        wchar_t text[128] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) < 128)
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    static int ComboIndexOf(HWND page, const std::wstring& text)
    {
        HWND combo = GetDlgItem(page, IDC_COM_PORT);
        int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            if (ComboText(page, i) == text)
                return i;
        }
        return -1;
    }
    static bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
    static bool TimesEnabled(HWND page) { return IsWindowEnabled(GetDlgItem(page, IDC_PROTOCOL_TIMES)) != FALSE; }

    static std::vector<CPortDevice*> s_ports;
    std::vector<std::wstring> m_messages;
};

std::vector<CPortDevice*> CommPageTest::s_ports;

TEST_F(CommPageTest, PortsAreListedInNumberOrderWithTheirNames)
{
    std::vector<ComPortEntry> own = OwnPorts();
    ASSERT_EQ(3u, own.size());
    EXPECT_EQ(kSecondPort, own[0].number);
    EXPECT_EQ(L"Virtual serial port (COM201)", own[0].displayName);
    EXPECT_EQ(kUnnamedPort, own[1].number);
    EXPECT_EQ(L"", own[1].displayName);
    EXPECT_EQ(kFirstPort, own[2].number);

    ASSERT_TRUE(s_ports[1]->Remove());
    EXPECT_EQ(2u, OwnPorts().size());
    ASSERT_TRUE(s_ports[1]->Add());
    EXPECT_EQ(3u, OwnPorts().size());
}

TEST_F(CommPageTest, ReadsThatDifferInAFriendlyNameGiveOneNamedRow)
{
    const ComPortEntry bare{kFirstPort, L""};
    const ComPortEntry named{kFirstPort, L"Virtual serial port (COM203)"};
    std::vector<ComPortEntry> ports{bare};
    MergeComPortReads(ports, {named});
    ASSERT_EQ(1u, ports.size());
    EXPECT_EQ(named.displayName, ports[0].displayName);
    ports = {named};
    MergeComPortReads(ports, {bare});
    ASSERT_EQ(1u, ports.size());
    EXPECT_EQ(named.displayName, ports[0].displayName);
}

TEST_F(CommPageTest, PageShowsTheSettingsAndOkHandsTheChangesBack)
{
    CTarvexSettings& settings = theApp.m_Settings;
    settings.COM = kFirstPort;
    settings.Baudrate = 9600;
    settings.IrDA = 3;
    settings.ProtocolType = 2;
    settings.ProtocolTimes = 25;
    settings.RunMinimized = true;
    settings.MessagesWhileInTray = true;
    settings.SingleInstance = true;

    INT_PTR result = RunPage([&](HWND page, HWND) {
        EXPECT_EQ(ComboIndexOf(page, L"Virtual serial port (COM203)"),
                  SendMessageW(GetDlgItem(page, IDC_COM_PORT), CB_GETCURSEL, 0, 0));
        EXPECT_LT(ComboIndexOf(page, L"Virtual serial port (COM201)"), ComboIndexOf(page, L"COM202"));
        EXPECT_LT(ComboIndexOf(page, L"COM202"), ComboIndexOf(page, L"Virtual serial port (COM203)"));
        EXPECT_TRUE(Checked(page, IDC_BAUD_9600));
        EXPECT_FALSE(Checked(page, IDC_BAUD_115200));
        EXPECT_TRUE(Checked(page, IDC_IRDA_ACTISYS));
        EXPECT_TRUE(Checked(page, IDC_PROTOCOL_NO_ANSWER));
        EXPECT_TRUE(TimesEnabled(page));
        EXPECT_EQ(25u, GetDlgItemInt(page, IDC_PROTOCOL_TIMES, nullptr, FALSE));
        EXPECT_FALSE(Checked(page, IDC_RUN_AT_START));
        EXPECT_TRUE(Checked(page, IDC_RUN_MINIMIZED));
        EXPECT_TRUE(Checked(page, IDC_MESSAGES_IN_TRAY));

        SendMessageW(GetDlgItem(page, IDC_COM_PORT), CB_SETCURSEL, static_cast<WPARAM>(ComboIndexOf(page, L"COM202")),
                     0);
        Click(page, IDC_BAUD_2400);
        Click(page, IDC_IRDA_NONE);
        Click(page, IDC_PROTOCOL_SUCCESS);
        SetDlgItemTextW(page, IDC_PROTOCOL_TIMES, L"999");
        Click(page, IDC_RUN_AT_START);
        Click(page, IDC_MESSAGES_IN_TRAY);
        return IDOK;
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(static_cast<unsigned>(kUnnamedPort), settings.COM);
    EXPECT_EQ(2400u, settings.Baudrate);
    EXPECT_EQ(0u, settings.IrDA);
    EXPECT_EQ(1u, settings.ProtocolType);
    EXPECT_EQ(999u, settings.ProtocolTimes);
    EXPECT_TRUE(settings.RunAtStart);
    EXPECT_TRUE(settings.RunMinimized);
    EXPECT_FALSE(settings.MinimizeToTray);
    EXPECT_FALSE(settings.MessagesWhileInTray);
    EXPECT_TRUE(settings.SingleInstance);
}

TEST_F(CommPageTest, CancelKeepsTheSettings)
{
    theApp.m_Settings.COM = kFirstPort;
    INT_PTR result = RunPage([&](HWND page, HWND) {
        SendMessageW(GetDlgItem(page, IDC_COM_PORT), CB_SETCURSEL, 0, 0);
        Click(page, IDC_MESSAGES_IN_TRAY);
        Click(page, IDC_BAUD_4800);
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(static_cast<unsigned>(kFirstPort), theApp.m_Settings.COM);
    EXPECT_TRUE(theApp.m_Settings.MessagesWhileInTray);
    EXPECT_EQ(115200u, theApp.m_Settings.Baudrate);
}

TEST_F(CommPageTest, MissingPortAndValuesWithoutButtonsFallBackSafely)
{
    std::vector<ComPortEntry> all;
    GetComPortList(all);
    ASSERT_FALSE(all.empty());
    CTarvexSettings& settings = theApp.m_Settings;
    settings.COM = 250;  // not present
    settings.Baudrate = 12345;
    settings.IrDA = 9;
    settings.ProtocolType = 0;
    std::wstring firstShown;
    INT_PTR result = RunPage([&](HWND page, HWND) {
        EXPECT_EQ(0, SendMessageW(GetDlgItem(page, IDC_COM_PORT), CB_GETCURSEL, 0, 0));
        firstShown = ComboText(page, 0);
        for (int id = IDC_BAUD_115200; id <= IDC_BAUD_2400; ++id)
            EXPECT_FALSE(Checked(page, id)) << id;
        for (int id = IDC_IRDA_NONE; id <= IDC_IRDA_CRADLE; ++id)
            EXPECT_FALSE(Checked(page, id)) << id;
        return IDOK;
    });
    EXPECT_EQ(IDOK, result);
    // Other test programs add and remove their ports meanwhile: the first port is the one the page
    // listed first, whatever the list holds by now.
    EXPECT_EQ(PortNumberIn(firstShown), settings.COM) << "first listed: " << firstShown;
    EXPECT_EQ(12345u, settings.Baudrate);
    EXPECT_EQ(9u, settings.IrDA);
}

TEST_F(CommPageTest, ProtocolTypeButtonsSwitchTheTimesEdit)
{
    RunPage([&](HWND page, HWND) {
        EXPECT_FALSE(TimesEnabled(page));
        Click(page, IDC_PROTOCOL_NO_ANSWER);
        EXPECT_TRUE(TimesEnabled(page));
        Click(page, IDC_PROTOCOL_CONTINUOUS);
        EXPECT_FALSE(TimesEnabled(page));
        Click(page, IDC_PROTOCOL_SUCCESS);
        EXPECT_TRUE(TimesEnabled(page));
        return IDCANCEL;
    });
}

TEST_F(CommPageTest, BadCountKeepsTheSheetOpenEvenWhenTheEditIsDisabled)
{
    struct Case {
        unsigned int storedTimes;
        const wchar_t* typed;
    };
    const Case cases[] = {{1, L"0"}, {1, L"1000"}, {0, nullptr}, {5000, nullptr}};
    for (const Case& c : cases) {
        m_messages.clear();
        theApp.m_Settings = CTarvexSettings();
        theApp.m_Settings.ProtocolTimes = c.storedTimes;
        bool stayedOpen = false;
        INT_PTR result = RunPage([&](HWND page, HWND sheet) {
            if (c.typed != nullptr) {
                Click(page, IDC_PROTOCOL_SUCCESS);
                SetDlgItemTextW(page, IDC_PROTOCOL_TIMES, c.typed);
            }
            SendMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            stayedOpen = SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
            return IDCANCEL;
        });
        EXPECT_EQ(IDCANCEL, result);
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(1u, m_messages.size());
        EXPECT_EQ(L"Enter an integer between 1 and 999.", m_messages[0]);
        EXPECT_EQ(c.storedTimes, theApp.m_Settings.ProtocolTimes);
    }
}

}  // namespace
