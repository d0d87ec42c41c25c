// Drives the modal dialogs of the task tests: each window that comes up runs the next scripted
// step, and a timer cancels any window that a step leaves open, so no loop can hang a test.
#pragma once

#include "DialogInput.h"
#include "framework/MessageBox.h"
#include "framework/ModalLoop.h"
#include "framework/Wnd.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tasktest {

using namespace hosttest;

inline void CALLBACK CancelForgotten(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    ADD_FAILURE() << "a modal window was left open";
    Press(hwnd, IDCANCEL);
}

class ModalScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(owner.CreateEx(0, nullptr, L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr));
        CMessageBox::SetHandler([this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
            messages.push_back(text);
            captions.push_back(caption);
            types.push_back(type);
            return IDOK;
        });
        SetModalHook([this](HWND hwnd) {
            SetTimer(hwnd, 0x7A5C, 5000, &CancelForgotten);
            if (steps.empty()) {
                ADD_FAILURE() << "no step for a window";
                Press(hwnd, IDCANCEL);
                return;
            }
            auto step = std::move(steps.front());
            steps.pop_front();
            step(hwnd);
        });
    }
    void TearDown() override
    {
        SetModalHook(nullptr);
        CMessageBox::SetHandler(nullptr);
        EXPECT_TRUE(steps.empty());
    }

    void Then(std::function<void(HWND)> step) { steps.push_back(std::move(step)); }

    CWnd owner;
    std::deque<std::function<void(HWND)>> steps;
    std::vector<std::wstring> messages;
    std::vector<std::wstring> captions;
    std::vector<UINT> types;
};

}  // namespace tasktest
