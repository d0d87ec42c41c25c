// The four task dialogs: their values both ways with OK and Cancel, the terminal name checks with
// their fixed error texts, and the transmit dialog's file list.
#include "DlgListFiles.h"
#include "DlgRecvFiles.h"
#include "DlgTimeDateFormat.h"
#include "DlgXmitFiles.h"
#include "TaskTestSupport.h"
#include "framework/FileDialog.h"
#include "res/resource.h"

using namespace tasktest;

namespace {

class TaskDialogsTest : public ModalScriptTest {
protected:
    void TearDown() override
    {
        CFileDialog::SetHandler(nullptr);
        ModalScriptTest::TearDown();
    }
    // Answers every file-open dialog with these paths.
    void AnswerFiles(std::vector<std::wstring> paths)
    {
        CFileDialog::SetHandler([this, paths](CFileDialog& dialog) {
            fileDialogTitles.push_back(dialog.m_title);
            fileDialogFlags.push_back(dialog.m_flags);
            dialog.m_pathNames = paths;
            return static_cast<INT_PTR>(paths.empty() ? IDCANCEL : IDOK);
        });
    }
    std::vector<std::wstring> fileDialogTitles;
    std::vector<DWORD> fileDialogFlags;
};

// Types a text into an edit one key at a time, as the keyboard would.
void TypeInto(HWND edit, const std::wstring& text)
{
    for (wchar_t key : text)
        SendMessageW(edit, WM_CHAR, key, 1);
}

}  // namespace

TEST_F(TaskDialogsTest, TimeDateFormatShowsTheValueAndOkReturnsTheCheckedOne)
{
    CDlgTimeDateFormat dialog(owner.m_hWnd);
    dialog.m_timeDateFormat = 19;
    Then([](HWND hwnd) {
        EXPECT_TRUE(IsChecked(hwnd, 1036));
        EXPECT_EQ(L"YY/MM/DD", TextOf(GetDlgItem(hwnd, 1036)));
        EXPECT_EQ(L"hh:mm:ss DD/MM/YYYY", TextOf(GetDlgItem(hwnd, 1011)));
        EXPECT_EQ(L"MM/DD/YYYY", TextOf(GetDlgItem(hwnd, 1033)));
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(19, dialog.m_timeDateFormat);

    Then([](HWND hwnd) {
        Click(hwnd, 1031);  // DD/MM/YYYY
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(14, dialog.m_timeDateFormat);

    Then([](HWND hwnd) {
        Click(hwnd, 1012);
        Press(hwnd, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(14, dialog.m_timeDateFormat);
}

TEST_F(TaskDialogsTest, ListFilesChecksTheNameOnOkOnlyAndKeepsTheFocusOnARefusedOne)
{
    CDlgListFiles dialog(owner.m_hWnd);
    dialog.m_caption = L"Delete File(s)";
    dialog.m_name = L"MY FILE";  // breaks the rule: nothing is said until OK
    dialog.m_drive = 0;
    Then([this](HWND hwnd) {
        EXPECT_EQ(L"Delete File(s)", TextOf(hwnd));
        EXPECT_EQ(0, SendDlgItemMessageW(hwnd, IDC_TASK_DRIVE, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(3, SendDlgItemMessageW(hwnd, IDC_TASK_DRIVE, CB_GETCOUNT, 0, 0));
        EXPECT_TRUE(messages.empty());
        HWND field = GetDlgItem(hwnd, IDC_TASK_FILENAME);

        // Every key of an invalid name arrives, and none brings a box.
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"");
        TypeInto(field, L"a: b.TXT");
        EXPECT_EQ(L"a: b.TXT", TextOf(field));
        EXPECT_TRUE(messages.empty());

        // OK refuses it once, with the field focused and its text selected for the correction.
        SetFocus(GetDlgItem(hwnd, IDC_TASK_DRIVE));
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ((std::vector<std::wstring>{L"Error in list files filename"}), messages);
        EXPECT_EQ(field, GetFocus());
        DWORD from = 0, to = 0;
        SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(0u, from);
        EXPECT_EQ(8u, to);
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"a:");
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(2u, messages.size()) << "a: would be refused when the task starts";

        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"");
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(L"No filename is set", messages.back());
        // The field refuses more than twelve characters.
        SendMessageW(field, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"ABCDEFGHIJKLMNOP"));
        EXPECT_EQ(L"ABCDEFGHIJKL", TextOf(field));
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"*.LOG");
        SelectCombo(hwnd, IDC_TASK_DRIVE, 1);
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(L"*.LOG", dialog.m_resultName);
    EXPECT_EQ(1, dialog.m_drive);
    EXPECT_EQ(3u, messages.size());
    for (size_t i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(L"Error", captions[i]);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONSTOP), types[i]);
    }

    CDlgListFiles cancelled(owner.m_hWnd);
    Then([](HWND hwnd) {
        EXPECT_EQ(L"List File(s) Dialog", TextOf(hwnd)) << "without a caption the template's title stays";
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"X.TXT");
        SelectCombo(hwnd, IDC_TASK_DRIVE, 0);
        Press(hwnd, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
    EXPECT_EQ(L"", cancelled.m_resultName);
    EXPECT_EQ(2, cancelled.m_drive);
}

TEST_F(TaskDialogsTest, ReceiveFilesShowsEveryValueAndTakesTheChangedOnes)
{
    CDlgRecvFiles dialog(owner.m_hWnd);
    dialog.m_folder.SetPathName(L"C:\\Inbox");
    dialog.m_name = L"*.DAT";
    dialog.m_drive = 1;
    dialog.m_continue = true;
    dialog.m_downType = 2;
    dialog.m_useFilename = false;
    dialog.m_useTermId = true;
    dialog.m_fmtTime = 2;
    dialog.m_fmtDate = 11;
    dialog.m_fmtFile = 23;
    Then([](HWND hwnd) {
        HWND folder = GetDlgItem(hwnd, IDC_TASK_FOLDER);
        EXPECT_EQ(L"C:\\Inbox", TextOf(GetDlgItem(folder, CBrowseCtrl::EditId)));
        EXPECT_EQ(1, SendDlgItemMessageW(hwnd, IDC_TASK_DRIVE, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(L"*.DAT", TextOf(GetDlgItem(hwnd, IDC_TASK_FILENAME)));
        EXPECT_TRUE(IsChecked(hwnd, IDC_TASK_CONTINUE));
        EXPECT_TRUE(IsChecked(hwnd, IDC_TASK_NEW_EXTENSION));
        EXPECT_FALSE(IsChecked(hwnd, IDC_TASK_USE_FILENAME));
        EXPECT_TRUE(IsChecked(hwnd, IDC_TASK_USE_TERMID));
        EXPECT_EQ(3, SendDlgItemMessageW(hwnd, IDC_TASK_TIME_FORMAT, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(12, SendDlgItemMessageW(hwnd, IDC_TASK_DATE_FORMAT, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(24, SendDlgItemMessageW(hwnd, IDC_TASK_ORDER, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(23, SendDlgItemMessageW(hwnd, IDC_TASK_ORDER, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(11, SendDlgItemMessageW(hwnd, IDC_TASK_DATE_FORMAT, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(1, SendMessageW(hwnd, CDlgRecvFiles::BrowseNotifyMessage, IDOK, 0));

        SelectCombo(hwnd, IDC_TASK_DRIVE, 0);
        SelectCombo(hwnd, IDC_TASK_ORDER, 5);
        Click(hwnd, IDC_TASK_OVERWRITE);
        Click(hwnd, IDC_TASK_CONTINUE);
        Click(hwnd, IDC_TASK_USE_DATE);
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"LOG.TXT");
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(L"C:\\Inbox", dialog.m_folder.GetPathName());
    EXPECT_EQ(L"LOG.TXT", dialog.m_name);
    EXPECT_EQ(0, dialog.m_drive);
    EXPECT_EQ(5, dialog.m_fmtFile);
    EXPECT_EQ(1, dialog.m_downType);
    EXPECT_FALSE(dialog.m_continue);
    EXPECT_TRUE(dialog.m_useDate);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TaskDialogsTest, ReceiveFilesRefusesABrokenNameOnOkAndTurnsTheFileNameOnWhenNoPartIsChosen)
{
    CDlgRecvFiles dialog(owner.m_hWnd);
    dialog.m_name = L"DATA.TXT";
    dialog.m_useFilename = false;
    bool openAfterOk = false;
    Then([&](HWND hwnd) {
        // The Documents folder stands in for an empty path.
        EXPECT_FALSE(dialog.m_folder.GetPathName().empty());
        HWND field = GetDlgItem(hwnd, IDC_TASK_FILENAME);
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"");
        TypeInto(field, L"MY FILE.TXT");
        EXPECT_EQ(L"MY FILE.TXT", TextOf(field)) << "no key is lost";
        EXPECT_TRUE(messages.empty()) << "no box while typing";
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        openAfterOk = IsWindow(hwnd) && dialog.m_hWnd != nullptr;
        EXPECT_EQ((std::vector<std::wstring>{L"Error in terminal filename"}), messages);
        EXPECT_EQ(field, GetFocus());
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"");
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(2u, messages.size()) << "an empty name is refused too";
        // A name whose PC file would be a device; a pattern is checked file by file at the run.
        for (const wchar_t* device : {L"NUL", L"con", L"COM1.TXT"}) {
            SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, device);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        EXPECT_EQ(5u, messages.size()) << "a device name is refused";
        EXPECT_EQ(field, GetFocus());
        SetDlgItemTextW(hwnd, IDC_TASK_FILENAME, L"LOG?.*");
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(L"LOG?.*", dialog.m_name);
    EXPECT_TRUE(dialog.m_useFilename);
    EXPECT_EQ(L"Error", captions.front());
    EXPECT_EQ(5u, messages.size());
}

TEST_F(TaskDialogsTest, TransmitFilesListsEachPathOnceAndSingleFileModeAllowsOneFile)
{
    CDlgXmitFiles dialog(owner.m_hWnd);
    dialog.m_files = {L"C:\\Out\\a.txt"};
    AnswerFiles({L"C:\\OUT\\A.TXT", L"C:\\Out\\b.txt", L"C:\\Out\\c.txt"});
    Then([](HWND hwnd) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TASK_XMIT_EDIT)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TASK_XMIT_DELETE_ALL)));
        Click(hwnd, IDC_TASK_XMIT_ADD);
        EXPECT_EQ(3, SendDlgItemMessageW(hwnd, IDC_TASK_XMIT_FILES, LB_GETCOUNT, 0, 0));
        SelectCombo(hwnd, IDC_TASK_XMIT_DRIVE, 1);
        Click(hwnd, IDC_TASK_CONTINUE);
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(3, dialog.GetFileCount());
    EXPECT_EQ(L"C:\\Out\\a.txt", dialog.GetFile(0));
    EXPECT_EQ(L"C:\\Out\\c.txt", dialog.GetFile(2));
    EXPECT_EQ(L"", dialog.GetFile(3));
    EXPECT_EQ(1, dialog.m_drive);
    EXPECT_TRUE(dialog.m_continue);
    EXPECT_EQ(L"Get upload file(s)", fileDialogTitles.front());
    EXPECT_TRUE(fileDialogFlags.front() & OFN_ALLOWMULTISELECT);

    CDlgXmitFiles single(owner.m_hWnd);
    single.m_singleFile = true;
    single.m_files = {L"C:\\Out\\a.txt"};
    AnswerFiles({L"C:\\Out\\z.txt"});
    Then([](HWND hwnd) {
        HWND list = GetDlgItem(hwnd, IDC_TASK_XMIT_FILES);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TASK_XMIT_ADD)));
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TASK_XMIT_FILES, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        Click(hwnd, IDC_TASK_XMIT_EDIT);
        EXPECT_EQ(L"C:\\Out\\z.txt", [&] {
            wchar_t text[MAX_PATH] = {};
            SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
            return std::wstring(text);
        }());
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        Click(hwnd, IDC_TASK_XMIT_DELETE);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TASK_XMIT_ADD)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_TASK_XMIT_DELETE_ALL)));
        Press(hwnd, IDOK);
    });
    EXPECT_EQ(IDOK, single.DoModal());
    EXPECT_EQ(0, single.GetFileCount());
    EXPECT_FALSE(fileDialogFlags.back() & OFN_ALLOWMULTISELECT);
}
