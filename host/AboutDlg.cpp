#include "AboutDlg.h"

#include "PathFolder.h"
#include "UniqueHandle.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/FileVersionInfo.h"
#include "util/Registry.h"
#include "util/TemplateFallback.h"

#include <shlwapi.h>

#include <string>

namespace {

// The version strings a version resource may carry; the box shows three of the program's and one
// of the control library's.
const wchar_t* const kVersionStringNames[] = {
    L"Comments",       L"CompanyName",     L"FileDescription",  L"FileVersion",  L"InternalName",
    L"LegalCopyright", L"LegalTrademarks", L"OriginalFilename", L"PrivateBuild", L"ProductName",
    L"ProductVersion", L"SpecialBuild",    L"OLESelfRegister",
};

const wchar_t kCurrentVersionKey[] = L"Wexlink.WexlinkCtl\\CurVer";

// A folder path may be wider than the static by this many pixels before it is shortened.
constexpr int kFolderSlack = 150;

bool CanReadKey(HKEY root, const wchar_t* path)
{
    CUniqueRegistryKey key;
    return RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS;
}

}  // namespace

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

INT_PTR CAboutDlg::DoModal()
{
    m_versionPrefix = LoadStringResource(IDS_VERSION_PREFIX);
    CTemplateFallback fallback(IDD_ABOUTBOX);
    return CDialog::DoModal();
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    FillProgramFields();
    FillControlFields();
    return TRUE;
}

void CAboutDlg::FillProgramFields()
{
    wchar_t programPath[MAX_PATH] = L"";
    DWORD length = GetModuleFileNameW(nullptr, programPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    CFileVersionInfo version;
    if (!version.Create(programPath))
        return;
    for (const wchar_t* name : kVersionStringNames) {
        wchar_t value[CFileVersionInfo::ValueCapacity];
        if (!version.GetValue(name, value))
            continue;
        std::wstring field(name);
        if (field == L"ProductName")
            SetDlgItemTextW(m_hWnd, IDC_ABOUT_PRODUCT_NAME, value);
        else if (field == L"LegalCopyright")
            SetDlgItemTextW(m_hWnd, IDC_ABOUT_COPYRIGHT, value);
        else if (field == L"ProductVersion")
            SetDlgItemTextW(m_hWnd, IDC_ABOUT_PRODUCT_VERSION, (m_versionPrefix + value).c_str());
    }
    version.Clear();
}

void CAboutDlg::FillControlFields()
{
    if (!CanReadKey(HKEY_CLASSES_ROOT, kCurrentVersionKey))
        return;

    // ProgID -> its CurVer -> the versioned ProgID's CLSID -> that class's in-process server.
    CRegistry registry;
    if (!registry.OpenKey(kCurrentVersionKey, HKEY_CLASSES_ROOT, KEY_QUERY_VALUE))
        return;
    std::wstring versionedProgId = registry.FindOrAddEntry(L"").GetText();
    registry.OpenKey((versionedProgId + L"\\CLSID").c_str(), HKEY_CLASSES_ROOT, KEY_QUERY_VALUE);
    std::wstring serverKey = L"CLSID\\" + registry.FindOrAddEntry(L"").GetText() + L"\\InProcServer32";
    registry.CloseKey();
    if (!registry.OpenKey(serverKey.c_str(), HKEY_CLASSES_ROOT, KEY_QUERY_VALUE))
        return;
    std::wstring libraryPath = registry.FindOrAddEntry(L"").GetText();
    ShowControlFolder(libraryPath);
    registry.CloseKey();

    CFileVersionInfo version;
    if (version.Create(libraryPath.c_str())) {
        wchar_t value[CFileVersionInfo::ValueCapacity];
        if (version.GetValue(L"ProductVersion", value))
            SetDlgItemTextW(m_hWnd, IDC_ABOUT_CONTROL_VERSION, value);
    }
    version.Clear();
}

void CAboutDlg::ShowControlFolder(const std::wstring& libraryPath)
{
    // A registered path longer than a path can be shows nothing rather than a wrong folder.
    if (libraryPath.size() >= MAX_PATH)
        return;
    wchar_t folder[MAX_PATH] = L"";  // compacted in place to the field's width
    const std::wstring libraryFolder = FolderOfPath(libraryPath);
    libraryFolder.copy(folder, libraryFolder.size());

    HWND field = GetDlgItem(m_hWnd, IDC_ABOUT_CONTROL_FOLDER);
    if (field == nullptr)
        return;
    RECT client = {};
    GetClientRect(field, &client);
    HDC dc = GetDC(field);
    if (dc != nullptr) {
        // Measured in the font the static draws with, not the device context's default font.
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(field, WM_GETFONT, 0, 0));
        HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
        PathCompactPathW(dc, folder, static_cast<UINT>(client.right - client.left + kFolderSlack));
        if (previous != nullptr)
            SelectObject(dc, previous);
        ReleaseDC(field, dc);
    }
    SetWindowTextW(field, folder);
}
