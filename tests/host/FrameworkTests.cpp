// The window layer under the host: which message a handler's default processing gets, that
// window objects which delete themselves with their window are not touched afterwards, what a
// frame keeps, and that the message loops survive a failing handler.
#include "framework/Document.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "framework/ModalLoop.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// Keeps the memory of the one deleted object and fills it with a pattern, so that a test can
// tell whether anything wrote into the object after its deletion.
class DeletionWatch {
public:
    static void* Allocate(std::size_t size)
    {
        s_block = ::operator new(size);
        s_size = size;
        s_deletions = 0;
        return s_block;
    }
    static void Release(void* block, std::size_t size)
    {
        std::memset(block, kPattern, size);
        ++s_deletions;
    }
    static int Deletions() { return s_deletions; }
    // True when the deleted object's memory still holds only the pattern. Frees the memory.
    static bool UntouchedSinceDeletion()
    {
        const auto* bytes = static_cast<const unsigned char*>(s_block);
        bool untouched = true;
        for (std::size_t i = 0; i < s_size; ++i)
            untouched = untouched && bytes[i] == kPattern;
        ::operator delete(s_block);
        s_block = nullptr;
        return untouched;
    }

private:
    static constexpr unsigned char kPattern = 0xDD;
    static inline void* s_block = nullptr;
    static inline std::size_t s_size = 0;
    static inline int s_deletions = 0;
};

std::vector<UINT> g_classMessages;

LRESULT CALLBACK RecordingClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < WM_USER + 10)
        g_classMessages.push_back(message);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* RecordingClass()
{
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &RecordingClassProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WexlinkRecordingClass";
        return RegisterClassW(&wc);
    }();
    return atom != 0 ? L"WexlinkRecordingClass" : nullptr;
}

// Its handler for WM_USER first sends itself a message whose handler fails, then asks for the
// default processing of WM_USER.
class NestingWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 1)
            throw std::runtime_error("handler failed");
        if (message == WM_USER)
            SendMessageW(m_hWnd, WM_USER + 1, 0, 0);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Closes by destroying its own window, and goes with it.
class SelfClosingWnd : public CWnd {
public:
    static void* operator new(std::size_t size) { return DeletionWatch::Allocate(size); }
    static void operator delete(void* block, std::size_t size) { DeletionWatch::Release(block, size); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CLOSE) {
            DestroyWindow();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override { delete this; }
};

// A frame whose window refuses to be created.
class FailingFrame : public CFrameWnd {
public:
    static void* operator new(std::size_t size) { return DeletionWatch::Allocate(size); }
    static void operator delete(void* block, std::size_t size) { DeletionWatch::Release(block, size); }
    static inline bool s_createReached = false;

protected:
    int OnCreate(CREATESTRUCTW* /*cs*/) override
    {
        s_createReached = true;
        return -1;
    }
};

}  // namespace

TEST(WindowLayer, DefaultProcessingGetsTheHandlersOwnMessageAfterANestedFailure)
{
    ASSERT_NE(nullptr, RecordingClass());
    NestingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, RecordingClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    g_classMessages.clear();
    SendMessageW(wnd.m_hWnd, WM_USER, 0, 0);
    EXPECT_EQ(std::vector<UINT>{WM_USER}, g_classMessages);
}

TEST(WindowLayer, AWindowThatDestroysItselfInItsHandlerIsNotTouchedAfterwards)
{
    auto* wnd = new SelfClosingWnd;
    ASSERT_TRUE(wnd->CreateEx(0, nullptr, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    HWND hwnd = wnd->m_hWnd;
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(1, DeletionWatch::Deletions());
    EXPECT_TRUE(DeletionWatch::UntouchedSinceDeletion());
}

TEST(WindowLayer, AFrameWhoseWindowFailsIsDeletedOnceAndLeftAlone)
{
    CSingleDocTemplate docTemplate(
        IDR_MAINFRAME, [] { return std::make_unique<CDocument>(); }, [] { return new FailingFrame; },
        [] { return static_cast<CView*>(nullptr); });
    EXPECT_EQ(nullptr, docTemplate.OpenDocumentFile(std::wstring()));
    ASSERT_TRUE(FailingFrame::s_createReached) << "needs a display: run under xvfb-run";
    EXPECT_EQ(nullptr, docTemplate.m_pFrame);
    EXPECT_EQ(1, DeletionWatch::Deletions());
    EXPECT_TRUE(DeletionWatch::UntouchedSinceDeletion());
}

namespace {

bool AcceleratorTableExists(HACCEL table)
{
    return table != nullptr && CopyAcceleratorTableW(table, nullptr, 0) > 0;
}

}  // namespace

TEST(WindowLayer, AFrameKeepsOneAcceleratorTableAndDestroysItWithItsWindow)
{
    auto* frame = new CFrameWnd;
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr))
        << "needs a display: run under xvfb-run";
    HACCEL first = frame->m_hAccelTable;
    ASSERT_TRUE(AcceleratorTableExists(first));

    // What a change of language does: the table is loaded again.
    ASSERT_TRUE(frame->LoadAccelTable(IDR_MAINFRAME));
    HACCEL second = frame->m_hAccelTable;
    EXPECT_TRUE(AcceleratorTableExists(second));
    if (second != first) {
        EXPECT_FALSE(AcceleratorTableExists(first)) << "the replaced table was left behind";
    }

    frame->DestroyWindow();  // the frame deletes itself with its window
    EXPECT_FALSE(AcceleratorTableExists(second)) << "the window's last table was left behind";
}

namespace {

constexpr UINT kKeyLikeMessage = WM_USER + 5;

// Its pre-translation of the first key-like message fails, as a key handler of a page can.
class FailingPreTranslationApp : public CWinApp {
public:
    int seen = 0;
    bool PreTranslateMessage(MSG& msg) override
    {
        if (msg.message != kKeyLikeMessage)
            return CWinApp::PreTranslateMessage(msg);
        if (++seen == 1)
            throw std::runtime_error("key handler failed");
        return true;
    }
};

void PostKeyLikeMessages(int count)
{
    for (int i = 0; i < count; ++i)
        PostThreadMessageW(GetCurrentThreadId(), kKeyLikeMessage, 0, 0);
}

}  // namespace

TEST(MessageLoop, AFailingPreTranslationEndsNeitherAModalLoopNorTheProgramsLoop)
{
    PostKeyLikeMessages(2);
    int seen = 0;
    bool escaped = false;
    try {
        RunModalLoop([&] { return seen == 2; },
                     [&](MSG& msg) {
            if (msg.message != kKeyLikeMessage)
                return false;
            if (++seen == 1)
                throw std::runtime_error("key handler failed");
            return true;
        });
    } catch (...) {
        escaped = true;
    }
    EXPECT_FALSE(escaped);
    EXPECT_EQ(2, seen);

    FailingPreTranslationApp app;
    PostKeyLikeMessages(2);
    PostQuitMessage(7);
    int exitCode = -1;
    try {
        exitCode = app.Run();
    } catch (...) {
        escaped = true;
    }
    EXPECT_FALSE(escaped) << "the exception left the program's loop";
    EXPECT_EQ(2, app.seen);
    EXPECT_EQ(7, exitCode);
}
