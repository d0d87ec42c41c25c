// The tree property sheet: page titles become a tree (with "::" groups and escapes), tree and
// active page follow each other, Ctrl+Tab walks the tree, and the sheet makes room for the tree.
// Each sheet is driven from the modal hook and closed from there, with a timer as a backstop.
#include "CancelTimer.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/PropertyPage.h"
#include "res/resource.h"
#include "util/TreePropSheet.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using TreePropSheet::CTreePropSheet;

namespace {

class TitledPage : public CPropertyPage {
public:
    explicit TitledPage(const std::wstring& title) : CPropertyPage(IDD_PROP_COMMUNICATION), m_title(title)
    {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_title.c_str();
    }
    bool refuseToLeave = false;
    int killActiveCount = 0;

protected:
    BOOL OnKillActive() override
    {
        ++killActiveCount;
        return refuseToLeave ? FALSE : TRUE;
    }

private:
    std::wstring m_title;
};

struct Item {
    std::wstring text;
    LPARAM data;
    int depth;
};

std::wstring ItemText(HWND tree, HTREEITEM item, LPARAM* data = nullptr)
{
    wchar_t text[261] = L"";
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 260;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    if (data != nullptr)
        *data = tv.lParam;
    return text;
}

void CollectItems(HWND tree, HTREEITEM first, int depth, std::vector<Item>& items)
{
    for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        LPARAM data = 0;
        std::wstring text = ItemText(tree, item, &data);
        items.push_back({text, data, depth});
        CollectItems(tree, TreeView_GetChild(tree, item), depth + 1, items);
    }
}

std::vector<Item> TreeItems(HWND tree)
{
    std::vector<Item> items;
    CollectItems(tree, TreeView_GetRoot(tree), 0, items);
    return items;
}

HTREEITEM FindItem(HWND tree, HTREEITEM first, const std::wstring& text)
{
    for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
        if (ItemText(tree, item) == text)
            return item;
        if (HTREEITEM found = FindItem(tree, TreeView_GetChild(tree, item), text))
            return found;
    }
    return nullptr;
}

std::wstring SelectedText(HWND tree)
{
    HTREEITEM selected = TreeView_GetSelection(tree);
    return selected != nullptr ? ItemText(tree, selected) : L"<none>";
}

// Ctrl+Tab (with Shift for backwards) as the sheet's loop hands it over.
void PressCtrlTab(HWND sheet, bool shift)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg = {sheet, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    SendMessageW(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg));
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

RECT RectIn(HWND window, HWND parent)
{
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class TreePropSheetTest : public ::testing::Test {
protected:
    void TearDown() override { SetModalHook(nullptr); }

    // Shows a sheet with one page per title (with page captions unless configured otherwise), runs
    // the action, then cancels it.
    void RunSheet(const std::vector<std::wstring>& titles, const std::function<void(CTreePropSheet&, HWND)>& action,
                  const std::function<void(CTreePropSheet&)>& configure = nullptr)
    {
        m_pages.clear();
        for (const std::wstring& title : titles)
            m_pages.push_back(std::make_unique<TitledPage>(title));
        CTreePropSheet sheet(L"Options");
        sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
        for (auto& page : m_pages)
            sheet.AddPage(page.get());
        if (configure)
            configure(sheet);
        else
            sheet.SetTreeViewMode(true, true, false);
        bool ran = false;
        SetModalHook([&](HWND hwnd) {
            SetTimer(hwnd, 0x5AFE, 5000, &CancelWindowOnTimer);
            ran = true;
            action(sheet, hwnd);
            PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(IDCANCEL, sheet.DoModal());
        EXPECT_TRUE(ran);
        EXPECT_EQ(nullptr, sheet.GetPageTreeControl());
        EXPECT_EQ(nullptr, sheet.GetFrame());
    }

    TitledPage& Page(size_t index) { return *m_pages[index]; }

    std::vector<std::unique_ptr<TitledPage>> m_pages;
};

TEST(TreePropSheetPath, SplitsAtUnescapedSeparatorsAndUndoesEscapesOnlyInSplitParts)
{
    struct Case {
        const wchar_t* path;
        bool split;
        const wchar_t* part;
        const wchar_t* rest;
    };
    const Case cases[] = {
        {L"Port", false, L"Port", L""},
        {L"Net::Port", true, L"Net", L"Port"},
        {L"Net\\::Port", false, L"Net\\::Port", L""},
        {L"Net\\::Port::Speed", true, L"Net::Port", L"Speed"},
        {L"A\\\\::B", true, L"A\\", L"B"},
        {L"A\\\\\\::B", false, L"A\\\\\\::B", L""},
        {L"A::B::C", true, L"A", L"B::C"},
    };
    for (const Case& c : cases) {
        std::wstring path = c.path;
        std::wstring part;
        EXPECT_EQ(c.split, CTreePropSheet::TakeFirstPathPart(path, part)) << c.path;
        EXPECT_EQ(c.part, part) << c.path;
        EXPECT_EQ(c.rest, path) << c.path;
    }
}

TEST_F(TreePropSheetTest, FlatTitlesGiveRootItemsAndSelectingOneActivatesItsPage)
{
    RunSheet({L"First", L"Second"}, [&](CTreePropSheet& sheet, HWND) {
        HWND tree = sheet.GetPageTreeControl();
        ASSERT_NE(nullptr, tree);
        std::vector<Item> items = TreeItems(tree);
        ASSERT_EQ(2u, items.size());
        EXPECT_EQ(L"First", items[0].text);
        EXPECT_EQ(0, items[0].data);
        EXPECT_EQ(L"Second", items[1].text);
        EXPECT_EQ(1, items[1].data);
        EXPECT_EQ(L"First", SelectedText(tree));

        TreeView_SelectItem(tree, FindItem(tree, TreeView_GetRoot(tree), L"Second"));
        EXPECT_EQ(1, sheet.GetActiveIndex());
        EXPECT_EQ(L"Second", sheet.GetFrame()->GetCaptionText());

        // The other way round: the active page moves the tree's selection.
        EXPECT_TRUE(sheet.SetActivePage(0));
        EXPECT_EQ(L"First", SelectedText(tree));
        EXPECT_EQ(L"First", sheet.GetFrame()->GetCaptionText());

        // A page that refuses to be left keeps the tree where it was.
        Page(0).refuseToLeave = true;
        TreeView_SelectItem(tree, FindItem(tree, TreeView_GetRoot(tree), L"Second"));
        EXPECT_EQ(0, sheet.GetActiveIndex());
        EXPECT_EQ(L"First", SelectedText(tree));
        Page(0).refuseToLeave = false;
    });
}

TEST_F(TreePropSheetTest, GroupItemHidesThePageUnlessThePageRefusesToGo)
{
    RunSheet({L"Net::Port", L"Net::Speed", L"A\\::B"}, [&](CTreePropSheet& sheet, HWND hwnd) {
        HWND tree = sheet.GetPageTreeControl();
        std::vector<Item> items = TreeItems(tree);
        ASSERT_EQ(4u, items.size());
        EXPECT_EQ(L"Net", items[0].text);
        EXPECT_EQ(-1, items[0].data);
        EXPECT_EQ(L"Port", items[1].text);
        EXPECT_EQ(1, items[1].depth);
        EXPECT_EQ(0, items[1].data);
        EXPECT_EQ(L"Speed", items[2].text);
        EXPECT_EQ(1, items[2].data);
        EXPECT_EQ(L"A\\::B", items[3].text);
        EXPECT_EQ(2, items[3].data);
        EXPECT_EQ(L"Port", SelectedText(tree));

        HWND page = reinterpret_cast<HWND>(SendMessageW(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        HTREEITEM net = TreeView_GetRoot(tree);
        Page(0).refuseToLeave = true;
        TreeView_SelectItem(tree, net);
        EXPECT_EQ(L"Port", SelectedText(tree));
        EXPECT_TRUE(IsWindowVisible(page));
        EXPECT_EQ(1, Page(0).killActiveCount);

        Page(0).refuseToLeave = false;
        TreeView_SelectItem(tree, net);
        EXPECT_EQ(L"Net", SelectedText(tree));
        EXPECT_FALSE(IsWindowVisible(page));
        EXPECT_EQ(L"Net", sheet.GetFrame()->GetCaptionText());
    });
}

TEST_F(TreePropSheetTest, CtrlTabWalksTheTreeAndWrapsAtBothEnds)
{
    RunSheet({L"One", L"Group::Two", L"Group::Three"}, [&](CTreePropSheet& sheet, HWND hwnd) {
        HWND tree = sheet.GetPageTreeControl();
        EXPECT_EQ(L"One", SelectedText(tree));
        PressCtrlTab(hwnd, false);
        EXPECT_EQ(L"Group", SelectedText(tree));
        PressCtrlTab(hwnd, false);
        EXPECT_EQ(L"Two", SelectedText(tree));
        EXPECT_EQ(1, sheet.GetActiveIndex());
        PressCtrlTab(hwnd, false);
        EXPECT_EQ(L"Three", SelectedText(tree));
        PressCtrlTab(hwnd, false);
        EXPECT_EQ(L"One", SelectedText(tree));
        EXPECT_EQ(0, sheet.GetActiveIndex());
        PressCtrlTab(hwnd, true);
        EXPECT_EQ(L"Three", SelectedText(tree));
        EXPECT_EQ(2, sheet.GetActiveIndex());
        PressCtrlTab(hwnd, true);
        EXPECT_EQ(L"Two", SelectedText(tree));
        PressCtrlTab(hwnd, true);
        EXPECT_EQ(L"Group", SelectedText(tree));
    });
}

TEST_F(TreePropSheetTest, PagesAddedAndRemovedWhileOpenRebuildTheTree)
{
    TitledPage late(L"Late");
    RunSheet({L"First", L"Second"}, [&](CTreePropSheet& sheet, HWND) {
        HWND tree = sheet.GetPageTreeControl();
        sheet.AddPage(&late);
        std::vector<Item> items = TreeItems(tree);
        ASSERT_EQ(3u, items.size());
        EXPECT_EQ(L"Late", items[2].text);
        EXPECT_EQ(2, items[2].data);
        EXPECT_EQ(L"First", SelectedText(tree));

        sheet.RemovePage(0);
        items = TreeItems(tree);
        ASSERT_EQ(2u, items.size());
        EXPECT_EQ(L"Second", items[0].text);
        EXPECT_EQ(0, items[0].data);
        EXPECT_EQ(L"Late", items[1].text);
        EXPECT_EQ(1, items[1].data);
    });
}

TEST_F(TreePropSheetTest, SheetMakesRoomForTheTreeBesideTheFormerTabArea)
{
    // The same pages in a plain sheet give the reference geometry.
    RECT plainSheet = {}, plainTabs = {};
    RunSheet(
        {L"First"},
        [&](CTreePropSheet& sheet, HWND hwnd) {
        GetWindowRect(hwnd, &plainSheet);
        plainTabs = RectIn(sheet.GetTabControl(), hwnd);
        },
        [](CTreePropSheet& sheet) { sheet.SetTreeViewMode(false, false, false); });

    for (bool caption : {true, false}) {
        RunSheet(
            {L"First"},
            [&](CTreePropSheet& sheet, HWND hwnd) {
            RECT sheetRect;
            GetWindowRect(hwnd, &sheetRect);
            RECT tree = RectIn(sheet.GetPageTreeControl(), hwnd);
            RECT frame = RectIn(sheet.GetFrame()->GetFrameWindow()->m_hWnd, hwnd);
            int tabHeight = sheet.GetFrame()->GetCaptionSize();
            EXPECT_GT(tabHeight, 0);
            EXPECT_EQ(plainSheet.right - plainSheet.left + 160, sheetRect.right - sheetRect.left);
            EXPECT_EQ(plainTabs.left, tree.left);
            EXPECT_EQ(plainTabs.left + 155, tree.right);
            EXPECT_EQ(plainTabs.left + 160, frame.left);
            EXPECT_EQ(plainTabs.right + 160, frame.right);
            if (caption) {
                EXPECT_EQ(plainSheet.bottom - plainSheet.top, sheetRect.bottom - sheetRect.top);
                EXPECT_EQ(plainTabs.top, frame.top);
                EXPECT_EQ(plainTabs.bottom, tree.bottom);
            } else {
                EXPECT_EQ(plainSheet.bottom - plainSheet.top - tabHeight, sheetRect.bottom - sheetRect.top);
                EXPECT_EQ(plainTabs.top, frame.top);
                EXPECT_EQ(plainTabs.bottom - tabHeight, tree.bottom);
            }
            EXPECT_FALSE(IsWindowVisible(sheet.GetTabControl()));
            wchar_t okText[32] = L"";
            GetDlgItemTextW(hwnd, IDOK, okText, 32);
            EXPECT_EQ(std::wstring(L"Accept"), okText);
            },
            [caption](CTreePropSheet& sheet) {
            sheet.SetTreeViewMode(true, caption, false);
            sheet.SetTreeWidth(160);
            sheet.m_okText = L"Accept";
        });
    }
}

}  // namespace
