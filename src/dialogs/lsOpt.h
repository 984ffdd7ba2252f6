// The management and settings dialog ("管理＆設定"): the groups and their items on the first page, the
// program's settings on the others. It works on its own copies and writes nothing until OK; Cancel keeps
// only its own placement.
#pragma once

#include "Controls.h"
#include "ControlsListView.h"
#include "Dialog.h"
#include "FileDialog.h"
#include "ImageList.h"
#include "ItemData.h"
#include "ListRowDrag.h"
#include "Menus.h"
#include "SHBFFEX.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

namespace lodestar {

class TForm1;
class TDockSite;
class TToolbar97;
class TDropPIDLTarget;
class TClipboardEmptiedHook;
struct TIniOptions;

class TForm2 final : public TDialog {
public:
    // The main window whose settings, shown group and icon items the dialog starts from, and which it
    // changes on OK.
    explicit TForm2(TForm1& mainForm);
    ~TForm2() override;

    // The open options dialog, or null.
    static TForm2* Instance();

    // Shows the dialog modally; true when the user confirmed with OK (settings, registry and the main
    // window's current group are then changed, and the rows of the item list are the shown group's new
    // items).
    bool Execute();

    // The item list's rows, for the main window after OK (lsOptGroups.cpp).
    int ItemCount() const;
    const TItemData& ItemRecordAt(int index) const;
    // Whether OK wrote the shown group itself: an import replaced the main window's incompletely read
    // group, which is now whole in the registry.
    bool ShownGroupWritten() const { return importedKeptGroup_ >= 0 && importedKeptGroup_ == shownGroup_; }
    // A copy of the icon the row shows; none when it shows none.
    UniqueIcon ItemIconAt(int index) const;

    // The pages, for whoever drives the dialog.
    TDialogPage& ItemsPage() { return TabSheet1; }

private:
    void OnInit() override;

    // --- Frame and settings pages (lsOpt.cpp) ---
    void FormCreate();
    void FormShow();
    void FormClose();
    void btnOKClick();
    void btnHelpClick();
    bool FormKeyDown(const MSG& message);
    void SaveSettings();
    void PageControl1Change(int page);
    bool PageControl1Changing(int page);
    std::optional<INT_PTR> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void trackTimerChange();
    void rgTrayDndTypeClick();
    void rbDefIconClick();
    void sbDefIconBrowseClick();
    void cbFixToolbarPosClick();
    void LabelUrlsClick(int id);
    void LoadSettings();
    void PlaceWindow();
    void RememberLayout();
    void LayoutFrame();
    // The first page's toolbars that exist, and the check box "メインアイコンを表示" that one of them
    // holds (null while the page has none).
    std::vector<TToolbar97*> ItemsToolbars() const;
    HWND ShowMainIconBox() const;
    // (Private state of the frame and settings pages goes here.)
    struct TFrameLayout {
        SIZE Client{};
        RECT Tabs{}, Ok{}, Cancel{}, Help{};
    };
    std::optional<TFrameLayout> layout_;
    TOpenDialog OpenDlg1;
    UniqueFont productFont_;
    bool closed_ = true; // until the dialog has opened completely: nothing to keep of a failed one

    // --- Settings page: Startup registration (lsOptStartup.cpp) ---
    void btnRegStartUpClick();
    void btnUnregStartUpClick();
    // (Private state of the Startup registration goes here.)

    // --- Settings page: the settings of earlier versions taken over (lsOptImport.cpp) ---
    void btnLoadIniClick();
    void FolderDlg1SelectionChanged(const std::string& path, TOKButtonState& okButtonState);
    // (Private state of the import goes here.)
    struct TLegacySet;
    // Reads all ten files of the folder; raises before anything of the dialog has changed.
    static TLegacySet ReadLegacySet(const std::string& folder);
    // Replaces the groups, their names and the settings controls with the set; true when a group held
    // more items than a group may, of which only the first were taken.
    bool ApplyLegacySet(TLegacySet& set);
    void ApplyLegacyOptions(const TIniOptions& options);
    TSHBrowseForFolderEx* FolderDlg1 = nullptr;
    // The main window's incompletely read shown group once an import has replaced it, else -1: the main
    // window goes on treating its group as kept and will not write it, so OK writes it from here.
    int importedKeptGroup_ = -1;

    // --- First page: groups and items (lsOptGroups.cpp) ---
    void CreateItemsPage(); // from the constructor: handlers
    void OpenItemsPage();   // from FormCreate, once the page exists: lists, toolbars, LoadGroups
    void CloseItemsPage();  // from FormClose: placement of the toolbars and the group list's width
    void LoadGroups();
    // Writes the groups the dialog changed, each one whatever happened to the others; `written` gets those
    // whose items were written. The first failure is raised at the end.
    void SaveGroups(std::vector<int>& written);
    // The group whose row is focused and selected.
    int ShownGroup() const;
    // Whether the toolbars of the first page may be dragged; also what the item editor is given.
    void SetToolbarsFixed(bool fixed);
    // The check box "メインアイコンを表示(&M)" on the toolbar tb97MainIcon.
    bool ShowMainIconChecked() const;
    void SetShowMainIconChecked(bool checked);
    // Whether a row caption of either list is being edited (keys then belong to the edit).
    bool ListCaptionEditing() const;
    TListView ItemList() const;  // lv1
    TListView GroupList() const; // lv2
    // Appends a row owning the record; false (the record not taken) at 200 rows.
    bool AddItemRow(TItemData record);
    void RefreshItemRow(int index);
    void ShowItemRowTexts(int row);
    void UpdateChainImages();
    // Adds rows in one go, in one update of the list: the chain marks and the button states are taken
    // once for all of them at the end (not when `add` throws, which it passes on).
    void AddRowsInBatch(const std::function<void()>& add);
    void FreeAllItems();
    // Whether group `group` must stay exactly as stored: it could not be read, or it is the main window's
    // incompletely read shown group.
    bool GroupKept(int group) const;
    // Tells the user that the shown group is kept; true when it is (the command then stops).
    bool RefuseKeptChange();
    // Posted to the page for what must wait until a list's notification is over: wParam 0 shows the
    // message (a new std::string in lParam), 1 refreshes row lParam of lv1.
    static constexpr UINT WM_SHOWREFUSAL = WM_APP + 0x120;
    // Icons made at each tick of the timer while rows wait for theirs: few enough to answer the user at once.
    static constexpr int kIconsPerFill = 8;
    static constexpr UINT_PTR kFillIconsTimer = 0x4C49; // "LI"
    void SetRowIcon(int row);
    // Makes the icons of up to `limit` waiting rows, those in view first; asks for more while any wait.
    void FillPendingIcons(int limit);
    std::string KeptGroupMessage(int group) const;
    void EnterGroup(int group);
    void LeaveGroup(int group);
    void btnNewClick();
    void btnEditClick();
    // The hotkeys of the shown list's rows, for an item editor opened on that group.
    void SetGroupHotKeys(class TForm3& editor);
    void btnDelClick();
    void btnUpOrDownClick(bool up);
    void miEditNameClick(bool groups);
    void pm1Popup();
    void lv1Change();
    void lv1Insert();
    void lv1Deletion(int countBefore);
    bool lv1KeyDown(UINT key, bool alt);
    bool lv2KeyDown(UINT key, bool alt);
    void lv2Change();
    bool lv1Edited(int row, const std::string& text);
    bool lv2Edited(int row, const std::string& text);
    void LayoutItemsPage();
    void ItemsPageMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ItemsPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self) noexcept;
    static LRESULT CALLBACK ListKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self) noexcept;
    // The choice of rgDereferLinks as it is now: what the item editor is given as ResolveShortcuts.
    bool DereferLinksChosen() const;
    // Deletes the rows (ascending) with their records, in one update of the list.
    void DeleteItemRows(const std::vector<int>& rows);
    // Puts the rows in a new order, given as the old index of the row at each place; each row keeps its
    // record, pictures, selection and focus.
    void ReorderItemRows(const std::vector<int>& order);

    // --- First page: item clipboard and drag-and-drop (lsOptTransfer.cpp) ---
    void CreateItemsTransfer(); // from CreateItemsPage: handlers and the drop target
    void OpenItemsTransfer();   // from OpenItemsPage, once lv1 exists
    void CloseItemsTransfer();  // as lv1's window goes
    void miCopyClick();
    void miCutClick();
    void miPasteClick();
    // Appends the rows a clipboard block holds; false when it holds nothing that could be read.
    void PasteItemList(std::span<const std::uint8_t> block);
    void PasteChain(std::span<const std::uint8_t> block);
    // btnPaste: room in the list and items on the clipboard.
    void UpdatePasteButton(int rows);
    // The shell drops lv1 takes: links while it has room and its group may change.
    void UpdateItemDrops(int rows);
    void lv1EndDrag(bool drop, POINT screen);
    void lvDragOver(POINT screen);
    // The group row under a screen point that takes dragged rows, -1 for none.
    int GroupDropTarget(POINT screen) const;
    void lv1DragDrop(POINT client);
    void lv2DragDrop(int group);
    void PIDLTarget1Enter(DWORD& effect);
    void PIDLTarget1DragOver(POINT point, DWORD& effect);
    void PIDLTarget1Drop(DWORD& effect);
    TListRowDrag rowDrag_;
    int dropHighlight_ = -1; // the group row drawn as the target of dragged rows
    TDropPIDLTarget* PIDLTarget1 = nullptr;
    std::unique_ptr<TClipboardEmptiedHook> clipboardHook_;

    // (Private state of the groups and items page goes here.)
    std::array<std::vector<TItemData>, kGroupCount> GroupItems;
    std::vector<std::unique_ptr<TItemData>> itemRecords_; // the records of lv1's rows, in no order
    std::array<bool, kGroupCount> groupDamaged_{};
    std::array<bool, kGroupCount> groupOverfull_{}; // kept (and damaged) for holding more than 200 items
    // Each group's items as read from the registry when the dialog opened (none for the group the main
    // window showed, whose stored values may be older than its icons): OK rewrites only groups that differ.
    std::array<std::optional<std::vector<TItemData>>, kGroupCount> storedGroups_;
    int keptShownGroup_ = -1; // the main window's shown group when it was read incompletely
    int shownGroup_ = 0;
    bool switching_ = false; // lv2's marks are being set by the dialog itself
    bool batching_ = false;  // rows are being added in one go
    // The records of rows whose icon is still to be made. Rows added in one go show at once; their icons
    // follow a few at a time between the dialog's messages, those in view first.
    std::unordered_set<const TItemData*> iconsPending_;
    std::unique_ptr<TImageList> imgList1;
    std::unique_ptr<TImageList> imgList2;
    TDockSite* itemsDocks_ = nullptr;
    TToolbar97* tb97MainIcon = nullptr;
    TToolbar97* tb97IconItems = nullptr;
    HWND cbShowMainIco = nullptr;
    bool showMainIcon_ = false; // the check box's value before it exists, and after its window has gone
    TPopupMenu* pm1 = nullptr;
    TPopupMenu* pm2 = nullptr;
    TMenuItem* miNew = nullptr;
    TMenuItem* miCut = nullptr;
    TMenuItem* miCopy = nullptr;
    TMenuItem* miPaste = nullptr;
    TMenuItem* miDel = nullptr;
    TMenuItem* miEditName = nullptr;
    TMenuItem* miUp = nullptr;
    TMenuItem* miDown = nullptr;
    TMenuItem* miProperty = nullptr;
    int groupViewWidth_ = 100;
    bool toolbarsFixed_ = false; // as cbFixToolbarPos last set it
    bool splitting_ = false;     // the splitter between the lists is being dragged
    bool itemsPageOpen_ = false;
    // The rows of lv1 in order as the list's window went, for the main window after OK.
    std::vector<const TItemData*> closedRows_;
    std::vector<int> closedImages_; // and their pictures in imgList1

    TForm1& mainForm_;
    TPageControl PageControl1;
    TDialogPage TabSheet1; // アイコン管理
    TDialogPage TabSheet3; // 実行
    TDialogPage TabSheet4; // 登録/削除
    TDialogPage TabSheet2; // その他の設定
    TDialogPage TabSheet5; // バージョン情報
};

} // namespace lodestar
