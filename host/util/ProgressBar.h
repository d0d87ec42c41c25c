// A progress bar inside a pane of the main window's status bar. It fits itself to the pane each
// time its background is erased, so it follows the pane whenever the status bar is resized or
// repainted, and gives the pane its text back when it goes away.
#pragma once

#include "framework/ProgressCtrl.h"

#include <string>

class CStatusBar;

class CProgressBar : public CProgressCtrl {
public:
    CProgressBar() = default;
    ~CProgressBar() override;

    // Creates the bar in pane 1 of the status bar (or of the application's, when the one given
    // has no window): visible, empty, range 0 to 100. Zero when there is no status bar or the
    // window cannot be made.
    BOOL Create(CStatusBar* statusBar);
    // Fits the window to its pane; zero without a window or a status bar.
    BOOL Resize();
    // The status bar of the current thread's main window, or null.
    static CStatusBar* GetStatusBar();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnEraseBkgnd(HDC dc);
    void TakePane(CStatusBar* statusBar);

    int m_size = 0;  // width in percent of the pane
    int m_pane = 0;
    std::wstring m_previousText;
    RECT m_lastRect = {0, 0, 0, 0};
};
