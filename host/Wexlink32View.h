// The form of the main window: the embedded protocol control, the status log and the state line.
// It turns the control's statuses into the host's texts and wires the task dispatcher to the
// control and to the log.
#pragma once

#include "ProtocolControlCalls.h"
#include "TaskDispatcher.h"
#include "WexlinkObj.h"
#include "Wexlinkctl1.h"
#include "framework/FormView.h"
#include "framework/ListBox.h"

#include <string>

class IProtocolFrame;

class CWexlink32View : public CFormView, private ITaskLog {
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
    bool StartTask(const CWexlinkObj& task) { return m_dispatcher.StartTask(task); }
    // Turns a status of the control into the host's own text (and, for some, a new state line).
    void BuildStatusText(short status, const std::wstring& message);
    // Adds a time-stamped line at the top of the status log.
    void AddLogLine(const std::wstring& text) override;
    std::wstring BuildReceiveFileName(const std::wstring& base, bool useFilename, bool useTermId, long termId,
                                      bool useTime, int fmtTime, bool useDate, int fmtDate, int order) const;

    const std::wstring& GetStatusText() const { return m_statusText; }
    long GetTerminalId() const { return m_dispatcher.TerminalId(); }
    const CTaskDispatcher& Dispatcher() const { return m_dispatcher; }
    // The frame that shows the progress and the balloons; none until the frame says so.
    void SetFrame(IProtocolFrame* frame) { m_frame = frame; }

    // "[YYYY-MM-DD,hh:mm:ss]  text".
    static std::wstring FormatLogLine(const SYSTEMTIME& time, const std::wstring& text);
    // The name under which a PC file is sent: its short file name, shortened further when the
    // terminal's rule refuses it.
    static std::wstring TerminalNameForTransmit(const std::wstring& pcPath);

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

    CProtocolControlCalls m_controlCalls;
    CTaskDispatcher m_dispatcher;
    IProtocolFrame* m_frame = nullptr;
    std::wstring m_statusText;
    std::wstring m_logLine;
    bool m_firstUpdate = true;
};
