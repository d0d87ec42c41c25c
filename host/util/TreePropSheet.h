// A property sheet whose row of tabs is replaced by a tree of page titles on the left and a framed
// page area on the right. A title "Group::Page" puts the page under a group item; "\::" is a
// literal "::" and "\\" a literal backslash in a title that is split.
#pragma once

#include "framework/PropertySheet.h"
#include "util/PropPageFrame.h"

#include <commctrl.h>
#include <string>

class CVisualStyles;

namespace TreePropSheet {

class CTreePropSheet : public CPropertySheet {
public:
    explicit CTreePropSheet(const std::wstring& caption);
    ~CTreePropSheet() override;

    // Only while the sheet has no window; false when it came too late.
    bool SetTreeViewMode(bool treeMode, bool pageCaption, bool treeImages);
    bool SetTreeWidth(int width);
    // A message with one "%s" for the selected item's text, shown where no page is visible.
    void SetEmptyPageText(const std::wstring& message) { m_emptyPageMessage = message; }
    // The visual styles the page frame draws with; without them it draws in classic colours.
    void SetVisualStyles(const CVisualStyles* styles) { m_styles = styles; }

    HWND GetPageTreeControl() const;
    CPropPageFrame* GetFrame() const { return m_frame; }

    // Splits the first part off a page path: true and the part with its escapes undone when a
    // separator was found (path keeps the rest), false and the whole path unchanged otherwise.
    static bool TakeFirstPathPart(std::wstring& path, std::wstring& part);

    // Texts for the buttons OK, Cancel, Apply and Help; empty ones leave the button as it is.
    std::wstring m_okText;
    std::wstring m_cancelText;
    std::wstring m_applyText;
    std::wstring m_helpText;

protected:
    virtual std::wstring FormatEmptyPageText(const std::wstring& message, const std::wstring& itemText);
    virtual CWnd* MakePageTree();
    virtual CPropPageFrame* MakePageFrame();

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnDestroy();
    LRESULT OnPageListChanged();
    LRESULT OnPageSelected();
    LRESULT OnDialogKey(const MSG* msg);
    LRESULT OnTreeSelChanging(const NMTREEVIEWW& change);
    LRESULT OnTreeSelChanged();
    LRESULT OnNotify(const NMHDR& header);

    void ShiftChildWindows(int dx, int dy);
    int MeasureTabHeight(const RECT& frameRect);
    void RebuildPageTree();
    HTREEITEM InsertPagePath(std::wstring path, HTREEITEM parent);
    HTREEITEM FindItemForPage(int page, HTREEITEM start) const;
    void SelectItemForPage(int page);
    void SyncTreeSelection();
    void RefreshFrameCaption();
    void GoToNextPage();
    void GoToPreviousPage();
    int TabCount() const;
    LPARAM ItemData(HTREEITEM item) const;
    std::wstring ItemText(HTREEITEM item) const;
    HTREEITEM LastDescendant(HTREEITEM item) const;

    bool m_treeMode = true;
    CWnd* m_pageTree = nullptr;
    CPropPageFrame* m_frame = nullptr;
    bool m_selectionGuard = false;
    bool m_pageCaption = false;
    bool m_treeImages = false;
    HIMAGELIST m_images = nullptr;
    std::wstring m_emptyPageMessage;
    int m_treeWidth = 150;
    const CVisualStyles* m_styles = nullptr;
};

}  // namespace TreePropSheet
