// The browse control: its path as chosen, set and typed, its notifications, its layout and its
// mouse handling. The folder browser and the file dialog are answered by the tests.
#include "framework/FileDialog.h"
#include "util/BrowseCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT NotifyMessage = WM_APP + 100;
const UINT ControlId = 1026;

// A top-level window that records what the control tells it.
class RecordingParent : public CWnd {
public:
    std::vector<WPARAM> notifications;
    int clicks = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == NotifyMessage) {
            notifications.push_back(wParam);
            return 1;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == ControlId && HIWORD(wParam) == 0) {
            ++clicks;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class BrowseCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.CreateEx(0, nullptr, L"browse test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                                    nullptr, nullptr));
    }
    void TearDown() override
    {
        CBrowseCtrl::SetFolderHandler(nullptr);
        CFileDialog::SetHandler(nullptr);
    }

    void Make(int options, int width = 300)
    {
        RECT rect = {10, 10, 10 + width, 34};
        ASSERT_TRUE(control.Create(rect, &parent, ControlId, options, NotifyMessage));
    }

    // Serves the messages queued for this thread until none is left: the control posts its click
    // notification from inside the mouse handling, so it is queued by the time the handling
    // returns. Bounded in time, in case some window kept asking to be painted.
    void Pump()
    {
        MSG msg;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 2000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    std::wstring EditText()
    {
        wchar_t text[512] = {};
        GetWindowTextW(control.EditWindow(), text, 512);
        return text;
    }

    // Answers the folder browser once with the path, or cancels it when the path is empty.
    void AnswerFolder(const std::wstring& path)
    {
        CBrowseCtrl::SetFolderHandler([path](CBrowseCtrl&, std::wstring& chosen) {
            chosen = path;
            return !path.empty();
        });
    }

    LPARAM ButtonPoint() const
    {
        const RECT& b = control.ButtonRect();
        return MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    }

    RecordingParent parent;
    CBrowseCtrl control;
};

}  // namespace

TEST_F(BrowseCtrlTest, ChosenFolderBecomesThePathAndCancelKeepsIt)
{
    Make(0x8E);
    AnswerFolder(L"C:\\Data\\In");
    EXPECT_EQ(IDOK, control.Browse());
    EXPECT_EQ(L"C:\\Data\\In", control.GetPathName());
    EXPECT_EQ(L"C:\\Data\\In", EditText());

    AnswerFolder(L"");
    EXPECT_EQ(IDCANCEL, control.Browse());
    EXPECT_EQ(L"C:\\Data\\In", control.GetPathName());
    EXPECT_EQ(L"C:\\Data\\In", EditText());
    EXPECT_EQ((std::vector<WPARAM>{IDOK, IDCANCEL}), parent.notifications);
}

TEST_F(BrowseCtrlTest, ABrowseDoesNotReenterAndSendsNoSecondNotification)
{
    Make(0x8E);
    int inner = 0;
    CBrowseCtrl::SetFolderHandler([&inner](CBrowseCtrl& self, std::wstring& chosen) {
        inner = self.Browse();
        chosen = L"C:\\Once";
        return true;
    });
    EXPECT_EQ(IDOK, control.Browse());
    EXPECT_EQ(IDCANCEL, inner);
    EXPECT_EQ(1u, parent.notifications.size());
}

TEST_F(BrowseCtrlTest, TypedTextCountsOnlyInEditableModeAndWhenItDiffersFromThePath)
{
    Make(0x80 | 0x40);
    control.SetPathName(L"C:\\Stored");
    EXPECT_EQ(L"C:\\Stored", EditText());
    SetWindowTextW(control.EditWindow(), L"c:\\STORED");
    EXPECT_EQ(L"C:\\Stored", control.GetPathName());
    SetWindowTextW(control.EditWindow(), L"D:\\Typed");
    EXPECT_EQ(L"D:\\Typed", control.GetPathName());

    // A browse replaces what was typed.
    AnswerFolder(L"E:\\Chosen");
    control.Browse();
    EXPECT_EQ(L"E:\\Chosen", control.GetPathName());
}

TEST_F(BrowseCtrlTest, ReadOnlyEditRefusesTypingAndThePathStaysTheSetOne)
{
    Make(0x8E);
    control.SetPathName(L"C:\\Set");
    EXPECT_TRUE(GetWindowLongPtrW(control.EditWindow(), GWL_STYLE) & ES_READONLY);
    SetWindowTextW(control.EditWindow(), L"C:\\Other");
    EXPECT_EQ(L"C:\\Set", control.GetPathName());
    control.SetPathName(nullptr);
    EXPECT_EQ(L"", control.GetPathName());
}

TEST_F(BrowseCtrlTest, FileModeKeepsEveryChosenPathAndShowsTheFirst)
{
    Make(0x0A);
    CFileDialog::SetHandler([](CFileDialog& dialog) {
        EXPECT_EQ(0x882202u, dialog.m_flags);
        dialog.m_pathNames = {L"C:\\a.txt", L"C:\\b.txt"};
        return static_cast<INT_PTR>(IDOK);
    });
    EXPECT_EQ(IDOK, control.Browse());
    EXPECT_EQ(L"C:\\a.txt", control.GetPathName());
    EXPECT_EQ(L"C:\\a.txt", EditText());
}

TEST_F(BrowseCtrlTest, ButtonTakesTheWholeClientWhenTheControlIsNarrow)
{
    Make(0x8E, 300);
    RECT client;
    GetClientRect(control.m_hWnd, &client);
    EXPECT_EQ(client.right - 27, control.ButtonRect().left);  // 16 + 11 on the right
    EXPECT_EQ(client.right, control.ButtonRect().right);

    CBrowseCtrl narrow;
    RECT rect = {10, 50, 30, 74};
    ASSERT_TRUE(narrow.Create(rect, &parent, ControlId + 1, 0x8E, 0));
    GetClientRect(narrow.m_hWnd, &client);
    EXPECT_TRUE(EqualRect(&client, &narrow.ButtonRect()));
}

TEST_F(BrowseCtrlTest, AClickOnTheButtonBrowsesOnceAndReleasingOutsideDoesNot)
{
    Make(0x8E);
    int browses = 0;
    CBrowseCtrl::SetFolderHandler([&browses](CBrowseCtrl&, std::wstring& chosen) {
        ++browses;
        chosen = L"C:\\Clicked";
        return true;
    });
    SendMessageW(control.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, ButtonPoint());
    SendMessageW(control.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));  // on the edit part
    Pump();
    EXPECT_EQ(0, browses);
    EXPECT_EQ(0, parent.clicks);

    SendMessageW(control.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, ButtonPoint());
    SendMessageW(control.m_hWnd, WM_LBUTTONUP, 0, ButtonPoint());
    Pump();
    EXPECT_EQ(1, browses);
    EXPECT_EQ(1, parent.clicks);
    EXPECT_EQ(L"C:\\Clicked", control.GetPathName());
}

TEST_F(BrowseCtrlTest, FocusOnTheControlGoesToTheEditWithItsTextSelected)
{
    Make(0x8E);
    control.SetPathName(L"C:\\Focus");
    SetFocus(control.m_hWnd);
    EXPECT_EQ(control.EditWindow(), GetFocus());
    DWORD start = 0, end = 0;
    SendMessageW(control.EditWindow(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(8u, end);
}
