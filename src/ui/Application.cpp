#include "Application.h"

#include "Errors.h"
#include "Seams.h"

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
