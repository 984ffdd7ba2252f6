// Help: topics of the program's help file, named like the program with the extension ".HLP", shown by
// context number, as a popup beside a control or as an ordinary topic. Both go through one seam that a
// test may replace to see which topic would be shown. While the help file is missing, both show nothing
// and raise nothing.
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
};

THelpSeam& HelpSeam();
// Puts the real implementations back.
void ResetHelpSeam();

void ShowHelpPopup(HWND owner, int context);
void ShowHelpTopic(HWND owner, int context);

// The help file: the program file's path with the extension ".HLP".
std::string HelpFilePath();

} // namespace lodestar
