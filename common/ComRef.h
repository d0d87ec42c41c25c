// An owned reference to a COM interface: released when the holder goes or is given another one.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename T>
class CComRef {
public:
    CComRef() = default;
    // Takes a reference of its own on `p`.
    explicit CComRef(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CComRef(const CComRef& other) : CComRef(other.m_p) {}
    CComRef(CComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~CComRef() { Reset(); }

    CComRef& operator=(CComRef other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Adopts a reference that the caller already owns.
    static CComRef Adopt(T* p)
    {
        CComRef holder;
        holder.m_p = p;
        return holder;
    }

    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    // For the out parameter of a call that hands over a reference through T**; drops the current
    // one first.
    T** Receive()
    {
        Reset();
        return &m_p;
    }

    // Asks the object for another of its interfaces in place of the current one. The answer is taken
    // before the current reference goes, so the object may be the one held now.
    template <typename U>
    HRESULT QueryFrom(U* object, REFIID iid)
    {
        T* answer = nullptr;
        const HRESULT hr = object ? object->QueryInterface(iid, reinterpret_cast<void**>(&answer)) : E_POINTER;
        Reset();
        m_p = SUCCEEDED(hr) ? answer : nullptr;
        return hr;
    }

    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
