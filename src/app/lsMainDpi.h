// The icons of the notification area at its display scale: the size new icons are made at, and
// re-making every icon when the scale changes.
#pragma once

#include "Handles.h"
#include "ItemData.h"

namespace lodestar {

class TForm1;

// The side of the icons the tray shows now; icons made from here on are made at it.
int TrayIconSizeForNewIcons();

// An item's icon for the tray: `given` when it has the tray's size, else the item's icon made at it.
UniqueIcon TrayItemIcon(const TItemData& record, UniqueIcon given);

// The display scale, the screen or the taskbar may have changed: when the tray's icon size is another
// than the icons were made at, the main icon and every item's icon are made again at the new size. True
// when they were.
bool RefreshTrayIconsForScale(TForm1& form);

} // namespace lodestar
