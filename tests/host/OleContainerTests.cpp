// The control container with a control of the test's own, registered for this process only: what
// the site answers an in-place object, that events reach their handlers and stop when the control
// goes (also from inside a handler), that no reference stays behind, and what the caller learns
// when a call does not reach the control or the control gives no usable answer.
#include "NamelessDispatch.h"
#include "Wexlinkctl1.h"
#include "framework/OleControlWnd.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <functional>
#include <vector>

namespace {

// An automation object whose every call ends the way the test says.
class ScriptedDispatch : public CNamelessDispatch {
public:
    using Answer = std::function<HRESULT(VARIANT* result)>;
    explicit ScriptedDispatch(Answer answer) : m_answer(std::move(answer)) {}
    LONG References() const { return m_refs; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch))
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++m_refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--m_refs); }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        return m_answer(result);
    }

private:
    LONG m_refs = 1;  // the test's own, on the stack
    Answer m_answer;
};

TEST(OleContainer, AFileListThatNeverReachedTheControlIsNotReportedAsQueued)
{
    CWexlinkctl1 noControl;
    EXPECT_EQ(CWexlinkctl1::callFailed, noControl.AddGetTerminalFileList(L"*.DAT", 0));

    ScriptedDispatch failing([](VARIANT*) { return RPC_E_DISCONNECTED; });
    ScriptedDispatch noAnswer([](VARIANT* result) {
        VariantInit(result);  // an object where the number belongs
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = nullptr;
        return S_OK;
    });
    for (ScriptedDispatch* control : {&failing, &noAnswer}) {
        CWexlinkctl1 wrapper;
        wrapper.AttachDispatch(control);
        EXPECT_EQ(CWexlinkctl1::callFailed, wrapper.AddGetTerminalFileList(L"*.DAT", 0));
    }
    EXPECT_EQ(1, failing.References()) << "a reference on the control was kept or lost";
    EXPECT_EQ(1, noAnswer.References()) << "a reference on the control was kept or lost";
}

TEST(OleContainer, AFileListAnswerOfTheControlReachesTheCaller)
{
    for (short answer : {short{0}, short{-10}}) {
        ScriptedDispatch control([answer](VARIANT* result) {
            V_VT(result) = VT_I2;
            V_I2(result) = answer;
            return S_OK;
        });
        CWexlinkctl1 wrapper;
        wrapper.AttachDispatch(&control);
        EXPECT_EQ(answer, wrapper.AddGetTerminalFileList(L"*.DAT", 0));
    }
}

// {6F1B7A52-3C0D-4E55-9A1E-2B7C5D0E9F41}: known only to this test program.
const CLSID kTestControlClsid = {0x6f1b7a52, 0x3c0d, 0x4e55, {0x9a, 0x1e, 0x2b, 0x7c, 0x5d, 0x0e, 0x9f, 0x41}};
// {6F1B7A53-3C0D-4E55-9A1E-2B7C5D0E9F41}
const IID kTestEventsIid = {0x6f1b7a53, 0x3c0d, 0x4e55, {0x9a, 0x1e, 0x2b, 0x7c, 0x5d, 0x0e, 0x9f, 0x41}};

class TestControl;

// The control's one connection point; its references are the control's.
class TestEventPoint : public IConnectionPoint {
public:
    explicit TestEventPoint(TestControl& control) : m_control(control) {}
    IDispatch* sink = nullptr;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override
    {
        *iid = kTestEventsIid;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override
    {
        if (sink != nullptr)
            return CONNECT_E_ADVISELIMIT;
        HRESULT hr = unknown->QueryInterface(kTestEventsIid, reinterpret_cast<void**>(&sink));
        *cookie = SUCCEEDED(hr) ? 1 : 0;
        return hr;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        if (cookie != 1 || sink == nullptr)
            return CONNECT_E_NOCONNECTION;
        IDispatch* released = sink;
        sink = nullptr;
        released->Release();
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override
    {
        *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    TestControl& m_control;
};

// A windowless control that records what its site tells it.
class TestControl : public IOleObject, public IConnectionPointContainer, public CNamelessDispatch {
public:
    LONG refs = 1;  // the test's own
    TestEventPoint events{*this};
    IOleClientSite* site = nullptr;
    bool frameGiven = false;
    HWND frameWindow = nullptr;
    HRESULT borderAnswer = E_UNEXPECTED;
    bool userMode = false;
    bool closed = false;

    // Fires an event with its arguments in declaration order, as a control does.
    void Fire(DISPID id, std::vector<VARIANT> arguments)
    {
        if (events.sink == nullptr)
            return;
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        IDispatch* sink = events.sink;
        sink->AddRef();  // a handler may disconnect the sink
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
            *object = static_cast<IOleObject*>(this);
        else if (IsEqualIID(iid, IID_IConnectionPointContainer))
            *object = static_cast<IConnectionPointContainer*>(this);
        else if (IsEqualIID(iid, IID_IDispatch))
            *object = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* clientSite) override
    {
        if (site != nullptr)
            site->Release();
        site = clientSite;
        if (site != nullptr)
            site->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** clientSite) override
    {
        *clientSite = site;
        if (site != nullptr)
            site->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override
    {
        closed = true;
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override
    {
        *data = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* clientSite, LONG, HWND, LPCRECT) override
    {
        if (verb != OLEIVERB_INPLACEACTIVATE || clientSite == nullptr)
            return OLEOBJ_S_INVALIDVERB;
        AskAmbientUserMode(clientSite);
        IOleInPlaceSite* inPlace = nullptr;
        if (FAILED(clientSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))))
            return E_FAIL;
        inPlace->OnInPlaceActivate();
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT position;
        RECT clip;
        OLEINPLACEFRAMEINFO info = {sizeof(info), FALSE, nullptr, nullptr, 0};
        HRESULT hr = inPlace->GetWindowContext(&frame, &document, &position, &clip, &info);
        inPlace->Release();
        if (FAILED(hr))
            return hr;
        frameGiven = frame != nullptr;
        if (frame != nullptr) {
            // What an in-place object does with its frame as it becomes active.
            frame->GetWindow(&frameWindow);
            borderAnswer = frame->SetBorderSpace(nullptr);
            frame->SetActiveObject(nullptr, nullptr);
            frame->Release();
        }
        if (document != nullptr)
            document->Release();
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override
    {
        *verbs = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override
    {
        *clsid = kTestControlClsid;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) override
    {
        *type = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* connection) override
    {
        *connection = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override
    {
        *advise = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override
    {
        *status = OLEMISC_SETCLIENTSITEFIRST;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override
    {
        *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        *point = nullptr;
        if (!IsEqualIID(iid, kTestEventsIid))
            return CONNECT_E_NOCONNECTION;
        *point = &events;
        events.AddRef();
        return S_OK;
    }

    // IDispatch: the control's automation interface, which this test does not call
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    void AskAmbientUserMode(IOleClientSite* clientSite)
    {
        IDispatch* ambient = nullptr;
        if (FAILED(clientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient))))
            return;
        DISPPARAMS none = {};
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value,
                                      nullptr, nullptr)))
            userMode = V_VT(&value) == VT_BOOL && V_BOOL(&value) == VARIANT_TRUE;
        VariantClear(&value);
        ambient->Release();
    }
};

STDMETHODIMP TestEventPoint::QueryInterface(REFIID iid, void** object)
{
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint))
        return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TestEventPoint::AddRef()
{
    return m_control.AddRef();
}

STDMETHODIMP_(ULONG) TestEventPoint::Release()
{
    return m_control.Release();
}

STDMETHODIMP TestEventPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    return m_control.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
}

// Hands out the one test control to CoCreateInstance for the time of a test.
class TestControlFactory : public IClassFactory {
public:
    explicit TestControlFactory(TestControl& control) : m_control(control)
    {
        CoRegisterClassObject(kTestControlClsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    }
    ~TestControlFactory()
    {
        if (m_cookie != 0)
            CoRevokeClassObject(m_cookie);
    }
    TestControlFactory(const TestControlFactory&) = delete;
    TestControlFactory& operator=(const TestControlFactory&) = delete;
    bool Registered() const { return m_cookie != 0; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;  // lives on the stack: not counted
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        *object = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : m_control.QueryInterface(iid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    TestControl& m_control;
    DWORD m_cookie = 0;
};

VARIANT ShortArgument(short value)
{
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I2;
    V_I2(&argument) = value;
    return argument;
}

class OleContainerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_TRUE(m_form.CreateEx(0, nullptr, L"Form", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr))
            << "needs a display: run under xvfb-run";
    }
    void TearDown() override
    {
        m_form.DestroyWindow();
        OleUninitialize();
    }

    CWnd m_form;
};

}  // namespace

TEST_F(OleContainerTest, AnInPlaceControlGetsAFrameAndItsEventsUntilTheControlGoes)
{
    TestControl control;
    {
        TestControlFactory factory(control);
        ASSERT_TRUE(factory.Registered());
        COleControlWnd container;
        std::vector<short> statuses;
        container.SetEventHandler(
            3, [&](const COleEventSink::CArguments& arguments) { statuses.push_back(arguments.At(0).AsShort(-1)); });
        RECT position = {10, 10, 110, 60};
        ASSERT_EQ(S_OK, container.CreateControl(kTestControlClsid, kTestEventsIid, m_form.m_hWnd, position, 1000));

        EXPECT_TRUE(control.userMode);
        EXPECT_TRUE(control.frameGiven) << "an in-place site must give its object a frame";
        EXPECT_EQ(m_form.m_hWnd, control.frameWindow);
        EXPECT_EQ(S_OK, control.borderAnswer) << "no tool space asked, none refused";

        control.Fire(3, {ShortArgument(130)});
        control.Fire(99, {ShortArgument(1)});  // an event without a handler is ignored
        container.DestroyControl();
        control.Fire(3, {ShortArgument(180)});
        EXPECT_EQ(std::vector<short>{130}, statuses);
        EXPECT_TRUE(control.closed);
        EXPECT_EQ(nullptr, control.site);
        EXPECT_EQ(nullptr, control.events.sink);
    }
    EXPECT_EQ(1, control.refs) << "a reference on the control stayed behind";
}

TEST_F(OleContainerTest, AHandlerMayTakeTheControlDownWhileItsEventRuns)
{
    TestControl control;
    {
        TestControlFactory factory(control);
        ASSERT_TRUE(factory.Registered());
        COleControlWnd container;
        int events = 0;
        container.SetEventHandler(3, [&](const COleEventSink::CArguments&) {
            ++events;
            container.DestroyControl();
        });
        RECT position = {0, 0, 50, 20};
        ASSERT_EQ(S_OK, container.CreateControl(kTestControlClsid, kTestEventsIid, m_form.m_hWnd, position, 1000));
        control.Fire(3, {ShortArgument(1)});
        control.Fire(3, {ShortArgument(2)});
        EXPECT_EQ(1, events);
        EXPECT_FALSE(container.HasControl());
    }
    EXPECT_EQ(1, control.refs) << "a reference on the control stayed behind";
}
