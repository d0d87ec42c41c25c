// The message loop of a modal dialog or sheet, and the seam through which tests drive one: a hook
// that is called with the window once it is shown, before the loop starts.
#pragma once

#include <windows.h>
#include <functional>

using ModalHook = std::function<void(HWND window)>;

// Replaces the hook; an empty one removes it. Returns the previous hook.
ModalHook SetModalHook(ModalHook hook);
void CallModalHook(HWND window);

// Runs messages until isDone() says so, giving each to preTranslate first. A WM_QUIT ends the
// loop too and is put back for the outer loop.
void RunModalLoop(const std::function<bool()>& isDone, const std::function<bool(MSG&)>& preTranslate);
// preTranslate(msg), with whatever it throws caught: the message then counts as handled.
bool PreTranslateSafely(const std::function<bool(MSG&)>& preTranslate, MSG& msg);

// The window modal dialogs belong to when the caller names none: the application's main window,
// or the modal window that is open above it.
HWND DefaultModalOwner();

// Disables the owner for the life of a modal window and enables it again before that window goes,
// so that activation returns to the owner. An owner that is a child (a page of a sheet, say) stands
// for its top-level window, which is the one the user could otherwise still click. The keyboard
// focus the owner had goes back to it when the lock ends, after the modal window is gone.
class CModalOwnerLock {
public:
    explicit CModalOwnerLock(HWND owner);
    ~CModalOwnerLock();
    CModalOwnerLock(const CModalOwnerLock&) = delete;
    CModalOwnerLock& operator=(const CModalOwnerLock&) = delete;
    void Release();

private:
    HWND m_owner = nullptr;
    HWND m_focus = nullptr;
};
