// A property sheet over the system's own, shown modally: the sheet is created modeless and runs
// its loop here, so keys reach the sheet (and a derived class) through PSM_ISDIALOGMESSAGE.
#pragma once

#include "framework/Wnd.h"

#include <commctrl.h>
#include <string>
#include <vector>

class CPropertyPage;

class CPropertySheet : public CWnd {
public:
    explicit CPropertySheet(const std::wstring& caption, HWND parent = nullptr, UINT selectPage = 0);

    // Pages are not owned; they must outlive the sheet's window.
    void AddPage(CPropertyPage* page);
    void RemovePage(int index);
    void RemovePage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const { return GetPage(GetActiveIndex()); }
    // False when the current page refuses to be left or the index is not a page.
    bool SetActivePage(int index);
    HWND GetTabControl() const;
    // Multi-row tabs (the default); only before the sheet is shown.
    void EnableStackedTabs(bool stacked) { m_stackedTabs = stacked; }

    // IDOK when the sheet was closed with OK, IDCANCEL otherwise, -1 when it could not be shown.
    virtual INT_PTR DoModal();

    // Flags of the sheet (PSH_NOAPPLYNOW, say) may be added before DoModal.
    PROPSHEETHEADERW m_psh;

protected:
    // The sheet and its first page exist. A sheet that this does not move is centred on its owner
    // once it has its final size; one that grows or shrinks here keeps its top-left corner.
    virtual BOOL OnInitDialog();
    bool PreTranslateMessage(MSG& msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    bool IsFinished() const;

    std::wstring m_caption;
    std::vector<CPropertyPage*> m_pages;
    bool m_stackedTabs = true;
    bool m_initFailed = false;
    // OnInitDialog moved the sheet: it stays where it was put.
    bool m_placedByInit = false;
    INT_PTR m_modalResult = IDCANCEL;
};
