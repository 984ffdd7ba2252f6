// Drives the shell's folder browser the way a user would, from a second thread while the test's thread
// sits in the browser's modal loop. The browser's caption is the system's, not ours: the driver waits for
// the visible dialog window ("#32770") of the test's thread instead.
#pragma once

#include "DialogDriver.h"
#include "Handles.h"
#include "WinText.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace lodestar::test {

inline BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM data) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

// The first visible dialog window of the thread, or null.
inline HWND VisibleDialogOf(DWORD threadId) {
    HWND found = nullptr;
    ::EnumThreadWindows(threadId, &FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

class TBrowserDriver {
public:
    // Runs `script` on the browser that the calling thread opens next. A browser the script leaves open is
    // cancelled (and the test fails), so that the test cannot hang in it.
    explicit TBrowserDriver(std::function<void(HWND browser)> script)
        : thread_([this, threadId = ::GetCurrentThreadId(), script = std::move(script)] {
              const HWND browser = Wait(threadId);
              if (!browser) return;
              found_ = true;
              script(browser);
              for (int i = 0; i < 100 && ::IsWindow(browser); ++i)
                  ::Sleep(20);
              if (::IsWindow(browser)) {
                  ADD_FAILURE() << "the script left the browser open";
                  ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
              }
          }) {}
    TBrowserDriver(const TBrowserDriver&) = delete;
    TBrowserDriver& operator=(const TBrowserDriver&) = delete;
    ~TBrowserDriver() { Join(); }

    void Join() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Found() const { return found_; }

private:
    HWND Wait(DWORD threadId) {
        for (int i = 0; i < 1000; ++i) {
            if (const HWND browser = VisibleDialogOf(threadId)) return browser;
            if (stop_) return nullptr;
            ::Sleep(10);
        }
        return nullptr;
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

inline HWND TreeOf(HWND browser) {
    return ::FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
}

// The text of the tree's selected item, as the user reads it.
inline std::string SelectedItemText(HWND browser) {
    const HWND tree = TreeOf(browser);
    const auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return Narrow(text);
}

// Selects a folder by its path, as a user who opened the tree down to it and clicked it. The tree may
// still be filling its folders (a new prefix, a loaded machine): the browser is asked again until its
// tree shows the object selected, for up to about ten seconds.
inline void SelectPath(HWND browser, const std::string& path) {
    const std::wstring wide = Widen(path);
    const std::string leaf = path.substr(path.find_last_of('\\') + 1);
    const std::string stem = leaf.substr(0, leaf.find_last_of('.'));
    for (int attempt = 0; attempt < 10; ++attempt) {
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
        for (int i = 0; i < 20; ++i) {
            const std::string selected = SelectedItemText(browser);
            if (selected == leaf || selected == stem) return;
            ::Sleep(50);
        }
    }
}

inline std::string WindowText(HWND window) {
    wchar_t buffer[2048] = {};
    ::GetWindowTextW(window, buffer, 2048);
    return Narrow(buffer);
}

inline void ClickButton(HWND browser, int id) {
    ::SendMessageW(::GetDlgItem(browser, id), BM_CLICK, 0, 0);
}

} // namespace lodestar::test
