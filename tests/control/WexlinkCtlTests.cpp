// The control as its containers and scripts use it: created through COM from the registered DLL,
// called through the vtable and through IDispatch, run and stopped, with and without a client site.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <objsafe.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlFixtures.h"
#include "EngineMessageForger.h"

using namespace controltest;

namespace {

// A COM port that no test registers, so the engine waits for it.
constexpr short kAbsentPort = 200;
const wchar_t kAbsentPortText[] = L"Port COM200 not available.";
const wchar_t kAbortedText[] = L"User aborted the protocol.";

template <typename T>
CComRef<T> Query(IUnknown* object, REFIID riid)
{
    CComRef<T> result;
    object->QueryInterface(riid, reinterpret_cast<void**>(result.Receive()));
    return result;
}

// DllCanUnloadNow of the library that COM loaded for the control.
HRESULT LibraryCanUnloadNow()
{
    HMODULE module = GetModuleHandleW(L"Wexlink.dll");
    if (!module)
        return S_OK;  // not even loaded
    auto canUnload =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload();
}

// Waits for the condition without serving this thread's messages, checking it every few
// milliseconds; returns whether it holds.
template <typename Predicate>
bool WaitWithoutMessages(Predicate done, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    while (!done()) {
        if (GetTickCount64() - start >= timeoutMs)
            return done();
        Sleep(10);
    }
    return true;
}

class ControlTest : public ControlInApartmentTest {
protected:
    void Connect(bool withSite) { Attach(withSite ? &site : nullptr); }

    short Start(enumCommType type, short count)
    {
        short result = 99;
        control->StartProtocol(type, count, &result);
        return result;
    }

    // Points the control at the PC's end of the program's virtual line, where nothing answers.
    void UseTheVirtualLine()
    {
        VirtualLine line;
        ASSERT_TRUE(VirtualLine::FromEnvironment(line));
        port = std::make_unique<CPortDevice>(line.pcPort);
        ASSERT_TRUE(port->IsAdded());
        ASSERT_EQ(S_OK, control->put_Comport(static_cast<short>(line.pcPort)));
    }

    // Connects with a site and activates the control in place, as a child of a new popup `parent`.
    void ActivateInPlace(TestInPlaceSite& inPlace, HWND& parent)
    {
        parent =
            CreateWindowExW(0, L"STATIC", L"container", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent);
        inPlace.window = parent;
        site.inPlace = &inPlace;
        ASSERT_NO_FATAL_FAILURE(Connect(true));
        auto object = Query<IOleObject>(control.Get(), IID_IOleObject);
        ASSERT_EQ(S_OK, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &inPlace.position));
    }

    std::unique_ptr<CPortDevice> port;
};

}  // namespace

TEST(WexlinkCtlCreation, ByProgIdAndByClassId)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    for (const wchar_t* progId : {L"Wexlink.WexlinkCtl", L"Wexlink.WexlinkCtl.1"}) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(CLSID_WexlinkCtl, clsid));
        CComRef<IDispatch> object;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(object.Receive())));
        EXPECT_TRUE(Query<IWexlinkCtl_1_1>(object.Get(), IID_IWexlinkCtl_1_1));
    }
    CoFreeUnusedLibraries();
    CoUninitialize();
}

TEST_F(ControlTest, PropertiesRefuseOutOfRangeValuesAndKeepTheOldOne)
{
    auto persist = Query<IPersistStreamInit>(control.Get(), IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    short port = 0;
    LONG rate = 0;
    enumIRDADev device = irdaNone;
    ASSERT_EQ(S_OK, control->get_Comport(&port));
    ASSERT_EQ(S_OK, control->get_Baudrate(&rate));
    ASSERT_EQ(S_OK, control->get_IrDADevice(&device));
    EXPECT_EQ(1, port);
    EXPECT_EQ(115200, rate);
    EXPECT_EQ(irdaParallax, device);

    for (short refused : {short(0), short(256), short(-1)})
        EXPECT_EQ(S_FALSE, control->put_Comport(refused)) << refused;
    for (LONG refused : {1200L, 0L, 115201L})
        EXPECT_EQ(S_FALSE, control->put_Baudrate(refused)) << refused;
    EXPECT_EQ(S_FALSE, control->put_IrDADevice(static_cast<enumIRDADev>(5)));
    EXPECT_EQ(S_FALSE, control->put_IrDADevice(static_cast<enumIRDADev>(-1)));
    EXPECT_EQ(S_FALSE, persist->IsDirty());  // a refused value changes nothing

    EXPECT_EQ(S_OK, control->put_Comport(255));
    EXPECT_EQ(S_OK, control->put_Baudrate(2400));
    EXPECT_EQ(S_OK, control->put_IrDADevice(irdaNone));
    EXPECT_EQ(S_OK, persist->IsDirty());
    control->get_Comport(&port);
    control->get_Baudrate(&rate);
    control->get_IrDADevice(&device);
    EXPECT_EQ(255, port);
    EXPECT_EQ(2400, rate);
    EXPECT_EQ(irdaNone, device);
    EXPECT_EQ(E_POINTER, control->get_Comport(nullptr));
}

TEST_F(ControlTest, EveryMemberAnswersThroughIDispatch)
{
    const wchar_t* names[] = {L"Comport",
                              L"Baudrate",
                              L"IrDADevice",
                              L"StartProtocol",
                              L"StopProtocol",
                              L"IsProtocolRunning",
                              L"ClearProtocolOptionsList",
                              L"AddGetTerminalTimeDate",
                              L"AddSetTerminalTimeDate",
                              L"AddSetTerminalLocalTimeDate",
                              L"AddReceiveFileFromTerminal",
                              L"AddTransmitFileToTerminal",
                              L"AddGetTerminalOSVersion",
                              L"AddGetTerminalApplicationVersion",
                              L"AddGetTerminalFileList",
                              L"AddDeleteTerminalFiles"};
    for (DISPID expected = 1; expected <= 16; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        ASSERT_EQ(S_OK, control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(expected, id);
    }

    // Arguments in IDispatch's order: last parameter first.
    auto call = [this](DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        if (result)
            VariantInit(result);
        return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    };
    auto i2 = [](short v) {
        VARIANT x;
        VariantInit(&x);
        V_VT(&x) = VT_I2;
        V_I2(&x) = v;
        return x;
    };
    auto i4 = [](LONG v) {
        VARIANT x;
        VariantInit(&x);
        V_VT(&x) = VT_I4;
        V_I4(&x) = v;
        return x;
    };
    auto ui1 = [](BYTE v) {
        VARIANT x;
        VariantInit(&x);
        V_VT(&x) = VT_UI1;
        V_UI1(&x) = v;
        return x;
    };
    BSTR pcFile = SysAllocString(L"C:\\data\\in.dat");
    BSTR name = SysAllocString(L"DATA.TXT");
    BSTR bad = SysAllocString(L"MY FILE");
    auto str = [](BSTR v) {
        VARIANT x;
        VariantInit(&x);
        V_VT(&x) = VT_BSTR;
        V_BSTR(&x) = v;
        return x;
    };

    VARIANT result;
    EXPECT_EQ(S_OK, call(1, DISPATCH_PROPERTYPUT, {i2(7)}, nullptr));
    EXPECT_EQ(S_OK, call(2, DISPATCH_PROPERTYPUT, {i4(9600)}, nullptr));
    EXPECT_EQ(S_OK, call(3, DISPATCH_PROPERTYPUT, {i4(irdaTekram)}, nullptr));
    ASSERT_EQ(S_OK, call(1, DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(7, V_I2(&result));
    ASSERT_EQ(S_OK, call(2, DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(9600, V_I4(&result));
    ASSERT_EQ(S_OK, call(3, DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(irdaTekram, V_I4(&result));

    ASSERT_TRUE(SUCCEEDED(call(4, DISPATCH_METHOD, {i2(5), i4(3)}, &result)));
    EXPECT_EQ(StartResult::UnknownCommType, V_I2(&result));  // commType 3
    EXPECT_EQ(S_OK, call(5, DISPATCH_METHOD, {}, nullptr));
    ASSERT_EQ(S_OK, call(6, DISPATCH_METHOD, {}, &result));
    EXPECT_EQ(0, V_I2(&result));
    EXPECT_EQ(S_OK, call(7, DISPATCH_METHOD, {}, nullptr));
    ASSERT_EQ(S_OK, call(8, DISPATCH_METHOD, {i4(20)}, &result));
    EXPECT_EQ(OptionRefusal::BadTimeDateFmt, V_I2(&result));
    ASSERT_EQ(S_OK, call(9, DISPATCH_METHOD, {i2(2026), i2(2), i2(29), i2(0), i2(0), i2(10)}, &result));
    EXPECT_EQ(0, V_I2(&result));
    EXPECT_EQ(S_OK, call(10, DISPATCH_METHOD, {}, nullptr));
    ASSERT_EQ(S_OK, call(11, DISPATCH_METHOD, {ui1(1), i2(0), str(name), i4(4), str(pcFile)}, &result));
    EXPECT_EQ(OptionRefusal::BadDownType, V_I2(&result));
    ASSERT_EQ(S_OK, call(12, DISPATCH_METHOD, {ui1(0), i2(0), str(bad), str(pcFile)}, &result));
    EXPECT_EQ(OptionRefusal::BadTerminalFile, V_I2(&result));
    EXPECT_EQ(S_OK, call(13, DISPATCH_METHOD, {}, nullptr));
    EXPECT_EQ(S_OK, call(14, DISPATCH_METHOD, {}, nullptr));
    ASSERT_EQ(S_OK, call(15, DISPATCH_METHOD, {i2(1), str(name)}, &result));
    EXPECT_EQ(0, V_I2(&result));
    ASSERT_EQ(S_OK, call(16, DISPATCH_METHOD, {i2(1), str(bad)}, &result));
    EXPECT_EQ(OptionRefusal::BadTerminalFile, V_I2(&result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, call(17, DISPATCH_METHOD, {}, nullptr));
    // A caller's missing pointer is an error, never a crash.
    EXPECT_EQ(E_POINTER,
              control->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
    LPOLESTR stop = const_cast<LPOLESTR>(L"StopProtocol");
    DISPID stopId = 0;
    EXPECT_EQ(E_POINTER, control->GetIDsOfNames(IID_NULL, &stop, 1, LOCALE_USER_DEFAULT, nullptr));
    EXPECT_EQ(E_POINTER, control->GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, &stopId));
    SysFreeString(pcFile);
    SysFreeString(name);
    SysFreeString(bad);
}

TEST_F(ControlTest, AddMethodsReturnTheRefusalCodes)
{
    short code = 99;
    EXPECT_EQ(S_OK, control->AddGetTerminalTimeDate(tdFmtYYMMDD, &code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(S_OK, control->AddGetTerminalTimeDate(static_cast<enumTimeDateFmt>(-1), &code));
    EXPECT_EQ(OptionRefusal::BadTimeDateFmt, code);
    EXPECT_EQ(S_OK, control->AddSetTerminalTimeDate(24, 0, 0, 1, 1, 2026, &code));
    EXPECT_EQ(OptionRefusal::BadTimeDate, code);
    BSTR shortName = SysAllocString(L"ab");
    BSTR good = SysAllocString(L"DATA.TXT");
    EXPECT_EQ(S_OK, control->AddReceiveFileFromTerminal(shortName, static_cast<enumDownType>(7), good, 0, 0, &code));
    EXPECT_EQ(OptionRefusal::BadPcFile, code);
    // A receive into a device or into a name no file can have is refused before anything opens it,
    // the PC-name refusal ahead of a bad terminal name.
    for (const wchar_t* pcFile :
         {L"C:\\in\\NUL", L"C:\\in\\com1.txt", L"C:\\in\\LPT1", L"C:\\in\\A*", L"C:\\in\\A.", L"C:\\in\\."}) {
        BSTR path = SysAllocString(pcFile);
        code = 99;
        EXPECT_EQ(S_OK, control->AddReceiveFileFromTerminal(path, downOverwrite, good, 0, 0, &code));
        EXPECT_EQ(OptionRefusal::BadPcFile, code) << pcFile;
        BSTR bad = SysAllocString(L"MY FILE");
        EXPECT_EQ(S_OK, control->AddReceiveFileFromTerminal(path, downOverwrite, bad, 0, 0, &code));
        EXPECT_EQ(OptionRefusal::BadPcFile, code) << pcFile;
        SysFreeString(bad);
        SysFreeString(path);
    }
    EXPECT_EQ(S_OK, control->AddTransmitFileToTerminal(nullptr, good, 0, 0, &code));
    EXPECT_EQ(OptionRefusal::BadPcFile, code);  // a null string is an empty one
    EXPECT_EQ(S_OK, control->AddGetTerminalFileList(nullptr, 0, &code));
    EXPECT_EQ(0, code);  // the empty pattern is valid
    EXPECT_EQ(E_POINTER, control->AddGetTerminalFileList(good, 0, nullptr));
    EXPECT_EQ(S_OK, control->AddSetTerminalLocalTimeDate());
    EXPECT_EQ(S_OK, control->AddGetTerminalOSVersion());
    EXPECT_EQ(S_OK, control->AddGetTerminalApplicationVersion());
    EXPECT_EQ(S_OK, control->ClearProtocolOptionsList());
    SysFreeString(shortName);
    SysFreeString(good);
}

TEST_F(ControlTest, OleSideContracts)
{
    auto errors = Query<ISupportErrorInfo>(control.Get(), IID_ISupportErrorInfo);
    ASSERT_TRUE(errors);
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(IID_IWexlinkCtl));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));

    auto safety = Query<IObjectSafety>(control.Get(), IID_IObjectSafety);
    ASSERT_TRUE(safety);
    DWORD supported = 0;
    DWORD enabled = 0;
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER), supported);
    EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                      INTERFACESAFE_FOR_UNTRUSTED_CALLER));
    EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                                        INTERFACESAFE_FOR_UNTRUSTED_DATA));

    auto classInfo = Query<IProvideClassInfo2>(control.Get(), IID_IProvideClassInfo2);
    ASSERT_TRUE(classInfo);
    GUID source{};
    EXPECT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualIID(DIID__IWexlinkCtlEvents, source));
    CComRef<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, classInfo->GetClassInfo(coclass.Receive()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualCLSID(CLSID_WexlinkCtl, attr->guid));
    coclass->ReleaseTypeAttr(attr);

    auto object = Query<IOleObject>(control.Get(), IID_IOleObject);
    ASSERT_TRUE(object);
    DWORD misc = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &misc));
    EXPECT_EQ(132497u, misc);
    SIZEL extent{};
    EXPECT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(5080, extent.cx);
    SIZEL asked{4000, 3000};
    EXPECT_EQ(S_OK, object->SetExtent(DVASPECT_CONTENT, &asked));
    EXPECT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(1000, extent.cx);
    EXPECT_EQ(1000, extent.cy);

    // The extent is what is persisted: a second control loads it back.
    auto persist = Query<IPersistStreamInit>(control.Get(), IID_IPersistStreamInit);
    CComRef<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()));
    ASSERT_EQ(S_OK, persist->Save(stream.Get(), TRUE));
    CComRef<IPersistStreamInit> other;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WexlinkCtl, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStreamInit,
                                     reinterpret_cast<void**>(other.Receive())));
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(S_OK, other->Load(stream.Get()));
    EXPECT_EQ(S_OK, Query<IOleObject>(other.Get(), IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(1000, extent.cx);
}

TEST_F(ControlTest, DrawsItsPictureOnlyInDesignMode)
{
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    auto view = Query<IViewObject>(control.Get(), IID_IViewObject);
    ASSERT_TRUE(view);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECTL bounds{0, 0, 39, 39};
    auto drawnPixel = [&] {
        PatBlt(dc, 0, 0, 40, 40, WHITENESS);
        EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
        return GetPixel(dc, 20, 12);
    };

    site.ambient.userMode = true;
    EXPECT_EQ(RGB(255, 255, 255), drawnPixel());
    site.ambient.userMode = false;
    EXPECT_NE(RGB(255, 255, 255), drawnPixel());

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(ControlTest, StartProtocolResultCodes)
{
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    short code = 99;
    EXPECT_EQ(S_FALSE, control->StartProtocol(static_cast<enumCommType>(3), 5, &code));
    EXPECT_EQ(StartResult::UnknownCommType, code);
    EXPECT_EQ(S_FALSE, control->StartProtocol(commSuccess, 0, &code));
    EXPECT_EQ(StartResult::TimesCountBelowOne, code);
    EXPECT_EQ(S_FALSE, control->StartProtocol(commNoAnswer, -1, &code));
    EXPECT_EQ(StartResult::TimesCountBelowOne, code);
    EXPECT_FALSE(Running());
    EXPECT_EQ(S_OK, control->StopProtocol());  // nothing runs: still fine

    // A stop before the start does not stop the new run: the start resets it.
    EXPECT_EQ(S_OK, control->StartProtocol(commContinuous, 0, &code));
    EXPECT_EQ(StartResult::Started, code);
    EXPECT_TRUE(Running());
    EXPECT_EQ(S_FALSE, control->StartProtocol(commContinuous, 0, &code));
    EXPECT_EQ(StartResult::AlreadyRunning, code);
    // A stop left over from before would end the run at its first look at the absent port.
    EXPECT_FALSE(PumpUntil([this] { return !Running(); }, 300));
    EXPECT_TRUE(Running());

    EXPECT_EQ(S_OK, control->StopProtocol());
    EXPECT_TRUE(WaitUntilIdle());
    EXPECT_EQ(S_OK, control->StartProtocol(commContinuous, 0, &code));  // a new run after the old one
    EXPECT_EQ(StartResult::Started, code);
}

TEST_F(ControlTest, WithAClientSiteEventsArriveOnTheContainersThread)
{
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    ASSERT_TRUE(PumpUntil([this] { return sink.HasStatusText(kAbsentPortText); }, 10000));
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle());
    PumpUntil([this] { return sink.HasStatusText(kAbortedText); }, 2000);
    EXPECT_TRUE(sink.HasStatusText(kAbortedText));

    for (const RecordedEvent& event : sink.Events()) {
        EXPECT_EQ(3, event.id);
        EXPECT_EQ(GetCurrentThreadId(), event.threadId);
    }
}

// Stops the enumeration at the control's hidden window and stores it where `param` points. The system
// calls it with its own calling convention, which a lambda does not have on 32-bit Windows.
static BOOL CALLBACK StopAtHiddenWindow(HWND window, LPARAM param)
{
    wchar_t className[32] = {};
    wchar_t title[32] = {};
    GetClassNameW(window, className, 32);
    GetWindowTextW(window, title, 32);
    if (wcscmp(className, L"WexlinkWnd") != 0 || wcscmp(title, L"MyWexlinkWnd") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// The hidden window that receives the engine's messages, a top-level window of this thread.
static HWND HiddenWindowOfThisThread()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &StopAtHiddenWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(ControlTest, AStrayCloseRequestDoesNotCutTheControlOffFromItsEvents)
{
    HWND hidden = HiddenWindowOfThisThread();
    ASSERT_TRUE(hidden);
    SendMessageW(hidden, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(hidden));

    ASSERT_NO_FATAL_FAILURE(Connect(true));
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    EXPECT_TRUE(PumpUntil([this] { return sink.HasStatusText(kAbsentPortText); }, 10000));
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle());

    Detach();
    control.Reset();
    EXPECT_FALSE(IsWindow(hidden));  // the control's own release still ends it
}

TEST_F(ControlTest, EngineMessagesFromAnyoneButTheRunsWorkerFireNothing)
{
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    HWND hidden = HiddenWindowOfThisThread();
    ASSERT_TRUE(hidden);

    // Handed to the windowless entry point by the container's own thread, outside any run.
    auto windowless = Query<IOleInPlaceObjectWindowless>(control.Get(), IID_IOleInPlaceObjectWindowless);
    ASSERT_TRUE(windowless);
    LRESULT result = -1;
    windowless->OnWindowMessage(WM_USER + 101, 0, Forger::TerminalId, &result);
    windowless->OnWindowMessage(WM_USER + 102, 0, 0x10037, &result);
    windowless->OnWindowMessage(WM_USER + 103, StatusId::SessionComplete, Forger::Nowhere, &result);
    EXPECT_EQ(S_FALSE, windowless->OnWindowMessage(WM_USER + 104, 0, 0, &result));

    // From another thread, while no run is going and then while one reports to the window.
    Forger forger(hidden);
    ASSERT_TRUE(forger.Start());
    ASSERT_TRUE(PumpUntil([&] { return forger.Rounds() >= 5; }, 10000));
    EXPECT_TRUE(sink.Events().empty());

    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    EXPECT_TRUE(PumpUntil([this] { return sink.HasStatusText(kAbsentPortText); }, 10000));
    const int roundsBefore = forger.Rounds();
    PumpUntil([&] { return forger.Rounds() >= roundsBefore + 20; }, 5000);
    control->StopProtocol();
    ASSERT_TRUE(WaitUntilIdle());
    PumpUntil([this] { return sink.HasStatusText(kAbortedText); }, 2000);
    forger.Stop();
    PumpUntil([] { return false; }, 200);  // whatever the forger left queued

    // The run's own reports still arrive; none of the forged ones does.
    EXPECT_TRUE(sink.HasStatusText(kAbsentPortText));
    EXPECT_TRUE(sink.HasStatusText(kAbortedText));
    for (const RecordedEvent& event : sink.Events()) {
        EXPECT_EQ(3, event.id);
        EXPECT_NE(std::wstring(Forger::Text), event.message);
        EXPECT_NE(StatusId::SessionComplete, event.value);
    }
}

// Without a client site the worker calls the windowless entry point itself; calls from any other
// thread during the run fire nothing.
TEST_F(ControlTest, WindowlessEngineMessagesFromAnotherThreadFireNothing)
{
    ASSERT_NO_FATAL_FAILURE(Connect(false));
    auto windowless = Query<IOleInPlaceObjectWindowless>(control.Get(), IID_IOleInPlaceObjectWindowless);
    ASSERT_TRUE(windowless);
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    for (int i = 0; i < 200 && !sink.HasStatusText(kAbsentPortText); ++i) {
        LRESULT result = 0;
        windowless->OnWindowMessage(WM_USER + 101, 0, Forger::TerminalId, &result);
        windowless->OnWindowMessage(WM_USER + 103, StatusId::SessionComplete, reinterpret_cast<LPARAM>(Forger::Text),
                                    &result);
        windowless->OnWindowMessage(WM_USER + 103, StatusId::SessionComplete, Forger::Nowhere, &result);
        Sleep(20);
    }
    control->StopProtocol();
    for (int i = 0; i < 200 && Running(); ++i)
        Sleep(50);
    EXPECT_TRUE(sink.HasStatusText(kAbsentPortText));
    EXPECT_TRUE(sink.HasStatusText(kAbortedText));
    for (const RecordedEvent& event : sink.Events()) {
        EXPECT_EQ(3, event.id);
        EXPECT_NE(StatusId::SessionComplete, event.value);
    }
}

TEST_F(ControlTest, WithoutAClientSiteEventsArriveOnTheWorkerThread)
{
    ASSERT_NO_FATAL_FAILURE(Connect(false));
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    // No message loop is needed on this thread.
    EXPECT_TRUE(sink.WaitForStatusText(kAbsentPortText, 10000));
    control->StopProtocol();
    EXPECT_TRUE(sink.WaitForStatusText(kAbortedText, 10000));
    EXPECT_TRUE(WaitWithoutMessages([this] { return !Running(); }, 10000));
    EXPECT_FALSE(Running());
    EXPECT_TRUE(sink.HasStatusText(kAbsentPortText));
    EXPECT_TRUE(sink.HasStatusText(kAbortedText));
    for (const RecordedEvent& event : sink.Events())
        EXPECT_NE(GetCurrentThreadId(), event.threadId);
}

TEST_F(ControlTest, ClosingAndReleasingDuringARunStopsItAndFreesTheLibrary)
{
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    ASSERT_EQ(S_OK, control->put_Comport(kAbsentPort));
    ASSERT_EQ(0, Start(commContinuous, 0));
    ASSERT_TRUE(PumpUntil([this] { return sink.HasStatusText(kAbsentPortText); }, 10000));

    Detach();
    Query<IOleObject>(control.Get(), IID_IOleObject)->Close(OLECLOSE_NOSAVE);
    control.Reset();
    // Closing ends the run; the worker's end then lets go of the run's context, and with it the library.
    EXPECT_TRUE(PumpUntil([] { return LibraryCanUnloadNow() == S_OK; }, 10000));
}

TEST_F(ControlTest, ARunOutlivesItsReleasedControlUntilItEnds)
{
    ASSERT_NO_FATAL_FAILURE(UseTheVirtualLine());
    ASSERT_NO_FATAL_FAILURE(Connect(false));

    // Nothing answers: one poll without an answer ends the run by itself.
    ASSERT_EQ(0, Start(commNoAnswer, 1));
    Detach();
    control.Reset();
    EXPECT_EQ(S_FALSE, LibraryCanUnloadNow());
    EXPECT_TRUE(PumpUntil([] { return LibraryCanUnloadNow() == S_OK; }, 15000));
}

// A container may let go of an in-place active control during a run without closing it, and the run
// goes on without the control. The control's window must still go, on its own thread, without
// reaching the freed control, and the library must stay until it has gone.
TEST_F(ControlTest, AWindowOfAControlReleasedMidRunGoesOnItsOwnThread)
{
    ASSERT_NO_FATAL_FAILURE(UseTheVirtualLine());

    TestInPlaceSite inPlace;
    HWND parent = nullptr;
    ASSERT_NO_FATAL_FAILURE(ActivateInPlace(inPlace, parent));
    HWND child = GetWindow(parent, GW_CHILD);
    ASSERT_TRUE(child);

    // Nothing answers: one poll without an answer ends the run, after the release.
    ASSERT_EQ(0, Start(commNoAnswer, 1));
    point->Unadvise(cookie);
    point.Reset();
    control.Reset();
    EXPECT_TRUE(PumpUntil(
        [child] {
        if (IsWindow(child))
            InvalidateRect(child, nullptr, TRUE);  // paints must not reach the control once it is gone
        return !IsWindow(child);
        },
        15000));
    EXPECT_TRUE(PumpUntil([] { return LibraryCanUnloadNow() == S_OK; }, 5000));
    DestroyWindow(parent);
}

namespace {

// Notes the thread on which the control leaves the in-place active state.
class DeactivationSite : public TestInPlaceSite {
public:
    STDMETHODIMP OnInPlaceDeactivate() override
    {
        deactivatedOn = GetCurrentThreadId();
        return S_OK;
    }
    DWORD deactivatedOn = 0;
};

}  // namespace

// A container that lets go of an in-place active control during a run, without closing it, must be
// told of the deactivation on its own thread: its site is an object of that thread.
TEST_F(ControlTest, ReleasedDuringARunTheControlDeactivatesOnItsOwnThread)
{
    ASSERT_NO_FATAL_FAILURE(UseTheVirtualLine());
    DeactivationSite inPlace;
    HWND parent = nullptr;
    ASSERT_NO_FATAL_FAILURE(ActivateInPlace(inPlace, parent));

    // Nothing answers: the run polls until one wait for an answer is over, long after the release.
    ASSERT_EQ(0, Start(commNoAnswer, 1));
    ASSERT_TRUE(Running());
    point->Unadvise(cookie);
    point.Reset();
    control.Reset();
    EXPECT_EQ(GetCurrentThreadId(), inPlace.deactivatedOn);
    EXPECT_TRUE(PumpUntil([] { return LibraryCanUnloadNow() == S_OK; }, 15000));
    DestroyWindow(parent);
}
