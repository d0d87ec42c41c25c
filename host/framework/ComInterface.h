// An owned reference on a COM interface: released when the holder goes or is given another one.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename T>
class CComInterface {
public:
    CComInterface() = default;
    // Takes a reference of its own on the pointer.
    explicit CComInterface(T* pointer) : m_pointer(pointer)
    {
        if (m_pointer != nullptr)
            m_pointer->AddRef();
    }
    CComInterface(const CComInterface& other) : CComInterface(other.m_pointer) {}
    CComInterface(CComInterface&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    CComInterface& operator=(CComInterface other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }
    ~CComInterface() { Reset(); }

    // Adopts a reference that the caller already owns.
    static CComInterface Adopt(T* pointer)
    {
        CComInterface holder;
        holder.m_pointer = pointer;
        return holder;
    }

    void Reset()
    {
        if (T* pointer = std::exchange(m_pointer, nullptr))
            pointer->Release();
    }
    // For the out parameter of a call that hands over a reference; drops the current one first.
    T** Receive()
    {
        Reset();
        return &m_pointer;
    }
    // Asks the object for another of its interfaces.
    template <typename U>
    HRESULT QueryFrom(U* object, REFIID iid)
    {
        Reset();
        if (object == nullptr)
            return E_POINTER;
        return object->QueryInterface(iid, reinterpret_cast<void**>(&m_pointer));
    }

    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

private:
    T* m_pointer = nullptr;
};
