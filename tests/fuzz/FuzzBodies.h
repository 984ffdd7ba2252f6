// What each fuzz target checks, shared with the native regression test that replays saved inputs.
#pragma once

#include "Cida.h"
#include "CidaBlock.h"
#include "CommandLine.h"
#include "Errors.h"
#include "IniText.h"
#include "ItemStream.h"
#include "LegacyText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

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
    for (const TChildIcon& child : settled.Children)
        Check(IsValidItem(child) && child.WndSize < 3);
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
        for (const TItemData& item : DecodeItemList(data))
            CheckStable(item);
    } catch (const EReadError&) {
    }
    try {
        for (const TChildIcon& child : DecodeChain(data))
            Check(IsValidItem(child));
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

// Every text the INI reader hands out is well-formed UTF-8.
inline bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80                    ? 1
                              : lead >= 0xC2 && lead <= 0xDF ? 2
                              : lead >= 0xE0 && lead <= 0xEF ? 3
                              : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                             : 0;
        if (n == 0 || text.size() - i < n) return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        // Overlong forms, surrogates and code points beyond U+10FFFF show in the second byte.
        const auto second = n > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        i += n;
    }
    return true;
}

// Whatever the file holds, the items are startable, their fields in range, each name is taken once, and
// writing the items back as an INI file (every value quoted, so that it survives as it is) reads back
// the same items.
inline void IniText(std::span<const std::uint8_t> data) {
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    const TIniText ini = TIniText::FromFileBytes(bytes);
    std::vector<TItemData> items;
    ReadIniItems(ini, items);
    const std::vector<TIniEntry> entries = ReadIniEntries(ini);
    Check(items.size() == entries.size());

    std::unordered_set<std::string> names;
    std::string rewritten = "[Entries]\r\n";
    std::string sections[5] = {"[Tips]\r\n", "[DefDir]\r\n", "[CustomIcon]\r\n", "[WindowSize]\r\n",
                               "[HotKey]\r\n"};
    std::vector<TItemData> expected;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TItemData& item = items[i];
        const std::string& name = entries[i].Name;
        Check(IsValidItem(item) && item.Cmd == entries[i].Cmd && item.WndSize < 3);
        Check(!item.IDList.Present() && item.Children.empty());
        Check(!name.empty() && name.front() != ';' && name.find('=') == std::string::npos);
        Check(names.insert(FoldIniName(name)).second);
        Check(ini.ReadString("Entries", name) == item.Cmd);
        for (const std::string* text : {&name, &item.Cmd, &item.Tip, &item.DefDir, &item.CustomIcon}) {
            Check(IsUtf8(*text) && text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        }
        // A name that opens with "[" and holds a "]" would read as a section header.
        if (name.front() == '[' && name.find(']') != std::string::npos) continue;
        rewritten += name + "=\"" + item.Cmd + "\"\r\n";
        sections[0] += name + "=\"" + item.Tip + "\"\r\n";
        sections[1] += name + "='" + item.DefDir + "'\r\n";
        sections[2] += name + "=\"" + item.CustomIcon + "\"\r\n";
        sections[3] += name + "=" + std::to_string(item.WndSize) + "\r\n";
        sections[4] += name + "=" + std::to_string(item.HotKey) + "\r\n";
        expected.push_back(item);
    }
    for (const std::string& section : sections)
        rewritten += section;
    std::vector<TItemData> reread;
    ReadIniItems(TIniText::Parse(rewritten), reread);
    Check(reread == expected);

    const TIniOptions options = ReadIniOptions(ini);
    const int position = IntervalTrackPosition(options.Interval);
    Check(position >= 3 && position <= 12 && IsUtf8(options.DefIconPath) && IsUtf8(ReadIniGroupName(ini)));
}

// An independent judge of a "Shell IDList Array" block, in 64-bit arithmetic throughout, so that a wrapped
// sum in the reader's own bounds checks shows as a disagreement.
inline bool CidaAcceptable(std::span<const std::uint8_t> data) {
    const auto u32 = [&](std::uint64_t at) {
        return static_cast<std::uint64_t>(data[at]) | static_cast<std::uint64_t>(data[at + 1]) << 8 |
               static_cast<std::uint64_t>(data[at + 2]) << 16 |
               static_cast<std::uint64_t>(data[at + 3]) << 24;
    };
    const std::uint64_t size = data.size();
    if (size < 4) return false;
    const std::uint64_t count = u32(0);
    if (4 + 4 * (count + 1) > size) return false;
    std::uint64_t total = 0;
    for (std::uint64_t k = 0; k <= count; ++k) {
        const std::uint64_t offset = u32(4 + 4 * k);
        std::uint64_t pos = offset;
        for (;;) {
            if (pos + 2 > size) return false;
            const std::uint64_t cb = data[pos] | data[pos + 1] << 8;
            if (cb == 0) break;
            if (cb < 2) return false;
            pos += cb;
        }
        total += pos + 2 - offset;
    }
    return total <= kMaxCidaListBytes;
}

// A block is read whole or not at all; each list read is the well-formed list found at its offset, and
// joining it to the parent gives a well-formed absolute list.
inline void Cida(std::span<const std::uint8_t> data) {
    const std::vector<IdList> lists = ReadCida(data);
    Check(lists.empty() != CidaAcceptable(data));
    if (lists.empty()) return;
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16) |
               static_cast<std::uint32_t>(data[at + 3]) << 24;
    };
    Check(lists.size() == static_cast<std::size_t>(u32(0)) + 1);
    for (std::size_t k = 0; k < lists.size(); ++k) {
        const std::span<const std::uint8_t> bytes = lists[k].Bytes();
        Check(IdList::FromBytes(bytes).has_value() && IdList::WalkedSize(bytes.data()) == bytes.size());
        const std::size_t offset = u32(4 + 4 * k);
        Check(data.size() - offset >= bytes.size() &&
              std::equal(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset)));
        if (k == 0) continue;
        const IdList joined = JoinIdLists(lists[0], lists[k]);
        Check(joined.Size() == lists[0].Size() - 2 + bytes.size());
        Check(IdList::FromBytes(joined.Bytes()).has_value());
    }
    Check(ReadCida(test::BuildCida(lists)) == lists);
}

} // namespace lodestar::fuzz
