#include "Help.h"

#include "Application.h"
#include "WinText.h"

#include <htmlhelp.h>

namespace lodestar {

namespace {

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The program file's path with another extension.
std::wstring ProgramPathWith(const wchar_t* extension) {
    std::wstring path = Widen(Application::ExeName());
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
    return path + extension;
}

using TWinHelp = BOOL(WINAPI*)(HWND, LPCWSTR, UINT, ULONG_PTR);
using THtmlHelp = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// WinHelp is looked up at run time: systems after its time no longer carry it.
TWinHelp WinHelpEntry() {
    const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<TWinHelp>(reinterpret_cast<void*>(::GetProcAddress(user, "WinHelpW")))
                : nullptr;
}

// The HTML help control, from the system folder only (never a copy beside the program). It stays loaded
// while the program runs: its windows live in this process.
THtmlHelp HtmlHelpEntry(bool load) {
    static HMODULE library = nullptr;
    static THtmlHelp entry = nullptr;
    if (!library && load) {
        wchar_t system[MAX_PATH]{};
        const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return nullptr;
        library = ::LoadLibraryW((std::wstring(system) + L"\\hhctrl.ocx").c_str());
        if (library)
            entry =
                reinterpret_cast<THtmlHelp>(reinterpret_cast<void*>(::GetProcAddress(library, "HtmlHelpW")));
    }
    return entry;
}

bool UseWinHelp() {
    return HelpSeam().HasWinHelp && HelpSeam().HasWinHelp() && HelpSeam().WinHelpCall &&
           FileExists(Widen(HelpFilePath()));
}

// Where a popup appears: at the mouse pointer, as it always did, unless the pointer is outside the window
// the user asked from (F1 from the keyboard): then below the middle of the control with the focus.
POINT PopupPoint(HWND owner) {
    POINT point{};
    ::GetCursorPos(&point);
    RECT frame{};
    if (owner && ::GetWindowRect(owner, &frame) && ::PtInRect(&frame, point)) return point;
    const HWND focus = ::GetFocus();
    RECT control{};
    if (focus && ::GetWindowRect(focus, &control))
        return {(control.left + control.right) / 2, control.bottom};
    return point;
}

void RealContextPopup(HWND owner, int context) {
    if (UseWinHelp()) {
        HelpSeam().WinHelpCall(owner, Widen(HelpFilePath()), HELP_CONTEXTPOPUP,
                               static_cast<ULONG_PTR>(context));
        return;
    }
    const std::wstring file = Widen(HtmlHelpFilePath());
    if (!FileExists(file) || !HelpSeam().HtmlHelpCall) return;
    HH_POPUP popup{};
    popup.cbStruct = sizeof popup;
    popup.idString = static_cast<UINT>(context);
    popup.pt = PopupPoint(owner);
    popup.clrForeground = popup.clrBackground = static_cast<COLORREF>(-1); // the viewer's colours
    popup.rcMargins = {-1, -1, -1, -1};
    // A viewer that cannot show text popups (older or partial implementations) shows the topic's page.
    if (!HelpSeam().HtmlHelpCall(owner, file + kHelpPopupTexts, HH_DISPLAY_TEXT_POPUP,
                                 reinterpret_cast<DWORD_PTR>(&popup)))
        HelpSeam().HtmlHelpCall(owner, file, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(context));
}

void RealTopic(HWND owner, int context) {
    if (UseWinHelp()) {
        HelpSeam().WinHelpCall(owner, Widen(HelpFilePath()), HELP_CONTEXT, static_cast<ULONG_PTR>(context));
        return;
    }
    const std::wstring file = Widen(HtmlHelpFilePath());
    if (!FileExists(file) || !HelpSeam().HtmlHelpCall) return;
    // A help file without this number (an older one beside a newer program) still opens, at its start.
    if (!HelpSeam().HtmlHelpCall(owner, file, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(context)))
        HelpSeam().HtmlHelpCall(owner, file, HH_DISPLAY_TOPIC, 0);
}

THelpSeam RealHelpSeam() {
    THelpSeam seam;
    seam.ContextPopup = RealContextPopup;
    seam.Topic = RealTopic;
    seam.HtmlHelpCall = [](HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) -> HWND {
        const THtmlHelp entry = HtmlHelpEntry(true);
        return entry ? entry(owner, file.c_str(), command, data) : nullptr;
    };
    seam.WinHelpCall = [](HWND owner, const std::wstring& file, UINT command, ULONG_PTR data) -> BOOL {
        const TWinHelp entry = WinHelpEntry();
        return entry ? entry(owner, file.c_str(), command, data) : FALSE;
    };
    seam.HasWinHelp = [] { return WinHelpEntry() != nullptr; };
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

void CloseHelp() {
    // Only a control that was loaded has windows to close.
    if (const THtmlHelp entry = HtmlHelpEntry(false)) entry(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

std::string HelpFilePath() {
    return Narrow(ProgramPathWith(L".HLP"));
}

std::string HtmlHelpFilePath() {
    return Narrow(ProgramPathWith(L".chm"));
}

} // namespace lodestar
