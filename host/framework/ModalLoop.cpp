#include "framework/ModalLoop.h"

#include "framework/WinApp.h"

namespace {

ModalHook& CurrentHook()
{
    static ModalHook hook;
    return hook;
}

}  // namespace

ModalHook SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(CurrentHook());
    CurrentHook() = std::move(hook);
    return previous;
}

void CallModalHook(HWND window)
{
    // A copy: the hook may replace itself.
    ModalHook hook = CurrentHook();
    if (hook)
        hook(window);
}

void RunModalLoop(const std::function<bool()>& isDone, const std::function<bool(MSG&)>& preTranslate)
{
    MSG msg;
    while (!isDone()) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!PreTranslateSafely(preTranslate, msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool PreTranslateSafely(const std::function<bool(MSG&)>& preTranslate, MSG& msg)
{
    // A key handler of a page runs here, outside any window procedure: whatever it throws would
    // unwind through the modal loop and leave the window half-closed, or end the program.
    try {
        return preTranslate(msg);
    } catch (...) {
        OutputDebugStringW(L"Wexlink32: exception while pre-translating a message\n");
        return true;  // the message had its handling, however it ended
    }
}

HWND DefaultModalOwner()
{
    CWinApp* app = CWinApp::Current();
    HWND owner = app != nullptr ? app->MainWindowHandle() : nullptr;
    if (owner == nullptr || !IsWindow(owner))
        return nullptr;
    // A dialog opened from inside another modal window (a page of the settings sheet, say) belongs
    // to that window, which the main window's last active popup is.
    HWND popup = GetLastActivePopup(owner);
    return popup != nullptr && IsWindowEnabled(popup) ? popup : owner;
}

CModalOwnerLock::CModalOwnerLock(HWND owner)
{
    HWND topLevel = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (topLevel == nullptr)
        return;
    HWND focus = GetFocus();
    if (focus != nullptr && (focus == topLevel || IsChild(topLevel, focus)))
        m_focus = focus;
    if (IsWindowEnabled(topLevel)) {
        m_owner = topLevel;
        EnableWindow(topLevel, FALSE);
    }
}

CModalOwnerLock::~CModalOwnerLock()
{
    Release();
    // Activation brings the focus back to the owner, but not always to the control that had it: when
    // the application is not in the foreground as the modal window goes, the focus stays nowhere or
    // on the owner itself, and the keys meant for that control would reach nothing.
    if (m_focus == nullptr || !IsWindow(m_focus) || !IsWindowVisible(m_focus) || !IsWindowEnabled(m_focus))
        return;
    HWND focus = GetFocus();
    HWND topLevel = GetAncestor(m_focus, GA_ROOT);
    if (focus == nullptr || focus == topLevel || IsChild(topLevel, focus))
        SetFocus(m_focus);
}

void CModalOwnerLock::Release()
{
    if (m_owner != nullptr) {
        EnableWindow(m_owner, TRUE);
        m_owner = nullptr;
    }
}
