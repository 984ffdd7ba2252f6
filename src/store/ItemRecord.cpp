#include "ItemRecord.h"

#include "CommandLine.h"
#include "ShellHelpers.h"
#include "WinText.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace lodestar {

std::string DefaultTip(const TItemData& item) {
    if (!item.Cmd.empty()) {
        const TCmd cmd = SplitCommandLine(item.Cmd);
        return FileExists(cmd.Path) ? ExtractFileName(cmd.Path) : item.Cmd;
    }
    if (item.IDList.Present()) {
        SHFILEINFOW info{};
        const auto pidl = reinterpret_cast<PCIDLIST_ABSOLUTE>(item.IDList.Data());
        if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_DISPLAYNAME))
            return Narrow(info.szDisplayName);
    }
    return {};
}

void WriteItemStream(const TItemData& item, Bytes& out) {
    // An empty Tip is stored empty whatever the default name is, so the file system is asked only
    // when there is a name to compare.
    WriteItemStream(item, item.Tip.empty() ? std::string() : DefaultTip(item), out);
}

Bytes ItemToBytes(const TItemData& item) {
    Bytes out;
    WriteItemStream(item, out);
    return out;
}

} // namespace lodestar
