// The program's stored state as a whole: settings, window values and the ten groups, read and written
// through TLsReg by the rules every part of the program shares.
#pragma once

#include "ItemData.h"
#include "LsReg.h"
#include "Settings.h"

#include <array>
#include <string>
#include <vector>

namespace lodestar {

// Settings are read once at start; values of the wrong type read as their defaults, and the
// corrections for out-of-range values are applied.
TSettings ReadSettings();
void WriteSettings(const TSettings& settings);
TWindowSettings ReadWindowSettings();
// Writes the values that are set; the others are left as stored.
void WriteWindowSettings(const TWindowSettings& window);
// The group shown, as written at exit.
void WriteIconGroup(int group);

struct TGroup {
    std::string Name; // as stored: empty means the group is shown by its number
    std::vector<TItemData> Items;
    friend bool operator==(const TGroup&, const TGroup&) = default;
};
using TGroups = std::array<TGroup, kGroupCount>;

std::string ReadGroupName(int group);
// Every record of the group in stored order, valid or not (the receivers decide what to show).
std::vector<TItemData> ReadGroupItems(int group);
TGroup ReadGroup(int group);
TGroups ReadAllGroups();

// Rewrites the shown group: its key is deleted and created again with its stored name, and the valid
// items are written as i001 upward without gaps.
void SaveShownGroup(int group, const std::vector<TItemData>& items);
// Rewrites every group but the shown one from the given names and items; of the shown group only the
// name is written (its items are the main window's). A name equal to its group's number is stored empty.
void SaveOtherGroups(int shownGroup, const TGroups& groups);

// Deletes the program's tree, then the vendor key when no other program's key is left in it.
void ResetStore();

} // namespace lodestar
