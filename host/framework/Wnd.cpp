#include "framework/Wnd.h"

#include <unordered_map>

namespace {

const wchar_t kWindowClass[] = L"WexlinkFrameworkWnd";

std::unordered_map<HWND, CWnd*>& WindowMap()
{
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// The object whose window CreateWindowEx is making; its first messages arrive before the handle
// is known.
thread_local CWnd* t_creating = nullptr;

// The message being handled, innermost first. It is kept per thread rather than in the window
// object: a handler may destroy its own window, and with it the object, before it returns.
thread_local MSG t_currentMsg = {};

// Makes a message the current one for the time of its handler, and puts the previous one back
// however the handler ends.
class CurrentMessageScope {
public:
    explicit CurrentMessageScope(const MSG& msg) : m_saved(t_currentMsg) { t_currentMsg = msg; }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;
    ~CurrentMessageScope() { t_currentMsg = m_saved; }

private:
    MSG m_saved;
};

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    auto found = WindowMap().find(hwnd);
    return found == WindowMap().end() ? nullptr : found->second;
}

void CWnd::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    WindowMap()[hwnd] = this;
}

void CWnd::Detach()
{
    if (m_hWnd == nullptr)
        return;
    if (m_superProc != nullptr) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        m_superProc = nullptr;
    }
    WindowMap().erase(m_hWnd);
    m_hWnd = nullptr;
}

ATOM CWnd::RegisterFrameworkClass()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &CWnd::StaticWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kWindowClass;
        atom = RegisterClassExW(&wc);
    }
    return atom;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, void* param)
{
    if (className != nullptr) {
        HWND hwnd = CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                    GetModuleHandleW(nullptr), param);
        return hwnd != nullptr && SubclassWindow(hwnd);
    }
    if (RegisterFrameworkClass() == 0)
        return false;
    // The first messages arrive before CreateWindowEx returns the handle: the class procedure
    // attaches the window to this object on the first of them.
    CWnd* previous = t_creating;
    t_creating = this;
    HWND hwnd = CreateWindowExW(exStyle, kWindowClass, windowName, style, x, y, width, height, parent, menuOrId,
                                GetModuleHandleW(nullptr), param);
    t_creating = previous;
    return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (hwnd == nullptr || m_hWnd != nullptr)
        return false;
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc)));
    if (old == nullptr)
        return false;
    m_superProc = old;
    Attach(hwnd);
    return true;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd);
}

bool CWnd::PreTranslateMessage(MSG& /*msg*/)
{
    return false;
}

bool CWnd::WalkPreTranslateTree(HWND stopAt, MSG& msg)
{
    for (HWND hwnd = msg.hwnd; hwnd != nullptr; hwnd = GetParent(hwnd)) {
        CWnd* wnd = FromHandlePermanent(hwnd);
        if (wnd != nullptr && wnd->PreTranslateMessage(msg))
            return true;
        if (hwnd == stopAt)
            break;
    }
    return false;
}

bool CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    LONG_PTR changed = (style & ~static_cast<LONG_PTR>(remove)) | static_cast<LONG_PTR>(add);
    if (changed == style)
        return false;
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, changed);
    return true;
}

LRESULT CWnd::WindowProc(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return Default();
}

LRESULT CWnd::Default()
{
    const MSG& m = t_currentMsg;
    if (m_superProc != nullptr)
        return CallWindowProcW(m_superProc, m.hwnd, m.message, m.wParam, m.lParam);
    return DefWindowProcW(m.hwnd, m.message, m.wParam, m.lParam);
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentMessageScope scope(MSG{m_hWnd, message, wParam, lParam, 0, {0, 0}});
    return WindowProc(message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (wnd == nullptr && t_creating != nullptr && t_creating->m_hWnd == nullptr) {
        wnd = t_creating;
        wnd->Attach(hwnd);
    }
    if (wnd == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = wnd->Dispatch(message, wParam, lParam);
    } catch (...) {
        // An exception must not unwind through the system's code. The message counts as handled
        // with a neutral result; a failed creation must say so, or the window would live on half-made.
        OutputDebugStringW(L"Wexlink32: exception in a window procedure\n");
        result = (message == WM_CREATE || message == WM_NCCREATE) ? -1 : 0;
        if (message == WM_NCCREATE)
            result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        wnd->Detach();
        wnd->PostNcDestroy();
    }
    return result;
}
