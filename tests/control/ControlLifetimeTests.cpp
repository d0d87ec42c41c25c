// The control's library is loaded and unloaded by COM as its containers create and release controls:
// runs that are stopped and released in every order must leave nothing of the library behind, so
// that COM can unload it and load it again for the next control. The runs wait for a port that is
// not there: a session on a real port would meet a fault of Wine's loader on the next load (see
// KeepLibraryLoaded), which the other programs avoid by keeping the library.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "ComRef.h"
#include "ControlDll.h"
#include "TestContainer.h"
#include "Wexlink.h"

using namespace controltest;

namespace {

// A COM port that no test registers, so the engine waits for it until stopped.
constexpr short kAbsentPort = 200;
const wchar_t kAbsentPortText[] = L"Port COM200 not available.";

HMODULE LoadedLibrary()
{
    return GetModuleHandleW(L"Wexlink.dll");
}

// How a container lets go of a running control.
enum class Release {
    AfterTheRunEnded,  // stop, wait until idle, release: the container's thread destroys it
    AtOnceAfterStop,   // stop and release at once: the worker may still be ending its run
    ByClosing,         // close and release without stopping: the control stops its own run
};

class Container {
public:
    ~Container() { Disconnect(); }

    bool Create(bool withSite)
    {
        if (CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IWexlinkCtl,
                             reinterpret_cast<void**>(control.Receive())) != S_OK)
            return false;
        return AttachContainer(control.Get(), withSite ? &m_site : nullptr, &sink, m_point, m_cookie) == S_OK;
    }

    bool Running()
    {
        short running = 0;
        control->IsProtocolRunning(&running);
        return running == 1;
    }

    void Let(Release how)
    {
        if (how == Release::ByClosing) {
            CComRef<IOleObject> object;
            control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.Receive()));
            object->Close(OLECLOSE_NOSAVE);
        } else {
            control->StopProtocol();
        }
        if (how == Release::AfterTheRunEnded) {
            EXPECT_TRUE(PumpUntil([this] { return !Running(); }, 10000));
        }
        Disconnect();
        control.Reset();
    }

    CComRef<IWexlinkCtl> control;
    TestEventSink sink;

private:
    void Disconnect() { DetachContainer(control.Get(), m_point, m_cookie); }

    TestSite m_site;
    CComRef<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

}  // namespace

// Each round loads the library afresh (the previous round had COM unload it), runs a control,
// lets go of it in one of the ways a container does, and has COM unload the library again.
TEST(ControlLifetime, TheLibraryIsUnloadedAndLoadedAgainAfterEveryKindOfRelease)
{
    const Release kinds[] = {Release::AfterTheRunEnded, Release::AtOnceAfterStop, Release::ByClosing};
    constexpr int kRounds = 12;
    const DWORD start = GetTickCount();
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        ASSERT_LT(GetTickCount() - start, 120000u) << "rounds too slow";
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        {
            Container container;
            ASSERT_TRUE(container.Create(round % 2 == 0));
            ASSERT_EQ(S_OK, container.control->put_Comport(kAbsentPort));
            short result = 99;
            ASSERT_EQ(S_OK, container.control->StartProtocol(commContinuous, 0, &result));
            // Half the rounds let the run get going, the others stop it as it starts.
            if (round % 4 < 2)
                PumpUntil([&] { return container.sink.HasStatusText(kAbsentPortText); }, 5000);
            container.Let(kinds[round % 3]);
        }
        // A patient container has COM unload the library once its run and its worker are over;
        // a hasty one (the later rounds) leaves COM at once and creates the next control
        // straight away, while the last worker may still be ending.
        if (round < kRounds / 2) {
            EXPECT_TRUE(PumpUntil(
                [] {
                CoFreeUnusedLibraries();
                return LoadedLibrary() == nullptr;
                },
                10000));
        }
        CoUninitialize();
    }
}
