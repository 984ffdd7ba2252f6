#include "Application.h"

#include "Errors.h"
#include "Seams.h"
#include "WinText.h"

namespace lodestar {

namespace {

class TApplicationWindow final : public TMessageWindow {
public:
    TApplicationWindow() { CreateHidden(L"LodestarApplication", Application::kTitle); }
};

TApplicationWindow& Window() {
    static TApplicationWindow window;
    return window;
}

} // namespace

HWND Application::Handle() {
    return Window().Handle();
}

const std::string& Application::Title() {
    static const std::string title = kTitle;
    return title;
}

std::string Application::ExeName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

void Application::HandleException(std::exception_ptr error) noexcept {
    try {
        std::string message;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            message = e.what();
        } catch (...) {
            message = "不明なエラーが発生しました。";
        }
        Seams().MessageBox(Handle(), message, Title(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Showing the error failed too; there is nobody left to tell.
    }
}

void Application::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int Application::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        try {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } catch (...) {
            HandleException(std::current_exception());
        }
    }
    return static_cast<int>(msg.wParam);
}

} // namespace lodestar
