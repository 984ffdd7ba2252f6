// The "Shell IDList Array" block that the shell offers when objects are dragged or copied: a 32-bit count
// n, then n + 1 32-bit offsets from the start of the block; offset 0 locates the parent folder's ID list,
// offsets 1 to n the ID lists of the objects relative to it. All numbers are little-endian.
//
// The block comes from another program and may claim anything, so reading it is all or nothing: when the
// offsets do not fit in the block, or any list does not walk to its terminator inside the block, the
// whole block is refused and nothing of it is used. Taking the readable lists alone would pair the wrong
// parent with the wrong objects.
#pragma once

#include "ItemData.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lodestar {

// No block yields more than this many bytes of ID lists: offsets may all point at the same large list,
// and a block of a few megabytes must not make the program copy gigabytes.
constexpr std::size_t kMaxCidaListBytes = 64u << 20;

// The parent's list followed by the n objects' lists, each copied whole with its terminator, in the order
// of the offsets. Empty when the block is refused (shorter than its header, a count whose offsets do not
// fit, an offset outside the block, an item size below 2, a list that runs past the block, or more than
// kMaxCidaListBytes in all). A valid block with n = 0 yields the parent alone.
std::vector<IdList> ReadCida(std::span<const std::uint8_t> block);

// The absolute list of an object: the parent's items (without its terminator) followed by the child's
// list. A parent that is only the terminator (the desktop) or absent adds nothing.
IdList JoinIdLists(const IdList& parent, const IdList& child);

} // namespace lodestar
