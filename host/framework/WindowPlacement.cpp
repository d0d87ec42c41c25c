#include "framework/WindowPlacement.h"

#include <algorithm>

namespace {

// The start of a span of `length` centred on [from, to) and then pushed inside [low, high).
LONG CenteredSpan(LONG from, LONG to, LONG length, LONG low, LONG high)
{
    LONG start = from + ((to - from) - length) / 2;
    start = std::min(start, high - length);
    return std::max(start, low);
}

RECT WorkAreaNear(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

}  // namespace

POINT CenteredInside(const RECT& around, SIZE size, const RECT& workArea)
{
    return POINT{CenteredSpan(around.left, around.right, size.cx, workArea.left, workArea.right),
                 CenteredSpan(around.top, around.bottom, size.cy, workArea.top, workArea.bottom)};
}

void CenterWindowOnOwner(HWND window)
{
    if (window == nullptr || !IsWindow(window) || (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
        return;
    HWND owner = GetWindow(window, GW_OWNER);
    RECT workArea = WorkAreaNear(owner != nullptr ? owner : window);
    RECT around = workArea;
    // A minimised owner's rectangle is its icon's, somewhere at the edge of the screen or beyond it.
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return;
    POINT at = CenteredInside(around, SIZE{rect.right - rect.left, rect.bottom - rect.top}, workArea);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
