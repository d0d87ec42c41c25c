// Moves values between a dialog's controls and its members. Towards the controls every helper
// just writes; from the controls a value that cannot be taken tells the user why, puts the focus
// on the control at fault and stops the exchange (UpdateData then reports false).
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) : m_hDialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control's window; a missing control stops the exchange, since the template and the
    // code disagree.
    HWND PrepareCtrl(int id);
    // Like PrepareCtrl, and remembers the edit for a range check that follows.
    HWND PrepareEditCtrl(int id);
    // Shows the message, focuses the last prepared control and stops the exchange.
    [[noreturn]] void Fail(const std::wstring& message);

    // Keeps a member's value from before the exchange, so that a refused exchange can put every
    // member back: a dialog that stays open after a refused OK and is then cancelled leaves its
    // caller's data as it was.
    template <class T>
    void Remember(T& member)
    {
        if (m_bSaveAndValidate)
            m_undo.push_back([&member, old = member] { member = old; });
    }
    void RestoreMembers();

    HWND m_hDialog;
    bool m_bSaveAndValidate;

private:
    HWND m_lastControl = nullptr;
    bool m_lastIsEdit = false;
    std::vector<std::function<void()>> m_undo;
};

// Thrown by CDataExchange::Fail; the user has been told already.
struct DataExchangeFailure {};

void DDX_Text(CDataExchange& dx, int id, std::wstring& value);
// A whole decimal number, white space around it allowed; anything else is "Enter an integer.".
void DDX_Text(CDataExchange& dx, int id, int& value);
// Only when saving: a value outside min..max is refused with the range message.
void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);
// Checked is 1, unchecked 0, indeterminate 2.
void DDX_Check(CDataExchange& dx, int id, int& value);
void DDX_Check(CDataExchange& dx, int id, bool& value);
// id is the first button of a group: value is the index of the checked button in the group, -1
// for none.
void DDX_Radio(CDataExchange& dx, int id, int& value);
// The selected index of a combo box, -1 for none.
void DDX_CBIndex(CDataExchange& dx, int id, int& value);

// Binds a control wrapper (anything with Attach(HWND) and m_hWnd) to the dialog's control; a
// dialog object shown again gets its new control.
template <class Control>
void DDX_Control(CDataExchange& dx, int id, Control& control)
{
    HWND hwnd = dx.PrepareCtrl(id);
    if (control.m_hWnd != hwnd)
        control.Attach(hwnd);
}
