// A launcher item of the shown group: a tray icon that holds the item's data.
#pragma once

#include "ItemData.h"
#include "SysCtrls.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <string>

namespace lodestar {

class THookHotKey;

// Items are named "IconItem" followed by their number; at most this many are shown at once.
constexpr int kMaxItemNumber = 200;
std::string IconItemName(int number);

class TIconItem : public TIconTray {
public:
    // `hotKeys` is the main window's hotkey component, under which the item registers its hotkey with
    // its number (Tag) as id; may be null where no hotkeys are wanted.
    TIconItem(TComponent* owner, THookHotKey* hotKeys);
    ~TIconItem() override;

    std::string Cmd;
    std::string DefDir;
    std::uint8_t WndSize = 0;
    std::string CustomIcon;
    IdList IDList;
    TChildIconList Children;
    bool BringForward = false;

    std::uint16_t HotKey() const { return hotKey_; }
    void SetHotKey(std::uint16_t value);
    // Whether the system refused the item's hotkey (another program holds it, or another item did first).
    bool HotKeyRefused() const { return hotKeyRefused_; }
    // Asks the system once more for a refused hotkey; whether the item has it now.
    bool RetryHotKey();
    // Registers the hotkey again under the item's number, for when the system may have dropped it (resume
    // from sleep, an unlocked session). A combination another program took meanwhile stays refused.
    void RenewHotKey();

    // Takes the icon as the item's icon, gray when the program shows gray icons, with the running mark
    // while the item's program runs.
    void NewIconByHandle(UniqueIcon icon);

    // The program the item's command starts (ItemProgram), worked out once per command; empty when it
    // starts none.
    const std::string& Program();
    // Whether the icon carries the running mark. A change redraws the icon from its unmarked picture.
    bool Running() const { return running_; }
    void SetRunning(bool running);

    // The item's name is kept whole; the tray tip shows its first 63 bytes.
    TItemData GetData() const;
    void SetData(const TItemData& data);

protected:
    // A released item gives its hotkey back at once: its number may go to a new item.
    void Detach() override;

private:
    THookHotKey* hotKeys_;
    std::uint16_t hotKey_ = 0;
    bool hotKeyRefused_ = false;
    bool running_ = false;
    // The icon without the mark, kept only while the mark is shown.
    UniqueIcon unmarked_;
    std::string program_;
    // The command and ID list `program_` was worked out for.
    std::optional<std::pair<std::string, IdList>> programOf_;
};

// The smallest number n >= 1 for which the owner has no component "IconItem<n>".
int NextItemNumber(const TComponent& owner);

} // namespace lodestar
