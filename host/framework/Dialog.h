// A modal dialog made from a dialog template of the current resource module. The dialog runs its
// own loop with the owner disabled; OK keeps what the controls hold (through DoDataExchange),
// Cancel leaves the members as they were.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_hParent(parent) {}

    // IDOK, IDCANCEL or the code given to EndDialog; -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Runs DoDataExchange; from the controls when saveAndValidate. False when a value was refused.
    bool UpdateData(bool saveAndValidate = true);

protected:
    // The controls exist; the default puts the members into them. True lets the dialog manager
    // set the focus. A dialog that this does not move is centred on its owner afterwards.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& /*dx*/) {}
    virtual void OnOK();
    virtual void OnCancel();
    // A WM_COMMAND from a control or menu other than OK and Cancel; false passes it on.
    virtual bool OnControlCommand(UINT /*id*/, UINT /*code*/, HWND /*control*/) { return false; }
    // A WM_NOTIFY from a child; false passes it on.
    virtual bool OnNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    bool PreTranslateMessage(MSG& msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What WM_COMMAND does for the buttons IDOK and IDCANCEL; pages of a sheet leave them alone.
    virtual bool HandleOkCancel(UINT id);

    // The dialog procedure: attaches the window to the object whose pointer came with
    // WM_INITDIALOG and runs OnInitDialog; the object sees every later message first.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR InitDialogSafely(CDialog* dialog, HWND hwnd);

    UINT m_templateId;
    HWND m_hParent;

private:
    bool m_modalEnded = false;
    INT_PTR m_modalResult = -1;
};
