// The item editor: the dialog in which one launcher item is created or changed. Its page "全般" edits the
// name, the target (a command line, or a shell object without a path), working folder, window size,
// hotkey and icon; its page "連鎖起動" holds the item's chain. The editor also owns the browse menu and
// the folder browser that the child editor borrows.
#pragma once

#include "lsCommonUi.h"

#include "Controls.h"
#include "ControlsListView.h"
#include "Dialog.h"
#include "HotKeyConflicts.h"
#include "FileDialog.h"
#include "ImageList.h"
#include "ItemData.h"
#include "ListRowDrag.h"
#include "Menus.h"
#include "SHBFFEX.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lodestar {

class TClipboardEmptiedHook;

class TDockSite;
class TToolbar97;
class TFormChild;
class TDropPIDLTarget;

// What started the folder browser whose result is pending.
enum class TBrowseOrigin { boFolder, boAll, boDefDir };

// The browse menu's commands, as PopupBrowseMenu runs them.
enum class TBrowseCommand { bcFile, bcFolder, bcAll, bcExitWindows, bcRestartWindows, bcDialUp, bcManualCpl };

// Texts the browse menu's entries put into an editor.
struct TBrowseFill {
    std::string Tip;
    std::string Cmd;
};
// "Windowsの終了" entries: restart false for "終了", true for "再起動".
TBrowseFill ExitWindowsFill(bool restart);
// A dial-up phonebook entry.
TBrowseFill DialUpFill(std::string_view entry);

// The dial-up phonebook entries "RASAPI32.DLL" lists; none when the library, its function or the call
// fails, or when there are more than its buffer of 100 entries holds.
std::vector<std::string> DialUpEntries();

// The OK rule both editors share: trims the command and working folder (writing the trimmed texts back),
// warns of a working folder that names no existing folder, looks a bare program up on the search path
// and rewrites the command. True when the dialog may close.
bool ConfirmTarget(HWND editCmd, HWND editDefDir, bool hasIdList);
// ConfirmStoredLength (lsCommonUi.h) for an edit control: the focus goes to it when its text does not fit.
bool ConfirmStoredLength(HWND edit, std::string_view field);

class TForm3 final : public TDialog {
public:
    explicit TForm3(TComponent* owner = nullptr);
    ~TForm3() override;

    // The open item editor, or null; the child editor and the main window reach it through this.
    static TForm3* Instance();

    // Set by the opener before EditItem: a picked or dropped shortcut file is read into the fields.
    bool ResolveShortcuts = false;
    // Set by the opener before EditItem: the names and hotkeys of the items the edited one is shown with
    // (its group), and whether this program itself holds a combination (for the group shown now). OK asks
    // before it keeps a newly chosen hotkey that one of those items or another program holds.
    std::vector<THotKeyHolder> GroupHotKeys;
    std::function<bool(std::uint16_t hotKey)> HeldByThisProgram;

    // Shows the dialog for the item. True when the user confirmed with OK and the item then has a
    // command or an ID list; only then has the item changed. The owner is the active window, else the
    // application window.
    bool EditItem(TItemData& item);
    // Places the dialog's window before it first appears (PlaceDialog over the opener, near the cursor).
    void SetPlacement(std::function<void(HWND dialog)> place) { placement_ = std::move(place); }
    // Whether the chain toolbar may be dragged between and within its docks.
    void SetToolbarsFixed(bool fixed);
    // The warning for a working folder that names no existing folder.
    static void ShowBadFolderMessage(const std::string& folder);

    // The browse menu for an editor (this one or the open child editor), right-aligned at a screen point;
    // the chosen entry's action runs for that editor.
    void PopupBrowseMenu(TDialog& ownerForm, POINT screen);
    // Runs one entry of the browse menu for an editor, as if chosen; `dialUpEntry` names the phonebook
    // entry for bcDialUp. Throws EProgramError when the editor is neither editor.
    void RunBrowseCommand(TDialog& ownerForm, TBrowseCommand command, const std::string& dialUpEntry = {});
    // The folder browser for the owner form's target or, with boDefDir, its working folder.
    void miBwFolderClick(TBrowseOrigin origin);

    // The dialog's target when it is a shell object; setting it runs the ID list rule.
    const IdList& TargetIdList() const { return idList_; }
    void SetIDList(const IdList& list);
    const std::string& IconLocation() const { return iconLocation_; }

    // The chain rows (the dialog's own copies).
    int ChildRowCount() const;
    const TChildIcon& ChildRow(int row) const;
    // Appends a row holding the entry; false at 20 rows.
    bool AddChildRow(TChildIcon child);
    void DeleteChildRow(int row);
    TToolbar97* ChildToolbar() const { return tb97ChildIcons_; }

    // The pages, for whoever drives the dialog.
    TDialogPage& GeneralPage() { return general_; }
    TDialogPage& ChainPage() { return chain_; }

private:
    struct TChildRow;

    void OnInit() override;
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void LoadItem();
    void WriteBack(TItemData& item);

    void editTipChange();
    void editCmdChange();
    void sbBrowseClick();
    void sbBwDefDirClick();
    void btnChangeIcoClick();
    void btnClearIcoClick();
    void btnOK3Click();
    // Asks about a newly chosen hotkey that cannot be registered; true when the dialog may close.
    bool ConfirmHotKey();
    // The command, working folder and icon fit the stored form; else the user is told, at the field.
    bool ConfirmStoredLengths();
    void btnHelp3Click();
    void FolderDlgExecuted(const std::string& path, const IdList& pidl);

    // The icon location: a path and index, or none for the target's own icon.
    void SetIconLocation(const std::string& path, int index);
    void ClearIconLocation();
    void UpdatePreview();
    static void StoreIconSize(int size);

    // Browse actions.
    struct TBrowseTarget;
    TBrowseTarget TargetOf(TDialog& ownerForm);
    void miBwFileClick(TBrowseTarget& target);
    void miExitWinClick(TBrowseTarget& target, bool restart);
    void mcBwDialUpClick(TBrowseTarget& target, const std::string& entry);
    void miManualCPLClick(TBrowseTarget& target);

    // Chain page.
    void CreateChainPage(); // handlers, from the constructor
    void OpenChainPage();   // columns and toolbar, once the page's window exists
    void ShowChildRow(int row);
    void UpdateChildButtons(); // the selection rule
    void UpdateChildCount();   // the count rule
    void btnNewClick();
    void btnEditClick();
    void btnDelClick();
    void btnCopyClick();
    void btnCutClick();
    void btnPasteClick();
    void btnUpOrDownClick(bool up);
    void btnExchangeClick();
    void pmChildPopup(); // the context-menu rule
    void lvChildIconsContextMenu(POINT screen);
    bool ChainKeyPreview(const MSG& message);
    std::vector<bool> SelectedChildRows() const;
    // Paste's two formats; each appends rows and stops at 20.
    void PasteChain(const std::vector<std::uint8_t>& block);
    void PasteItemList(const std::vector<std::uint8_t>& block);
    TPopupMenu* pmChild = nullptr;
    TMenuItem* miNew = nullptr;
    TMenuItem* miCut = nullptr;
    TMenuItem* miCopy = nullptr;
    TMenuItem* miPaste = nullptr;
    TMenuItem* miDel = nullptr;
    TMenuItem* miExchange = nullptr;
    TMenuItem* miUp = nullptr;
    TMenuItem* miDown = nullptr;
    TMenuItem* miEdit = nullptr;
    void ChildButtonRightUp(int buttonId, POINT screen);
    void PageControl1Change(int page);
    bool PageControl1Changing(int page);
    void LayoutChainPage();
    TListView ChildList() const;
    // Puts the rows in a new order (the old index of the row at each place), with their images and
    // selection, inside one update of the list.
    void ReorderChildRows(const std::vector<int>& order);
    void ShowChildRowTexts(int row);

    // Dragging rows within the list and shell drops on it (lsItemChainDrag.cpp).
    void CreateChainDrag();              // from the constructor: binds the list's notifications
    void OpenChainDrag();                // once the list exists: registers PIDLTarget1
    void CloseChainDrag();               // when the dialog goes: unregisters it
    void SetChainDropsAccepted(bool on); // the count rule: no drops at 20 rows
    TDropPIDLTarget* PIDLTarget1 = nullptr;
    int DropRow = -1; // the row under a shell drag; -1 none, -2 while a drop is processed
    // (Private state of the drag code goes here.)
    TListRowDrag rowDrag_; // rows dragged within the list
    void lvChildIconsDragDrop(POINT point);
    void PIDLTarget1Enter(DWORD effect);
    void PIDLTarget1DragOver(POINT point, DWORD effect);
    void PIDLTarget1Drop(DWORD effect);
    // Changes the list's selection under a shell drag, the drag image hidden while the list repaints.

    TPageControl PageControl1;
    TDialogPage general_;
    TDialogPage chain_;
    TOpenDialog OpenDlg;
    TOpenDialog OpenDlgCPL;
    TSHBrowseForFolderEx* FolderDlg = nullptr;
    TDockSite* dockSite_ = nullptr;
    TToolbar97* tb97ChildIcons_ = nullptr;
    std::unique_ptr<TClipboardEmptiedHook> clipboardHook_; // greys the paste button
    TImageList imglist1;
    std::unique_ptr<THints> hints_;
    UniqueIcon preview_;

    TItemData* item_ = nullptr;
    std::optional<TItemData>* confirmed_ = nullptr; // the values OK took, while EditItem waits
    IdList idList_;
    std::string iconLocation_;
    std::string acceptedTip_; // the name as last accepted, to refuse typing into an overlong one
    TBrowseOrigin BrowseOrigin = TBrowseOrigin::boFolder;
    TDialog* browseOwner_ = nullptr;
    std::vector<std::string> dialUpEntries_;
    std::vector<std::unique_ptr<TChildIcon>> rows_;
    std::function<void(HWND)> placement_;
    bool loading_ = false;
    bool keepStoredIcon_ = false; // the stored icon's file is missing now, and the user left it alone
};

} // namespace lodestar
