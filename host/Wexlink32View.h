// The form of the main window: the status log and the state line, and the calls into the
// protocol control that the frame's commands make. The embedded control and its events join
// this class with the task dispatcher; until then the control calls do nothing.
#pragma once

#include "framework/FormView.h"
#include "framework/ListBox.h"

class CWexlink32View : public CFormView {
public:
    enum State { stateIdle = 0, statePolling = 1, stateConnected = 2, stateWaiting = 3 };

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

    CListBox StatusLog;
    HWND StateLine = nullptr;

protected:
    void OnInitDialog() override;

private:
    bool m_firstUpdate = true;
};
