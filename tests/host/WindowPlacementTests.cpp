// Where dialogs and sheets open, and how much of the main form stays reachable: a dialog or sheet
// that its own code did not place is centred on its owner and kept inside the work area of the
// owner's monitor; a form view smaller than its form scrolls; a status message takes the room it
// needs from the fixed panes and is its pane's tip.
#include "framework/Dialog.h"
#include "framework/FormView.h"
#include "framework/FrameWnd.h"
#include "framework/ModalLoop.h"
#include "framework/PropertyPage.h"
#include "framework/StatusBar.h"
#include "framework/WindowPlacement.h"
#include "res/resource.h"
#include "util/BrowseCtrl.h"
#include "util/TreePropSheet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT WorkAreaOf(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

LONG Width(const RECT& rect)
{
    return rect.right - rect.left;
}
LONG Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

// Inside the work area as far as the window fits; its top-left corner is inside in any case.
void ExpectReachable(const RECT& window, const RECT& work)
{
    EXPECT_GE(window.left, work.left);
    EXPECT_GE(window.top, work.top);
    if (Width(window) <= Width(work)) {
        EXPECT_LE(window.right, work.right);
    }
    if (Height(window) <= Height(work)) {
        EXPECT_LE(window.bottom, work.bottom);
    }
}

void ExpectCentredOn(const RECT& window, const RECT& around)
{
    EXPECT_LE(std::abs((window.left + window.right) - (around.left + around.right)), 2);
    EXPECT_LE(std::abs((window.top + window.bottom) - (around.top + around.bottom)), 2);
}

TEST(CenteredInside, CentresOnTheOwnerAndPushesTheWindowIntoTheWorkArea)
{
    const RECT work = {0, 0, 1000, 700};
    POINT middle = CenteredInside(RECT{100, 100, 500, 400}, SIZE{200, 100}, work);
    EXPECT_EQ(200, middle.x);
    EXPECT_EQ(200, middle.y);

    // Owner at the origin: centring alone would put the window's corner off the screen.
    POINT atOrigin = CenteredInside(RECT{0, 0, 300, 200}, SIZE{844, 519}, work);
    EXPECT_EQ(0, atOrigin.x);
    EXPECT_EQ(0, atOrigin.y);

    // Owner in the far corner, partly beyond the work area.
    POINT farCorner = CenteredInside(RECT{900, 650, 1300, 950}, SIZE{300, 200}, work);
    EXPECT_EQ(700, farCorner.x);
    EXPECT_EQ(500, farCorner.y);

    // Larger than the work area: the title bar and the left edge stay on the screen.
    POINT tooLarge = CenteredInside(RECT{0, 0, 1000, 700}, SIZE{1200, 900}, RECT{-50, 20, 950, 720});
    EXPECT_EQ(-50, tooLarge.x);
    EXPECT_EQ(20, tooLarge.y);
}

class PlacedDialog : public CDialog {
public:
    explicit PlacedDialog(HWND owner) : CDialog(IDD_TIME_DATE_FORMAT, owner) {}
    POINT placeAt = {-1, -1};

protected:
    BOOL OnInitDialog() override
    {
        if (placeAt.x >= 0)
            SetWindowPos(m_hWnd, nullptr, placeAt.x, placeAt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return CDialog::OnInitDialog();
    }
};

class WindowPlacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
        m_work = WorkAreaOf(m_owner.m_hWnd);
    }
    void TearDown() override { SetModalHook(nullptr); }

    void PlaceOwner(int x, int y, int width, int height, int show = SW_SHOWNORMAL)
    {
        ShowWindow(m_owner.m_hWnd, SW_SHOWNORMAL);
        SetWindowPos(m_owner.m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER);
        ShowWindow(m_owner.m_hWnd, show);
    }

    // Shows the modal window that `run` opens and hands back where it was once shown.
    RECT ShownRect(const std::function<INT_PTR()>& run)
    {
        RECT shown = {};
        SetModalHook([&shown](HWND window) {
            shown = WindowRect(window);
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(IDCANCEL, run());
        SetModalHook(nullptr);
        return shown;
    }

    RECT DialogRect(POINT placeAt = {-1, -1})
    {
        PlacedDialog dialog(m_owner.m_hWnd);
        dialog.placeAt = placeAt;
        return ShownRect([&dialog] { return dialog.DoModal(); });
    }

    RECT TreeSheetRect();

    // An owner of the given size in the far corner, mostly beyond the screen: what `open` shows is
    // pushed into the work area's corner. A minimised owner: it opens in the middle of the work area.
    void ExpectPlacedInTheCornerAndWhenMinimised(const std::function<RECT()>& open, int cornerWidth, int cornerHeight)
    {
        PlaceOwner(m_work.right - 60, m_work.bottom - 40, cornerWidth, cornerHeight);
        RECT corner = open();
        ExpectReachable(corner, m_work);
        EXPECT_EQ(m_work.right, corner.right);
        EXPECT_EQ(m_work.bottom, corner.bottom);

        PlaceOwner(m_work.left, m_work.top, 300, 200, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(m_owner.m_hWnd));
        RECT minimised = open();
        ExpectCentredOn(minimised, m_work);
        ExpectReachable(minimised, m_work);
    }

    CWnd m_owner;
    RECT m_work = {};
};

TEST_F(WindowPlacementTest, DialogIsCentredOnItsOwnerAndKeptOnTheScreen)
{
    // Owner at the origin, larger than the dialog: centred on it.
    PlaceOwner(m_work.left, m_work.top, Width(m_work), Height(m_work));
    RECT owner = WindowRect(m_owner.m_hWnd);
    RECT centred = DialogRect();
    ExpectCentredOn(centred, owner);
    ExpectReachable(centred, m_work);

    // Owner at the origin, smaller than the dialog: centring would push it off at the top-left.
    PlaceOwner(m_work.left, m_work.top, 120, 90);
    RECT small = DialogRect();
    EXPECT_EQ(Width(centred), Width(small));
    ExpectReachable(small, m_work);

    ExpectPlacedInTheCornerAndWhenMinimised([this] { return DialogRect(); }, Width(m_work), Height(m_work));
}

TEST_F(WindowPlacementTest, DialogThatPlacesItselfStaysWhereItWasPut)
{
    PlaceOwner(m_work.left, m_work.top, Width(m_work), Height(m_work));
    RECT placed = DialogRect(POINT{m_work.left + 7, m_work.top + 9});
    EXPECT_EQ(m_work.left + 7, placed.left);
    EXPECT_EQ(m_work.top + 9, placed.top);
}

class TasksPage : public CPropertyPage {
public:
    TasksPage() : CPropertyPage(IDD_PROP_TASKS) {}
};

// Where a two-page tree settings sheet of the test's owner opens.
RECT WindowPlacementTest::TreeSheetRect()
{
    TasksPage first;
    TasksPage second;
    TreePropSheet::CTreePropSheet sheet(L"Settings");
    sheet.m_psh.hwndParent = m_owner.m_hWnd;
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.SetTreeViewMode(true, false, false);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    return ShownRect([&sheet] { return sheet.DoModal(); });
}

TEST_F(WindowPlacementTest, TreeSheetWiderThanItsOwnerOpensWhollyReachable)
{
    for (bool farCorner : {false, true}) {
        if (farCorner)
            PlaceOwner(m_work.right - 60, m_work.bottom - 40, 400, 300);
        else
            PlaceOwner(m_work.left, m_work.top, 400, 300);
        RECT shown = TreeSheetRect();
        EXPECT_GT(Width(shown), 400);
        ExpectReachable(shown, m_work);
        if (farCorner && Width(shown) <= Width(m_work)) {
            EXPECT_EQ(m_work.right, shown.right);
        }
    }
}

TEST_F(WindowPlacementTest, TreeSheetOfAMinimisedOwnerOpensWhollyReachableInTheMiddleOfTheScreen)
{
    PlaceOwner(m_work.left, m_work.top, 400, 300, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(m_owner.m_hWnd));
    RECT shown = TreeSheetRect();
    EXPECT_GT(Width(shown), 400);
    ExpectReachable(shown, m_work);
    if (Width(shown) <= Width(m_work) && Height(shown) <= Height(m_work)) {
        ExpectCentredOn(shown, m_work);
    }
}

// The shell's folder browser, opened by the browse control of a window: placed like the framework's
// own dialogs, though the shell makes it.
TEST_F(WindowPlacementTest, FolderBrowserIsCentredOnItsOwnerAndKeptOnTheScreen)
{
    CBrowseCtrl control;
    ASSERT_TRUE(control.Create(RECT{4, 4, 200, 30}, &m_owner, 100, CBrowseCtrl::FolderMode, 0));
    auto browserRect = [this, &control] {
        return ShownRect([&control] { return static_cast<INT_PTR>(control.Browse()); });
    };

    PlaceOwner(m_work.left, m_work.top, Width(m_work), Height(m_work));
    RECT centred = browserRect();
    ASSERT_GT(Width(centred), 0);
    ExpectCentredOn(centred, WindowRect(m_owner.m_hWnd));
    ExpectReachable(centred, m_work);

    // A small owner at the origin: centring alone would put the title bar above the screen.
    PlaceOwner(m_work.left, m_work.top, 120, 90);
    RECT origin = browserRect();
    ASSERT_GT(Width(origin), 120);
    ExpectReachable(origin, m_work);

    ExpectPlacedInTheCornerAndWhenMinimised(browserRect, 400, 300);
}

TEST_F(WindowPlacementTest, PlainSheetIsCentredOnItsOwner)
{
    PlaceOwner(m_work.left, m_work.top, Width(m_work), Height(m_work));
    TasksPage page;
    CPropertySheet sheet(L"Sheet", m_owner.m_hWnd);
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.AddPage(&page);
    RECT shown = ShownRect([&sheet] { return sheet.DoModal(); });
    ExpectCentredOn(shown, WindowRect(m_owner.m_hWnd));
    ExpectReachable(shown, m_work);
}

// A frame holding a bare form view of the main form.
class FormViewScrollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CFrameWnd::CreateContext context{nullptr, [this] {
                                             m_view = new CFormView(IDD_WEXLINK32_FORM);
                                             return m_view;
                                         }};
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, &context));
        ASSERT_NE(nullptr, m_view);
        ShowWindow(m_frame->m_hWnd, SW_SHOWNORMAL);
        m_view->ResizeParentToFit(false);
        m_frame->RecalcLayout();
        m_logAtRest = LogRect();
    }
    void TearDown() override
    {
        if (m_frame != nullptr && IsWindow(m_frame->m_hWnd))
            DestroyWindow(m_frame->m_hWnd);
    }

    void SizeFrame(int width, int height)
    {
        SetWindowPos(m_frame->m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        m_frame->RecalcLayout();
    }
    RECT LogRect() const
    {
        RECT rect = WindowRect(GetDlgItem(m_view->m_hWnd, IDC_STATUS_LOG));
        MapWindowPoints(nullptr, m_view->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    bool HasBar(DWORD bar) const { return (GetWindowLongPtrW(m_view->m_hWnd, GWL_STYLE) & bar) != 0; }

    CFrameWnd* m_frame = nullptr;
    CFormView* m_view = nullptr;
    RECT m_logAtRest = {};
};

TEST_F(FormViewScrollTest, SmallFrameScrollsToEveryPartOfTheFormAndLargeOneShowsItWhole)
{
    SIZE total = m_view->GetTotalSize();
    ASSERT_GT(total.cx, 200);
    EXPECT_FALSE(HasBar(WS_HSCROLL));
    EXPECT_FALSE(HasBar(WS_VSCROLL));

    SizeFrame(200, 180);
    ASSERT_TRUE(HasBar(WS_HSCROLL));
    ASSERT_TRUE(HasBar(WS_VSCROLL));
    SendMessageW(m_view->m_hWnd, WM_HSCROLL, SB_BOTTOM, 0);
    SendMessageW(m_view->m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
    RECT client;
    GetClientRect(m_view->m_hWnd, &client);
    POINT scrolled = m_view->GetScrollPosition();
    EXPECT_EQ(total.cx - client.right, scrolled.x);
    EXPECT_EQ(total.cy - client.bottom, scrolled.y);
    // The log's far corner is in view, the controls moved by the scrolled distance.
    RECT log = LogRect();
    EXPECT_EQ(m_logAtRest.left - scrolled.x, log.left);
    EXPECT_EQ(m_logAtRest.top - scrolled.y, log.top);
    EXPECT_LE(log.right, client.right);
    EXPECT_LE(log.bottom, client.bottom);

    // Scrolling stops at both ends.
    for (int i = 0; i < 100; ++i)
        SendMessageW(m_view->m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(scrolled.y, m_view->GetScrollPosition().y);
    SendMessageW(m_view->m_hWnd, WM_VSCROLL, SB_PAGEUP, 0);
    SendMessageW(m_view->m_hWnd, WM_HSCROLL, SB_TOP, 0);
    for (int i = 0; i < 100; ++i)
        SendMessageW(m_view->m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(0, m_view->GetScrollPosition().x);
    EXPECT_EQ(0, m_view->GetScrollPosition().y);

    // Scrolled away and then made large again: the bars go and the form is back in its place.
    SendMessageW(m_view->m_hWnd, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageW(m_view->m_hWnd, WM_HSCROLL, SB_BOTTOM, 0);
    m_view->ResizeParentToFit(false);
    m_frame->RecalcLayout();
    EXPECT_FALSE(HasBar(WS_HSCROLL));
    EXPECT_FALSE(HasBar(WS_VSCROLL));
    EXPECT_EQ(0, m_view->GetScrollPosition().x);
    EXPECT_EQ(0, m_view->GetScrollPosition().y);
    RECT back = LogRect();
    EXPECT_EQ(m_logAtRest.left, back.left);
    EXPECT_EQ(m_logAtRest.top, back.top);
    GetClientRect(m_view->m_hWnd, &client);
    // (A menu bar that wrapped in the narrow frame may leave a little more room than the form.)
    EXPECT_GE(client.right, total.cx);
    EXPECT_GE(client.bottom, total.cy);
}

class StatusBarRoomTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, L"Frame", WS_OVERLAPPEDWINDOW, 0, 0, 700, 120, nullptr, nullptr));
        ASSERT_TRUE(m_bar.Create(&m_parent));
        const UINT panes[] = {0, IDS_PROGRESS_PANE};
        ASSERT_TRUE(m_bar.SetIndicators(panes, 2));
        m_bar.SetPaneInfo(1, IDS_PROGRESS_PANE, CStatusBar::SBPS_NORMAL, 400);
    }
    // Makes the bar's client area this wide.
    void Widen(int width)
    {
        RECT bar;
        GetClientRect(m_bar.m_hWnd, &bar);
        RECT window;
        GetWindowRect(m_parent.m_hWnd, &window);
        SetWindowPos(m_parent.m_hWnd, nullptr, 0, 0, Width(window) + width - Width(bar), Height(window),
                     SWP_NOMOVE | SWP_NOZORDER);
        m_bar.UpdateLayout();
    }
    RECT Pane(int index) const
    {
        RECT rect;
        m_bar.GetItemRect(index, &rect);
        return rect;
    }
    int TextWidth(const std::wstring& text) const
    {
        HDC dc = GetDC(m_bar.m_hWnd);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(m_bar.m_hWnd, WM_GETFONT, 0, 0)));
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        ReleaseDC(m_bar.m_hWnd, dc);
        return size.cx;
    }

    CWnd m_parent;
    CStatusBar m_bar;
};

TEST_F(StatusBarRoomTest, MessageTakesRoomFromTheFixedPaneAndGivesItBack)
{
    Widen(700);
    ASSERT_TRUE(m_bar.SetPaneText(0, L"Ready"));
    EXPECT_NEAR(400, Width(Pane(1)), 4);  // the part's borders
    EXPECT_NEAR(700, Pane(1).right, 4);

    const std::wstring prompt = L"Display program information, version number and copyright";
    ASSERT_TRUE(m_bar.SetPaneText(0, prompt));
    EXPECT_GE(Width(Pane(0)), TextWidth(prompt));
    EXPECT_LT(Width(Pane(1)), 390);
    EXPECT_NEAR(700, Pane(1).right, 4);

    ASSERT_TRUE(m_bar.SetPaneText(0, L"Ready"));
    EXPECT_NEAR(400, Width(Pane(1)), 4);  // the part's borders

    // Narrower than the text itself: all the room is the message's, and its tip holds it whole.
    Widen(150);
    ASSERT_TRUE(m_bar.SetPaneText(0, prompt));
    EXPECT_GE(Pane(0).right, 145);
    EXPECT_EQ(prompt, m_bar.GetPaneTip(0));
    ASSERT_TRUE(m_bar.SetPaneText(0, L"Ready"));
    EXPECT_EQ(L"Ready", m_bar.GetPaneTip(0));
}

}  // namespace
