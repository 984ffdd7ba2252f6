// What stands against a hotkey the user has just chosen for an item: another item of the same group that
// has it already, or another program that holds the combination, so that the system refuses it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lodestar {

// An item's name and its hotkey (a shortcut word; 0 for none).
struct THotKeyHolder {
    std::string Name;
    std::uint16_t HotKey = 0;
};

enum class THotKeyConflictKind { hcNone, hcItem, hcProgram };

struct THotKeyConflict {
    THotKeyConflictKind Kind = THotKeyConflictKind::hcNone;
    std::string ItemName; // the item of the group that has the combination (hcItem)
};

// The conflict of `hotKey`, chosen for an item that had `before`: none for no hotkey or an unchanged one;
// the first of `group` (the items the chosen one would be registered with) that has it; otherwise
// another program when `heldElsewhere` says the system would refuse it.
THotKeyConflict FindHotKeyConflict(std::uint16_t hotKey, std::uint16_t before,
                                   const std::vector<THotKeyHolder>& group,
                                   const std::function<bool(std::uint16_t)>& heldElsewhere);

// The question that names the combination (`keyText`, as "Ctrl+Alt+N") and what holds it; empty for none.
std::string HotKeyConflictQuestion(const THotKeyConflict& conflict, const std::string& keyText);

// The main menu's entry that lists the items whose hotkeys the system refused, with their number.
std::string RefusedHotKeysCaption(std::size_t count);
// One item of that list: its name and its combination.
std::string RefusedHotKeyEntry(const std::string& itemName, const std::string& keyText);

} // namespace lodestar
