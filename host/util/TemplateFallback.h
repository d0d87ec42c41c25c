// While it lives, dialogs are made from the program's own resources when the language library in
// use lacks the dialog's template, so that an incomplete translation cannot take a dialog away
// (the Language dialog above all, the one way back to the program's own language).
#pragma once

#include <windows.h>

class CTemplateFallback {
public:
    explicit CTemplateFallback(UINT dialogId);
    ~CTemplateFallback();
    CTemplateFallback(const CTemplateFallback&) = delete;
    CTemplateFallback& operator=(const CTemplateFallback&) = delete;

private:
    HINSTANCE m_replaced = nullptr;
};
