#include "framework/PropertyPage.h"

#include "framework/Resources.h"

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId), m_psp{}
{
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_DEFAULT;
}

PROPSHEETPAGEW CPropertyPage::PreparedPage()
{
    PROPSHEETPAGEW page = m_psp;
    page.dwSize = sizeof(page);
    page.hInstance = ResourceModule();
    page.pszTemplate = MAKEINTRESOURCEW(m_templateId);
    page.pfnDlgProc = &CPropertyPage::PageDialogProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

bool CPropertyPage::OnNotify(NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        return true;
    case PSN_RESET:
        OnCancel();
        result = 0;
        return true;
    case PSN_QUERYCANCEL:
        result = OnQueryCancel() ? FALSE : TRUE;
        return true;
    default:
        return false;
    }
}

bool CPropertyPage::PreTranslateMessage(MSG& /*msg*/)
{
    // The sheet runs the dialog navigation for all its pages.
    return false;
}

INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // lParam is the sheet's copy of the page description; its lParam is the page object.
    auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* page = description != nullptr ? reinterpret_cast<CPropertyPage*>(description->lParam) : nullptr;
    return InitDialogSafely(page, hwnd);
}
