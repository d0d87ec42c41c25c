// The one owner of one handle: closed when the owner goes or is given another handle, never when
// it holds the "no handle" value of its kind. Move-only, so a handle is closed exactly once.
#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

// Traits say what a kind of handle is:
//   using Handle = ...;                the handle type
//   static Handle Invalid();           the value an empty owner holds
//   static bool IsValid(Handle);       false for every value that must not be closed
//   Close(Handle);                     static, or a member of traits that carry state (a close
//                                      function looked up at run time); a moved owner takes its
//                                      traits along.
template <typename Traits>
class CUniqueHandle : private Traits {
    // Traits with a member Close carry the function it calls: default ones would close through
    // nothing, so an owner of such a kind must be given its traits.
    static constexpr bool kDefaultTraitsClose = !std::is_member_function_pointer_v<decltype(&Traits::Close)>;

public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() : m_handle(Traits::Invalid()) { static_assert(kDefaultTraitsClose, "pass the traits in"); }
    explicit CUniqueHandle(Handle handle) : m_handle(handle)
    {
        static_assert(kDefaultTraitsClose, "pass the traits in");
    }
    explicit CUniqueHandle(Handle handle, Traits traits) : Traits(std::move(traits)), m_handle(handle) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : Traits(static_cast<Traits&>(other)), m_handle(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other) {
            // The old handle goes by the close function it came with; the new one keeps its own.
            Reset(other.Release());
            static_cast<Traits&>(*this) = static_cast<Traits&>(other);
        }
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { CloseIfValid(m_handle); }

    Handle Get() const { return m_handle; }
    bool IsValid() const { return Traits::IsValid(m_handle); }
    explicit operator bool() const { return IsValid(); }

    // Hands the handle to the caller, who closes it from now on.
    Handle Release() { return std::exchange(m_handle, Traits::Invalid()); }

    // Closes the handle held and takes `handle` in its place.
    void Reset(Handle handle = Traits::Invalid()) { CloseIfValid(std::exchange(m_handle, handle)); }

    // For a function that returns a new handle through Handle*: closes the one held first.
    Handle* Receive()
    {
        Reset();
        return &m_handle;
    }

private:
    void CloseIfValid(Handle handle)
    {
        if (Traits::IsValid(handle)) {
            Traits::Close(handle);
        }
    }

    Handle m_handle;
};

// Kernel objects whose creators return null on failure: events, mutexes, threads, processes.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using CUniqueKernelHandle = CUniqueHandle<KernelHandleTraits>;

// Files and devices from CreateFileW, which returns INVALID_HANDLE_VALUE on failure.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using CUniqueFileHandle = CUniqueHandle<FileHandleTraits>;

// File searches from FindFirstFileW, which returns INVALID_HANDLE_VALUE when nothing matches.
struct FindHandleTraits : FileHandleTraits {
    static void Close(Handle handle) { FindClose(handle); }
};
using CUniqueFindHandle = CUniqueHandle<FindHandleTraits>;

// Registry keys. The Reg functions leave null for a key they could not open; the device-installation
// functions return INVALID_HANDLE_VALUE instead.
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle key) { return key != nullptr && key != INVALID_HANDLE_VALUE; }
    static void Close(Handle key) { RegCloseKey(key); }
};
using CUniqueRegistryKey = CUniqueHandle<RegistryKeyTraits>;

// Libraries loaded by LoadLibraryW or LoadLibraryExW.
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle module) { return module != nullptr; }
    static void Close(Handle module) { FreeLibrary(module); }
};
using CUniqueLibrary = CUniqueHandle<LibraryTraits>;

// Memory that a system function allocated with LocalAlloc for the caller to free.
template <typename T>
struct LocalMemoryTraits {
    using Handle = T*;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle memory) { return memory != nullptr; }
    static void Close(Handle memory) { LocalFree(memory); }
};
template <typename T>
using CUniqueLocalMemory = CUniqueHandle<LocalMemoryTraits<T>>;
