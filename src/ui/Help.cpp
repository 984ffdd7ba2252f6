#include "Help.h"

#include "Application.h"
#include "WinText.h"

namespace lodestar {

namespace {

// WinHelp is looked up at run time: systems after its time no longer carry it.
void CallWinHelp(HWND owner, UINT command, int context) {
    const std::wstring file = Widen(HelpFilePath());
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    using TWinHelp = BOOL(WINAPI*)(HWND, LPCWSTR, UINT, ULONG_PTR);
    const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    const auto winHelp =
        user ? reinterpret_cast<TWinHelp>(reinterpret_cast<void*>(::GetProcAddress(user, "WinHelpW")))
             : nullptr;
    if (winHelp) winHelp(owner, file.c_str(), command, static_cast<ULONG_PTR>(context));
}

THelpSeam RealHelpSeam() {
    THelpSeam seam;
    seam.ContextPopup = [](HWND owner, int context) { CallWinHelp(owner, HELP_CONTEXTPOPUP, context); };
    seam.Topic = [](HWND owner, int context) { CallWinHelp(owner, HELP_CONTEXT, context); };
    return seam;
}

} // namespace

THelpSeam& HelpSeam() {
    static THelpSeam seam = RealHelpSeam();
    return seam;
}

void ResetHelpSeam() {
    HelpSeam() = RealHelpSeam();
}

void ShowHelpPopup(HWND owner, int context) {
    if (context && HelpSeam().ContextPopup) HelpSeam().ContextPopup(owner, context);
}

void ShowHelpTopic(HWND owner, int context) {
    if (context && HelpSeam().Topic) HelpSeam().Topic(owner, context);
}

std::string HelpFilePath() {
    std::wstring path = Widen(Application::ExeName());
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
    return Narrow(path + L".HLP");
}

} // namespace lodestar
