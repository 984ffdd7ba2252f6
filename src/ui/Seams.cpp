#include "Seams.h"

#include "WinText.h"

namespace lodestar {

namespace {
TSeams RealSeams() {
    TSeams seams;
    seams.MessageBox = [](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
        // An empty caption stands for the system's own ("エラー").
        const std::wstring title = Widen(caption);
        return ::MessageBoxW(owner, Widen(text).c_str(), caption.empty() ? nullptr : title.c_str(), flags);
    };
    seams.Beep = [](UINT type) { ::MessageBeep(type); };
    seams.KeyDown = [](int virtualKey) { return (::GetKeyState(virtualKey) & 0x8000) != 0; };
    seams.AsyncKeyDown = [](int virtualKey) { return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0; };
    seams.NotifyIcon = [](DWORD message, NOTIFYICONDATAW* data) {
        return ::Shell_NotifyIconW(message, data);
    };
    return seams;
}
} // namespace

TSeams& Seams() {
    static TSeams seams = RealSeams();
    return seams;
}

void ResetSeams() {
    Seams() = RealSeams();
}

} // namespace lodestar
