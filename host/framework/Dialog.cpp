#include "framework/Dialog.h"

#include "framework/ModalLoop.h"
#include "framework/Resources.h"
#include "framework/WindowPlacement.h"

INT_PTR CDialog::DoModal()
{
    HWND owner = m_hParent != nullptr ? m_hParent : DefaultModalOwner();
    m_modalEnded = false;
    m_modalResult = -1;
    // Before the dialog exists, so that the lock sees where the focus was.
    CModalOwnerLock ownerLock(owner);
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(m_templateId), owner, &CDialog::DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr)
        return -1;
    if (m_hWnd != hwnd) {
        ::DestroyWindow(hwnd);
        return -1;
    }
    ShowWindow(hwnd, SW_SHOW);
    CallModalHook(hwnd);
    RunModalLoop([this] { return m_modalEnded || m_hWnd == nullptr; },
                 [this](MSG& msg) { return PreTranslateMessage(msg); });
    ownerLock.Release();
    if (m_hWnd != nullptr)
        DestroyWindow();
    return m_modalResult;
}

void CDialog::EndDialog(int result)
{
    m_modalResult = result;
    m_modalEnded = true;
    // Wakes the loop, which may be waiting for a message.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(m_hWnd, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const DataExchangeFailure&) {
        dx.RestoreMembers();
        return false;
    }
    return true;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::HandleOkCancel(UINT id)
{
    if (id == IDOK)
        OnOK();
    else
        OnCancel();
    return true;
}

bool CDialog::PreTranslateMessage(MSG& msg)
{
    if (msg.hwnd != m_hWnd && !IsChild(m_hWnd, msg.hwnd))
        return false;
    return IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        UINT id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED && HandleOkCancel(id))
            return 0;
        if (OnControlCommand(id, code, control))
            return 0;
        break;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (lParam != 0 && OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return result;
        }
        break;
    }
    default:
        break;
    }
    return Default();
}

INT_PTR CDialog::InitDialogSafely(CDialog* dialog, HWND hwnd)
{
    if (dialog == nullptr || !dialog->SubclassWindow(hwnd))
        return FALSE;
    RECT before = {};
    GetWindowRect(hwnd, &before);
    INT_PTR result = TRUE;
    try {
        result = dialog->OnInitDialog();
    } catch (...) {
        OutputDebugStringW(L"Wexlink32: exception in a dialog's initialisation\n");
    }
    // The system puts a dialog at its owner's top-left corner, or past the screen's edge; one that
    // the dialog's own code did not place belongs in the middle of its owner, on the screen.
    RECT after = {};
    if (IsWindow(hwnd) && GetWindowRect(hwnd, &after) && after.left == before.left && after.top == before.top)
        CenterWindowOnOwner(hwnd);
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    return InitDialogSafely(reinterpret_cast<CDialog*>(lParam), hwnd);
}
