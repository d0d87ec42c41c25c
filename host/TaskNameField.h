// The refusal of a task dialog's name field on OK: one error box, then the field has the focus
// with its text selected, so the user can type the correction straight away.
#pragma once

#include <windows.h>

void RefuseName(HWND dialog, int fieldId, const wchar_t* text);
