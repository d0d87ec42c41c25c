#include "Wexlink32View.h"

#include "ProtocolFrame.h"
#include "ReceiveFileName.h"
#include "SentMessageWait.h"
#include "StatusArguments.h"
#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "Wexlink32App.h"
#include "WexlinkCodes.h"
#include "framework/FrameWnd.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/CommandLineSplitter.h"

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
    UINT stringId;             // 0: no string of the host's (see BuildStatusText)
    const wchar_t* fixedText;  // the control's English text; null when the host takes no argument
    ArgumentSplit split;
    int words[2];
    int state;
};

// clang-format off
const StatusMapping kStatusMappings[] = {
    {StatusId::Success, IDS_STATUS_SUCCESS, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::NoResponse, IDS_STATUS_NO_RESPONSE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::CrcError, IDS_STATUS_CRC_ERROR, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::WrongCommand, IDS_STATUS_WRONG_COMMAND, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::IdMismatch, IDS_STATUS_ID_MISMATCH, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::CannotTransmit, IDS_STATUS_CANNOT_TRANSMIT, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::TerminalCannotOpenFile, IDS_STATUS_TERMINAL_CANNOT_OPEN_FILE, L"Terminal cannot open/create file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::FileReadError, IDS_STATUS_FILE_READ_ERROR, L"Error reading from file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::FileWriteError, IDS_STATUS_FILE_WRITE_ERROR, L"Error writing to file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::WrongBlock, IDS_STATUS_WRONG_BLOCK, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::FileSizeMismatch, IDS_STATUS_FILE_SIZE_MISMATCH, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::TerminalFileNotAvailable, IDS_FILE_NOT_AVAILABLE, L"Requested terminal file %s is not available.", ArgumentSplit::atFirst, {3, kNoWord}, kNoState},
    {StatusId::NotSucceededAfterRetries, IDS_STATUS_NOT_SUCCEEDED_AFTER_RETRIES, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
    {StatusId::FrameTooLarge, IDS_STATUS_FRAME_TOO_LARGE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::PcFolderMissing, IDS_STATUS_PC_FOLDER_MISSING, L"The PC folder %s does not exist.", ArgumentSplit::atFirst, {3, kNoWord}, kNoState},
    {StatusId::PcFileCannotOpen, IDS_STATUS_PC_FILE_CANNOT_OPEN, L"Cannot open/create PC file %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::PcFileNotAvailable, IDS_STATUS_PC_FILE_NOT_AVAILABLE, L"PC file %s is not available.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::UserAborted, IDS_STATUS_USER_ABORTED, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::stateIdle},
    {StatusId::CannotOpenPort, IDS_STATUS_CANNOT_OPEN_PORT, L"Cannot open port %s.", ArgumentSplit::atFirst, {3, kNoWord}, CWexlink32View::stateIdle},
    {StatusId::NoMoreExtension, IDS_STATUS_NO_MORE_EXTENSION, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::NoMoreFileName, IDS_STATUS_NO_MORE_FILE_NAME, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::FileSizesDiffer, IDS_STATUS_FILE_SIZES_DIFFER, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::VersionTooOld, IDS_STATUS_VERSION_TOO_OLD, L"Function not supported until Wexlink protocol version %s.", ArgumentSplit::atFirst, {7, kNoWord}, kNoState},
    {StatusId::PortNotAvailable, IDS_PORT_NOT_AVAILABLE, L"Port %s not available.", ArgumentSplit::atFirst, {1, kNoWord}, CWexlink32View::stateWaiting},
    {StatusId::AbortedAfterSuccesses, IDS_STATUS_ABORTED_AFTER_SUCCESSES, L"Aborted after %s times successful communication.", ArgumentSplit::atFirst, {2, kNoWord}, CWexlink32View::stateIdle},
    {StatusId::AbortedAfterNoAnswers, IDS_STATUS_ABORTED_AFTER_NO_ANSWERS, L"Aborted after %s times no answer from terminal.", ArgumentSplit::atFirst, {2, kNoWord}, CWexlink32View::stateIdle},
    {StatusId::GetTimeDate, IDS_STATUS_GET_TIME_DATE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::TimeDate, 0, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::SetTimeDate, IDS_STATUS_SET_TIME_DATE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::SetTimeDateDone, IDS_STATUS_SET_TIME_DATE_DONE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::SetLocalTimeDate, IDS_STATUS_SET_LOCAL_TIME_DATE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::SetLocalTimeDateDone, IDS_STATUS_SET_LOCAL_TIME_DATE_DONE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::ReceiveFile, IDS_STATUS_RECEIVE_FILE, L"Receive file %s from terminal.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::FileReceived, IDS_STATUS_FILE_RECEIVED, L"Received file %s stored as %s.", ArgumentSplit::atFirst, {2, 5}, kNoState},
    {StatusId::ContinueNotAvailable, IDS_CONTINUE_NOT_AVAILABLE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::TransmitFile, IDS_STATUS_TRANSMIT_FILE, L"Transmit file %s to terminal.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::FileTransmitted, IDS_STATUS_FILE_TRANSMITTED, L"File %s stored in terminal as %s.", ArgumentSplit::atLast, {1, 6}, kNoState},
    {StatusId::GetOsVersion, IDS_STATUS_GET_OS_VERSION, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::OsVersion, IDS_STATUS_OS_VERSION, L"OS version: %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::GetApplicationVersion, IDS_STATUS_GET_APPLICATION_VERSION, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::ApplicationVersion, IDS_STATUS_APPLICATION_VERSION, L"Application version: %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::ListFiles, IDS_STATUS_LIST_FILES, L"List file(s) %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::FilesFound, IDS_STATUS_FILES_FOUND, L"Total file(s) found is %s.", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::ListedFile, IDS_STATUS_LISTED_FILE, kListedFileText, ArgumentSplit::atLast, {0, 1}, kNoState},
    {StatusId::ListingComplete, IDS_STATUS_LISTING_COMPLETE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::SessionComplete, IDS_STATUS_SESSION_COMPLETE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
    {StatusId::ProtocolVersion, IDS_STATUS_PROTOCOL_VERSION, L"Terminal Wexlink protocol version %s", ArgumentSplit::atFirst, {4, kNoWord}, kNoState},
    {StatusId::DeleteFiles, IDS_STATUS_DELETE_FILES, L"Delete file(s) %s.", ArgumentSplit::atFirst, {2, kNoWord}, kNoState},
    {StatusId::DeletingFiles, IDS_STATUS_DELETING_FILES, L"Deleting %s file(s).", ArgumentSplit::atFirst, {1, kNoWord}, kNoState},
    {StatusId::FileDeleted, IDS_STATUS_FILE_DELETED, L"%s deleted.", ArgumentSplit::atFirst, {0, kNoWord}, kNoState},
    {StatusId::DeletingComplete, IDS_STATUS_DELETING_COMPLETE, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, kNoState},
    {StatusId::Resuming, 0, nullptr, ArgumentSplit::atFirst, {kNoWord, kNoWord}, CWexlink32View::statePolling},
};
// clang-format on

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
    return status >= StatusId::ReceiveFile && status <= StatusId::FileTransmitted && status % 10 == 0;
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
    if (mapping.fixedText == nullptr || !ArgumentsByFixedText(mapping.fixedText, message, mapping.split, arguments)) {
        CCommandLineSplitter words(message.c_str());
        arguments = {WordAt(words, mapping.words[0]), WordAt(words, mapping.words[1])};
    }
    arguments.resize(2);
    return arguments;
}

// How long closing the form waits for a running protocol to end.
constexpr DWORD kStopWaitMs = 5000;

}  // namespace

CWexlink32View::CWexlink32View()
    : CFormView(IDD_WEXLINK32_FORM),
      m_controlCalls(m_wexlinkCtl),
      m_dispatcher(theApp.m_TaskList, m_controlCalls, *this)
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
        WaitServingSentMessages(nullptr, kStopWaitMs, [this] { return IsProtocolRunning() == 0; });
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
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(resources.bitmap), IMAGE_BITMAP, 0, 0, 0));
    HBITMAP previous =
        reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
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
    if (status == StatusId::TimeDate) {
        m_statusText = message;  // the terminal's clock as the control formatted it
    } else if (status == StatusId::Resuming) {
        m_statusText.clear();  // shown as the state line alone
    } else {
        std::wstring format;
        if (TryLoadStringResource(mapping->stringId, format)) {
            const std::vector<std::wstring> arguments = StatusArgumentsOf(*mapping, message);
            m_statusText = FillPlaceholders(format, L"%s", {arguments[0], arguments[1]});
        } else if (status == StatusId::PortNotAvailable) {
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
