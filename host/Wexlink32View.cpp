#include "Wexlink32View.h"

#include "MainFrame.h"
#include "ReceiveFileName.h"
#include "StatusArguments.h"
#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "Wexlink32App.h"
#include "WexlinkCodes.h"
#include "framework/FrameWnd.h"
#include "framework/Resources.h"
#include "res/resource.h"
#include "util/CommandLineSplitter.h"

#include <algorithm>
#include <cwchar>
#include <initializer_list>
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

// The control's text of a listing report; the terminal name before its last ", " may hold a comma.
const wchar_t kListedFileText[] = L"%s, %s bytes.";

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

const StatusMapping* FindStatusMapping(short status)
{
    for (const StatusMapping& mapping : kStatusMappings)
        if (mapping.status == status)
            return &mapping;
    return nullptr;
}

// The ids that complete a task: the dispatcher hands over the next one.
bool CompletesTask(short status)
{
    switch (status) {
    case StatusId::TimeDate:
    case StatusId::SetTimeDateDone:
    case StatusId::SetLocalTimeDateDone:
    case StatusId::ContinueNotAvailable:
    case StatusId::FileTransmitted:
    case StatusId::OsVersion:
    case StatusId::ApplicationVersion:
    case StatusId::ListingComplete:
    case StatusId::DeletingComplete:
        return true;
    default:
        return false;
    }
}

// The receive and transmit reports that show as balloons while the window sits in the
// notification area.
bool ShowsBalloon(short status)
{
    return status >= StatusId::ReceiveFile && status <= StatusId::FileTransmitted && status % 10 == 0;
}

// Replaces each placeholder `marker` of a text, in order, by the next of the values; placeholders
// beyond the values become empty. Nothing else of the text is interpreted, so a translated string
// with other format characters cannot make the program read arguments it was never given.
std::wstring FillPlaceholders(const std::wstring& format, const wchar_t* marker,
                              std::initializer_list<std::wstring> values)
{
    const size_t markerLength = std::wcslen(marker);
    std::wstring text;
    auto value = values.begin();
    size_t from = 0;
    for (size_t at = format.find(marker); at != std::wstring::npos; at = format.find(marker, from)) {
        text.append(format, from, at - from);
        if (value != values.end())
            text += *value++;
        from = at + markerLength;
    }
    text.append(format, from, std::wstring::npos);
    return text;
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

// The reason in words for a refusal code of the control's Add methods.
UINT RefusalReasonId(short code)
{
    switch (code) {
    case -5: return IDS_REFUSAL_KIND;
    case -6: return IDS_REFUSAL_TIME_DATE_FORMAT;
    case -7: return IDS_REFUSAL_TIME_DATE;
    case -8: return IDS_REFUSAL_PC_FILE;
    case -9: return IDS_REFUSAL_DOWN_TYPE;
    case -10: return IDS_REFUSAL_TERMINAL_FILE;
    default: return IDS_REFUSAL_UNKNOWN;
    }
}

UINT PcNameProblemId(PcFileNameProblem problem)
{
    switch (problem) {
    case PcFileNameProblem::deviceName: return IDS_PC_NAME_DEVICE;
    case PcFileNameProblem::forbiddenCharacter: return IDS_PC_NAME_CHARACTER;
    case PcFileNameProblem::finalDotOrBlank: return IDS_PC_NAME_FINAL_DOT;
    default: return IDS_PC_NAME_NOT_A_NAME;
    }
}

// The number after the last blank of a message ("Total file(s) found is 3."); 0 when there is none.
long NumberAfterLastBlank(const std::wstring& message)
{
    size_t blank = message.find_last_of(L' ');
    std::wstring tail = blank == std::wstring::npos ? message : message.substr(blank + 1);
    return std::wcstol(tail.c_str(), nullptr, 10);
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

CWexlink32View::CWexlink32View() : CFormView(IDD_WEXLINK32_FORM)
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

short CWexlink32View::CallControl(DISPID id, const std::vector<COleVariant>& arguments)
{
    short answer = 0;
    m_wexlinkCtl.InvokeHelper(id, DISPATCH_METHOD, arguments.empty() ? VT_EMPTY : VT_I2,
                              arguments.empty() ? nullptr : &answer, arguments);
    return answer;
}

std::wstring CWexlink32View::RefusalText(short code)
{
    return LoadStringResourceOrOwn(RefusalReasonId(code));
}

void CWexlink32View::ReportRefusedTask(const CWexlinkObj& task, short answer)
{
    // A refused task queues nothing: say which and why, as the list goes on without it.
    AddLogLine(FillPlaceholders(LoadStringResourceOrOwn(IDS_TASK_REFUSED), L"%s",
                                {TaskKindTitle(task.ComOption), RefusalText(answer), std::to_wstring(answer)}));
}

void CWexlink32View::ReportSkippedFile(const std::wstring& terminalFile, const std::wstring& reason)
{
    AddLogLine(FillPlaceholders(LoadStringResourceOrOwn(IDS_LISTED_FILE_SKIPPED), L"%s", {terminalFile, reason}));
}

void CWexlink32View::PutComport(short port)
{
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidComport, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                              {COleVariant(port)});
}

void CWexlink32View::PutBaudrate(long baudrate)
{
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidBaudrate, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                              {COleVariant(baudrate)});
}

void CWexlink32View::PutIrDADevice(long device)
{
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidIrDADevice, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr,
                              {COleVariant(device)});
}

short CWexlink32View::StartProtocol(long protocolType, short protocolTimes)
{
    short result = 0;
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidStartProtocol, DISPATCH_METHOD, VT_I2, &result,
                              {COleVariant(protocolType), COleVariant(protocolTimes)});
    return result;
}

void CWexlink32View::StopProtocol()
{
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidStopProtocol, DISPATCH_METHOD, VT_EMPTY, nullptr);
}

short CWexlink32View::IsProtocolRunning()
{
    short running = 0;
    m_wexlinkCtl.InvokeHelper(CWexlinkctl1::dispidIsProtocolRunning, DISPATCH_METHOD, VT_I2, &running);
    return running;
}

void CWexlink32View::ClearProtocolOptionsList()
{
    CallControl(CWexlinkctl1::dispidClearProtocolOptionsList);
}

void CWexlink32View::AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType,
                                                const std::wstring& terminalFile, short terminalDrive,
                                                bool contOnNotAvail)
{
    const short answer = CallControl(
        CWexlinkctl1::dispidAddReceiveFileFromTerminal,
        {COleVariant(pcFile), COleVariant(downType), COleVariant(terminalFile), COleVariant(terminalDrive),
         COleVariant(static_cast<unsigned char>(contOnNotAvail ? 1 : 0))});
    if (answer >= 0)
        ++m_pendingReceives;
    else
        ReportSkippedFile(terminalFile, RefusalText(answer));
}

void CWexlink32View::ReceiveListedFile(const CWexlinkObj& task, const std::wstring& terminalFile)
{
    const std::wstring name =
        BuildReceiveFileName(terminalFile, task.advRcvUseFilename, task.advRcvUseTermId, m_terminalId,
                             task.advRcvUseTime, task.advRcvFmtTime, task.advRcvUseDate, task.advRcvFmtDate,
                             task.advRcvFmtFile);
    // A listed name that cannot be a PC file is skipped here, so the files listed after it still
    // arrive and nothing is stored into a device.
    const PcFileNameProblem problem = CheckReceivedPcFileName(name);
    if (problem != PcFileNameProblem::none) {
        ReportSkippedFile(terminalFile, FillPlaceholders(LoadStringResourceOrOwn(PcNameProblemId(problem)), L"%s",
                                                         {name}));
        return;
    }
    AddReceiveFileFromTerminal(task.PcFileFolder + L"\\" + name, task.DownType, terminalFile, task.TerminalDrive,
                               task.ContOnNotAvail);
}

bool CWexlink32View::StartTask(CWexlinkObj task)
{
    const unsigned char contOnNotAvail = task.ContOnNotAvail ? 1 : 0;
    short answer = 0;
    switch (task.ComOption) {
    case taskGetOSVersion:
        CallControl(CWexlinkctl1::dispidAddGetTerminalOSVersion);
        break;
    case taskGetApplicationVersion:
        CallControl(CWexlinkctl1::dispidAddGetTerminalApplicationVersion);
        break;
    case taskGetTimeDate:
        answer = CallControl(CWexlinkctl1::dispidAddGetTerminalTimeDate, {COleVariant(static_cast<long>(task.TDFMT))});
        break;
    case taskSetTimeDate:
        CallControl(CWexlinkctl1::dispidAddSetTerminalLocalTimeDate);
        break;
    case taskReceiveFiles:
    case taskListFiles:
        // For a receive task the receive requests follow from the listing's reports.
        answer = m_wexlinkCtl.AddGetTerminalFileList(task.TerminalFile, task.TerminalDrive);
        break;
    case taskTransmitFile:
        answer = CallControl(CWexlinkctl1::dispidAddTransmitFileToTerminal,
                             {COleVariant(task.PcFileFolder), COleVariant(TerminalNameForTransmit(task.PcFileFolder)),
                              COleVariant(task.TerminalDrive), COleVariant(contOnNotAvail)});
        break;
    case taskDeleteFiles:
        answer = CallControl(CWexlinkctl1::dispidAddDeleteTerminalFiles,
                             {COleVariant(task.TerminalFile), COleVariant(task.TerminalDrive)});
        break;
    default:
        break;
    }
    if (answer >= 0)
        return true;
    ReportRefusedTask(task, answer);
    return false;
}

void CWexlink32View::StartTasksFrom(int index)
{
    // A task the control refuses queues nothing and would end the session before the tasks after
    // it: those still run, each refusal logged.
    const auto& tasks = theApp.m_TaskList;
    for (theApp.m_CurrentTask = index;
         theApp.m_CurrentTask >= 0 && static_cast<size_t>(theApp.m_CurrentTask) < tasks.size();
         ++theApp.m_CurrentTask) {
        if (StartTask(tasks[static_cast<size_t>(theApp.m_CurrentTask)]))
            return;
    }
}

// ---- events --------------------------------------------------------------------------------------

void CWexlink32View::OnConnected(long terminalID)
{
    ClearProtocolOptionsList();
    m_pendingReceives = 0;
    SetState(stateConnected);
    m_terminalId = terminalID;
    AddLogLine(FillPlaceholders(LoadStringResource(IDS_CONNECTED_SESSION), L"%ld", {std::to_wstring(terminalID)}));
    if (theApp.m_TaskList.empty())
        return;  // nothing queued: the control ends the session at once
    StartTasksFrom(0);
}

void CWexlink32View::OnProgress(short percentage)
{
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    if (frame == nullptr || frame->m_progressBar.m_hWnd == nullptr)
        return;
    HWND bar = frame->m_progressBar.m_hWnd;
    if (!IsWindowVisible(bar))
        ShowWindow(bar, SW_SHOWNA);
    frame->m_progressBar.SetPos(percentage);
}

void CWexlink32View::OnStatusInformation(short status, const std::wstring& message)
{
    BuildStatusText(status, message);
    const bool endsReceiveRequest = TakeReceiveRequestReport(status);
    if (m_statusText.empty())
        return;
    ShowStatusBalloon(status, message);

    const auto& tasks = theApp.m_TaskList;
    const int index = theApp.m_CurrentTask;
    if (index < 0 || static_cast<size_t>(index) >= tasks.size() || status == StatusId::SessionComplete) {
        AddLogLine(m_statusText);
        return;
    }
    // A copy: the control calls below may run events that change the list's position.
    const CWexlinkObj task = tasks[static_cast<size_t>(index)];
    if (task.ComOption == taskReceiveFiles && DispatchReceiveListing(task, status, message))
        return;
    AddLogLine(m_statusText);
    // A receive request that found its file gone belongs to a task already handed over: it must
    // not move the list on, or the task after it would be skipped.
    if (CompletesTask(status) && !endsReceiveRequest)
        NextTask();
}

bool CWexlink32View::TakeReceiveRequestReport(short status)
{
    if ((status != StatusId::FileReceived && status != StatusId::ContinueNotAvailable) || m_pendingReceives == 0)
        return false;
    // The control runs its options in order, so the report closes the oldest outstanding request.
    --m_pendingReceives;
    return true;
}

bool CWexlink32View::DispatchReceiveListing(const CWexlinkObj& task, short status, const std::wstring& message)
{
    switch (status) {
    case StatusId::ListFiles:
        return true;
    case StatusId::FilesFound:
        if (NumberAfterLastBlank(message) > 0)
            return true;
        if (task.ContOnNotAvail) {
            m_statusText = LoadStringResource(IDS_CONTINUE_NOT_AVAILABLE);
            AddLogLine(m_statusText);
        } else {
            m_statusText =
                FillPlaceholders(LoadStringResource(IDS_FILE_NOT_AVAILABLE), L"%s", {task.TerminalFile});
            AddLogLine(m_statusText);
            StopProtocol();
        }
        return true;
    case StatusId::ListedFile:
        ReceiveListedFile(task, ListedFileName(message));
        return true;
    case StatusId::ListingComplete:
        NextTask();
        return true;
    default:
        return false;
    }
}

void CWexlink32View::NextTask()
{
    // Not wrapped: past the last task statuses are only logged, until the next Connected.
    StartTasksFrom(theApp.m_CurrentTask + 1);
}

void CWexlink32View::ShowStatusBalloon(short status, const std::wstring& message)
{
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    if (frame != nullptr && frame->IsInTray() && frame->MessagesWhileInTray() && ShowsBalloon(status))
        frame->ShowTrayMessage(message);  // the control's own words, as they came
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

std::wstring CWexlink32View::ListedFileName(const std::wstring& message)
{
    // A terminal name may hold a comma, so the name runs up to the last ", " before the size;
    // splitting at the first comma would receive another file than the one listed.
    std::vector<std::wstring> arguments;
    if (ArgumentsByFixedText(kListedFileText, message, ArgumentSplit::atLast, arguments))
        return arguments[0];
    const size_t separator = message.rfind(L", ");
    if (separator != std::wstring::npos && separator > 0)
        return message.substr(0, separator);
    CCommandLineSplitter words(message.c_str());
    return words.GetWord(0);
}
