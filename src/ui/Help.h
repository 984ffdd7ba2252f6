// Help: topics of the program's help file by context number, shown as a popup beside a control or as an
// ordinary topic in the help viewer. The help file lies beside the program and is named like it. A Windows
// help file (".HLP") is used where one exists and the system still carries WinHelp; otherwise the HTML
// help file (".chm") is shown by the system's HTML help control, loaded at run time: its context map
// leads from a number to the topic's page, and its popup texts ("cshelp.txt") give the popups. Without a
// help file, nothing shows and nothing is raised.
//
// Everything goes through one seam: a test may replace the two requests (which topic would be shown) or
// only the calls into the system (with which arguments it would be shown).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lodestar {

struct THelpSeam {
    // The topic of `context` as a popup window over `owner` (the context-popup command).
    std::function<void(HWND owner, int context)> ContextPopup;
    // The topic of `context` in the help viewer.
    std::function<void(HWND owner, int context)> Topic;
    // HtmlHelpW of the HTML help control; returns the viewer's window, null when it showed nothing.
    std::function<HWND(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data)> HtmlHelpCall;
    // WinHelpW, where the system has it (HasWinHelp).
    std::function<BOOL(HWND owner, const std::wstring& file, UINT command, ULONG_PTR data)> WinHelpCall;
    // Whether the system carries WinHelp at all.
    std::function<bool()> HasWinHelp;
};

THelpSeam& HelpSeam();
// Puts the real implementations back.
void ResetHelpSeam();

void ShowHelpPopup(HWND owner, int context);
void ShowHelpTopic(HWND owner, int context);
// Closes every help window the program opened; at the program's end.
void CloseHelp();

// The Windows help file: the program file's path with the extension ".HLP".
std::string HelpFilePath();
// The HTML help file: the program file's path with the extension ".chm".
std::string HtmlHelpFilePath();
// The popup texts inside the HTML help file.
inline constexpr wchar_t kHelpPopupTexts[] = L"::/cshelp.txt";

} // namespace lodestar
