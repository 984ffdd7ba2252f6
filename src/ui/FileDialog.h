// The system's dialog for choosing a file to open. Texts in and out are UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lodestar {

// One row of the file-type list: what the user reads, and the patterns it stands for, separated by ";"
// ("*.ico;*.exe").
struct TFileFilter {
    std::string Description;
    std::string Patterns;
};

enum TOpenOption : unsigned {
    ofHideReadOnly = 0x1,        // no "read only" check box
    ofPathMustExist = 0x2,       // a typed folder must exist
    ofFileMustExist = 0x4,       // a typed file must exist
    ofShareAware = 0x8,          // a file another program holds open may be chosen all the same
    ofNoDereferenceLinks = 0x10, // a shortcut is chosen as the shortcut file, not as its target
};

class TOpenDialog {
public:
    std::vector<TFileFilter> Filter;
    // The row shown first, counted from 1; the row the user chose after Execute.
    int FilterIndex = 1;
    // The folder the dialog starts in; a shell parsing name such as the My Computer folder's
    // "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}" works where the system supports it. Empty: the system's
    // choice.
    std::string InitialDir;
    // The file proposed at the start; the file chosen after a confirmed Execute.
    std::string FileName;
    // The dialog's caption; empty for the system's.
    std::string Title;
    unsigned Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist;

    // Shows the dialog modally. True when the user chose a file (FileName and FilterIndex then hold the
    // choice); false when they cancelled. The process's current folder stays as it was. Throws
    // EProgramError when the dialog cannot be shown.
    bool Execute(HWND owner);
};

} // namespace lodestar
