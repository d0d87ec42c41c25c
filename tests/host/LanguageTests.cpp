// The language list built from real libraries (the program, a language library, a library without
// a language name, a file that is no library), the language dialog's data both ways, and the
// frame's Language command. Modal dialogs are driven by a timer and always end within seconds.
#include "AppLoop.h"
#include "DlgLanguage.h"
#include "MainFrame.h"
#include "TempFolder.h"
#include "Wexlink32App.h"
#include "framework/Resources.h"
#include "ModalDriver.h"
#include "ProgramPath.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace hosttest;

namespace {

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[512] = L"";
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

void Choose(HWND dialog, int line)
{
    SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_LANGUAGE_LIST)));
}

class LanguageFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\Language\\TestLanguage.DLL").c_str(),
                              m_folder.File(L"Deutsch.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\NotALanguage.DLL").c_str(),
                              m_folder.File(L"NotALanguage.DLL").c_str(), FALSE));
        WriteTextFile(m_folder.File(L"Broken.DLL"), "not a library");
        WriteTextFile(m_folder.File(L"Readme.txt"), "not a library either");
        m_dialog.m_programFile = ProgramPath();
        m_dialog.m_languageFolder = m_folder.Path() + L"\\";
    }

    TempFolder m_folder;
    CDlgLanguage m_dialog;
};

TEST_F(LanguageFolderTest, ListsTheProgramFirstThenEveryLibraryThatNamesItsLanguage)
{
    m_dialog.CollectLanguages();
    const auto& entries = m_dialog.GetEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, L"English");
    EXPECT_EQ(entries[0].file, ProgramPath());
    EXPECT_EQ(entries[0].information, L"Built-in English user interface\r\nof Wexlink32");
    EXPECT_EQ(entries[1].name, L"Deutsch");
    EXPECT_EQ(entries[1].file, L"Deutsch.dll");
    EXPECT_EQ(entries[1].information, L"Testsprache");

    // An absolute name is taken as it is; a library that loads but names no language is skipped.
    m_dialog.AddLanguageFile(m_folder.File(L"Deutsch.dll"));
    m_dialog.AddLanguageFile(ProgramFolder() + L"\\NotALanguage.DLL");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].file, m_folder.File(L"Deutsch.dll"));

    m_dialog.m_languageFolder = m_folder.File(L"Missing\\");
    m_dialog.CollectLanguages();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"English");
}

TEST_F(LanguageFolderTest, DialogSelectsTheCurrentLanguageInAnyCaseAndReturnsTheChosenFile)
{
    m_dialog.m_currentLanguageFile = L"DEUTSCH.DLL";
    std::wstring current, list, info;
    int selected = -1;
    ModalDriver driver([&](HWND dialog) {
        current = ItemText(dialog, IDC_CURRENT_LANGUAGE);
        info = ItemText(dialog, IDC_TRANSLATOR_INFO);
        selected = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_GETCURSEL, 0, 0));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(m_dialog.DoModal(), IDOK);
    ASSERT_TRUE(driver.Acted());
    EXPECT_EQ(current, L"English");
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(info, L"Testsprache");
    EXPECT_EQ(m_dialog.m_chosenFile, L"Deutsch.dll");
    EXPECT_TRUE(m_dialog.GetEntries().empty());
}

TEST_F(LanguageFolderTest, AnUnknownCurrentFileSelectsTheProgramAndAChangeFollowsTheSelection)
{
    m_dialog.m_currentLanguageFile = L"Deleted.dll";
    int selected = -1;
    std::wstring infoAfterChange;
    ModalDriver driver([&](HWND dialog) {
        selected = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_GETCURSEL, 0, 0));
        Choose(dialog, 1);
        infoAfterChange = ItemText(dialog, IDC_TRANSLATOR_INFO);
        Choose(dialog, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(m_dialog.DoModal(), IDOK);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(infoAfterChange, L"Testsprache");
    EXPECT_EQ(m_dialog.m_chosenFile, ProgramPath());
}

// The frame's Language and About commands, on the program's own language folder.
class LanguageCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(LanguageFile().c_str());
        theApp.m_commandLine = L"\"Wexlink32.exe\"";
        ASSERT_TRUE(theApp.InitInstance());
        PumpApp(300);
    }
    void TearDown() override
    {
        CloseApp();
        DeleteFileW(LanguageFile().c_str());
    }
    static std::wstring LanguageFile() { return theApp.GetSettingsFolder() + L"\\TarvexLang.CFG"; }
    static std::wstring StoredLanguage()
    {
        wchar_t value[MAX_PATH] = L"";
        GetPrivateProfileStringW(L"LANGUAGE", L"LANGFILE", L"<missing>", value, MAX_PATH, LanguageFile().c_str());
        return value;
    }
    CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(theApp.m_pMainWnd); }
};

TEST_F(LanguageCommandTest, OkLoadsAndStoresTheChosenLibraryAndCancelChangesNothing)
{
    {
        ModalDriver driver([](HWND dialog) {
            // The program first, then the test library: the only one in the program's Language folder.
            Choose(dialog, 1);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(theApp.MainWindowHandle(), WM_COMMAND, ID_LANGUAGE, 0);
        ASSERT_TRUE(driver.Acted());
    }
    EXPECT_EQ(Frame()->GetCurrentLanguageFile(), L"TestLanguage.DLL");
    EXPECT_EQ(LoadStringResource(IDS_LANGUAGE_NAME), L"Deutsch");
    EXPECT_EQ(StoredLanguage(), L"TestLanguage.DLL");

    // The test library carries no dialogs of its own: the program's template serves, with the
    // library's language shown as the current one.
    std::wstring shownCurrent;
    {
        ModalDriver driver([&](HWND dialog) {
            shownCurrent = ItemText(dialog, IDC_CURRENT_LANGUAGE);
            Choose(dialog, 0);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        SendMessageW(theApp.MainWindowHandle(), WM_COMMAND, ID_LANGUAGE, 0);
        ASSERT_TRUE(driver.Acted());
    }
    EXPECT_EQ(shownCurrent, L"Deutsch");
    EXPECT_EQ(LoadStringResource(IDS_LANGUAGE_NAME), L"Deutsch");
    EXPECT_EQ(Frame()->GetCurrentLanguageFile(), L"TestLanguage.DLL");
    EXPECT_EQ(StoredLanguage(), L"TestLanguage.DLL");

    // The program's own entry is its full path: the frame goes back to its own resources.
    {
        ModalDriver driver([](HWND dialog) {
            Choose(dialog, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageW(theApp.MainWindowHandle(), WM_COMMAND, ID_LANGUAGE, 0);
    }
    EXPECT_EQ(LoadStringResource(IDS_LANGUAGE_NAME), L"English");
    EXPECT_EQ(StoredLanguage(), theApp.m_ProgramPath);
}

TEST_F(LanguageCommandTest, AboutCommandShowsTheAboutBox)
{
    std::wstring caption;
    ModalDriver driver([&](HWND dialog) {
        wchar_t text[128] = L"";
        GetWindowTextW(dialog, text, 128);
        caption = text;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(theApp.MainWindowHandle(), WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(caption, L"About Wexlink32");
}

}  // namespace
