#include "framework/ModalLoop.h"

#include "framework/WinApp.h"

namespace {

ModalHook& CurrentHook()
{
    static ModalHook hook;
    return hook;
}

} // namespace

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
        if (!preTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
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
    if (owner != nullptr && IsWindowEnabled(owner)) {
        m_owner = owner;
        EnableWindow(owner, FALSE);
    }
}

void CModalOwnerLock::Release()
{
    if (m_owner != nullptr) {
        EnableWindow(m_owner, TRUE);
        m_owner = nullptr;
    }
}
