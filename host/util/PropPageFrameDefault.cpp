#include "util/PropPageFrameDefault.h"

#include <vssym32.h>

namespace TreePropSheet {

namespace {

const wchar_t kFrameClass[] = L"WexlinkPropPageFrame";

bool RegisterFrameClass()
{
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kFrameClass;
        atom = RegisterClassExW(&wc);
    }
    return atom != 0;
}

// Theme data of the "Tab" class for one drawing, closed when it goes.
class CTabTheme {
public:
    // The styles must be active.
    CTabTheme(const CVisualStyles& styles, HWND hwnd) : m_styles(styles), m_theme(styles.OpenThemeData(hwnd, L"Tab")) {}
    ~CTabTheme()
    {
        if (m_theme != nullptr)
            m_styles.CloseThemeData(m_theme);
    }
    CTabTheme(const CTabTheme&) = delete;
    CTabTheme& operator=(const CTabTheme&) = delete;
    HTHEME Get() const { return m_theme; }

private:
    const CVisualStyles& m_styles;
    HTHEME m_theme;
};

}  // namespace

CPropPageFrameDefault::~CPropPageFrameDefault()
{
    ReleaseCaptionImage();
}

bool CPropPageFrameDefault::IsThemed() const
{
    return m_styles != nullptr && m_styles->IsActive();
}

bool CPropPageFrameDefault::CreateFrameWindow(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    if (!RegisterFrameClass())
        return false;
    return CreateEx(0, kFrameClass, L"Page Frame", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CPropPageFrameDefault::ReleaseCaptionImage()
{
    if (m_captionImages != nullptr) {
        ImageList_Destroy(m_captionImages);
        m_captionImages = nullptr;
    }
}

void CPropPageFrameDefault::SetCaptionTextAndIcon(const wchar_t* text, HICON icon)
{
    CPropPageFrame::SetCaptionTextAndIcon(text, icon);
    // The list keeps its own copy of the icon, so the caller may destroy its icon at once.
    ReleaseCaptionImage();
    ICONINFO info = {};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return;
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    BITMAP mask = {};
    if (info.hbmMask != nullptr && GetObjectW(info.hbmMask, sizeof(mask), &mask) != 0) {
        // A monochrome icon's mask holds the image below the mask: half its height.
        int height = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
        m_captionImages = ImageList_Create(mask.bmWidth, height, ILC_COLOR32 | ILC_MASK, 0, 1);
        if (m_captionImages != nullptr && ImageList_AddIcon(m_captionImages, icon) < 0)
            ReleaseCaptionImage();
    }
    if (info.hbmMask != nullptr)
        DeleteObject(info.hbmMask);
}

bool CPropPageFrameDefault::ThemedContentRect(RECT& content)
{
    if (!IsThemed())
        return false;
    CTabTheme theme(*m_styles, m_hWnd);
    if (theme.Get() == nullptr)
        return false;
    RECT client;
    GetClientRect(m_hWnd, &client);
    HDC dc = GetDC(m_hWnd);
    HRESULT hr = m_styles->GetThemeBackgroundContentRect(theme.Get(), dc, TABP_PANE, 0, &client, &content);
    ReleaseDC(m_hWnd, dc);
    return SUCCEEDED(hr);
}

RECT CPropPageFrameDefault::GetCaptionArea()
{
    RECT client = FrameClientRect();
    RECT content;
    if (!IsThemed() || !ThemedContentRect(content)) {
        client.bottom = IsCaptionEnabled() ? client.top + GetCaptionSize() : client.top;
        return client;
    }
    content.bottom = IsCaptionEnabled() ? client.top + GetCaptionSize() : content.top;
    return content;
}

RECT CPropPageFrameDefault::GetTextArea()
{
    RECT client = FrameClientRect();
    RECT content;
    if (!IsThemed() || !ThemedContentRect(content)) {
        if (IsCaptionEnabled())
            client.top += GetCaptionSize() + 1;
        return client;
    }
    if (IsCaptionEnabled())
        content.top = client.top + GetCaptionSize() + 1;
    return content;
}

void CPropPageFrameDefault::PaintCaption(HDC dc, const RECT& rect, const std::wstring& text, HICON icon)
{
    // A fade from the inactive caption colour into whatever the background shows at the right.
    COLORREF start = GetSysColor(COLOR_INACTIVECAPTION);
    COLORREF end = GetPixel(dc, rect.right - 1, rect.top);
    if (end == CLR_INVALID)
        end = GetSysColor(COLOR_BTNFACE);
    int width = rect.right - rect.left;
    double red = GetRValue(start), green = GetGValue(start), blue = GetBValue(start);
    double redStep = width != 0 ? (GetRValue(end) - red) / width : 0;
    double greenStep = width != 0 ? (GetGValue(end) - green) / width : 0;
    double blueStep = width != 0 ? (GetBValue(end) - blue) / width : 0;
    for (int x = rect.left; x <= rect.right; ++x) {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue)));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        MoveToEx(dc, x, rect.top, nullptr);
        LineTo(dc, x, rect.bottom);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
        red += redStep;
        green += greenStep;
        blue += blueStep;
    }

    int textLeft = rect.left + 2;
    int imageCount = m_captionImages != nullptr ? ImageList_GetImageCount(m_captionImages) : 0;
    if (icon != nullptr && imageCount == 1) {
        int imageWidth = 0, imageHeight = 0;
        ImageList_GetIconSize(m_captionImages, &imageWidth, &imageHeight);
        int y = (rect.top + rect.bottom) / 2 - imageHeight / 2;
        ImageList_Draw(m_captionImages, 0, dc, 3, y, ILD_TRANSPARENT);
        textLeft = rect.left + 3 + imageWidth + 2;
    }

    COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    RECT textRect = {textLeft, rect.top, rect.right, rect.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
}

LRESULT CPropPageFrameDefault::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    if (dc != nullptr) {
        PaintFrame(dc);
        EndPaint(m_hWnd, &paint);
    }
    return 0;
}

LRESULT CPropPageFrameDefault::OnEraseBkgnd(HDC dc)
{
    if (!IsThemed())
        return Default();
    CTabTheme theme(*m_styles, m_hWnd);
    if (theme.Get() != nullptr) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        m_styles->DrawThemeBackground(theme.Get(), dc, TABP_PANE, 0, &client, nullptr);
    }
    return TRUE;
}

LRESULT CPropPageFrameDefault::WindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_PAINT:
        return OnPaint();
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    default:
        return Default();
    }
}

}  // namespace TreePropSheet
