// The form of the main window: the embedded protocol control, the status log and the state line,
// and the task dispatcher. The dispatcher feeds the control the task list one task at a time from
// inside the control's events, so each task is queued before the control's worker looks for it.
#pragma once

#include "WexlinkObj.h"
#include "Wexlinkctl1.h"
#include "framework/FormView.h"
#include "framework/ListBox.h"

#include <string>

class CCommandLineSplitter;

class CWexlink32View : public CFormView {
public:
    enum State { stateIdle = 0, statePolling = 1, stateConnected = 2, stateWaiting = 3 };
    // The status log keeps this many lines, the newest first.
    static constexpr int MaxLogLines = 100;

    CWexlink32View();

    // Calls into the protocol control (its properties and methods of the same names).
    virtual void PutComport(short port);
    virtual void PutBaudrate(long baudrate);
    virtual void PutIrDADevice(long device);
    virtual short StartProtocol(long protocolType, short protocolTimes);
    virtual void StopProtocol();
    virtual short IsProtocolRunning();

    // Shows the state's text and picture, both from the current resource module.
    virtual void SetState(int state);

    void OnInitialUpdate() override;

    // The control's events.
    void OnConnected(long terminalID);
    void OnProgress(short percentage);
    void OnStatusInformation(short status, const std::wstring& message);

    // Queues the control call of one task; false (and a log line) when the control refused it.
    bool StartTask(CWexlinkObj task);
    // Turns a status of the control into the host's own text (and, for some, a new state line).
    void BuildStatusText(short status, const std::wstring& message);
    // Adds a time-stamped line at the top of the status log.
    void AddLogLine(const std::wstring& text);
    std::wstring BuildReceiveFileName(const std::wstring& base, bool useFilename, bool useTermId, long termId,
                                      bool useTime, int fmtTime, bool useDate, int fmtDate, int order) const;

    const std::wstring& GetStatusText() const { return m_statusText; }
    long GetTerminalId() const { return m_terminalId; }

    // "[YYYY-MM-DD,hh:mm:ss]  text".
    static std::wstring FormatLogLine(const SYSTEMTIME& time, const std::wstring& text);
    // The name under which a PC file is sent: its short file name, shortened further when the
    // terminal's rule refuses it.
    static std::wstring TerminalNameForTransmit(const std::wstring& pcPath);
    // The terminal file that a listing report ("NAME, SIZE bytes.") names.
    static std::wstring ListedFileName(const std::wstring& message);

    CWexlinkctl1 m_wexlinkCtl;
    CListBox StatusLog;
    HWND StateLine = nullptr;

protected:
    void OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Embeds the protocol control in place of its placeholder.
    virtual HRESULT CreateProtocolControl();

private:
    void ConnectEventHandlers();
    void ShutDownControl();
    void ReleaseStatePicture();
    void ShowStatusBalloon(short status, const std::wstring& message);
    // The receive task's own handling of the listing reports; false for any other status.
    bool DispatchReceiveListing(const CWexlinkObj& task, short status, const std::wstring& message);
    void NextTask();
    // Starts the task at the index, or the first after it that the control accepts.
    void StartTasksFrom(int index);
    // Queues the receive of one listed file, or logs why it is skipped.
    void ReceiveListedFile(const CWexlinkObj& task, const std::wstring& terminalFile);
    // Counts down the receive requests still queued; true when the status is the report of one.
    bool TakeReceiveRequestReport(short status);

    void ClearProtocolOptionsList();
    void AddReceiveFileFromTerminal(const std::wstring& pcFile, long downType, const std::wstring& terminalFile,
                                    short terminalDrive, bool contOnNotAvail);
    // The control's answer to an Add call: negative when it refused the task.
    short CallControl(DISPID id, const std::vector<COleVariant>& arguments = {});
    void ReportRefusedTask(const CWexlinkObj& task, short answer);
    void ReportSkippedFile(const std::wstring& terminalFile, const std::wstring& reason);
    static std::wstring RefusalText(short code);

    std::wstring m_statusText;
    std::wstring m_logLine;
    long m_terminalId = 0;
    // Receive requests queued from listings in this session whose reports have not come yet.
    int m_pendingReceives = 0;
    bool m_firstUpdate = true;
};
