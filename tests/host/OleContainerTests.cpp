// The control container's calls into a control: what the caller learns when a call does not
// reach the control or the control gives no usable answer.
#include "Wexlinkctl1.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// An automation object whose every call ends the way the test says.
class ScriptedDispatch : public IDispatch {
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
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
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
    for (short answer : {0, -10}) {
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

} // namespace
