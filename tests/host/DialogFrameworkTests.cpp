// Modal dialogs and property sheets of the framework: data exchange both ways, OK keeps and Cancel
// discards, a refused value keeps the dialog open, sheets apply their pages on OK only. The
// dialogs are closed from the modal hook, so every loop ends by itself.
#include "CancelTimer.h"
#include "DialogInput.h"
#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/PropertyPage.h"
#include "framework/PropertySheet.h"
#include "framework/Wnd.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hosttest;

namespace {

// The communication page's template holds every kind of control the exchange helpers serve.
class ExchangeDialog : public CDialog {
public:
    explicit ExchangeDialog(HWND owner) : CDialog(IDD_PROP_COMMUNICATION, owner) {}

    int times = 5;
    int baudIndex = 2;
    int comboIndex = 1;
    bool runAtStart = true;
    int minimized = BST_UNCHECKED;
    std::wstring timesText;
    CComboBox combo;

protected:
    BOOL OnInitDialog() override
    {
        HWND combo = GetDlgItem(m_hWnd, IDC_COM_PORT);
        for (const wchar_t* text : {L"COM1", L"COM2", L"COM3"})
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        return CDialog::OnInitDialog();
    }
    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Control(dx, IDC_COM_PORT, combo);
        DDX_CBIndex(dx, IDC_COM_PORT, comboIndex);
        DDX_Radio(dx, IDC_BAUD_115200, baudIndex);
        DDX_Check(dx, IDC_RUN_AT_START, runAtStart);
        DDX_Check(dx, IDC_RUN_MINIMIZED, minimized);
        DDX_Text(dx, IDC_PROTOCOL_TIMES, times);
        DDV_MinMaxInt(dx, times, 1, 999);
        if (dx.m_bSaveAndValidate)
            DDX_Text(dx, IDC_PROTOCOL_TIMES, timesText);
    }
};

class DialogFrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr));
        CMessageBox::SetHandler([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            m_messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        CMessageBox::SetHandler(nullptr);
    }

    // Runs the hook once the window is up; a timer closes whatever the hook left open.
    void OnShown(std::function<void(HWND)> action)
    {
        SetModalHook([action](HWND window) {
            SetTimer(window, 0x5AFE, 5000, &CancelWindowOnTimer);
            action(window);
        });
    }

    CWnd m_owner;
    std::vector<std::wstring> m_messages;
};

TEST_F(DialogFrameworkTest, MembersReachTheControlsAndOkTakesThemBack)
{
    ExchangeDialog dialog(m_owner.m_hWnd);
    bool ownerDisabled = false;
    OnShown([&](HWND hwnd) {
        ownerDisabled = !IsWindowEnabled(m_owner.m_hWnd);
        EXPECT_EQ(1, SendMessageW(GetDlgItem(hwnd, IDC_COM_PORT), CB_GETCURSEL, 0, 0));
        EXPECT_TRUE(IsChecked(hwnd, IDC_BAUD_38400));
        EXPECT_FALSE(IsChecked(hwnd, IDC_BAUD_115200));
        EXPECT_TRUE(IsChecked(hwnd, IDC_RUN_AT_START));
        EXPECT_EQ(5, GetDlgItemInt(hwnd, IDC_PROTOCOL_TIMES, nullptr, TRUE));

        SendMessageW(GetDlgItem(hwnd, IDC_COM_PORT), CB_SETCURSEL, 2, 0);
        Click(hwnd, IDC_BAUD_2400);
        Click(hwnd, IDC_RUN_AT_START);
        Click(hwnd, IDC_RUN_MINIMIZED);
        SetDlgItemTextW(hwnd, IDC_PROTOCOL_TIMES, L" 42 ");
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(m_owner.m_hWnd));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(2, dialog.comboIndex);
    EXPECT_EQ(6, dialog.baudIndex);
    EXPECT_FALSE(dialog.runAtStart);
    EXPECT_EQ(BST_CHECKED, dialog.minimized);
    EXPECT_EQ(42, dialog.times);
    EXPECT_EQ(L" 42 ", dialog.timesText);
    EXPECT_TRUE(m_messages.empty());
}

// A dialog opened from a control (a page's button or list) locks the whole top-level window, and
// the control has the keyboard again once the dialog is gone.
TEST_F(DialogFrameworkTest, DialogOwnedByAControlLocksItsWindowAndGivesTheFocusBack)
{
    ShowWindow(m_owner.m_hWnd, SW_SHOW);
    HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 100, 20, m_owner.m_hWnd,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, field);
    SetFocus(field);
    ASSERT_EQ(field, GetFocus());

    ExchangeDialog dialog(field);
    bool topLevelDisabled = false;
    OnShown([&](HWND hwnd) {
        topLevelDisabled = !IsWindowEnabled(m_owner.m_hWnd);
        Press(hwnd, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_TRUE(topLevelDisabled);
    EXPECT_TRUE(IsWindowEnabled(m_owner.m_hWnd));
    EXPECT_TRUE(IsWindowEnabled(field));
    EXPECT_EQ(field, GetFocus());
}

TEST_F(DialogFrameworkTest, CancelLeavesTheMembersAsTheyWereEachTimeTheDialogIsShown)
{
    ExchangeDialog dialog(m_owner.m_hWnd);
    dialog.baudIndex = 7;  // no such button: none is checked
    for (int round = 0; round < 2; ++round) {
        bool comboBound = false;
        OnShown([&](HWND hwnd) {
            comboBound = dialog.combo.m_hWnd == GetDlgItem(hwnd, IDC_COM_PORT);
            EXPECT_FALSE(IsChecked(hwnd, IDC_BAUD_115200));
            EXPECT_FALSE(IsChecked(hwnd, IDC_BAUD_2400));
            SetDlgItemTextW(hwnd, IDC_PROTOCOL_TIMES, L"77");
            Click(hwnd, IDC_BAUD_9600);
            Press(hwnd, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
        EXPECT_TRUE(comboBound) << round;
        EXPECT_EQ(5, dialog.times);
        EXPECT_EQ(7, dialog.baudIndex);
    }
}

TEST_F(DialogFrameworkTest, RefusedNumbersKeepTheDialogOpenAndTheMembersUnchanged)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"0", L"Enter an integer between 1 and 999."},
        {L"1000", L"Enter an integer between 1 and 999."},
        {L"", L"Enter an integer."},
        {L"12x", L"Enter an integer."},
        {L"99999999999", L"Enter an integer."},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        ExchangeDialog dialog(m_owner.m_hWnd);
        bool stayedOpen = false;
        OnShown([&](HWND hwnd) {
            SetDlgItemTextW(hwnd, IDC_PROTOCOL_TIMES, c.text);
            Click(hwnd, IDC_RUN_AT_START);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            stayedOpen = IsWindow(hwnd) != FALSE;
            Press(hwnd, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal()) << c.text;
        EXPECT_TRUE(stayedOpen) << c.text;
        ASSERT_EQ(1u, m_messages.size()) << c.text;
        EXPECT_EQ(c.message, m_messages[0]);
        EXPECT_EQ(5, dialog.times) << c.text;
        EXPECT_TRUE(dialog.runAtStart) << c.text;
    }
}

// A page that counts what the sheet asks of it.
class CountingPage : public CPropertyPage {
public:
    CountingPage() : CPropertyPage(IDD_PROP_COMMUNICATION) {}
    int applied = 0;
    int times = 3;
    bool refuseToLeave = false;

protected:
    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Text(dx, IDC_PROTOCOL_TIMES, times);
        DDV_MinMaxInt(dx, times, 1, 999);
    }
    BOOL OnKillActive() override { return refuseToLeave ? FALSE : CPropertyPage::OnKillActive(); }
    void OnOK() override { ++applied; }
};

TEST_F(DialogFrameworkTest, SheetAppliesItsPagesOnOkOnly)
{
    CountingPage first;
    CountingPage second;
    for (int button : {IDOK, IDCANCEL}) {
        first.applied = second.applied = 0;
        CPropertySheet sheet(L"Sheet", m_owner.m_hWnd);
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        int activeAfterSwitch = -1;
        OnShown([&](HWND hwnd) {
            EXPECT_EQ(0, sheet.GetActiveIndex());
            EXPECT_TRUE(sheet.SetActivePage(1));
            activeAfterSwitch = sheet.GetActiveIndex();
            Press(hwnd, button);
        });
        EXPECT_EQ(button, sheet.DoModal());
        EXPECT_EQ(1, activeAfterSwitch);
        EXPECT_EQ(nullptr, sheet.m_hWnd);
        EXPECT_EQ(button == IDOK ? 1 : 0, first.applied);
        EXPECT_EQ(button == IDOK ? 1 : 0, second.applied);
        EXPECT_TRUE(IsWindowEnabled(m_owner.m_hWnd));
    }
}

TEST_F(DialogFrameworkTest, PageWithARefusedValueKeepsTheSheetOpenWithTheFocusOnIt)
{
    CountingPage page;
    CountingPage other;
    CPropertySheet sheet(L"Sheet", m_owner.m_hWnd);
    sheet.AddPage(&page);
    sheet.AddPage(&other);
    bool switched = true;
    bool openAfterOk = false;
    bool focusOnEdit = false;
    OnShown([&](HWND hwnd) {
        HWND edit = GetDlgItem(sheet.GetPage(0)->m_hWnd, IDC_PROTOCOL_TIMES);
        SetWindowTextW(edit, L"0");
        switched = sheet.SetActivePage(1);
        focusOnEdit = GetFocus() == edit;
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        openAfterOk = SendMessageW(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
        Press(hwnd, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, sheet.DoModal());
    EXPECT_FALSE(switched);
    EXPECT_TRUE(openAfterOk);
    EXPECT_TRUE(focusOnEdit);
    EXPECT_EQ(0, page.applied);
    EXPECT_EQ(3, page.times);
    EXPECT_EQ(2u, m_messages.size());
}

}  // namespace
