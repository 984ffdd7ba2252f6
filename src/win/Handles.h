// Owners of Win32 resources: every handle, key, icon, module, global block, hook and COM pointer
// that the program keeps is held by one of these.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <utility>

namespace lodestar {

// Traits name the handle type, its closing function and its invalid value; INVALID_HANDLE_VALUE is not a
// constant expression, so the invalid value comes from a function.
template <typename T, void (*CloseFn)(T)> struct NullHandleTraits {
    using Type = T;
    static T Invalid() { return T{}; }
    static void Close(T h) { CloseFn(h); }
};

template <void (*CloseFn)(HANDLE)> struct FileHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseFn(h); }
};

template <typename Traits> class UniqueHandle {
    using T = typename Traits::Type;

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
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    T Release() { return std::exchange(handle_, Traits::Invalid()); }
    void Reset(T handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = handle;
    }
    // For functions that hand out a handle through a pointer; the old one is closed first.
    T* Put() {
        Reset();
        return &handle_;
    }

private:
    T handle_ = Traits::Invalid();
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) {
    ::CloseHandle(h);
}
inline void CloseKey(HKEY k) {
    ::RegCloseKey(k);
}
inline void CloseIcon(HICON i) {
    ::DestroyIcon(i);
}
inline void CloseModule(HMODULE m) {
    ::FreeLibrary(m);
}
inline void CloseGlobal(HGLOBAL g) {
    ::GlobalFree(g);
}
inline void CloseHook(HHOOK h) {
    ::UnhookWindowsHookEx(h);
}
inline void CloseView(void* v) {
    ::UnmapViewOfFile(v);
}
inline void CloseFind(HANDLE h) {
    ::FindClose(h);
}
} // namespace detail

using UniqueKernelHandle = UniqueHandle<NullHandleTraits<HANDLE, detail::CloseKernelHandle>>;
using UniqueFile = UniqueHandle<FileHandleTraits<detail::CloseKernelHandle>>;
using UniqueFind = UniqueHandle<FileHandleTraits<detail::CloseFind>>;
using UniqueKey = UniqueHandle<NullHandleTraits<HKEY, detail::CloseKey>>;
using UniqueIcon = UniqueHandle<NullHandleTraits<HICON, detail::CloseIcon>>;
using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, detail::CloseModule>>;
using UniqueGlobal = UniqueHandle<NullHandleTraits<HGLOBAL, detail::CloseGlobal>>;
using UniqueHook = UniqueHandle<NullHandleTraits<HHOOK, detail::CloseHook>>;
using UniqueView = UniqueHandle<NullHandleTraits<void*, detail::CloseView>>;

// Memory the shell hands out from its task allocator (ID lists, strings).
template <typename T> struct CoTaskTraits {
    using Type = T*;
    static T* Invalid() { return nullptr; }
    static void Close(T* p) { ::CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p))); }
};
template <typename T> using UniqueCoTask = UniqueHandle<CoTaskTraits<T>>;

template <typename T> class ComPtr {
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

    template <typename U> ComPtr<U> As(REFIID iid) const {
        ComPtr<U> other;
        if (ptr_) ptr_->QueryInterface(iid, other.PutVoid());
        return other;
    }

private:
    T* ptr_ = nullptr;
};

// GDI pictures and memory device contexts, for drawing icons pixel by pixel.
namespace detail {
inline void CloseBitmap(HBITMAP b) {
    ::DeleteObject(b);
}
inline void CloseMemoryDC(HDC dc) {
    ::DeleteDC(dc);
}
inline void CloseBrush(HBRUSH b) {
    ::DeleteObject(b);
}
} // namespace detail

using UniqueBitmap = UniqueHandle<NullHandleTraits<HBITMAP, detail::CloseBitmap>>;
// Only for device contexts that DeleteDC ends (CreateCompatibleDC), not for those of GetDC: WindowDC.
using UniqueMemoryDC = UniqueHandle<NullHandleTraits<HDC, detail::CloseMemoryDC>>;
using UniqueBrush = UniqueHandle<NullHandleTraits<HBRUSH, detail::CloseBrush>>;

// Windows, menus and fonts the program creates itself. A window that a dialog template made belongs to
// its dialog and is never held by one of these.
namespace detail {
inline void CloseWindow(HWND w) {
    ::DestroyWindow(w);
}
inline void CloseMenu(HMENU m) {
    ::DestroyMenu(m);
}
inline void CloseFont(HFONT f) {
    ::DeleteObject(f);
}
} // namespace detail

using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, detail::CloseWindow>>;
// A menu that no window holds: a menu attached to a window or inserted as a submenu goes with its
// parent, so Release it then.
using UniqueMenu = UniqueHandle<NullHandleTraits<HMENU, detail::CloseMenu>>;
using UniqueFont = UniqueHandle<NullHandleTraits<HFONT, detail::CloseFont>>;

// A window's device context from GetDC, given back with ReleaseDC to the same window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A pen, brush, font or bitmap selected into a device context for a while; the object that was there
// before is selected again at the end, so that the selected one can be deleted afterwards.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    explicit operator bool() const { return old_ && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The thread's COM apartment (CoInitializeEx) or OLE (OleInitialize, an apartment plus drag and drop
// and the clipboard) for the life of the object. Both are counted by the system: each successful start,
// also the one that finds the thread already initialised (S_FALSE), is ended once; a failed one (a thread
// already in another apartment) is not.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
        : result_(::CoInitializeEx(nullptr, model)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    HRESULT Result() const { return result_; }
    explicit operator bool() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

class OleApartment {
public:
    OleApartment() : result_(::OleInitialize(nullptr)) {}
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;
    ~OleApartment() {
        if (SUCCEEDED(result_)) ::OleUninitialize();
    }
    HRESULT Result() const { return result_; }
    explicit operator bool() const { return SUCCEEDED(result_); }

private:
    HRESULT result_;
};

} // namespace lodestar
