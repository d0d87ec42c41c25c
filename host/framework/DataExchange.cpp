#include "framework/DataExchange.h"

#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Resources.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwctype>
#include <vector>

namespace {

std::wstring ControlText(HWND control)
{
    int length = GetWindowTextLengthW(control);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool ParseInteger(const std::wstring& text, int& value)
{
    const wchar_t* start = text.c_str();
    while (iswspace(*start))
        ++start;
    if (*start == L'\0')
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    long parsed = wcstol(start, &end, 10);
    if (end == start || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    while (iswspace(*end))
        ++end;
    if (*end != L'\0')
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Puts the numbers into "%1" and "%2" of a framework message.
std::wstring FormatRangeMessage(int minValue, int maxValue)
{
    std::wstring text = LoadStringResource(IDS_PARSE_INT_RANGE);
    const std::wstring args[] = {std::to_wstring(minValue), std::to_wstring(maxValue)};
    for (int i = 0; i < 2; ++i) {
        std::wstring marker = L"%" + std::to_wstring(i + 1);
        size_t at = text.find(marker);
        if (at != std::wstring::npos)
            text.replace(at, marker.size(), args[i]);
    }
    return text;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id)
{
    HWND control = GetDlgItem(m_hDialog, id);
    if (control == nullptr) {
        OutputDebugStringW(L"Wexlink32: data exchange with a control the dialog lacks\n");
        throw DataExchangeFailure();
    }
    m_lastControl = control;
    m_lastIsEdit = false;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND control = PrepareCtrl(id);
    m_lastIsEdit = true;
    return control;
}

void CDataExchange::Fail(const std::wstring& message)
{
    CMessageBox::Show(m_hDialog, message, LoadStringResource(IDS_APP_TITLE), MB_OK | MB_ICONEXCLAMATION);
    if (m_lastControl != nullptr) {
        SetFocus(m_lastControl);
        if (m_lastIsEdit)
            SendMessageW(m_lastControl, EM_SETSEL, 0, -1);
    }
    throw DataExchangeFailure();
}

void CDataExchange::RestoreMembers()
{
    for (auto undo = m_undo.rbegin(); undo != m_undo.rend(); ++undo)
        (*undo)();
    m_undo.clear();
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value)
{
    HWND control = dx.PrepareEditCtrl(id);
    dx.Remember(value);
    if (dx.m_bSaveAndValidate)
        value = ControlText(control);
    else
        SetWindowTextW(control, value.c_str());
}

void DDX_Text(CDataExchange& dx, int id, int& value)
{
    HWND control = dx.PrepareEditCtrl(id);
    dx.Remember(value);
    if (!dx.m_bSaveAndValidate) {
        SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    int parsed = 0;
    if (!ParseInteger(ControlText(control), parsed))
        dx.Fail(LoadStringResource(IDS_PARSE_INT));
    value = parsed;
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue)
{
    if (dx.m_bSaveAndValidate && (value < minValue || value > maxValue))
        dx.Fail(FormatRangeMessage(minValue, maxValue));
}

namespace {

// Moves a button's state without remembering anything: the caller keeps its own member.
void ExchangeCheckState(CDataExchange& dx, HWND control, int& state)
{
    if (dx.m_bSaveAndValidate)
        state = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

}  // namespace

void DDX_Check(CDataExchange& dx, int id, int& value)
{
    HWND control = dx.PrepareCtrl(id);
    dx.Remember(value);
    ExchangeCheckState(dx, control, value);
}

void DDX_Check(CDataExchange& dx, int id, bool& value)
{
    HWND control = dx.PrepareCtrl(id);
    // Only the member is remembered: an undo of the local state would write into a stack frame
    // that is gone by the time a later refusal restores the members.
    dx.Remember(value);
    int state = value ? BST_CHECKED : BST_UNCHECKED;
    ExchangeCheckState(dx, control, state);
    value = state == BST_CHECKED;
}

void DDX_Radio(CDataExchange& dx, int id, int& value)
{
    HWND first = dx.PrepareCtrl(id);
    dx.Remember(value);
    if (dx.m_bSaveAndValidate)
        value = -1;
    // The group runs from the first button up to the next control that starts a group.
    int index = 0;
    for (HWND button = first; button != nullptr; button = GetWindow(button, GW_HWNDNEXT)) {
        if (button != first && (GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP) != 0)
            break;
        if ((SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) == 0)
            continue;
        if (dx.m_bSaveAndValidate) {
            if (value == -1 && SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void DDX_CBIndex(CDataExchange& dx, int id, int& value)
{
    HWND control = dx.PrepareCtrl(id);
    dx.Remember(value);
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}
