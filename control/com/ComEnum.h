#pragma once
// An enumerator (IEnumConnections, IEnumConnectionPoints, ...) over a snapshot of items. Items
// that are interface pointers, or hold one in `pUnk`, are referenced while the snapshot lives and
// referenced again for each caller that receives them.

#include <ocidl.h>

#include <new>
#include <vector>

#include "ComRef.h"

inline IUnknown* UnknownOf(IUnknown* item)
{
    return item;
}
inline IUnknown* UnknownOf(const CONNECTDATA& item)
{
    return item.pUnk;
}

template <typename Base, const IID* BaseIid, typename Item>
class CComEnum final : public Base {
public:
    explicit CComEnum(const std::vector<Item>& items, size_t position = 0) : m_items(items), m_position(position)
    {
        m_references.reserve(m_items.size());
        for (const Item& item : m_items)
            m_references.emplace_back(UnknownOf(item));
    }

    CComEnum(const CComEnum&) = delete;
    CComEnum& operator=(const CComEnum&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *BaseIid)) {
            *object = static_cast<Base*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG done = 0;
        while (done < count && m_position < m_items.size()) {
            items[done] = m_items[m_position++];
            UnknownOf(items[done])->AddRef();  // the caller's reference
            ++done;
        }
        if (fetched)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        const size_t left = m_items.size() - m_position;
        if (count > left) {
            m_position = m_items.size();
            return S_FALSE;
        }
        m_position += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override
    {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Base** copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = nullptr;
        // The copy's snapshot allocates too: nothing may unwind out of a COM method.
        try {
            *copy = new CComEnum(m_items, m_position);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

private:
    ~CComEnum() = default;

    volatile LONG m_refs = 1;
    std::vector<Item> m_items;
    std::vector<CComRef<IUnknown>> m_references;  // the snapshot's own, one for each item
    size_t m_position;
};

using CEnumConnections = CComEnum<IEnumConnections, &IID_IEnumConnections, CONNECTDATA>;
using CEnumConnectionPoints = CComEnum<IEnumConnectionPoints, &IID_IEnumConnectionPoints, IConnectionPoint*>;
