// The version reader on real files (this program, which carries the host's version resource, the
// registered control library and a library with an overlong value), and the About box filled
// from them and from the control's registration.
#include "AboutDlg.h"
#include "ModalDriver.h"
#include "ProgramPath.h"
#include "res/resource.h"
#include "util/FileVersionInfo.h"
#include "util/Registry.h"

#include <gtest/gtest.h>

#include <shlwapi.h>
#include <string>

using namespace hosttest;

namespace {

std::wstring BesideProgram(const wchar_t* name)
{
    return ProgramFolder() + L"\\" + name;
}

// The control library's path as its registration gives it.
std::wstring RegisteredControlPath()
{
    CRegistry registry;
    if (!registry.OpenKey(L"Wexlink.WexlinkCtl\\CLSID", HKEY_CLASSES_ROOT, KEY_QUERY_VALUE))
        return std::wstring();
    std::wstring server = L"CLSID\\" + registry.FindOrAddEntry(L"").GetText() + L"\\InProcServer32";
    if (!registry.OpenKey(server.c_str(), HKEY_CLASSES_ROOT, KEY_QUERY_VALUE))
        return std::wstring();
    return registry.FindOrAddEntry(L"").GetText();
}

TEST(FileVersionInfoTest, ReadsTheStringsOfTheFirstTranslation)
{
    CFileVersionInfo program;
    ASSERT_TRUE(program.Create(ProgramPath().c_str()));
    EXPECT_EQ(program.GetFixedInfo().dwSignature, 0xFEEF04BDu);
    wchar_t value[CFileVersionInfo::ValueCapacity];
    ASSERT_TRUE(program.GetValue(L"ProductName", value));
    EXPECT_STREQ(value, L"Wexlink32 Application");
    EXPECT_TRUE(program.GetValue(L"LegalCopyright", nullptr));
    EXPECT_FALSE(program.GetValue(L"PrivateBuild", value));
    EXPECT_STREQ(value, L"");

    std::wstring control = RegisteredControlPath();
    ASSERT_FALSE(control.empty());
    CFileVersionInfo library;
    ASSERT_TRUE(library.Create(control.c_str()));
    ASSERT_TRUE(library.GetValue(L"ProductVersion", value));
    EXPECT_STREQ(value, L"1.0.0.10, B0000010");

    // Language 0x0407 with code page 1252: the strings sit under 040704E4.
    CFileVersionInfo other;
    ASSERT_TRUE(other.Create(BesideProgram(L"NotALanguage.DLL").c_str()));
    ASSERT_TRUE(other.GetValue(L"ProductVersion", value));
    EXPECT_STREQ(value, L"2.1.0.3");
}

TEST(FileVersionInfoTest, CutsAValueLongerThanItsRoom)
{
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(BesideProgram(L"NotALanguage.DLL").c_str()));
    wchar_t value[CFileVersionInfo::ValueCapacity + 8];
    wmemset(value, L'#', CFileVersionInfo::ValueCapacity + 8);
    ASSERT_TRUE(info.GetValue(L"Comments", value));
    EXPECT_EQ(wcslen(value), CFileVersionInfo::ValueCapacity - 1);
    EXPECT_EQ(value[CFileVersionInfo::ValueCapacity], L'#');
    EXPECT_EQ(std::wstring(value, 12), L"012345678901");
}

TEST(FileVersionInfoTest, FilesWithoutAVersionResourceGiveNothing)
{
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(ProgramPath().c_str()));
    EXPECT_FALSE(info.Create(BesideProgram(L"Language\\TestLanguage.DLL").c_str()));
    wchar_t value[CFileVersionInfo::ValueCapacity] = L"old";
    EXPECT_FALSE(info.GetValue(L"ProductName", value));
    EXPECT_STREQ(value, L"");
    EXPECT_FALSE(info.IsValid());
    EXPECT_FALSE(info.Create(BesideProgram(L"no such file.dll").c_str()));
    EXPECT_FALSE(info.Create(nullptr));
}

struct AboutTexts {
    std::wstring name, version, copyright, controlVersion, controlFolder;
};

AboutTexts ShowAboutBox()
{
    AboutTexts texts;
    ModalDriver driver([&](HWND dialog) {
        auto item = [dialog](int id) {
            wchar_t text[512] = L"";
            GetDlgItemTextW(dialog, id, text, 512);
            return std::wstring(text);
        };
        texts = {item(IDC_ABOUT_PRODUCT_NAME), item(IDC_ABOUT_PRODUCT_VERSION), item(IDC_ABOUT_COPYRIGHT),
                 item(IDC_ABOUT_CONTROL_VERSION), item(IDC_ABOUT_CONTROL_FOLDER)};
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    CAboutDlg about;
    EXPECT_EQ(about.DoModal(), IDOK);
    EXPECT_TRUE(driver.Acted());
    return texts;
}

TEST(AboutBoxTest, ShowsTheProgramsVersionStringsAndTheRegisteredControl)
{
    AboutTexts texts = ShowAboutBox();
    EXPECT_EQ(texts.name, L"Wexlink32 Application");
    EXPECT_EQ(texts.version, L"Version: 1, 0, 0, 1");
    EXPECT_EQ(texts.copyright, L"Copyright (C) quenlar");
    EXPECT_EQ(texts.controlVersion, L"1.0.0.10, B0000010");

    std::wstring folder = RegisteredControlPath();
    folder.resize(folder.find_last_of(L'\\'));
    std::wstring lastPart = folder.substr(folder.find_last_of(L'\\'));
    // The whole folder, or, when it is much wider than the field, a shortened one.
    if (texts.controlFolder != folder) {
        EXPECT_NE(texts.controlFolder.find(L"..."), std::wstring::npos) << texts.controlFolder;
        EXPECT_LT(texts.controlFolder.size(), folder.size());
    }
    EXPECT_EQ(texts.controlFolder.substr(texts.controlFolder.size() - lastPart.size()), lastPart);
}

TEST(AboutBoxTest, ABrokenRegistrationChainLeavesTheControlFieldsAlone)
{
    const wchar_t curVer[] = L"Wexlink.WexlinkCtl\\CurVer";
    wchar_t versioned[256] = L"";
    LONG size = sizeof(versioned);
    ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, curVer, versioned, &size), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, curVer), ERROR_SUCCESS);
    AboutTexts missingCurVer = ShowAboutBox();

    // A CurVer naming a ProgID that does not exist: the class identifier reads empty.
    RegSetValueW(HKEY_CLASSES_ROOT, curVer, REG_SZ, L"Wexlink.NoSuchControl.1", 0);
    AboutTexts unknownProgId = ShowAboutBox();

    RegSetValueW(HKEY_CLASSES_ROOT, curVer, REG_SZ, versioned, 0);
    EXPECT_EQ(missingCurVer.name, L"Wexlink32 Application");
    EXPECT_EQ(missingCurVer.controlVersion, L"Static");
    EXPECT_EQ(missingCurVer.controlFolder, L"Static");
    EXPECT_EQ(unknownProgId.controlVersion, L"Static");
    EXPECT_EQ(unknownProgId.controlFolder, L"Static");
}

}  // namespace
