// Starts the notification-area stand-in (helpers/tray_standin.cpp) beside the test executable, reads what
// it logged, and ends it. Also the message pumping that tests with windows of their own need.
#pragma once

#include "Handles.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace lodestar::test {

// The folder of the running executable, with a trailing backslash.
inline std::string ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return Narrow(folder.substr(0, folder.find_last_of(L"\\/") + 1));
}

// A fresh empty folder under the temporary folder.
inline std::string NewTempFolder(const std::string& stem) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int count = 0;
    const std::string folder =
        Narrow(temp) + stem + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++count);
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
    return folder + "\\";
}

// Dispatches this thread's messages until `done` holds or `ms` passed (by default a safety net against a
// hanging test, not a time limit that anything relies on).
inline bool PumpUntil(const std::function<bool()>& done, ULONGLONG ms = 10000) {
    const ULONGLONG giveUp = ::GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount64() > giveUp) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

class TTrayStandIn {
public:
    static constexpr UINT kStall = WM_APP + 1;
    static constexpr UINT kDrop = WM_APP + 2;

    TTrayStandIn() = default;
    TTrayStandIn(const TTrayStandIn&) = delete;
    TTrayStandIn& operator=(const TTrayStandIn&) = delete;
    ~TTrayStandIn() { Stop(); }

    // Starts the stand-in with its window model (plain, win10, win11) and waits until its area is up.
    ::testing::AssertionResult Start(int seconds = 120, const char* model = "plain") {
        const std::string folder = NewTempFolder("standin");
        logPath_ = folder + "log.txt";
        const std::string readyPath = folder + "ready.txt";
        std::wstring command = L"\"" + Widen(ExeFolder() + "tray_standin.exe") + L"\" --log \"" +
                               Widen(logPath_) + L"\" --ready \"" + Widen(readyPath) + L"\" --seconds " +
                               std::to_wstring(seconds) + L" --model " + Widen(model);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &pi))
            return ::testing::AssertionFailure() << "tray_standin.exe did not start: " << ::GetLastError();
        ::CloseHandle(pi.hThread);
        process_.Reset(pi.hProcess);
        std::string ready;
        if (!PumpUntil([&] { return !(ready = ReadAll(readyPath)).empty() || Exited(); }) || ready.empty())
            return ::testing::AssertionFailure() << "the stand-in did not come up";
        std::istringstream handles(ready);
        for (HWND* window : {&area_, &toolbar_, &clock_}) {
            unsigned long long value = 0;
            handles >> value;
            *window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
        }
        return ::testing::AssertionSuccess();
    }

    // Ends the stand-in through its window and waits for the process to go.
    void Stop() {
        if (!process_) return;
        if (::IsWindow(area_)) ::PostMessageW(area_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0)
            ::TerminateProcess(process_.Get(), 1);
        process_.Reset();
        area_ = toolbar_ = clock_ = nullptr;
    }

    HWND Area() const { return area_; }
    // The icons' toolbar and the clock of the Windows 10 and 11 models; null in the plain one.
    HWND Toolbar() const { return toolbar_; }
    HWND Clock() const { return clock_; }
    // The hidden window of the stand-in's thread that is not the area.
    HWND Other() const {
        DWORD pid = 0;
        for (HWND w = ::FindWindowExW(nullptr, nullptr, L"TrayStandInOther", nullptr); w;
             w = ::FindWindowExW(nullptr, w, L"TrayStandInOther", nullptr))
            if (::GetWindowThreadProcessId(w, &pid) && pid == ::GetProcessId(process_.Get())) return w;
        return nullptr;
    }
    bool AcceptsFiles(HWND window) const {
        return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    }
    // Keeps the stand-in's thread busy, so that what is posted meanwhile waits in its queue.
    void Stall(DWORD milliseconds) const { ::PostMessageW(area_, kStall, milliseconds, 0); }
    // Has the stand-in post the window a real drop of two files (DroppedNames(n)).
    void Drop(HWND window, WPARAM n) const { ::PostMessageW(window, kDrop, n, 0); }
    static std::vector<std::string> DroppedNames(int n) {
        const std::string folder = "C:\\dropped\\" + std::to_string(n) + "\\";
        return {folder + "a.txt", folder + "Café😀项.txt"};
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        const std::string text = ReadAll(logPath_);
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) break; // a line still being written
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }
    // Waits until the log holds `count` lines; returns them.
    std::vector<std::string> WaitForLog(std::size_t count) const {
        std::vector<std::string> lines;
        PumpUntil([&] { return (lines = Log()).size() >= count; });
        return lines;
    }

private:
    bool Exited() const { return ::WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }

    static std::string ReadAll(const std::string& path) {
        const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return {};
        std::string text;
        char buffer[4096];
        DWORD n = 0;
        while (::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr) && n)
            text.append(buffer, n);
        return text;
    }

    UniqueKernelHandle process_;
    HWND area_ = nullptr, toolbar_ = nullptr, clock_ = nullptr;
    std::string logPath_;
};

} // namespace lodestar::test
