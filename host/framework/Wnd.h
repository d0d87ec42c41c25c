// A window owned by a C++ object. Messages reach the object's WindowProc, which dispatches each
// message to one handler; whatever a handler throws is caught before it reaches the system.
#pragma once

#include "framework/CmdTarget.h"

#include <windows.h>

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys a window that is still there.
    ~CWnd() override;

    // The object of a window this framework created or subclassed; null for any other window.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Creates a window of the framework's own class (className null) or of a system class, which
    // is then subclassed (messages sent during its creation go to the class alone).
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    // Routes an existing window's messages to this object.
    bool SubclassWindow(HWND hwnd);
    virtual BOOL DestroyWindow();

    // Called for every message the loop takes from the queue, from the target window up to the
    // main window; true when the message was handled and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& msg);
    // Walks PreTranslateMessage from msg.hwnd up through its parents, stopping after stopAt.
    static bool WalkPreTranslateTree(HWND stopAt, MSG& msg);

    bool ModifyStyle(DWORD remove, DWORD add);

    HWND m_hWnd = nullptr;

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The processing the window would have had without this object: the subclassed class's
    // procedure, or DefWindowProc.
    LRESULT Default();
    // After the last message of the window; the object may delete itself here.
    virtual void PostNcDestroy() {}

private:
    static ATOM RegisterFrameworkClass();
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd);
    void Detach();

    WNDPROC m_superProc = nullptr;
};
