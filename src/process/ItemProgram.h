// Which program an item starts, for the features that look for that program among the running ones.
#pragma once

#include "ItemData.h"

#include <string>

namespace lodestar {

// The program the item's command starts, as a full long path: the command's program part with the
// environment expanded, looked up on the search path where the starter would look it up, a shortcut
// followed to its target. Empty when the command starts no program of its own: an item of a shell object,
// a document, a folder, a web address, or a file that is not there.
std::string ItemProgram(const TItemData& item);

} // namespace lodestar
