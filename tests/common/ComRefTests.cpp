// The COM reference holder: every reference it takes is released exactly once, and asking the object
// it holds for another interface does not free that object on the way.
#include "ComRef.h"

#include <gtest/gtest.h>

namespace {

// Counts its references and notes when the last one goes; it answers for IUnknown only.
class CountedObject final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        if (freed) {
            ++usedAfterFree;
            *object = nullptr;
            return E_UNEXPECTED;
        }
        if (!IsEqualIID(iid, IID_IUnknown)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override
    {
        if (--references == 0)
            freed = true;
        return references;
    }

    ULONG references = 1;  // the creator's
    bool freed = false;
    int usedAfterFree = 0;
};

TEST(ComRefTest, CopiesMovesAndAdoptionsReleaseEachReferenceOnce)
{
    CountedObject object;
    {
        CComRef<IUnknown> first(&object);
        EXPECT_EQ(2u, object.references);
        CComRef<IUnknown> copy(first);
        EXPECT_EQ(3u, object.references);
        CComRef<IUnknown> moved(std::move(copy));
        EXPECT_EQ(3u, object.references);
        EXPECT_FALSE(copy);
        copy = moved;
        EXPECT_EQ(4u, object.references);
        copy = copy;
        EXPECT_EQ(4u, object.references);
        object.AddRef();
        CComRef<IUnknown> adopted = CComRef<IUnknown>::Adopt(&object);
        EXPECT_EQ(5u, object.references);
        IUnknown* detached = adopted.Detach();
        detached->Release();
    }
    EXPECT_EQ(1u, object.references);
    EXPECT_FALSE(object.freed);
}

TEST(ComRefTest, AskingTheHeldObjectForAnInterfaceKeepsItAlive)
{
    auto* object = new CountedObject;
    {
        CComRef<IUnknown> held = CComRef<IUnknown>::Adopt(object);  // the only reference
        EXPECT_EQ(S_OK, held.QueryFrom(held.Get(), IID_IUnknown));
        EXPECT_EQ(0, object->usedAfterFree);
        EXPECT_EQ(1u, object->references);

        EXPECT_EQ(E_NOINTERFACE, held.QueryFrom(held.Get(), IID_IDispatch));
        EXPECT_FALSE(held);
        EXPECT_TRUE(object->freed);
        EXPECT_EQ(E_POINTER, held.QueryFrom<IUnknown>(nullptr, IID_IUnknown));
    }
    EXPECT_EQ(0, object->usedAfterFree);
    delete object;
}

}  // namespace
