// Chooses the clock format of a Get Time / Date task among twenty radio buttons.
#pragma once

#include "framework/Dialog.h"

class CDlgTimeDateFormat : public CDialog {
public:
    explicit CDlgTimeDateFormat(HWND parent = nullptr);

    // The radio button of a format 0..19.
    static int RadioId(int format);

    int m_timeDateFormat = 0;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
};
