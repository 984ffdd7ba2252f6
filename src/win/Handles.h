// Owners of Win32 resources: every handle, key, icon, module, global block, hook and COM pointer
// that the program keeps is held by one of these.
#pragma once

#include <windows.h>

#include <utility>

namespace lodestar {

template <typename T, auto Close, T Invalid = T{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    T Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    T Release() { return std::exchange(handle_, Invalid); }
    void Reset(T handle = Invalid) {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }
    // For functions that hand out a handle through a pointer; the old one is closed first.
    T* Put() {
        Reset();
        return &handle_;
    }

private:
    T handle_ = Invalid;
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseKey(HKEY k) { ::RegCloseKey(k); }
inline void CloseIcon(HICON i) { ::DestroyIcon(i); }
inline void CloseModule(HMODULE m) { ::FreeLibrary(m); }
inline void CloseGlobal(HGLOBAL g) { ::GlobalFree(g); }
inline void CloseHook(HHOOK h) { ::UnhookWindowsHookEx(h); }
inline void CloseView(void* v) { ::UnmapViewOfFile(v); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
} // namespace detail

using UniqueKernelHandle = UniqueHandle<HANDLE, detail::CloseKernelHandle>;
using UniqueFile = UniqueHandle<HANDLE, detail::CloseKernelHandle, INVALID_HANDLE_VALUE>;
using UniqueFind = UniqueHandle<HANDLE, detail::CloseFind, INVALID_HANDLE_VALUE>;
using UniqueKey = UniqueHandle<HKEY, detail::CloseKey>;
using UniqueIcon = UniqueHandle<HICON, detail::CloseIcon>;
using UniqueModule = UniqueHandle<HMODULE, detail::CloseModule>;
using UniqueGlobal = UniqueHandle<HGLOBAL, detail::CloseGlobal>;
using UniqueHook = UniqueHandle<HHOOK, detail::CloseHook>;
using UniqueView = UniqueHandle<void*, detail::CloseView>;

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_) ptr_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() {
        if (ptr_) ptr_->Release();
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T** Put() {
        *this = ComPtr();
        return &ptr_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    template <typename U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> other;
        if (ptr_) ptr_->QueryInterface(iid, other.PutVoid());
        return other;
    }

private:
    T* ptr_ = nullptr;
};

} // namespace lodestar
