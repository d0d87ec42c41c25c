#pragma once
// An owned reference to a COM interface: released when it goes out of scope.

#include <unknwn.h>

#include <utility>

template <typename T>
class CComRef {
public:
    CComRef() = default;
    // Takes a new reference to `p`.
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

    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    // For functions that return a new reference through T**.
    T** Receive()
    {
        Reset();
        return &m_p;
    }

    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
