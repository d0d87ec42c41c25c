// Drives the next modal dialog of the test: the action runs once the dialog is shown, before its
// loop starts, and should post the button that ends it. A dialog still open five seconds later is
// cancelled, so that no test can hang on one.
#pragma once

#include "framework/ModalLoop.h"

#include <windows.h>
#include <functional>

class ModalDriver {
public:
    explicit ModalDriver(std::function<void(HWND)> act) : m_act(std::move(act))
    {
        SetModalHook([this](HWND window) {
            if (m_acted)
                return;
            m_acted = true;
            Window() = window;
            m_timer = SetTimer(nullptr, 0, 5000, &ModalDriver::CancelLeftover);
            m_act(window);
        });
    }
    ~ModalDriver()
    {
        SetModalHook(nullptr);
        if (m_timer != 0)
            KillTimer(nullptr, m_timer);
        Window() = nullptr;
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Acted() const { return m_acted; }

private:
    static HWND& Window()
    {
        static HWND window = nullptr;
        return window;
    }
    static void CALLBACK CancelLeftover(HWND, UINT, UINT_PTR, DWORD)
    {
        if (Window() != nullptr && IsWindow(Window()))
            PostMessageW(Window(), WM_COMMAND, IDCANCEL, 0);
    }

    std::function<void(HWND)> m_act;
    UINT_PTR m_timer = 0;
    bool m_acted = false;
};
