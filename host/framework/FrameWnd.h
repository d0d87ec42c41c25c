// The frame window of the single-document template: menu, accelerators, icon and title from one
// resource id, a view as its pane, an optional status bar, and the routing of commands from the
// view through the document and the frame to the application.
#pragma once

#include "framework/Wnd.h"

#include <functional>
#include <string>

class CDocument;
class CSingleDocTemplate;
class CView;

// Frame style bit: the document's title goes into the window title.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

class CFrameWnd : public CWnd {
public:
    struct CreateContext {
        CDocument* document;
        std::function<CView*()> newView;
    };

    CFrameWnd() = default;

    // Loads menu, icon, accelerators and title from the resource id and creates the window,
    // with the view that the context names. On failure the object is left without a window and
    // the caller deletes it.
    bool LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CreateContext* context);
    // Adjusts the creation parameters; the base asks for nothing.
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);

    CView* GetActiveView() const { return m_pActiveView; }
    CDocument* GetActiveDocument() const;
    // The frame's status bar (the child with the status-bar id), when it is one of ours.
    CWnd* GetMessageBar() const;
    void SetMessageText(UINT stringId);
    void SetMessageText(const std::wstring& text);

    virtual void RecalcLayout();
    // After a document was made or opened: the view's initial update and the new title.
    void InitialUpdateFrame(CDocument* document);
    virtual void OnUpdateFrameTitle();
    // (Re)loads the accelerator table from the current resource module; the table it had is
    // destroyed, and so is the last one with the window.
    bool LoadAccelTable(UINT id);

    // Runs the command through view, document, frame and application; false when none handled it.
    bool RouteCommand(UINT id);
    // Runs the update handler of view, document, frame or application; false when none has one.
    bool RouteUpdate(CCmdUI& ui);
    bool RouteHasHandler(UINT id) const;
    // What the update handlers say now.
    bool IsCommandEnabled(UINT id);
    // A menu or accelerator command: run only when its update handler leaves it enabled.
    void ExecuteCommand(UINT id);
    // Idle time: the menu's items and the status bar's text catch up with the program's state.
    virtual void OnIdleUpdateCmdUI();

    bool PreTranslateMessage(MSG& msg) override;
    bool OnCommand(UINT id) override;
    bool HasCommandHandler(UINT id) const override;

    void OnViewDestroyed(CView* view);

    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;
    CSingleDocTemplate* m_pTemplate = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    virtual int OnCreate(CREATESTRUCTW* cs);
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnClose();
    virtual void OnDestroy();
    virtual void OnActivate(UINT state, HWND other, BOOL minimized);
    virtual void OnActivateApp(BOOL active, DWORD threadId);
    void OnEndSession(bool ending);

    void OnHelp();
    void OnContextHelp();
    void OnHelpFinder();
    void OnDefaultHelp();

private:
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    void OnInitMenuPopup(HMENU menu);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void OnSetFocus();
    void OnNcDestroy();
    void UpdateMenuItems(HMENU menu);
    void DestroyAccelTable();
    void RunHelp(UINT command, ULONG_PTR data);

    CreateContext* m_pContext = nullptr;
    CView* m_pActiveView = nullptr;
    DWORD m_frameStyle = 0;
    std::wstring m_strTitle;
    UINT m_idTracking = 0;
    UINT m_idLastMessage = 0;
    bool m_creatingWindow = false;
};
