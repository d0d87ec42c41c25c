// A page of a property sheet, made from a dialog template of the current resource module. The
// sheet asks the page through notifications: leaving it validates its controls (OnKillActive),
// OK applies it (OnOK through OnApply), Cancel resets it (OnCancel).
#pragma once

#include "framework/Dialog.h"

#include <commctrl.h>

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);

    // The description the sheet builds the page from; title and icon may be set before the sheet
    // is shown (PSP_USETITLE, PSP_USEHICON).
    PROPSHEETPAGEW m_psp;

    virtual BOOL OnSetActive() { return TRUE; }
    // The default takes the controls into the members; false keeps the page active.
    virtual BOOL OnKillActive() { return UpdateData(true) ? TRUE : FALSE; }
    virtual BOOL OnApply();
    virtual BOOL OnQueryCancel() { return TRUE; }

protected:
    // A page's OK and Cancel come from the sheet, not from its own buttons.
    void OnOK() override {}
    void OnCancel() override {}
    bool HandleOkCancel(UINT /*id*/) override { return false; }
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    friend class CPropertySheet;
    // Fills in what the sheet needs to create the page: this object and the template's module.
    PROPSHEETPAGEW PreparedPage();
    static INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
