// The system's progress bar control.
#pragma once

#include "framework/Wnd.h"

class CProgressCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetRange32(int lower, int upper);
    int SetStep(int step);
    int SetPos(int position);
    int GetPos() const;
};
