// The item record's Windows side: its default name, which looks at the file system and the shell, and
// the writers that store a Tip equal to that name as empty.
#pragma once

#include "ItemStream.h"

#include <string>

namespace lodestar {

// The name shown for an item whose Tip is empty: the program's file name when the command names an
// existing file, else the whole command; for a shell object, its display name.
std::string DefaultTip(const TItemData& item);

void WriteItemStream(const TItemData& item, Bytes& out);
Bytes ItemToBytes(const TItemData& item);

} // namespace lodestar
