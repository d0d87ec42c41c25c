#include "TaskDispatcher.h"

#include "DeviceName.h"
#include "ReceiveFileName.h"
#include "StatusArguments.h"
#include "TaskTexts.h"
#include "TerminalFileName.h"
#include "WexlinkCodes.h"
#include "framework/Resources.h"
#include "res/resource.h"

#include <cwchar>

namespace {

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

// The reason in words for a refusal code of the control's Add methods.
UINT RefusalReasonId(short code)
{
    switch (code) {
    case OptionRefusal::BadKind:
        return IDS_REFUSAL_KIND;
    case OptionRefusal::BadTimeDateFmt:
        return IDS_REFUSAL_TIME_DATE_FORMAT;
    case OptionRefusal::BadTimeDate:
        return IDS_REFUSAL_TIME_DATE;
    case OptionRefusal::BadPcFile:
        return IDS_REFUSAL_PC_FILE;
    case OptionRefusal::BadDownType:
        return IDS_REFUSAL_DOWN_TYPE;
    case OptionRefusal::BadTerminalFile:
        return IDS_REFUSAL_TERMINAL_FILE;
    default:
        return IDS_REFUSAL_UNKNOWN;
    }
}

std::wstring RefusalText(short code)
{
    return LoadStringResourceOrOwn(RefusalReasonId(code));
}

UINT PcNameProblemId(PcFileNameProblem problem)
{
    switch (problem) {
    case PcFileNameProblem::deviceName:
        return IDS_PC_NAME_DEVICE;
    case PcFileNameProblem::forbiddenCharacter:
        return IDS_PC_NAME_CHARACTER;
    case PcFileNameProblem::finalDotOrBlank:
        return IDS_PC_NAME_FINAL_DOT;
    default:
        return IDS_PC_NAME_NOT_A_NAME;
    }
}

// The number after the last blank of a message ("Total file(s) found is 3."); 0 when there is none.
long NumberAfterLastBlank(const std::wstring& message)
{
    size_t blank = message.find_last_of(L' ');
    std::wstring tail = blank == std::wstring::npos ? message : message.substr(blank + 1);
    return std::wcstol(tail.c_str(), nullptr, 10);
}

}  // namespace

CTaskDispatcher::CTaskDispatcher(const std::vector<CWexlinkObj>& tasks, ITaskControl& control, ITaskLog& log)
    : m_tasks(tasks),
      m_control(control),
      m_log(log)
{
}

void CTaskDispatcher::OnConnected(long terminalId)
{
    m_control.ClearProtocolOptionsList();
    m_pendingReceives = 0;
    m_terminalId = terminalId;
    m_log.AddLogLine(
        FillPlaceholders(LoadStringResource(IDS_CONNECTED_SESSION), L"%ld", {std::to_wstring(terminalId)}));
    if (m_tasks.empty())
        return;  // nothing queued: the control ends the session at once
    StartTasksFrom(0);
}

void CTaskDispatcher::OnStatusInformation(short status, const std::wstring& message, std::wstring& statusText)
{
    const bool endsReceiveRequest = TakeReceiveRequestReport(status);
    if (statusText.empty())
        return;
    if (m_currentTask < 0 || static_cast<size_t>(m_currentTask) >= m_tasks.size() ||
        status == StatusId::SessionComplete) {
        m_log.AddLogLine(statusText);
        return;
    }
    // A copy: the control calls below may run events that change the list's position.
    const CWexlinkObj task = m_tasks[static_cast<size_t>(m_currentTask)];
    if (task.ComOption == taskReceiveFiles && DispatchReceiveListing(task, status, message, statusText))
        return;
    m_log.AddLogLine(statusText);
    // A receive request that found its file gone belongs to a task already handed over: it must
    // not move the list on, or the task after it would be skipped.
    if (CompletesTask(status) && !endsReceiveRequest)
        NextTask();
}

bool CTaskDispatcher::TakeReceiveRequestReport(short status)
{
    if ((status != StatusId::FileReceived && status != StatusId::ContinueNotAvailable) || m_pendingReceives == 0)
        return false;
    // The control runs its options in order, so the report closes the oldest outstanding request.
    --m_pendingReceives;
    return true;
}

bool CTaskDispatcher::DispatchReceiveListing(const CWexlinkObj& task, short status, const std::wstring& message,
                                             std::wstring& statusText)
{
    switch (status) {
    case StatusId::ListFiles:
        return true;
    case StatusId::FilesFound:
        if (NumberAfterLastBlank(message) > 0)
            return true;
        if (task.ContOnNotAvail) {
            statusText = LoadStringResource(IDS_CONTINUE_NOT_AVAILABLE);
            m_log.AddLogLine(statusText);
        } else {
            statusText = FillPlaceholders(LoadStringResource(IDS_FILE_NOT_AVAILABLE), L"%s", {task.TerminalFile});
            m_log.AddLogLine(statusText);
            m_control.StopProtocol();
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

void CTaskDispatcher::NextTask()
{
    // Not wrapped: past the last task statuses are only logged, until the next Connected.
    StartTasksFrom(m_currentTask + 1);
}

void CTaskDispatcher::StartTasksFrom(int index)
{
    // A task the control refuses queues nothing and would end the session before the tasks after
    // it: those still run, each refusal logged.
    for (m_currentTask = index; m_currentTask >= 0 && static_cast<size_t>(m_currentTask) < m_tasks.size();
         ++m_currentTask) {
        if (StartTask(m_tasks[static_cast<size_t>(m_currentTask)]))
            return;
    }
}

bool CTaskDispatcher::StartTask(const CWexlinkObj& task)
{
    const short answer = QueueTask(task);
    if (answer >= 0)
        return true;
    ReportRefusedTask(task, answer);
    return false;
}

short CTaskDispatcher::QueueTask(const CWexlinkObj& task)
{
    switch (task.ComOption) {
    case taskGetOSVersion:
        return m_control.AddGetTerminalOSVersion();
    case taskGetApplicationVersion:
        return m_control.AddGetTerminalApplicationVersion();
    case taskGetTimeDate:
        return m_control.AddGetTerminalTimeDate(static_cast<long>(task.TDFMT));
    case taskSetTimeDate:
        return m_control.AddSetTerminalLocalTimeDate();
    case taskReceiveFiles:
    case taskListFiles:
        // For a receive task the receive requests follow from the listing's reports.
        return m_control.AddGetTerminalFileList(task.TerminalFile, task.TerminalDrive);
    case taskTransmitFile:
        return m_control.AddTransmitFileToTerminal(task.PcFileFolder, TransmitTerminalFileName(task.PcFileFolder),
                                                   task.TerminalDrive, task.ContOnNotAvail);
    case taskDeleteFiles:
        return m_control.AddDeleteTerminalFiles(task.TerminalFile, task.TerminalDrive);
    default:
        return 0;
    }
}

void CTaskDispatcher::ReceiveListedFile(const CWexlinkObj& task, const std::wstring& terminalFile)
{
    const std::wstring name = BuildReceiveFileName(terminalFile, task.advRcvUseFilename, task.advRcvUseTermId,
                                                   m_terminalId, task.advRcvUseTime, task.advRcvFmtTime,
                                                   task.advRcvUseDate, task.advRcvFmtDate, task.advRcvFmtFile);
    // A listed name that cannot be a PC file is skipped here, so the files listed after it still
    // arrive and nothing is stored into a device.
    const PcFileNameProblem problem = CheckPcFileName(name);
    if (problem != PcFileNameProblem::none) {
        ReportSkippedFile(terminalFile,
                          FillPlaceholders(LoadStringResourceOrOwn(PcNameProblemId(problem)), L"%s", {name}));
        return;
    }
    const short answer = m_control.AddReceiveFileFromTerminal(task.PcFileFolder + L"\\" + name, task.DownType,
                                                              terminalFile, task.TerminalDrive, task.ContOnNotAvail);
    if (answer >= 0)
        ++m_pendingReceives;
    else
        ReportSkippedFile(terminalFile, RefusalText(answer));
}

void CTaskDispatcher::ReportRefusedTask(const CWexlinkObj& task, short answer)
{
    // A refused task queues nothing: say which and why, as the list goes on without it.
    m_log.AddLogLine(FillPlaceholders(LoadStringResourceOrOwn(IDS_TASK_REFUSED), L"%s",
                                      {TaskKindTitle(task.ComOption), RefusalText(answer), std::to_wstring(answer)}));
}

void CTaskDispatcher::ReportSkippedFile(const std::wstring& terminalFile, const std::wstring& reason)
{
    m_log.AddLogLine(FillPlaceholders(LoadStringResourceOrOwn(IDS_LISTED_FILE_SKIPPED), L"%s", {terminalFile, reason}));
}
