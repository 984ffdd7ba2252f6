// Runs code on the thread that sits in a dialog's modal loop (where drop targets and list views must be
// called): a window of that thread receives the code by a sent or posted message, which the loop delivers
// between the dialog's own messages.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

namespace lodestar::test {

class TOnDialogThread {
public:
    TOnDialogThread() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LodestarDialogThreadRunner";
        ::RegisterClassW(&wc);
        window_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, nullptr);
    }
    ~TOnDialogThread() { ::DestroyWindow(window_); }
    TOnDialogThread(const TOnDialogThread&) = delete;
    TOnDialogThread& operator=(const TOnDialogThread&) = delete;

    void Run(const std::function<void()>& code) const {
        ::SendMessageW(window_, kRun, 0, reinterpret_cast<LPARAM>(&code));
    }
    // Without waiting, for code that opens a modal window of its own.
    void Post(std::function<void()> code) const {
        ::PostMessageW(window_, kPosted, 0,
                       reinterpret_cast<LPARAM>(new std::function<void()>(std::move(code))));
    }
    // Waits until the thread has handled every message posted to it before this call.
    void Flush() const {
        std::atomic<bool> reached{false};
        ::PostMessageW(window_, kMark, 0, reinterpret_cast<LPARAM>(&reached));
        for (int i = 0; i < 500 && !reached; ++i)
            ::Sleep(10);
        EXPECT_TRUE(reached) << "the dialog's thread did not get through its messages";
    }

private:
    static constexpr UINT kRun = WM_APP;
    static constexpr UINT kPosted = WM_APP + 1;
    static constexpr UINT kMark = WM_APP + 2;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case kRun:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        case kPosted: {
            const std::unique_ptr<std::function<void()>> code(
                reinterpret_cast<std::function<void()>*>(lParam));
            (*code)();
            return 0;
        }
        case kMark:
            *reinterpret_cast<std::atomic<bool>*>(lParam) = true;
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }
    HWND window_ = nullptr;
};

} // namespace lodestar::test
