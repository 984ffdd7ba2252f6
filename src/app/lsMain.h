// The main window: never shown as an ordinary window, it holds the main icon, the icon items of the
// shown group, the two popup menus and the hotkeys, and answers the user's clicks.
#pragma once

#include "Component.h"
#include "Handles.h"
#include "HotKeyConflicts.h"
#include "IconItem.h"
#include "Menus.h"
#include "MessageWindow.h"
#include "SysCtrls.h"

#include <shellapi.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {

class TIconPrefetch;
class TRunningWatch;

class THookHotKey;
class TDropPIDLTarget;

constexpr UINT WM_OPENOPTIONS = 0x8164;
// Watches for a drag resting on the notification area (the timer drop mode).
constexpr UINT_PTR kTimer1 = 1;
// While the shell refuses icons, they are tried again on this timer of the main window.
constexpr UINT_PTR kTrayRetryTimer = 2;
// Posted to itself when a drop on the overlay was refused: the drag source must not wait for the box.
constexpr UINT WM_REFUSEDROP = WM_APP + 0x100;
// Posted to itself when the hook library handed over dropped names: they are added once the shell's
// thread, which waits for the handover, is free again.
constexpr UINT WM_ADDDROPPED = WM_APP + 0x101;

class TForm1 : public TComponent {
public:
    // `startArgument` is the program's first command-line argument ("/D:1500" delays the start).
    explicit TForm1(const std::string& startArgument = {});
    ~TForm1() override;

    HWND Handle() const { return window_.Handle(); }

    TIconTray* MainIcon = nullptr;
    THookHotKey* HkHotKey1 = nullptr;
    TPopupMenu* pmMain = nullptr;
    TPopupMenu* pmItems = nullptr;
    TMenuItem* miGroupDivider = nullptr;
    TMenuItem* miProperty = nullptr;
    // Lists the items whose hotkeys the system refused; hidden while there is none.
    TMenuItem* miRefusedHotKeys = nullptr;
    // Receives drops while the window lies over the notification area.
    TDropPIDLTarget* PIDLTarget1 = nullptr;
    std::array<TMenuItem*, kGroupCount> GroupMenuItems{};

    bool Active() const { return active_; }
    // The shown group could not be read to its end: what is stored for it is kept exactly as it is,
    // so nothing in it may change until it loads completely again.
    bool GroupIncomplete() const { return groupIncomplete_; }
    // Why the shown group is kept: read incompletely, or holding more items than can be shown.
    std::string GroupKeptMessage() const;
    int CurrentGroup() const { return currentGroup_; }
    void SetCurrentGroup(int group) { currentGroup_ = group; }
    int DragTicks = 0;
    bool TimerEnabled() const { return timerEnabled_; }
    // The drop mode in use (the stored setting may say otherwise after a failure).
    int TrayDropMode() const { return dropMode_; }

    // The icon items in their order.
    std::vector<TIconItem*> IconItems() const;
    // The names and hotkeys of the shown group's items, and whether the program itself holds a
    // combination (for one of them): what an editor checks a newly chosen hotkey against.
    std::vector<THotKeyHolder> ItemHotKeys() const;
    bool HoldsHotKey(std::uint16_t hotKey) const;
    // Asks the system again for the refused hotkeys and lists the items still without theirs in the
    // main menu.
    void UpdateRefusedHotKeys();
    // Opens the item editor for an icon item and takes what it confirms.
    void EditIconItem(TIconItem* item);

    void SetActive(bool enabled) noexcept;
    // Reads the shown group into icon items. An error on the way is shown once; the items read before it
    // stay, and the group counts as incomplete. `beforeAdding` runs once the group is read and its icons
    // are being looked up: the icons of the group shown before go meanwhile.
    void LoadGroup(const std::function<void()>& beforeAdding = {});
    void SaveGroup();
    // `icon`: the item's icon when the caller has it already; else it is looked up.
    TIconItem* AddItem(const TItemData& record, UniqueIcon icon = {});
    // Adds the records in order with their icons, made ahead by `icons`; the number added, fewer than all
    // when the group is full.
    std::size_t AddItems(const std::vector<TItemData>& records, TIconPrefetch& icons);
    // Takes the shown group's icons out of the notification area, the main icon with them, and puts the
    // main icon back: the new group's icons follow it.
    void ClearTray();
    void UpdateMainIcon();
    void RemoveMainIcon();
    void EnsureReachable();
    void RebuildGroupMenu();
    // Adds every icon to a taskbar created anew, the main icon first; one that the shell still knows is
    // brought up to date instead. Icons the shell still refuses are tried again on the retry timer.
    void ReAddIcons();
    // The retry timer: adds the icons the shell refused so far; after some minutes of refusals the user
    // is told once, and the next new taskbar tries again.
    void RetryTrayIcons();
    // Windows 11 keeps new icons in the overflow: the main menu tells how many of the shown group's are.
    TMenuItem* miHiddenIcons = nullptr;
    void UpdateHiddenIcons();
    void miHiddenIconsClick(TMenuItem* sender);
    // Registers the items' hotkeys again where the system may have dropped them (resume, unlock).
    void RestoreHotKeys();
    void Close();
    // Marks the icons of items whose programs run, while the program's setting says so.
    TRunningWatch& RunningWatch() const { return *runningWatch_; }

    // Handlers.
    void MainIconClick(TComponent* sender);
    void MainIconDblClick(TComponent* sender);
    void MainIconMouseUp(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y);
    void IconItemClick(TComponent* sender);
    void IconItemDblClick(TComponent* sender);
    void IconItemMouseUp(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y);
    void miExitClick(TMenuItem* sender);
    void miOptClick(TMenuItem* sender);
    void miReloadIconsClick(TMenuItem* sender);
    void miGroupsClick(TMenuItem* sender);
    void miDelIconClick(TMenuItem* sender);
    void miEditThisIcoClick(TMenuItem* sender);
    void miPropertyClick(TMenuItem* sender);
    void pmItemsPopup(TPopupMenu* sender);
    void pmMainPopup(TPopupMenu* sender);
    void miRefusedHotKeyClick(TMenuItem* sender);
    void HkHotKey1HotKey(TComponent* sender, int index);
    void OpenOptions();
    void Timer1Timer();
    void PIDLTarget1Drop();
    void PIDLTarget1Leave();
    void FormHide();
    // Files the notification area received while it accepted files.
    void DropFiles(HDROP drop);
    // The names of files the hook library took from a drop on the notification area (WM_COPYDATA); false
    // for any other data.
    bool ReceiveDroppedNames(const COPYDATASTRUCT* data);
    // Whether the window lies over the notification area, showing its picture.
    bool OverlayShown() const;

private:
    std::optional<LRESULT> WindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // lsMainTray.cpp: the taskbar's and the session's side of the window.
    void CreateTrayEntries(TMenuItem* root);
    void WatchSession(bool watch) noexcept;
    std::optional<LRESULT> SessionMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateMenus();
    void SetTrayDrop(bool enabled);
    void FreeIconItems();
    // A dropped item is added unless a text of it is longer than the store keeps (the user is told).
    void AddDroppedItem(const TItemData& record);
    // Shows an icon in the tray; when the shell refuses it (no taskbar yet, Explorer restarting), the
    // icon stays with its item and the retry timer adds it later.
    void ShowInTray(const std::function<void()>& show);
    void StartTrayRetry();
    // Adds the icons to the tray again (only those the shell has not taken, when `missingOnly`); whether
    // the shell refused one.
    bool ReAddTrayIcons(bool missingOnly);
    // Saves the group and its number however either step ends; failures are shown when `report`.
    void SaveOnExit(bool report) noexcept;
    // Tells the user that the shown group is kept unchanged; true when it is (the caller then stops).
    bool RefuseChange();
    void PopupMain(int x, int y);
    // The notification area on the screen: the "TrayNotifyWnd"'s rectangle, whatever covers it; without
    // one, the rectangle spanned by the program's own icons. Empty when neither is known.
    RECT TrayAreaRect() const;
    void ShowOverlay(const RECT& area);
    void HideOverlay();
    void PaintOverlay();

    TOwnedWindow window_;
    std::unique_ptr<TRunningWatch> runningWatch_;
    // pb1: the notification area's picture while the overlay is shown.
    UniqueBitmap pb1_;
    SIZE pb1Size_{};
    std::vector<std::string> droppedNames_;
    void AddDroppedFiles(const std::vector<std::string>& paths);
    bool active_ = false;
    int currentGroup_ = 0;
    int dropMode_ = 1;
    bool timerEnabled_ = false;
    bool groupIncomplete_ = false;
    bool groupOverfull_ = false;
    bool trayRetrying_ = false;
    int trayRetries_ = 0;
};

// Keeps the main window inactive for the whole of a command, whichever way the command ends.
class TInactiveWhile {
public:
    explicit TInactiveWhile(TForm1& form) : form_(form) { form_.SetActive(false); }
    ~TInactiveWhile() { form_.SetActive(true); }
    TInactiveWhile(const TInactiveWhile&) = delete;
    TInactiveWhile& operator=(const TInactiveWhile&) = delete;

private:
    TForm1& form_;
};

// Milliseconds of start-up delay in a first argument "/D:nnnn" (any case; at most four digits read).
int StartupDelay(const std::string& argument);

} // namespace lodestar
