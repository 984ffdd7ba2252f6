#include "FileDialog.h"

#include "Errors.h"
#include "WinText.h"

#include <commdlg.h>

#include <cstdio>

namespace lodestar {

namespace {
// Room for the chosen path: the longest path the file system takes.
constexpr std::size_t kFileBufferLength = 32768;

std::wstring FilterText(const std::vector<TFileFilter>& filter) {
    // Pairs of texts each ended by a NUL, and one more NUL after the last pair.
    std::wstring text;
    for (const TFileFilter& row : filter) {
        text += Widen(row.Description);
        text += L'\0';
        text += Widen(row.Patterns);
        text += L'\0';
    }
    text += L'\0';
    return text;
}
} // namespace

bool TOpenDialog::Execute(HWND owner) {
    const std::wstring filter = FilterText(Filter);
    const std::wstring initialDir = Widen(InitialDir);
    const std::wstring title = Widen(Title);
    std::wstring file = Widen(FileName);
    file.resize(kFileBufferLength, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex > 0 ? FilterIndex : 1);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // The current folder decides where programs named without a path are searched first; choosing a file
    // must not change it.
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (Options & ofHideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (Options & ofPathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
    if (Options & ofFileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (Options & ofShareAware) ofn.Flags |= OFN_SHAREAWARE;
    if (Options & ofNoDereferenceLinks) ofn.Flags |= OFN_NODEREFERENCELINKS;

    if (!::GetOpenFileNameW(&ofn)) {
        const DWORD error = ::CommDlgExtendedError();
        if (error == 0) return false;
        char code[16];
        std::snprintf(code, sizeof code, "0x%04lX", static_cast<unsigned long>(error));
        throw EProgramError(std::string("ファイルを開くダイアログを表示できませんでした (エラー ") + code +
                            ")。");
    }
    file.resize(file.find(L'\0'));
    FileName = Narrow(file);
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

} // namespace lodestar
