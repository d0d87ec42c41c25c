// The frame's status bar: panes made from indicator ids, the first one stretching over the room
// the others leave. Pane 0 carries the menu prompts and the idle text. A stretching pane whose
// text needs more room than is left takes it from the fixed panes, as far as the bar is wide.
#pragma once

#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"

#include <commctrl.h>

#include <string>
#include <vector>

class CStatusBar : public CWnd {
public:
    enum PaneStyle : UINT { SBPS_NORMAL = 0, SBPS_NOBORDERS = 0x0100, SBPS_STRETCH = 0x0800 };

    // With SBARS_TOOLTIPS a pane's whole text shows as its tip, for when the pane is too narrow.
    bool Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | SBARS_TOOLTIPS,
                UINT id = IDW_STATUS_BAR);
    // One pane per id; 0 is a separator (empty, stretching). Every other id needs its string,
    // which becomes the pane's text. False when one is missing.
    bool SetIndicators(const UINT* ids, int count);
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    bool SetPaneText(int index, const std::wstring& text, bool update = true);
    std::wstring GetPaneText(int index) const;
    // The pane's tip as the control holds it; empty without tips.
    std::wstring GetPaneTip(int index) const;
    // The pane's rectangle in the status bar's client coordinates.
    void GetItemRect(int index, RECT* rect) const;
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    // Spreads the panes over the bar's width; the frame calls it whenever the bar is resized.
    void UpdateLayout();
    int GetHeight() const;

private:
    struct Pane {
        UINT id;
        UINT style;
        int width;
        std::wstring text;
        bool shown;  // the control holds text
    };

    // Sets the parts when the panes' edges moved.
    void ApplyPaneEdges();
    std::vector<int> PaneEdges(int width) const;
    // The room a pane needs for the whole text, in the bar's font.
    int TextWidth(const std::wstring& text) const;

    std::vector<Pane> m_panes;
    std::vector<int> m_edges;
};
