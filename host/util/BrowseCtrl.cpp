#include "util/BrowseCtrl.h"

#include "ComRef.h"
#include "framework/FileDialog.h"
#include "framework/ModalLoop.h"
#include "framework/WinApp.h"
#include "framework/WindowPlacement.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

const int PictureSize = 16;
const int ContentPadding = 11;  // frame and margin around the content of the button part
const int DisplayNameLength = 261;
const int ResultPathLength = 262;
const int FileNameBufferLength = 65535;

CBrowseCtrl::FolderHandler& CurrentFolderHandler()
{
    static CBrowseCtrl::FolderHandler handler;
    return handler;
}

// Frees a shell item list with the shell's allocator.
void FreeItemList(LPITEMIDLIST list)
{
    CComRef<IMalloc> allocator;
    if (SUCCEEDED(SHGetMalloc(allocator.Receive())) && allocator)
        allocator->Free(list);
}

// A one-pixel line including its end pixel.
void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SetPixel(dc, x2, y2, colour);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void FrameRect3D(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight)
{
    Line(dc, r.left, r.bottom - 1, r.left, r.top, topLeft);
    Line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
    Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
    Line(dc, r.left, r.bottom - 1, r.right - 1, r.bottom - 1, bottomRight);
}

bool PointIn(const RECT& rect, POINT point)
{
    return PtInRect(&rect, point) != FALSE;
}

POINT PointFrom(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

CBrowseCtrl::FolderHandler CBrowseCtrl::SetFolderHandler(FolderHandler handler)
{
    FolderHandler previous = std::move(CurrentFolderHandler());
    CurrentFolderHandler() = std::move(handler);
    return previous;
}

CBrowseCtrl::CBrowseCtrl() = default;

CBrowseCtrl::~CBrowseCtrl()
{
    if (m_hWnd != nullptr && IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool CBrowseCtrl::Create(const RECT& rect, CWnd* parent, UINT id, int options, UINT notifyMessage)
{
    HWND parentWindow = parent != nullptr ? parent->m_hWnd : nullptr;
    if (parentWindow == nullptr && CWinApp::Current() != nullptr)
        parentWindow = CWinApp::Current()->MainWindowHandle();
    if (parentWindow == nullptr)
        return false;
    m_notifyMessage = notifyMessage;
    m_createdByCreate = true;
    if (!CreateEx(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parentWindow, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return false;
    m_options = options;
    return Initialise();
}

bool CBrowseCtrl::Attach(HWND button)
{
    if (!SubclassWindow(button))
        return false;
    return m_createdByCreate || Initialise();
}

bool CBrowseCtrl::Initialise()
{
    if (m_hWnd == nullptr)
        return false;
    m_font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (m_label.empty()) {
        int length = GetWindowTextLengthW(m_hWnd);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(m_hWnd, &text[0], length + 1);
        text.resize(static_cast<size_t>(length));
        m_label = text;
    }
    ComputeLayout(false);
    SetWindowTextW(m_hWnd, L"");
    if (!CreateEdit())
        return false;
    return CreateTooltip();
}

void CBrowseCtrl::SetOptions(int options)
{
    int old = m_options;
    m_options = options;
    if (old == options || m_hWnd == nullptr)
        return;
    ComputeLayout(false);
    CreateEdit();
    RedrawAll();
}

SIZE CBrowseCtrl::ContentSize()
{
    SIZE size = {PictureSize, PictureSize};
    if (m_options & UsePicture)
        return size;
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(dc, m_font != nullptr ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE text = {0, 0};
    GetTextExtentPoint32W(dc, m_label.c_str(), static_cast<int>(m_label.size()), &text);
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
    text.cx = text.cx < PictureSize ? PictureSize : text.cx;
    return text;
}

void CBrowseCtrl::ComputeLayout(bool moveEdit)
{
    RECT client;
    GetClientRect(m_hWnd, &client);
    m_buttonRect = client;
    SIZE content = ContentSize();
    int width = content.cx + ContentPadding;
    if (client.right - client.left > width) {
        if (m_options & BtnLeft)
            m_buttonRect.right = m_buttonRect.left + width;
        else
            m_buttonRect.left = m_buttonRect.right - width;
    }

    RECT inner = m_buttonRect;
    InflateRect(&inner, -2, -2);
    m_contentRect = inner;
    int innerHeight = inner.bottom - inner.top;
    int innerWidth = inner.right - inner.left;
    if (innerHeight > content.cy) {
        m_contentRect.top = inner.top + (innerHeight - content.cy) / 2;
        m_contentRect.bottom = m_contentRect.top + content.cy;
    }
    if (innerWidth > content.cx) {
        m_contentRect.left = inner.left + (innerWidth - content.cx) / 2;
        m_contentRect.right = m_contentRect.left + content.cx;
    }

    m_editRect = client;
    if (m_options & BtnLeft)
        m_editRect.left = m_buttonRect.right;
    else
        m_editRect.right = m_buttonRect.left;

    if (moveEdit && m_edit != nullptr) {
        MoveWindow(m_edit, m_editRect.left, m_editRect.top, m_editRect.right - m_editRect.left,
                   m_editRect.bottom - m_editRect.top, TRUE);
    }
}

bool CBrowseCtrl::CreateEdit()
{
    std::wstring kept;
    if (m_edit != nullptr) {
        int length = GetWindowTextLengthW(m_edit);
        kept.assign(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(m_edit, &kept[0], length + 1);
        kept.resize(static_cast<size_t>(length));
        ::DestroyWindow(m_edit);
        m_edit = nullptr;
        m_editHasFocus = false;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_NOHIDESEL;
    if (!(m_options & Editable))
        style |= ES_READONLY;
    if (!IsWindowEnabled(m_hWnd))
        style |= WS_DISABLED;
    m_edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", style, m_editRect.left, m_editRect.top,
                        m_editRect.right - m_editRect.left, m_editRect.bottom - m_editRect.top, m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(EditId)), GetModuleHandleW(nullptr), nullptr);
    if (m_edit == nullptr)
        return false;
    SendMessageW(m_edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
    SendMessageW(m_edit, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    // The kept text is put back by the control, not typed by the user.
    bool wasBusy = m_busy;
    m_busy = true;
    SetWindowTextW(m_edit, kept.c_str());
    m_busy = wasBusy;
    ShowWindow(m_edit, SW_SHOW);
    return true;
}

bool CBrowseCtrl::CreateTooltip()
{
    if (m_tooltip == nullptr) {
        m_tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (m_tooltip == nullptr)
            return false;
    }
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = ToolId;
    tool.rect = m_buttonRect;
    tool.lpszText = &m_tooltipText[0];
    SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return true;
}

void CBrowseCtrl::RedrawAll()
{
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CBrowseCtrl::RedrawButton()
{
    InvalidateRect(m_hWnd, &m_buttonRect, FALSE);
}

void CBrowseCtrl::SelectEditText(bool all)
{
    if (m_edit == nullptr)
        return;
    if (all)
        SendMessageW(m_edit, EM_SETSEL, 0, -1);
    else
        SendMessageW(m_edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageW(m_edit, EM_SCROLLCARET, 0, 0);
}

std::wstring CBrowseCtrl::FirstResultPath() const
{
    return m_hasResult ? std::wstring(m_result.data()) : std::wstring();
}

std::wstring CBrowseCtrl::GetPathName() const
{
    std::wstring first = FirstResultPath();
    if (m_editChanged && CompareStringOrdinal(m_typedText.c_str(), -1, first.c_str(), -1, TRUE) != CSTR_EQUAL)
        return m_typedText;
    return first;
}

void CBrowseCtrl::SetPathName(const wchar_t* path)
{
    if (m_edit != nullptr) {
        // Setting the text is not the user typing: keep the typed text and its flag as they are.
        bool wasBusy = m_busy;
        m_busy = true;
        SetWindowTextW(m_edit, path != nullptr ? path : L"");
        m_busy = wasBusy;
    }
    if (path == nullptr) {
        m_result.clear();
        m_hasResult = false;
        return;
    }
    SetResultPaths({path});
}

void CBrowseCtrl::SetResultPaths(const std::vector<std::wstring>& paths)
{
    m_result.clear();
    for (const std::wstring& path : paths) {
        m_result.insert(m_result.end(), path.begin(), path.end());
        m_result.push_back(L'\0');
    }
    m_result.push_back(L'\0');
    if (paths.empty())
        m_result.push_back(L'\0');
    m_hasResult = true;
}

void CBrowseCtrl::ShowChosenPath(const std::wstring& path)
{
    if (m_edit != nullptr) {
        SetWindowTextW(m_edit, path.c_str());
        SelectEditText(true);
    }
    m_editChanged = false;
    m_typedText = path;
}

HWND CBrowseCtrl::ParentWindow() const
{
    return m_hWnd != nullptr ? GetParent(m_hWnd) : nullptr;
}

int CBrowseCtrl::Browse()
{
    if (m_busy)
        return IDCANCEL;
    m_busy = true;
    int result = (m_options & FolderMode) ? BrowseFolder() : BrowseFile();
    if (m_notifyMessage != 0 && ParentWindow() != nullptr)
        SendMessageW(ParentWindow(), m_notifyMessage, static_cast<WPARAM>(result), reinterpret_cast<LPARAM>(m_hWnd));
    m_busy = false;
    return result;
}

int CBrowseCtrl::BrowseFolder()
{
    std::wstring chosen;
    if (CurrentFolderHandler()) {
        if (!CurrentFolderHandler()(*this, chosen))
            return IDCANCEL;
    } else {
        wchar_t displayName[DisplayNameLength] = {};
        BROWSEINFOW info = {};
        info.hwndOwner = ParentWindow();
        info.pszDisplayName = displayName;
        info.lpszTitle = m_folderPrompt.c_str();
        info.ulFlags = m_folderBrowserFlags;
        info.lpfn = &CBrowseCtrl::BrowseCallbackProc;
        info.lParam = reinterpret_cast<LPARAM>(this);
        LPITEMIDLIST list = SHBrowseForFolderW(&info);
        if (list == nullptr)
            return IDCANCEL;
        std::vector<wchar_t> path(ResultPathLength, L'\0');
        const bool isFolder = SHGetPathFromIDListW(list, path.data()) != FALSE && path[0] != L'\0';
        FreeItemList(list);
        // An item without a file-system path (a virtual folder) is no folder to store files in:
        // keep the path that was there rather than replace it with nothing.
        if (!isFolder)
            return IDCANCEL;
        chosen = path.data();
    }
    SetResultPaths({chosen});
    ShowChosenPath(chosen);
    return IDOK;
}

int CBrowseCtrl::BrowseFile()
{
    CFileDialog dialog(m_openFileDialog, m_defaultExtension.c_str(), L"", m_fileDialogOptions, m_filter.c_str(),
                       ParentWindow());
    dialog.m_title = m_dialogCaption;
    dialog.m_bufferLength = FileNameBufferLength;
    if (dialog.DoModal() != IDOK)
        return IDCANCEL;
    std::vector<std::wstring> paths = dialog.GetPathNames();
    if (paths.empty())
        return IDCANCEL;
    SetResultPaths(paths);
    ShowChosenPath(paths.front());
    return IDOK;
}

int CALLBACK CBrowseCtrl::BrowseCallbackProc(HWND hwnd, UINT message, LPARAM /*lParam*/, LPARAM data)
{
    CBrowseCtrl* control = reinterpret_cast<CBrowseCtrl*>(data);
    if (message != BFFM_INITIALIZED || control == nullptr)
        return 0;
    if (!control->m_dialogCaption.empty())
        SetWindowTextW(hwnd, control->m_dialogCaption.c_str());
    std::wstring path = control->GetPathName();
    if (!path.empty())
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    // The shell opens its browser where the system puts a new window, partly off the screen when the
    // owner sits in a corner: like the framework's own dialogs, it belongs on its owner, on the screen.
    CenterWindowOnOwner(hwnd);
    CallModalHook(hwnd);
    return 0;
}

void CBrowseCtrl::PostClickCommand()
{
    HWND parent = ParentWindow();
    if (parent != nullptr)
        PostMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), 0), 0);
}

void CBrowseCtrl::ClickAndNotify()
{
    Browse();
    PostClickCommand();
}

bool CBrowseCtrl::PreTranslateMessage(MSG& msg)
{
    if (m_hWnd == nullptr || (msg.hwnd != m_hWnd && msg.hwnd != m_edit))
        return false;
    if (m_tooltip != nullptr)
        SendMessageW(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        ClickAndNotify();
        return true;
    }
    return false;
}

// The button class's own mouse and key handling is not run: it would capture the mouse and send
// its own click notification, pre-empting or doubling the browse that this control starts.
LRESULT CBrowseCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLButtonDown(PointFrom(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(PointFrom(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(PointFrom(lParam));
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_KEYUP:
        OnKeyUp(wParam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_WANTCHARS;
    case WM_ENABLE:
        OnEnable(wParam != FALSE);
        return 0;
    case WM_SIZE:
    case WM_MOVE: {
        LRESULT result = Default();
        ComputeLayout(true);
        return result;
    }
    case WM_DESTROY:
        OnDestroy();
        return Default();
    case WM_COMMAND:
        if (LOWORD(wParam) == EditId && reinterpret_cast<HWND>(lParam) == m_edit) {
            OnEditCommand(HIWORD(wParam));
            return 0;
        }
        return Default();
    default:
        return Default();
    }
}

void CBrowseCtrl::OnLButtonDown(POINT point)
{
    if (PointIn(m_buttonRect, point)) {
        SelectEditText(false);
        SetCapture(m_hWnd);
        m_pressed = true;
    }
    RedrawAll();
}

void CBrowseCtrl::OnLButtonUp(POINT point)
{
    if (GetCapture() != m_hWnd)
        return;
    ReleaseCapture();
    m_pressed = false;
    RedrawButton();
    if (PointIn(m_buttonRect, point))
        ClickAndNotify();
}

void CBrowseCtrl::OnMouseMove(POINT point)
{
    bool inside = PointIn(m_buttonRect, point);
    if (!m_hover && inside) {
        m_hover = true;
        m_pressed = GetCapture() == m_hWnd;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        TrackMouseEvent(&track);
        RedrawButton();
    } else if (m_hover && !inside) {
        OnMouseLeave();
    }
}

void CBrowseCtrl::OnMouseLeave()
{
    if (!m_hover)
        return;
    m_hover = false;
    m_pressed = false;
    RedrawButton();
}

void CBrowseCtrl::OnSetFocus(HWND previous)
{
    if (m_edit != nullptr && !m_editHasFocus && previous != m_edit) {
        SetFocus(m_edit);
        SelectEditText(true);
        m_editHasFocus = true;
    }
}

void CBrowseCtrl::OnKeyDown(WPARAM key)
{
    if (key != VK_SPACE)
        return;
    m_pressed = true;
    RedrawButton();
}

void CBrowseCtrl::OnKeyUp(WPARAM key)
{
    if (key != VK_SPACE)
        return;
    m_pressed = false;
    RedrawButton();
    ClickAndNotify();
}

void CBrowseCtrl::OnEnable(bool enabled)
{
    if (m_edit != nullptr)
        EnableWindow(m_edit, enabled);
    RedrawAll();
}

void CBrowseCtrl::OnDestroy()
{
    if (m_edit != nullptr)
        ::DestroyWindow(m_edit);
    if (m_tooltip != nullptr)
        ::DestroyWindow(m_tooltip);
    m_edit = nullptr;
    m_tooltip = nullptr;
    m_editHasFocus = false;
    m_hover = false;
    m_pressed = false;
}

void CBrowseCtrl::OnEditCommand(WORD code)
{
    switch (code) {
    case EN_CHANGE:
        if (!m_busy && (m_options & Editable)) {
            int length = GetWindowTextLengthW(m_edit);
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            GetWindowTextW(m_edit, &text[0], length + 1);
            text.resize(static_cast<size_t>(length));
            m_typedText = text;
            m_editChanged = true;
        }
        break;
    // Focus notifications of the edit take the place of polling the focus.
    case EN_SETFOCUS:
        if (!m_editHasFocus) {
            m_editHasFocus = true;
            SelectEditText(true);
        }
        break;
    case EN_KILLFOCUS:
        if (m_editHasFocus) {
            m_editHasFocus = false;
            SelectEditText(false);
        }
        break;
    default:
        break;
    }
}

void CBrowseCtrl::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    PaintFrame(dc, face);
    RECT content = m_contentRect;
    if (m_pressed)
        OffsetRect(&content, 1, 1);
    PaintContent(dc, content, face);
    EndPaint(m_hWnd, &paint);
}

void CBrowseCtrl::PaintFrame(HDC dc, COLORREF face)
{
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(dc, &m_buttonRect, brush);
    DeleteObject(brush);

    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF darkShadow = GetSysColor(COLOR_3DDKSHADOW);
    COLORREF light = GetSysColor(COLOR_3DLIGHT);
    RECT inner = m_buttonRect;
    InflateRect(&inner, -1, -1);
    if (m_options & FlatFrame) {
        if (m_pressed)
            FrameRect3D(dc, m_buttonRect, darkShadow, highlight);
        else if (m_hover)
            FrameRect3D(dc, m_buttonRect, highlight, shadow);
    } else if (m_pressed) {
        FrameRect3D(dc, m_buttonRect, darkShadow, darkShadow);
        FrameRect3D(dc, inner, shadow, shadow);
    } else {
        FrameRect3D(dc, m_buttonRect, highlight, darkShadow);
        FrameRect3D(dc, inner, light, shadow);
    }
}

// The content is drawn off-screen and copied in one step, so the button never flickers.
void CBrowseCtrl::PaintContent(HDC dc, const RECT& content, COLORREF face)
{
    int width = content.right - content.left;
    int height = content.bottom - content.top;
    if (width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(memory, &all, brush);
    DeleteObject(brush);

    bool enabled = IsWindowEnabled(m_hWnd) != FALSE;
    if (m_options & UsePicture) {
        DrawPicture(memory, enabled);
    } else {
        HGDIOBJ oldFont = SelectObject(memory, m_font != nullptr ? m_font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(memory, TRANSPARENT);
        int length = static_cast<int>(m_label.size());
        if (enabled) {
            SetTextColor(memory, GetSysColor(COLOR_BTNTEXT));
            TextOutW(memory, 0, 0, m_label.c_str(), length);
        } else {
            SetTextColor(memory, GetSysColor(COLOR_BTNHIGHLIGHT));
            TextOutW(memory, 1, 1, m_label.c_str(), length);
            SetTextColor(memory, GetSysColor(COLOR_BTNSHADOW));
            TextOutW(memory, 0, 0, m_label.c_str(), length);
        }
        SelectObject(memory, oldFont);
    }
    BitBlt(dc, content.left, content.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void CBrowseCtrl::DrawPicture(HDC dc, bool enabled)
{
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255), yellow = RGB(255, 255, 0);
    const COLORREF olive = RGB(128, 128, 0), grey = RGB(128, 128, 128), silver = RGB(192, 192, 192);
    const COLORREF cyan = RGB(0, 255, 255), blue = RGB(0, 0, 255), navy = RGB(0, 0, 128);
    if (m_options & PicFolder) {
        COLORREF outline = enabled ? black : grey;
        COLORREF faceColour = enabled ? yellow : silver;
        COLORREF shade = enabled ? olive : grey;
        // Back of the folder with its tab.
        Line(dc, 1, 3, 1, 13, outline);
        Line(dc, 2, 2, 5, 2, outline);
        Line(dc, 6, 3, 12, 3, outline);
        Line(dc, 12, 4, 12, 6, outline);
        for (int y = 3; y <= 12; ++y)
            Line(dc, 2, y, y < 4 ? 5 : 11, y, shade);
        Line(dc, 2, 3, 5, 3, white);
        // The open front flap.
        Line(dc, 4, 7, 15, 7, outline);
        Line(dc, 1, 13, 12, 13, outline);
        Line(dc, 4, 7, 1, 13, outline);
        Line(dc, 15, 7, 12, 13, outline);
        for (int y = 8; y <= 12; ++y) {
            int left = 4 - (y - 7) / 2 + 1;
            int right = 15 - (y - 7) / 2 - 1;
            Line(dc, left, y, right, y, faceColour);
        }
        Line(dc, 5, 8, 13, 8, white);
    } else if (m_options & PicSecond) {
        // A sheet of paper.
        COLORREF outline = enabled ? black : grey;
        Line(dc, 3, 1, 10, 1, outline);
        Line(dc, 3, 1, 3, 14, outline);
        Line(dc, 3, 14, 12, 14, outline);
        Line(dc, 12, 4, 12, 14, outline);
        Line(dc, 10, 1, 12, 3, outline);
        for (int y = 2; y <= 13; ++y)
            Line(dc, 4, y, y < 4 ? 9 : 11, y, white);
        for (int y = 5; y <= 11; y += 2)
            Line(dc, 5, y, 10, y, enabled ? grey : silver);
        Line(dc, 10, 2, 10, 3, enabled ? yellow : silver);
    } else if (m_options & PicThird) {
        // A small computer screen.
        COLORREF outline = enabled ? black : grey;
        Line(dc, 1, 2, 14, 2, outline);
        Line(dc, 1, 2, 1, 11, outline);
        Line(dc, 14, 2, 14, 11, outline);
        Line(dc, 1, 11, 14, 11, outline);
        for (int y = 3; y <= 10; ++y)
            Line(dc, 2, y, 13, y, enabled ? navy : grey);
        Line(dc, 3, 4, 8, 4, enabled ? cyan : white);
        Line(dc, 3, 6, 10, 6, enabled ? blue : silver);
        Line(dc, 3, 8, 6, 8, enabled ? yellow : white);
        Line(dc, 6, 12, 9, 12, enabled ? olive : grey);
        Line(dc, 4, 13, 11, 13, silver);
        Line(dc, 4, 14, 11, 14, grey);
    }
}
