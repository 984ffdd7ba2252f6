// The running Lodestar.exe as the soak sees it and drives it: it is started, found by its windows, sent
// the messages a click on an icon produces, its menus are answered by keys and its dialogs closed by their
// buttons, and every step is waited for with a bounded wait.
#pragma once

#include "Handles.h"
#include "SoakCounters.h"
#include "TrayIdentity.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lodestar::bench {

// How long a step may take before the soak gives up on it.
inline constexpr DWORD kStepTimeoutMs = 30000;

// Thrown when a step does not complete: the soak then ends the program and reports what it showed.
struct TStepFailed {
    std::string What;
};

// Polls `done`, more rarely the longer it takes: every poll asks the program or the shell, which share the
// processor with the soak. This thread's own messages are handled meanwhile, so that nothing that sends to
// its windows (the system gives every thread with windows some) waits for it.
inline bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kStepTimeoutMs) {
    const ULONGLONG until = ::GetTickCount64() + timeoutMs;
    for (DWORD pause = 1;; pause = std::min<DWORD>(pause * 2, 20)) {
        if (done()) return true;
        if (::GetTickCount64() >= until) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, pause, QS_ALLINPUT);
    }
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

inline BOOL CALLBACK FindChildById(HWND window, LPARAM data) {
    auto& found = *reinterpret_cast<std::pair<int, HWND>*>(data);
    if (::GetDlgCtrlID(window) != found.first) return TRUE;
    found.second = window;
    return FALSE;
}

// The control of that id in the dialog or in one of its pages.
inline HWND ChildById(HWND dialog, int id) {
    std::pair<int, HWND> found{id, nullptr};
    ::EnumChildWindows(dialog, &FindChildById, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

struct TFind {
    DWORD Pid;
    const std::function<bool(HWND)>* Match;
    HWND Found = nullptr;
    std::vector<HWND>* All = nullptr;
};

inline BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
    auto& find = *reinterpret_cast<TFind*>(data);
    if (WindowProcess(window) != find.Pid || !(*find.Match)(window)) return TRUE;
    if (find.All) {
        find.All->push_back(window);
        return TRUE;
    }
    find.Found = window;
    return FALSE;
}

inline std::vector<HWND> TopLevelWindows(DWORD pid, const std::function<bool(HWND)>& match) {
    std::vector<HWND> all;
    TFind find{pid, &match, nullptr, &all};
    ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return all;
}

inline HWND TopLevelWindow(DWORD pid, const std::function<bool(HWND)>& match) {
    TFind find{pid, &match};
    ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.Found;
}

// The running program as this process sees it.
class TLodestar {
public:
    explicit TLodestar(const std::wstring& exe) {
        std::wstring line = L"\"" + exe + L"\"";
        const std::wstring folder = std::filesystem::path(exe).parent_path().wstring();
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION created{};
        if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                              &startup, &created))
            throw TStepFailed{"Lodestar.exe could not be started (error " + std::to_string(::GetLastError()) +
                              ")"};
        ::CloseHandle(created.hThread);
        process_.Reset(created.hProcess);
        pid_ = created.dwProcessId;
    }
    ~TLodestar() {
        if (!Running()) return;
        // Ends as by its exit command, so that it writes its group back before the stored state returns.
        if (const HWND main = MainWindow()) ::PostMessageW(main, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process_.Get(), 30000) != WAIT_OBJECT_0) {
            std::printf("Lodestar did not end within 30 s of its exit command; it was terminated\n");
            ::TerminateProcess(process_.Get(), 1);
            ::WaitForSingleObject(process_.Get(), 10000);
        }
    }
    TLodestar(const TLodestar&) = delete;
    TLodestar& operator=(const TLodestar&) = delete;

    HANDLE Process() const { return process_.Get(); }
    DWORD Pid() const { return pid_; }
    bool Running() const { return ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

    HWND MainWindow() const {
        return TopLevelWindow(pid_, [](HWND w) { return ClassOf(w) == L"LodestarMainWindow"; });
    }
    // The hidden window every icon of the program reports to.
    HWND TrayWindow() const {
        for (HWND w = nullptr; (w = ::FindWindowExW(HWND_MESSAGE, w, L"LodestarTrayIcons", nullptr));)
            if (WindowProcess(w) == pid_) return w;
        return nullptr;
    }

    // Whether the shell holds the icon: a change of nothing succeeds only for an icon it knows.
    bool IconShown(std::uint32_t id) const {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = TrayWindow();
        data.uID = id;
        return data.hWnd && ::Shell_NotifyIconW(NIM_MODIFY, &data);
    }

    // What the shell sends to the icons' window for a mouse message over the icon.
    void TrayMouse(std::uint32_t id, UINT mouseMessage) const {
        constexpr UINT kTrayCallbackMessage = WM_USER; // the program's callback message (SysCtrls.h)
        if (!::PostMessageW(TrayWindow(), kTrayCallbackMessage, id, mouseMessage))
            throw TStepFailed{"the icons' window is gone"};
    }

    // Waits for `done`; a program that ended or a step that never completed stops the soak.
    void Expect(const std::function<bool()>& done, const std::string& what) const {
        if (WaitFor([&] { return done() || !Running(); }) && Running()) return;
        throw TStepFailed{Running() ? what : what + " (Lodestar ended)"};
    }

    HWND OpenMenu() const {
        HWND menu = nullptr;
        Expect(
            [&] {
                menu = TopLevelWindow(
                    pid_, [](HWND w) { return ClassOf(w) == L"#32768" && ::IsWindowVisible(w) != FALSE; });
                return menu != nullptr;
            },
            "a popup menu to open");
        return menu;
    }
    // Keys for the open menu, as its loop reads them: an entry's access key, or the keys that move to an
    // entry and choose it. The menu must close.
    void ChooseByAccessKey(HWND menu, wchar_t accessKey) const {
        ::PostMessageW(menu, WM_CHAR, accessKey, 1);
        Expect([menu] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, "the menu to close");
    }
    void ChooseByKeys(HWND menu, const std::vector<UINT>& keys) const {
        for (UINT key : keys) {
            ::PostMessageW(menu, WM_KEYDOWN, key, 1);
            ::PostMessageW(menu, WM_KEYUP, key, 0xC0000001);
        }
        Expect([menu] { return !::IsWindow(menu) || !::IsWindowVisible(menu); }, "the menu to close");
    }
    HWND WaitForDialog(const wchar_t* caption) const {
        HWND dialog = nullptr;
        Expect(
            [&] {
                dialog = TopLevelWindow(
                    pid_, [caption](HWND w) { return ::IsWindowVisible(w) && TextOf(w) == caption; });
                return dialog != nullptr;
            },
            "the dialog \"" + Narrow(caption) + "\" to open");
        // Answers once its initialisation has run; what that posted comes before the button below.
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored);
        return dialog;
    }
    // A click on the dialog's button: its notification to the dialog, then the dialog's end.
    void CloseDialog(HWND dialog, int button) const {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
        Expect([dialog] { return !::IsWindow(dialog); }, "the dialog to close");
    }
    // Everything posted to the program before this has been handled: the main icon's menu, which the
    // program opens only from its message loop, opens; Escape closes it.
    void Barrier() const {
        TrayMouse(kMainIconId, WM_RBUTTONUP);
        ChooseByKeys(OpenMenu(), {VK_ESCAPE});
    }

    // The program's top-level windows, for a step that did not complete.
    void ListWindows() const {
        for (HWND w : TopLevelWindows(pid_, [](HWND) { return true; })) {
            std::string line = std::string(::IsWindowVisible(w) ? "  visible" : "  hidden") +
                               " window: class " + Narrow(ClassOf(w)) + ", \"" + Narrow(TextOf(w)) + "\"";
            if (const HWND text = ::GetDlgItem(w, 0xFFFF)) line += ": " + Narrow(TextOf(text));
            std::printf("%s\n", line.c_str());
        }
    }

private:
    UniqueKernelHandle process_;
    DWORD pid_ = 0;
};

} // namespace lodestar::bench
