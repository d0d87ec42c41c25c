// An owner-drawn list box whose items show an icon beside a two-line text: a bold title and, after
// a line feed, a detail line in the normal font. The owner passes WM_MEASUREITEM and WM_DRAWITEM of
// the list box on to MeasureItem and DrawItem.
#pragma once

#include "framework/ListBox.h"
#include "framework/Wnd.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

class CIconListBox : public CListBox {
public:
    CIconListBox();
    virtual ~CIconListBox();
    CIconListBox(const CIconListBox&) = delete;
    CIconListBox& operator=(const CIconListBox&) = delete;

    // Binds the object to the list box of a dialog; the item records are freed when it is destroyed.
    bool Attach(HWND listBox);

    // The image list stays the owner's; null removes the icon column.
    void SetImageList(HIMAGELIST images);

    // The new index, or LB_ERR / LB_ERRSPACE.
    int AddItem(const std::wstring& text, int icon);
    // Puts a new text and icon in place of the item at index; the selection is not restored.
    int ReplaceItem(int index, const std::wstring& text, int icon);
    void SetItemIcon(int index, int icon);
    // Frees every item's record and sets its data to 0.
    void FreeItemData();
    // Frees one item's record.
    void FreeItemRecord(int index);

    virtual void DrawItem(const DRAWITEMSTRUCT& draw);
    virtual void MeasureItem(MEASUREITEMSTRUCT& measure);

protected:
    virtual void FillTextBackground(HDC dc, const RECT& area, COLORREF colour);
    virtual void FillIconBackground(HDC dc, const RECT& cell, COLORREF colour);
    virtual void DrawItemIcon(HDC dc, const RECT& cell, int icon, bool disabled);

private:
    struct ItemRecord {
        int Icon;
    };

    // Frees the records when the list box's window goes away.
    class CDestroyWatcher : public CWnd {
    public:
        explicit CDestroyWatcher(CIconListBox& owner) : m_owner(owner) {}

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        CIconListBox& m_owner;
    };

    ItemRecord* RecordOf(int index) const;
    std::wstring ItemText(int index) const;

    HIMAGELIST m_images = nullptr;
    int m_iconWidth = 0;
    int m_iconHeight = 0;
    CDestroyWatcher m_watcher;
};
