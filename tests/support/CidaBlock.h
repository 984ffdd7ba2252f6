// Lays out a "Shell IDList Array" block the way the shell does: the count, the offsets, then the lists one
// after another. The lists are taken as given, so tests can place malformed ones too.
#pragma once

#include "ItemData.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace lodestar::test {

inline void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// `lists` holds the parent's list first, then one list per object.
inline std::vector<std::uint8_t> BuildCida(const std::vector<std::vector<std::uint8_t>>& lists) {
    if (lists.empty()) return {};
    std::vector<std::uint8_t> block(4 + 4 * lists.size());
    PutU32(block, 0, static_cast<std::uint32_t>(lists.size() - 1));
    for (std::size_t k = 0; k < lists.size(); ++k) {
        PutU32(block, 4 + 4 * k, static_cast<std::uint32_t>(block.size()));
        block.insert(block.end(), lists[k].begin(), lists[k].end());
    }
    return block;
}

inline std::vector<std::uint8_t> BuildCida(const std::vector<IdList>& lists) {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const IdList& list : lists)
        bytes.emplace_back(list.Bytes().begin(), list.Bytes().end());
    return BuildCida(bytes);
}

// An absolute list split into its parent folder's list and the last item (as its own list).
inline std::pair<IdList, IdList> SplitLast(const IdList& absolute) {
    const auto bytes = absolute.Bytes();
    std::size_t last = 0;
    for (std::size_t pos = 0; bytes[pos] | bytes[pos + 1] << 8;) {
        last = pos;
        pos += bytes[pos] | bytes[pos + 1] << 8;
    }
    std::vector<std::uint8_t> parent(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(last));
    parent.insert(parent.end(), {0, 0});
    return {*IdList::FromBytes(parent), *IdList::FromBytes(bytes.subspan(last))};
}

} // namespace lodestar::test
