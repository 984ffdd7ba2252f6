#include "lsMainDpi.h"

#include "Dpi.h"
#include "lsCommon.h"
#include "lsMain.h"

namespace lodestar {

namespace {

// The size the shown icons were made at; 0 before the first.
int g_madeAt = 0;

int IconSide(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return 0;
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    return ::GetObjectW(mask.Get(), sizeof size, &size) ? size.bmWidth : 0;
}

} // namespace

int TrayIconSizeForNewIcons() {
    g_madeAt = TrayIconSize();
    return g_madeAt;
}

UniqueIcon TrayItemIcon(const TItemData& record, UniqueIcon given) {
    const int size = TrayIconSizeForNewIcons();
    if (given && IconSide(given.Get()) == size) return given;
    return ItemIcon(record.CustomIcon, record.Cmd, record.IDList, size);
}

bool RefreshTrayIconsForScale(TForm1& form) {
    if (g_madeAt == 0 || TrayIconSize() == g_madeAt) return false;
    const int size = TrayIconSizeForNewIcons();
    // A shell that is being restarted refuses the change; each icon keeps its new picture all the same,
    // and the shell's "TaskbarCreated" adds it again with that picture. No message for the user.
    const auto quietly = [](auto change) {
        try {
            change();
        } catch (const EIconTrayError&) {
        }
    };
    // Only an icon that is shown is replaced: a hidden main icon stays hidden.
    if (form.MainIcon->Icon()) quietly([&form] { form.UpdateMainIcon(); });
    for (TIconItem* item : form.IconItems())
        quietly([item, size] {
            item->NewIconByHandle(ItemIcon(item->CustomIcon, item->Cmd, item->IDList, size));
        });
    return true;
}

} // namespace lodestar
