// Items as the Windows tests write them into a group, and a group's commands as stored.
#pragma once

#include "ItemData.h"
#include "Store.h"

#include <string>
#include <vector>

namespace lodestar::test {

inline TItemData Item(const std::string& cmd, const std::string& tip = "") {
    TItemData item;
    item.Cmd = cmd;
    item.Tip = tip;
    return item;
}

inline std::vector<std::string> StoredCmds(int group) {
    std::vector<std::string> cmds;
    for (const TItemData& item : ReadGroupItems(group))
        cmds.push_back(item.Cmd);
    return cmds;
}

} // namespace lodestar::test
