// The main window's answers to the user: clicks on the icons, the two menus, hotkeys, and the dialogs they
// open.
#include "lsMain.h"

#include "AppSettings.h"
#include "Application.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "IconPrefetch.h"
#include "RunningWatch.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsMainDpi.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

namespace lodestar {

void TForm1::MainIconClick(TComponent*) {
    if (!ProgramSettings().ClickType && active_) miOptClick(nullptr);
}

void TForm1::MainIconDblClick(TComponent*) {
    if (ProgramSettings().ClickType && active_) miOptClick(nullptr);
}

void TForm1::MainIconMouseUp(TComponent*, TMouseButton button, TShiftState, int x, int y) {
    ::SetForegroundWindow(Application::Handle());
    if (!active_ || button != TMouseButton::mbRight) return;
    Application::ProcessMessages();
    PopupMain(x, y);
}

void TForm1::PopupMain(int x, int y) {
    pmMain->Popup(Application::Handle(), x, y);
}

void TForm1::IconItemClick(TComponent* sender) {
    if (!ProgramSettings().ClickType && active_)
        ProgramDialogs().LaunchItem(*this, *static_cast<TIconItem*>(sender), false);
}

void TForm1::IconItemDblClick(TComponent* sender) {
    if (ProgramSettings().ClickType && active_)
        ProgramDialogs().LaunchItem(*this, *static_cast<TIconItem*>(sender), false);
}

void TForm1::IconItemMouseUp(TComponent* sender, TMouseButton button, TShiftState, int x, int y) {
    ::SetForegroundWindow(Application::Handle());
    if (!active_) {
        Seams().Beep(0);
        return;
    }
    if (button != TMouseButton::mbRight) return;
    Application::ProcessMessages();
    pmItems->PopupComponent = sender;
    pmItems->Popup(Application::Handle(), x, y);
}

void TForm1::miExitClick(TMenuItem*) {
    Close();
}

void TForm1::miOptClick(TMenuItem*) {
    ::PostMessageW(Handle(), WM_OPENOPTIONS, 0, 0);
}

void TForm1::OpenOptions() {
    if (!active_) return;
    try {
        TInactiveWhile inactive(*this);
        ::SetForegroundWindow(Application::Handle());
        const int groupBefore = currentGroup_;
        if (auto result = ProgramDialogs().OpenOptions(*this)) {
            // The dialog changed the settings in memory: the drop mode takes effect as the window
            // becomes active again.
            dropMode_ = ProgramSettings().TrayDndType;
            // The rows of another group came whole from the dialog; a group that stays shown keeps
            // its state.
            if (currentGroup_ != groupBefore || result->ShownGroupWritten) groupIncomplete_ = false;
            RebuildGroupMenu();
            for (TMenuItem* entry : GroupMenuItems)
                entry->Checked = entry->Tag == currentGroup_;
            // The new icons are looked up while the old ones leave the tray; these leave the notification
            // area once the new ones are in.
            TIconPrefetch icons(result->ShownItems, std::move(result->ShownIcons), TrayIconSizeForNewIcons());
            const TIconTray::TRemovalsDeferred removals;
            ClearTray();
            AddItems(result->ShownItems, icons);
            runningWatch_->SetEnabled(ProgramSettings().MarkRunning);
        }
    } catch (...) {
        EnsureReachable();
        throw;
    }
    EnsureReachable();
}

void TForm1::miReloadIconsClick(TMenuItem*) {
    TInactiveWhile inactive(*this);
    if (groupIncomplete_) {
        // Nothing of the group can have changed since it was read: reading it again loses nothing, and
        // a value repaired meanwhile makes it whole.
        LoadGroup([this] { ClearTray(); });
        EnsureReachable();
        return;
    }
    for (TIconItem* item : IconItems())
        ShowInTray([item] {
            item->NewIconByHandle(
                ItemIcon(item->CustomIcon, item->Cmd, item->IDList, TrayIconSizeForNewIcons()));
        });
}

void TForm1::miGroupsClick(TMenuItem* sender) {
    TInactiveWhile inactive(*this);
    if (sender->Checked) return;
    for (TMenuItem* entry : GroupMenuItems)
        entry->Checked = entry == sender;
    SaveGroup();
    currentGroup_ = sender->Tag;
    LoadGroup([this] { ClearTray(); });
    EnsureReachable();
}

void TForm1::miDelIconClick(TMenuItem*) {
    auto* item = dynamic_cast<TIconItem*>(pmItems->PopupComponent);
    if (!item) return;
    if (RefuseChange()) return;
    {
        TInactiveWhile inactive(*this);
        if (ProgramSettings().ConfirmOnDel) {
            Seams().Beep(MB_ICONQUESTION);
            const int answer = Seams().MessageBox(Application::Handle(),
                                                  "'" + item->Hint() + "' を削除します。\rよろしいですか？",
                                                  "確認", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
            if (answer != IDYES) return;
        }
        pmItems->PopupComponent = nullptr;
        TIconTray::Release(item);
    }
    EnsureReachable();
}

void TForm1::miEditThisIcoClick(TMenuItem*) {
    EditIconItem(dynamic_cast<TIconItem*>(pmItems->PopupComponent));
}

void TForm1::EditIconItem(TIconItem* item) {
    if (!item) return;
    // An edit would live only until the program ends: the group is not written back.
    if (RefuseChange()) return;
    TInactiveWhile inactive(*this);
    TItemData record = item->GetData();
    if (ProgramDialogs().EditItem(*this, record)) {
        item->SetData(record);
        // The command, and with it the program, may be another now.
        runningWatch_->Schedule();
    }
}

void TForm1::miPropertyClick(TMenuItem*) {
    auto* item = dynamic_cast<TIconItem*>(pmItems->PopupComponent);
    if (!item) return;
    TInactiveWhile inactive(*this);
    ProgramDialogs().ShowItemProperties(*this, *item);
}

void TForm1::pmItemsPopup(TPopupMenu* sender) {
    pmMainPopup(pmMain); // the main menu is its submenu
    miProperty->Enabled = true;
    auto* item = dynamic_cast<TIconItem*>(sender->PopupComponent);
    if (!item) return;
    SHFILEINFOW info{};
    info.dwAttributes = SFGAO_HASPROPSHEET;
    DWORD_PTR ok = 0;
    if (item->IDList.Present()) {
        ok = ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item->IDList.Data()), 0, &info, sizeof info,
                              SHGFI_PIDL | SHGFI_ATTRIBUTES);
    } else {
        ok = ::SHGetFileInfoW(Widen(SplitCommandLine(item->Cmd).Path).c_str(), 0, &info, sizeof info,
                              SHGFI_ATTRIBUTES);
    }
    if (!ok || !(info.dwAttributes & SFGAO_HASPROPSHEET)) miProperty->Enabled = false;
}

void TForm1::HkHotKey1HotKey(TComponent*, int index) {
    if (!active_) return;
    if (auto* item = dynamic_cast<TIconItem*>(MainIcon->FindComponent(IconItemName(index))))
        ProgramDialogs().LaunchItem(*this, *item, true);
}

} // namespace lodestar
