#include "Wexlink32View.h"

#include "framework/FrameWnd.h"
#include "framework/Resources.h"
#include "res/resource.h"

namespace {

struct StateResources {
    UINT text;
    UINT bitmap;
};

StateResources ResourcesOf(int state)
{
    switch (state) {
    case CWexlink32View::statePolling:
        return {IDS_STATE_POLLING, IDB_STATE_POLLING};
    case CWexlink32View::stateConnected:
        return {IDS_STATE_CONNECTED, IDB_STATE_CONNECTED};
    case CWexlink32View::stateWaiting:
        return {IDS_STATE_WAITING, IDB_STATE_WAITING};
    default:
        return {IDS_STATE_IDLE, IDB_STATE_IDLE};
    }
}

} // namespace

CWexlink32View::CWexlink32View() : CFormView(IDD_WEXLINK32_FORM)
{
}

void CWexlink32View::PutComport(short /*port*/)
{
}

void CWexlink32View::PutBaudrate(long /*baudrate*/)
{
}

void CWexlink32View::PutIrDADevice(long /*device*/)
{
}

short CWexlink32View::StartProtocol(long /*protocolType*/, short /*protocolTimes*/)
{
    return 0;
}

void CWexlink32View::StopProtocol()
{
}

short CWexlink32View::IsProtocolRunning()
{
    return 0;
}

void CWexlink32View::OnInitDialog()
{
    StatusLog.Attach(GetDlgItem(m_hWnd, IDC_STATUS_LOG));
    StateLine = GetDlgItem(m_hWnd, IDC_STATE_LINE);
}

void CWexlink32View::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    if (GetParentFrame() != nullptr)
        GetParentFrame()->RecalcLayout();
    // The system's default window size can be smaller than the form (a small screen): the first
    // fit may grow the window, later ones only shrink it.
    ResizeParentToFit(!m_firstUpdate);
    m_firstUpdate = false;
    SetState(stateIdle);
}

void CWexlink32View::SetState(int state)
{
    StateResources resources = ResourcesOf(state);
    std::wstring text;
    if (!TryLoadStringResource(resources.text, text) && state == stateWaiting) {
        // A language library made before this state existed lacks its text and picture.
        text = L"Waiting";
        resources.bitmap = IDB_STATE_POLLING;
    }
    if (StateLine != nullptr)
        SetWindowTextW(StateLine, text.c_str());
    HWND picture = GetDlgItem(m_hWnd, IDC_STATE_PICTURE);
    if (picture == nullptr)
        return;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(ResourceModule(), MAKEINTRESOURCEW(resources.bitmap), IMAGE_BITMAP, 0, 0, 0));
    HBITMAP previous = reinterpret_cast<HBITMAP>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (previous != nullptr && previous != bitmap)
        DeleteObject(previous);
}
