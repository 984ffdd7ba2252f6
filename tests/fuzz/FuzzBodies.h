// What each fuzz target checks, shared with the native regression test that replays saved inputs.
#pragma once

#include "CommandLine.h"
#include "Errors.h"
#include "ItemStream.h"
#include "LegacyText.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace lodestar::fuzz {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

// Whatever a stream holds, one write and read brings the item to a fixed point: writing it again gives
// the same bytes, and reading those gives the same item.
inline void CheckStable(const TItemData& item) {
    if (!IsValidItem(item)) {
        Check(item.Children.empty());
        return;
    }
    Bytes once;
    WriteItemStream(item, std::string(), once);
    const TItemData settled = ReadItem(once);
    Bytes twice;
    WriteItemStream(settled, std::string(), twice);
    Check(ReadItem(twice) == settled);
    Check(settled.Children.size() == item.Children.size());
    for (const TChildIcon& child : settled.Children) Check(IsValidItem(child) && child.WndSize < 3);
}

inline void ItemStream(std::span<const std::uint8_t> data) {
    try {
        CheckStable(ReadItem(data));
    } catch (const EReadError&) {
        // A parent block longer than the data: the documented error.
    }
}

inline void ItemList(std::span<const std::uint8_t> data) {
    try {
        for (const TItemData& item : DecodeItemList(data)) CheckStable(item);
    } catch (const EReadError&) {
    }
    try {
        for (const TChildIcon& child : DecodeChain(data)) Check(IsValidItem(child));
    } catch (const EReadError&) {
    }
}

inline void SplitCmdLine(std::span<const std::uint8_t> data) {
    const std::string line(data.begin(), data.end());
    const TCmd cmd = SplitCommandLine(line);
    Check(LegacyLength(cmd.Path) <= 256 && LegacyLength(cmd.Params) <= 257);
    // A program joined back and split again stays the same, as the editors rely on.
    if (cmd.Path.find('"') == std::string::npos && cmd.Params.empty() && !cmd.Path.empty() &&
        TrimBlanks(cmd.Path) == cmd.Path && LegacyLength(cmd.Path) < 250) {
        Check(SplitCommandLine(JoinCommandLine(cmd)).Path == cmd.Path);
    }
    std::string location = line;
    SplitIconLocation(location);
    Check(location.size() <= line.size());
}

} // namespace lodestar::fuzz
