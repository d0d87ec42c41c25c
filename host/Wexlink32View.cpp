#include "Wexlink32View.h"

#include "ProtocolFrame.h"
#include "ReceiveFileName.h"
#include "StatusArguments.h"
#include "StatusIds.h"
#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "Wexlink32App.h"
#include "framework/FrameWnd.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/CommandLineSplitter.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

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

constexpr int kNoWord = -1;
constexpr int kNoState = -1;

// How the host shows one status of the control: its own string, filled with the arguments of the
// control's message. The arguments are taken by the control's fixed text, which is part of the
// interface between the two; a message of another form (another control's wording) falls back to
// the words at the given positions.
struct StatusMapping {
    short status;
    UINT stringId;            // 0: no string of the host's (see BuildStatusText)
    const wchar_t* fixedText; // the control's English text; null when the host takes no argument
    ArgumentSplit split;
    int words[2];
    int state;
};

const StatusMapping kStatusMappings[] = {
    {1, 177, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {10, 135, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {20, 136, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {30, 137, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {50, 138, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {60, 139, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {70, 140, L"Terminal cannot open/create file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {80, 141, L"Error reading from file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {90, 142, L"Error writing to file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {100, 143, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {110, 144, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {120, 145, L"Requested terminal file %s is not available.", ArgumentSplit::atFirst, {3, kNoWord}, kNoState},
    {130, 146, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
    {140, 147, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {150, 148, L"The PC folder %s does not exist.", ArgumentSplit::atFirst, {3, kNoWord}, kNoState},
    {160, 149, L"Cannot open/create PC file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {170, 150, L"PC file %s is not available.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {180, 151, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::stateIdle},
    {190, 152, L"Cannot open port %s.", ArgumentSplit::atFirst, {3, kNoWord}, CWexlink32View::stateIdle},
    {200, 153, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {210, 154, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {220, 155, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {230, 202, L"Function not supported until Wexlink protocol version %s.", ArgumentSplit::atFirst, {7, kNoWord}, kNoState},
    {statusPortNotAvailable, IDS_PORT_NOT_AVAILABLE, L"Port %s not available.", ArgumentSplit::atFirst, {1, kNoWord}, CWexlink32View::stateWaiting},
    {1000, 156, L"Aborted after %s times successful communication.", ArgumentSplit::atFirst, {2, kNoWord}, CWexlink32View::stateIdle},
    {1010, 157, L"Aborted after %s times no answer from terminal.", ArgumentSplit::atFirst, {2, kNoWord}, CWexlink32View::stateIdle},
    {1020, 158, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {statusTimeDate, 0, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1040, 159, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1050, 160, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1060, 161, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1070, 162, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1080, 163, L"Receive file %s from terminal.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {statusFileReceived, 164, L"Received file %s stored as %s.", ArgumentSplit::atFirst, {2, 5}, kNoState},
    {statusContinueNotAvailable, IDS_CONTINUE_NOT_AVAILABLE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1110, 166, L"Transmit file %s to terminal.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {1120, 167, L"File %s stored in terminal as %s.", ArgumentSplit::atLast, {1, 6}, kNoState},
    {1130, 168, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1140, 169, L"OS version: %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {1150, 170, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {1160, 171, L"Application version: %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {statusListFiles, 172, L"List file(s) %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {statusFilesFound, 173, L"Total file(s) found is %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {statusListedFile, 174, kListedFileText, ArgumentSplit::atLast, {0, 1}, kNoState},
    {statusListingComplete, 175, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {statusSessionComplete, 176, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
    {1220, 201, L"Terminal Wexlink protocol version %s", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {1300, 197, L"Delete file(s) %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {1310, 198, L"Deleting %s file(s).", ArgumentSplit::atFirst, {1, kNoWord}, kNoState},
    {1320, 199, L"%s deleted.", ArgumentSplit::atFirst, {0, kNoWord}, kNoState},
    {1330, 200, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {statusResuming, 0, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
};

const StatusMapping* FindStatusMapping(short status)
{
    for (const StatusMapping& mapping : kStatusMappings)
        if (mapping.status == status)
            return &mapping;
    return nullptr;
}

// The receive and transmit reports that show as balloons while the window sits in the
// notification area.
bool ShowsBalloon(short status)
{
    return status >= 1080 && status <= 1120 && status % 10 == 0;
}

std::wstring WordAt(const CCommandLineSplitter& words, int index)
{
    // A message with fewer words than the position gives an empty word.
    return index == kNoWord ? std::wstring() : std::wstring(words.GetWord(index));
}

// The two arguments of a status message (empty where there is none).
std::vector<std::wstring> StatusArgumentsOf(const StatusMapping& mapping, const std::wstring& message)
{
    std::vector<std::wstring> arguments;
    if (mapping.fixedText == nullptr ||
        !ArgumentsByFixedText(mapping.fixedText, message, mapping.split, arguments)) {
        CCommandLineSplitter words(message.c_str());
        arguments = {WordAt(words, mapping.words[0]), WordAt(words, mapping.words[1])};
    }
    arguments.resize(2);
    return arguments;
}

// Serves the messages that other threads send to this one, for at most `milliseconds`, until
// `done` holds.
template <typename Predicate>
void ServeSentMessagesUntil(Predicate done, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(milliseconds - elapsed, 50), QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// How long closing the form waits for a running protocol to end.
constexpr DWORD kStopWaitMs = 5000;

} // namespace

CWexlink32View::CWexlink32View()
    : CFormView(IDD_WEXLINK32_FORM), m_controlCalls(m_wexlinkCtl), m_dispatcher(theApp.m_TaskList, m_controlCalls, *this)
{
}

// ---- the form ------------------------------------------------------------------------------------

void CWexlink32View::OnInitDialog()
{
    StatusLog.Attach(GetDlgItem(m_hWnd, IDC_STATUS_LOG));
    StateLine = GetDlgItem(m_hWnd, IDC_STATE_LINE);
    ConnectEventHandlers();
    HRESULT hr = CreateProtocolControl();
    if (FAILED(hr)) {
        // Without the control nothing can run: say so where the user looks for the protocol's news.
        wchar_t code[16];
        std::swprintf(code, sizeof code / sizeof code[0], L"0x%08lX", static_cast<unsigned long>(hr));
        AddLogLine(FormatTexts(LoadStringResourceOrOwn(IDS_CONTROL_NOT_CREATED), {code}));
    }
}

HRESULT CWexlink32View::CreateProtocolControl()
{
    return m_wexlinkCtl.Create(m_hWnd, IDC_WEXLINKCTL);
}

void CWexlink32View::ConnectEventHandlers()
{
    using CArguments = COleEventSink::CArguments;
    m_wexlinkCtl.SetEventHandler(CWexlinkctl1::eventConnected,
                                 [this](const CArguments& arguments) { OnConnected(arguments.At(0).AsLong()); });
    m_wexlinkCtl.SetEventHandler(CWexlinkctl1::eventProgress,
                                 [this](const CArguments& arguments) { OnProgress(arguments.At(0).AsShort()); });
    m_wexlinkCtl.SetEventHandler(CWexlinkctl1::eventStatusInformation, [this](const CArguments& arguments) {
        OnStatusInformation(arguments.At(0).AsShort(), arguments.At(1).AsString());
    });
}

LRESULT CWexlink32View::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        ShutDownControl();
        ReleaseStatePicture();
    }
    return CFormView::WindowProc(message, wParam, lParam);
}

void CWexlink32View::ReleaseStatePicture()
{
    // A picture control never deletes the bitmap it was given; the last state's bitmap is ours.
    HWND picture = GetDlgItem(m_hWnd, IDC_STATE_PICTURE);
    if (picture == nullptr)
        return;
    auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap != nullptr)
        DeleteObject(bitmap);
}

void CWexlink32View::ShutDownControl()
{
    if (!m_wexlinkCtl.HasControl())
        return;
    // The form is going: no event may reach it any more.
    m_wexlinkCtl.DisconnectEvents();
    // A run that is cut off at the end of the process could leave a received file half written;
    // give it the chance to end as a stop ends it.
    if (IsProtocolRunning() != 0) {
        StopProtocol();
        ServeSentMessagesUntil([this] { return IsProtocolRunning() == 0; }, kStopWaitMs);
    }
    m_wexlinkCtl.DestroyControl();
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

// ---- calls into the control ----------------------------------------------------------------------

void CWexlink32View::PutComport(short port)
{
    m_controlCalls.PutComport(port);
}

void CWexlink32View::PutBaudrate(long baudrate)
{
    m_controlCalls.PutBaudrate(baudrate);
}

void CWexlink32View::PutIrDADevice(long device)
{
    m_controlCalls.PutIrDADevice(device);
}

short CWexlink32View::StartProtocol(long protocolType, short protocolTimes)
{
    return m_controlCalls.StartProtocol(protocolType, protocolTimes);
}

void CWexlink32View::StopProtocol()
{
    m_controlCalls.StopProtocol();
}

short CWexlink32View::IsProtocolRunning()
{
    return m_controlCalls.IsProtocolRunning();
}

// ---- events --------------------------------------------------------------------------------------

void CWexlink32View::OnConnected(long terminalID)
{
    SetState(stateConnected);
    m_dispatcher.OnConnected(terminalID);
}

void CWexlink32View::OnProgress(short percentage)
{
    if (m_frame != nullptr)
        m_frame->ShowProgress(percentage);
}

void CWexlink32View::OnStatusInformation(short status, const std::wstring& message)
{
    BuildStatusText(status, message);
    if (!m_statusText.empty())
        ShowStatusBalloon(status, message);
    m_dispatcher.OnStatusInformation(status, message, m_statusText);
}

void CWexlink32View::ShowStatusBalloon(short status, const std::wstring& message)
{
    if (m_frame != nullptr && ShowsBalloon(status))
        m_frame->ShowStatusBalloon(message);  // the control's own words, as they came
}

// ---- status text and log -------------------------------------------------------------------------

void CWexlink32View::BuildStatusText(short status, const std::wstring& message)
{
    const StatusMapping* mapping = FindStatusMapping(status);
    if (mapping == nullptr) {
        // A status this program does not know (a newer control): its own words beat repeating the
        // previous status as if it had happened again.
        m_statusText = message;
        return;
    }
    if (status == statusTimeDate) {
        m_statusText = message;  // the terminal's clock as the control formatted it
    } else if (status == statusResuming) {
        m_statusText.clear();  // shown as the state line alone
    } else {
        std::wstring format;
        if (TryLoadStringResource(mapping->stringId, format)) {
            const std::vector<std::wstring> arguments = StatusArgumentsOf(*mapping, message);
            m_statusText = FillPlaceholders(format, L"%s", {arguments[0], arguments[1]});
        } else if (status == statusPortNotAvailable) {
            m_statusText = L"Unknown message!!!";
        } else {
            // A language library without this string: the control's English words still tell the
            // user what happened, and the dispatcher does not stall on an empty text.
            m_statusText = message;
        }
    }
    if (mapping->state != kNoState)
        SetState(mapping->state);
}

std::wstring CWexlink32View::FormatLogLine(const SYSTEMTIME& time, const std::wstring& text)
{
    wchar_t stamp[64];
    std::swprintf(stamp, sizeof stamp / sizeof stamp[0], L"[%4d-%02d-%02d,%02d:%02d:%02d]  ", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return stamp + text;
}

void CWexlink32View::AddLogLine(const std::wstring& text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    m_logLine = FormatLogLine(now, text);
    if (StatusLog.m_hWnd == nullptr)
        return;
    StatusLog.InsertString(0, m_logLine);

    // Long lines stay readable through the horizontal scroll bar.
    HDC dc = GetDC(StatusLog.m_hWnd);
    if (dc != nullptr) {
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, m_logLine.c_str(), static_cast<int>(m_logLine.size()), &size);
        SelectObject(dc, oldFont);
        ReleaseDC(StatusLog.m_hWnd, dc);
        if (StatusLog.GetHorizontalExtent() < size.cx + 3)
            StatusLog.SetHorizontalExtent(size.cx + 3);
    }
    if (StatusLog.GetCount() > MaxLogLines)
        StatusLog.DeleteString(MaxLogLines);
}

std::wstring CWexlink32View::BuildReceiveFileName(const std::wstring& base, bool useFilename, bool useTermId,
                                                  long termId, bool useTime, int fmtTime, bool useDate, int fmtDate,
                                                  int order) const
{
    return ::BuildReceiveFileName(base, useFilename, useTermId, termId, useTime, fmtTime, useDate, fmtDate, order);
}

// ---- terminal file names -------------------------------------------------------------------------

std::wstring CWexlink32View::TerminalNameForTransmit(const std::wstring& pcPath)
{
    return TransmitTerminalFileName(pcPath);
}
