// The tasks page inside a property sheet: what it shows, adding, editing and deleting over the
// working list, the keys of the list, and OK or Cancel of the sheet over the application's list.
#include "PropTasks.h"
#include "TaskTestSupport.h"
#include "framework/FileDialog.h"
#include "framework/PropertySheet.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/IconListBox.h"

#include <algorithm>

using namespace tasktest;

namespace {

class PropTasksTest : public ModalScriptTest {
protected:
    void TearDown() override
    {
        CFileDialog::SetHandler(nullptr);
        ModalScriptTest::TearDown();
    }

    // Runs the sheet with the page; the step works on the page's window and closes with button.
    INT_PTR RunSheet(CPropTasks& page, int button, std::function<void(HWND page)> step)
    {
        CPropertySheet sheet(L"Settings", owner.m_hWnd);
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        sheet.AddPage(&page);
        Then([&sheet, step, button](HWND hwnd) {
            step(sheet.GetPage(0)->m_hWnd);
            Press(hwnd, button);
        });
        return sheet.DoModal();
    }

    static std::wstring ItemText(HWND page, int index)
    {
        HWND list = GetDlgItem(page, IDC_TASKS_LIST);
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) + 1,
                          L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(text.size() - 1);
        return text;
    }

    static int ItemCount(HWND page)
    {
        return static_cast<int>(SendDlgItemMessageW(page, IDC_TASKS_LIST, LB_GETCOUNT, 0, 0));
    }

    static void Select(HWND page, int index)
    {
        HWND list = GetDlgItem(page, IDC_TASKS_LIST);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_TASKS_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }

    static void AddKind(HWND page, int kind)
    {
        SendDlgItemMessageW(page, IDC_TASKS_TYPE, CB_SETCURSEL, static_cast<WPARAM>(kind), 0);
        Click(page, IDC_TASKS_ADD);
    }

    static bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

    std::vector<CWexlinkObj> appTasks;
};

}  // namespace

TEST_F(PropTasksTest, ShowsEachTaskWithItsTitleDetailAndIcon)
{
    appTasks = {CWexlinkObj(taskGetOSVersion),
                CWexlinkObj(TimeDateFormat{19}),
                CWexlinkObj(L"C:\\In", 0, L"*.DAT", 0, false, true, false, false, 0, false, 0, 0),
                CWexlinkObj(L"C:\\Out\\a.txt", 1, false),
                CWexlinkObj(taskListFiles, L"*.*", 2),
                CWexlinkObj(taskDeleteFiles, L"OLD.LOG", 7)};
    CPropTasks page(appTasks);
    RunSheet(page, IDCANCEL, [this](HWND hwnd) {
        ASSERT_EQ(6, ItemCount(hwnd));
        EXPECT_EQ(L"Get OS Version", ItemText(hwnd, 0));
        EXPECT_EQ(L"Get Time / Date\nYY/MM/DD", ItemText(hwnd, 1));
        EXPECT_EQ(L"Receive File(s)\n*.DAT from RAM Disk to folder C:\\In", ItemText(hwnd, 2));
        EXPECT_EQ(L"Transmit File\nC:\\Out\\a.txt to Internal Disk", ItemText(hwnd, 3));
        EXPECT_EQ(L"List File(s)\nDefault drive, *.*", ItemText(hwnd, 4));
        EXPECT_EQ(L"Delete File(s)\n7, OLD.LOG", ItemText(hwnd, 5));
        HWND list = GetDlgItem(hwnd, IDC_TASKS_LIST);
        for (int i = 0; i < 6; ++i) {
            LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0);
            ASSERT_NE(0, data);
        }
        // The two-line items are higher than the one-line ones only when the text needs it:
        // either way an icon of 32 pixels fits.
        EXPECT_GE(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 36);
        EXPECT_EQ(8, SendDlgItemMessageW(hwnd, IDC_TASKS_TYPE, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessageW(hwnd, IDC_TASKS_TYPE, CB_GETCURSEL, 0, 0));
        EXPECT_FALSE(Enabled(hwnd, IDC_TASKS_EDIT));
        EXPECT_FALSE(Enabled(hwnd, IDC_TASKS_DELETE));
        EXPECT_TRUE(Enabled(hwnd, IDC_TASKS_DELETE_ALL));
        UpdateWindow(hwnd);  // draws every item once
    });
}

TEST_F(PropTasksTest, AddingReplacesTheApplicationListOnOkOnly)
{
    appTasks = {CWexlinkObj(taskSetTimeDate)};
    for (int button : {IDCANCEL, IDOK}) {
        CPropTasks page(appTasks);
        CFileDialog::SetHandler([](CFileDialog& dialog) {
            dialog.m_pathNames = {L"C:\\x\\1.txt", L"C:\\x\\2.txt", L"C:\\x\\3.txt"};
            return static_cast<INT_PTR>(IDOK);
        });
        RunSheet(page, button, [this](HWND hwnd) {
            AddKind(hwnd, taskGetOSVersion);
            EXPECT_EQ(L"Get OS Version", ItemText(hwnd, 1));
            Select(hwnd, 1);
            EXPECT_FALSE(Enabled(hwnd, IDC_TASKS_EDIT));
            EXPECT_TRUE(Enabled(hwnd, IDC_TASKS_DELETE));

            Then([](HWND dialog) {
                Click(dialog, IDC_TASK_XMIT_ADD);
                Press(dialog, IDOK);
            });
            AddKind(hwnd, taskTransmitFile);
            EXPECT_EQ(5, ItemCount(hwnd));
            EXPECT_EQ(L"Transmit File\nC:\\x\\3.txt to Default drive", ItemText(hwnd, 4));

            Then([](HWND dialog) { Press(dialog, IDCANCEL); });
            AddKind(hwnd, taskListFiles);
            Then([](HWND dialog) {
                EXPECT_EQ(L"List File(s)", TextOf(dialog));
                SetDlgItemTextW(dialog, IDC_TASK_FILENAME, L"*.LOG");
                Press(dialog, IDOK);
            });
            AddKind(hwnd, taskListFiles);
            EXPECT_EQ(6, ItemCount(hwnd));
        });
        if (button == IDCANCEL) {
            ASSERT_EQ(1u, appTasks.size());
            continue;
        }
        ASSERT_EQ(6u, appTasks.size());
        EXPECT_EQ(taskSetTimeDate, appTasks[0].ComOption);
        EXPECT_EQ(taskGetOSVersion, appTasks[1].ComOption);
        EXPECT_EQ(L"C:\\x\\1.txt", appTasks[2].PcFileFolder);
        EXPECT_EQ(L"C:\\x\\3.txt", appTasks[4].PcFileFolder);
        EXPECT_EQ(taskListFiles, appTasks[5].ComOption);
        EXPECT_EQ(L"*.LOG", appTasks[5].TerminalFile);
    }
}

TEST_F(PropTasksTest, EditingKeepsTheTaskInPlaceAndAnEmptiedTransmitTaskGoes)
{
    appTasks = {CWexlinkObj(taskListFiles, L"A.TXT", 0), CWexlinkObj(L"C:\\y\\f.bin", 2, true),
                CWexlinkObj(taskGetApplicationVersion)};
    CPropTasks page(appTasks);
    RunSheet(page, IDOK, [this](HWND hwnd) {
        Select(hwnd, 0);
        EXPECT_TRUE(Enabled(hwnd, IDC_TASKS_EDIT));
        Then([](HWND dialog) {
            EXPECT_EQ(L"List File(s)", TextOf(dialog));
            EXPECT_EQ(L"A.TXT", TextOf(GetDlgItem(dialog, IDC_TASK_FILENAME)));
            SetDlgItemTextW(dialog, IDC_TASK_FILENAME, L"B.TXT");
            Press(dialog, IDOK);
        });
        // A double click edits like the button.
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TASKS_LIST, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_TASKS_LIST)));
        EXPECT_EQ(L"List File(s)\nRAM Disk, B.TXT", ItemText(hwnd, 0));
        EXPECT_EQ(-1, SendDlgItemMessageW(hwnd, IDC_TASKS_LIST, LB_GETCURSEL, 0, 0));

        // A task without parameters opens nothing.
        Select(hwnd, 2);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TASKS_LIST, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_TASKS_LIST)));

        Select(hwnd, 1);
        Then([](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_TASK_XMIT_ADD)));
            EXPECT_TRUE(IsChecked(dialog, IDC_TASK_CONTINUE));
            Click(dialog, IDC_TASK_XMIT_DELETE_ALL);
            Press(dialog, IDOK);
        });
        Click(hwnd, IDC_TASKS_EDIT);
        EXPECT_EQ(2, ItemCount(hwnd));
    });
    ASSERT_EQ(2u, appTasks.size());
    EXPECT_EQ(L"B.TXT", appTasks[0].TerminalFile);
    EXPECT_EQ(0, appTasks[0].TerminalDrive);
    EXPECT_EQ(taskGetApplicationVersion, appTasks[1].ComOption);
}

TEST_F(PropTasksTest, KeysOfTheListDeleteAndEditWithoutClosingTheSheet)
{
    appTasks = {CWexlinkObj(TimeDateFormat{3}), CWexlinkObj(taskSetTimeDate), CWexlinkObj(taskGetOSVersion)};
    CPropTasks page(appTasks);
    RunSheet(page, IDOK, [this, &page](HWND hwnd) {
        HWND list = GetDlgItem(hwnd, IDC_TASKS_LIST);
        Select(hwnd, 1);
        SendMessageW(hwnd, WM_VKEYTOITEM, MAKEWPARAM(VK_DELETE, 1), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(2, ItemCount(hwnd));

        // Enter on the list opens the selected task's dialog; with no selection it does nothing,
        // and either way the sheet stays open.
        SetFocus(list);
        Select(hwnd, 0);
        Then([](HWND dialog) {
            EXPECT_TRUE(IsChecked(dialog, 1014));
            Click(dialog, 1016);
            Press(dialog, IDOK);
        });
        MSG enter = {list, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
        EXPECT_TRUE(static_cast<CWnd&>(page).PreTranslateMessage(enter));
        EXPECT_EQ(L"Get Time / Date\nhh:mm:ss YY/MM/DD", ItemText(hwnd, 0));
        EXPECT_TRUE(static_cast<CWnd&>(page).PreTranslateMessage(enter));

        Click(hwnd, IDC_TASKS_DELETE_ALL);
        EXPECT_EQ(0, ItemCount(hwnd));
        EXPECT_FALSE(Enabled(hwnd, IDC_TASKS_DELETE_ALL));
    });
    EXPECT_TRUE(appTasks.empty());
}

TEST(PropTasksWithoutWindow, OkOfAPageNeverShownLeavesTheListAlone)
{
    std::vector<CWexlinkObj> tasks = {CWexlinkObj(taskGetOSVersion)};
    {
        CPropTasks page(tasks);
        page.OnApply();
    }
    EXPECT_EQ(1u, tasks.size());
}

namespace {

// How many pixels of the icon's white sign each row holds, from the top row down to the last row of
// the sign's first part (the arrow, not the bar below it); empty when the icon cannot be read.
std::vector<int> ArrowRowWidths(int iconId)
{
    std::vector<int> widths;
    HICON icon =
        static_cast<HICON>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    if (icon == nullptr)
        return widths;
    ICONINFO info = {};
    if (GetIconInfo(icon, &info)) {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = 32;
        format.bmiHeader.biHeight = -32;  // top row first
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> pixels(32 * 32);
        HDC screen = GetDC(nullptr);
        const int rows = GetDIBits(screen, info.hbmColor, 0, 32, pixels.data(), &format, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (int y = 0; rows == 32 && y < 32; ++y) {
            int width = 0;
            for (int x = 0; x < 32; ++x)
                width += (pixels[static_cast<size_t>(y * 32 + x)] & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
            if (width == 0 && !widths.empty())
                break;
            if (width != 0)
                widths.push_back(width);
        }
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    DestroyIcon(icon);
    return widths;
}

// Whether the rows make an arrow whose head is at their start: rows widening to the head's base,
// then a shaft of at least three rows, narrower than that base and of one width.
bool HeadFirst(const std::vector<int>& rows)
{
    const auto widest = std::max_element(rows.begin(), rows.end());
    if (rows.empty() || rows.front() >= *widest || !std::is_sorted(rows.begin(), widest))
        return false;
    const auto shaft = std::find_if(widest, rows.end(), [&](int width) { return width != *widest; });
    return rows.end() - shaft >= 3 && std::all_of(shaft, rows.end(), [&](int width) { return width == *shaft; });
}

}  // namespace

TEST(TaskIcons, TransmitShowsAnUploadArrowAndReceiveADownloadArrow)
{
    const std::vector<int> transmit = ArrowRowWidths(IDI_TASK_TRANSMIT);
    ASSERT_GE(transmit.size(), 8u);
    EXPECT_TRUE(HeadFirst(transmit)) << "the transmit arrow's head is not at the top";

    std::vector<int> receive = ArrowRowWidths(IDI_TASK_RECEIVE);
    ASSERT_GE(receive.size(), 8u);
    std::reverse(receive.begin(), receive.end());
    EXPECT_TRUE(HeadFirst(receive)) << "the receive arrow's head is not at the bottom";
}
