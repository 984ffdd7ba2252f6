#include "IconItem.h"

#include "AppSettings.h"
#include "Hkhotkey.h"
#include "ItemProgram.h"
#include "lsCommon.h"
#include "lsMainDpi.h"

namespace lodestar {

std::string IconItemName(int number) {
    return "IconItem" + std::to_string(number);
}

TIconItem::TIconItem(TComponent* owner, THookHotKey* hotKeys) : TIconTray(owner), hotKeys_(hotKeys) {}

TIconItem::~TIconItem() {
    SetHotKey(0);
}

void TIconItem::Detach() {
    SetHotKey(0);
    TIconTray::Detach();
}

void TIconItem::SetHotKey(std::uint16_t value) {
    if (value == hotKey_) return;
    // The old combination goes first: the id (the item's number) stays the same.
    if (hotKey_ != 0 && hotKeys_ && !hotKeyRefused_) hotKeys_->RemoveHotKey(Tag);
    hotKey_ = value;
    hotKeyRefused_ = false;
    if (hotKey_ != 0 && hotKeys_) hotKeyRefused_ = !hotKeys_->AddHotKey(Tag, hotKey_);
}

bool TIconItem::RetryHotKey() {
    if (hotKeyRefused_) RenewHotKey();
    return !hotKeyRefused_;
}

void TIconItem::RenewHotKey() {
    if (hotKey_ == 0 || !hotKeys_) return;
    // Registering an id the window still holds would keep the old registration beside the new one.
    hotKeys_->RemoveHotKey(Tag);
    hotKeyRefused_ = !hotKeys_->AddHotKey(Tag, hotKey_);
}

void TIconItem::NewIconByHandle(UniqueIcon icon) {
    if (icon && ProgramSettings().GrayIcons) icon = GrayIcon(icon.Get());
    if (running_ && icon) {
        UniqueIcon marked = MarkRunning(icon.Get());
        unmarked_ = std::move(icon);
        TakeIcon(std::move(marked));
        return;
    }
    unmarked_.Reset();
    TakeIcon(std::move(icon));
}

const std::string& TIconItem::Program() {
    if (!programOf_ || programOf_->first != Cmd || programOf_->second != IDList) {
        TItemData data;
        data.Cmd = Cmd;
        data.IDList = IDList;
        program_ = ItemProgram(data);
        programOf_.emplace(Cmd, IDList);
    }
    return program_;
}

void TIconItem::SetRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    if (running) {
        // An item without an icon is not in the tray; its next icon gets the mark.
        if (!Icon()) return;
        UniqueIcon marked = MarkRunning(Icon());
        unmarked_.Reset(::CopyIcon(Icon()));
        TakeIcon(std::move(marked));
    } else if (unmarked_) {
        TakeIcon(std::move(unmarked_));
    }
}

TItemData TIconItem::GetData() const {
    TItemData data;
    data.Tip = Hint();
    data.Cmd = Cmd;
    data.IDList = IDList;
    data.DefDir = DefDir;
    data.CustomIcon = CustomIcon;
    data.WndSize = WndSize;
    data.HotKey = hotKey_;
    data.Children = Children;
    data.BringForward = BringForward;
    return data;
}

void TIconItem::SetData(const TItemData& data) {
    Cmd = data.Cmd;
    IDList = data.IDList;
    DefDir = data.DefDir;
    WndSize = data.WndSize;
    SetHint(data.Tip);
    SetHotKey(data.HotKey);
    CustomIcon = data.CustomIcon;
    Children = data.Children;
    BringForward = data.BringForward;
    NewIconByHandle(ItemIcon(data.CustomIcon, data.Cmd, data.IDList, TrayIconSizeForNewIcons()));
}

int NextItemNumber(const TComponent& owner) {
    int n = 1;
    while (owner.FindComponent(IconItemName(n)))
        ++n;
    return n;
}

} // namespace lodestar
