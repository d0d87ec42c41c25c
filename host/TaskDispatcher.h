// The task dispatcher: feeds the protocol control the task list one task at a time from inside the
// control's events, so each task is queued before the control's worker looks for it, and says in
// the log what happened. It knows no window: the control and the log are reached through the two
// interfaces below.
#pragma once

#include "WexlinkObj.h"

#include <string>
#include <vector>

// The protocol control's option queue as the dispatcher uses it. Every Add answers 0 when the
// control queued the option and a negative code when it refused it.
class ITaskControl {
public:
    virtual void ClearProtocolOptionsList() = 0;
    virtual void StopProtocol() = 0;
    virtual short AddGetTerminalOSVersion() = 0;
    virtual short AddGetTerminalApplicationVersion() = 0;
    virtual short AddGetTerminalTimeDate(long format) = 0;
    virtual short AddSetTerminalLocalTimeDate() = 0;
    virtual short AddGetTerminalFileList(const std::wstring& terminalFile, short terminalDrive) = 0;
    virtual short AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType,
                                             const std::wstring& terminalFile, short terminalDrive,
                                             bool contOnNotAvail) = 0;
    virtual short AddTransmitFileToTerminal(const std::wstring& pcFile, const std::wstring& terminalFile,
                                            short terminalDrive, bool contOnNotAvail) = 0;
    virtual short AddDeleteTerminalFiles(const std::wstring& terminalFile, short terminalDrive) = 0;

protected:
    ~ITaskControl() = default;
};

// Where the dispatcher's lines go.
class ITaskLog {
public:
    virtual void AddLogLine(const std::wstring& text) = 0;

protected:
    ~ITaskLog() = default;
};

class CTaskDispatcher {
public:
    // The list is read at each event, so edits between sessions take effect at the next one.
    CTaskDispatcher(const std::vector<CWexlinkObj>& tasks, ITaskControl& control, ITaskLog& log);
    CTaskDispatcher(const CTaskDispatcher&) = delete;
    CTaskDispatcher& operator=(const CTaskDispatcher&) = delete;

    // A terminal session began: the first task is queued.
    void OnConnected(long terminalId);
    // One status of the control, with the host's text for it. The text is what gets logged; the
    // dispatcher replaces it where it tells more than the control (a listing that found no file).
    void OnStatusInformation(short status, const std::wstring& message, std::wstring& statusText);
    // Queues the control call of one task; false (and a log line) when the control refused it.
    bool StartTask(const CWexlinkObj& task);

    // The index of the task whose reports are expected; the list's size once all were handed out.
    int CurrentTask() const { return m_currentTask; }
    long TerminalId() const { return m_terminalId; }

private:
    // The receive task's own handling of the listing reports; false for any other status.
    bool DispatchReceiveListing(const CWexlinkObj& task, short status, const std::wstring& message,
                                std::wstring& statusText);
    void NextTask();
    // Starts the task at the index, or the first after it that the control accepts.
    void StartTasksFrom(int index);
    short QueueTask(const CWexlinkObj& task);
    // Queues the receive of one listed file, or logs why it is skipped.
    void ReceiveListedFile(const CWexlinkObj& task, const std::wstring& terminalFile);
    // Counts down the receive requests still queued; true when the status is the report of one.
    bool TakeReceiveRequestReport(short status);
    void ReportRefusedTask(const CWexlinkObj& task, short answer);
    void ReportSkippedFile(const std::wstring& terminalFile, const std::wstring& reason);

    const std::vector<CWexlinkObj>& m_tasks;
    ITaskControl& m_control;
    ITaskLog& m_log;
    int m_currentTask = 0;
    // Receive requests queued from listings in this session whose reports have not come yet.
    int m_pendingReceives = 0;
    long m_terminalId = 0;
};
