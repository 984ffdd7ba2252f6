// Drives a modal dialog the way a user would, from a second thread while the test's thread sits in the
// dialog's modal loop: the thread waits for the dialog's window by its caption, then clicks, types and
// presses keys through the controls' own messages.
#pragma once

#include "Handles.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace lodestar::test {

// How long a driver waits for the program to answer before it gives up: long, since a machine busy with
// other work can keep a Wine thread from running for seconds; a wait that is met ends at once.
inline constexpr ULONGLONG kPatienceMs = 30000;

// Asks `done` every 10 ms until it holds or `ms` have passed; returns its last answer.
inline bool WaitUntil(const std::function<bool()>& done, ULONGLONG ms = kPatienceMs) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (!done()) {
        if (::GetTickCount64() >= end) return done();
        ::Sleep(10);
    }
    return true;
}

class TDialogDriver {
public:
    // Runs `script` on the visible top-level dialog captioned `caption` once it appears. A dialog the
    // script leaves open is cancelled (and the test fails), so that the test cannot hang in it.
    TDialogDriver(std::string caption, std::function<void(HWND dialog)> script)
        : thread_([this, caption = Widen(caption), script = std::move(script)] {
              const HWND dialog = Wait(caption);
              if (!dialog) return;
              found_ = true;
              script(dialog);
              WaitUntil([dialog] { return !::IsWindow(dialog); });
              if (::IsWindow(dialog)) {
                  ADD_FAILURE() << "the script left the dialog open";
                  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
              }
          }) {}
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;
    ~TDialogDriver() { Join(); }

    // Waits for the script to end; a dialog that has not appeared is no longer waited for.
    void Join() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Found() const { return found_; }

private:
    HWND Wait(const std::wstring& caption) {
        // ShowModal's return (Join) ends the wait at once.
        HWND dialog = nullptr;
        WaitUntil([&] {
            dialog = ::FindWindowW(L"#32770", caption.c_str());
            if (dialog && !::IsWindowVisible(dialog)) dialog = nullptr;
            return dialog || stop_;
        });
        return dialog;
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

inline HWND Control(HWND dialog, int id) {
    return ::GetDlgItem(dialog, id);
}

inline void Click(HWND dialog, int id) {
    ::SendMessageW(Control(dialog, id), BM_CLICK, 0, 0);
}

inline bool IsChecked(HWND dialog, int id) {
    return ::SendMessageW(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Character by character, as the keyboard delivers them: the control itself then reports the change.
inline void Type(HWND dialog, int id, const std::string& text) {
    for (const wchar_t ch : Widen(text))
        ::SendMessageW(Control(dialog, id), WM_CHAR, ch, 1);
}

inline std::string TextOf(HWND window) {
    wchar_t buffer[2048] = {};
    ::GetWindowTextW(window, buffer, 2048);
    return Narrow(buffer);
}

// A key pressed while the control has the focus; the dialog's message loop sees it as the user's.
inline void PressKey(HWND dialog, int id, UINT virtualKey) {
    const HWND control = Control(dialog, id);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageW(control, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
    ::PostMessageW(control, WM_KEYUP, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

// The background the dialog gives the control when it paints: the brush it returns and the text
// background it sets.
struct TPaintColor {
    HBRUSH Brush = nullptr;
    COLORREF Background = CLR_INVALID;
};

inline TPaintColor PaintColorOf(HWND dialog, int id, UINT message = WM_CTLCOLOREDIT) {
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    ::SetBkColor(dc.Get(), RGB(1, 2, 3));
    TPaintColor color;
    color.Brush = reinterpret_cast<HBRUSH>(::SendMessageW(dialog, message, reinterpret_cast<WPARAM>(dc.Get()),
                                                          reinterpret_cast<LPARAM>(Control(dialog, id))));
    color.Background = ::GetBkColor(dc.Get());
    return color;
}

} // namespace lodestar::test
