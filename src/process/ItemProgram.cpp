#include "ItemProgram.h"

#include "CommandLine.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>

namespace lodestar {

namespace {

bool IsProgramFile(const std::string& path) {
    const std::string ext = UpperAscii(ExtractFileExt(path));
    return (ext == ".EXE" || ext == ".COM") && FileExists(path);
}

std::string FullLongPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (written == 0 || written >= size) return {};
    full.resize(written);
    return LongPathName(Narrow(full));
}

} // namespace

std::string ItemProgram(const TItemData& item) {
    // The starter opens the ID list when there is one.
    if (item.IDList.Present()) return {};
    std::string path = ExpandEnvironment(SplitCommandLine(TrimBlanks(item.Cmd)).Path);
    if (path.empty()) return {};
    if (NeedsSearch(path)) path = SearchProgram(path);
    if (UpperAscii(ExtractFileExt(path)) == ".LNK" && FileExists(path)) {
        const TLinkInfo link = ReadLinkInfo(path, false);
        path = ExpandEnvironment(link.Target);
    }
    if (!IsProgramFile(path)) return {};
    return FullLongPath(path);
}

} // namespace lodestar
