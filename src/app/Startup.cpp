#include "Startup.h"

#include "Application.h"
#include "CommandLine.h"
#include "Controls.h"
#include "Handles.h"
#include "Help.h"
#include "Seams.h"
#include "Store.h"
#include "lsMain.h"

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace lodestar {

namespace {

int ResetMode() {
    const int answer = Seams().MessageBox(nullptr, "Lodestarの動作設定を全て初期化しますか？",
                                          kStartupCaption, MB_OKCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND);
    if (answer != IDOK) return 0;
    try {
        ResetStore();
    } catch (...) {
        // Registry failures are not reported in reset mode.
    }
    Seams().MessageBox(nullptr, "レジストリに保存された値を消去しました。", kStartupCaption,
                       MB_ICONINFORMATION | MB_SETFOREGROUND);
    return 0;
}

} // namespace

int RunLodestar(const std::vector<std::string>& args) {
    const std::string first = args.empty() ? std::string() : args.front();
    if (UpperAscii(first) == "/I") return ResetMode();

    UniqueKernelHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    if (!mutex) {
        Seams().MessageBox(nullptr, "Mutexを作成できません。", "", MB_ICONERROR);
        return 1;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        Seams().Beep(0);
        // By class as well as title: any other program's window may be titled "Lodestar" (an Explorer
        // window on a folder of that name), and bringing that one forward would be wrong.
        if (const HWND first = ::FindWindowW(L"LodestarApplication", L"Lodestar"))
            ::SetForegroundWindow(first);
        return 0;
    }

    const HWND app = Application::Handle();
    ::SetWindowLongPtrW(app, GWL_EXSTYLE, ::GetWindowLongPtrW(app, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    const OleApartment ole;
    InitControlClasses();
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>(first);
    } catch (...) {
        Application::HandleException(std::current_exception());
    }
    const int code = form ? Application::Run() : 0;
    // Help windows belong to this process: they close with it, before the control that drew them goes.
    CloseHelp();
    return code;
}

} // namespace lodestar
