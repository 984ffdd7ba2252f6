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
#include "Menus.h"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {

class TForm1;
class TDockSite;
class TToolbar97;
class TDropPIDLTarget;

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
    // Whether a row caption of one of the first page's lists is being edited.
    bool CaptionEditing() const;
    // The first page's toolbars and the check box "メインアイコンを表示" that one of them holds (null
    // while the page has none).
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

    // --- First page: groups and items (lsOptGroups.cpp) ---
    void CreateItemsPage(); // from the constructor: handlers
    void OpenItemsPage();   // from FormCreate, once the page exists: lists, toolbars, LoadGroups
    void CloseItemsPage();  // from FormClose: placement of the toolbars and the group list's width
    void LoadGroups();
    void SaveGroups();
    // The group whose row is focused and selected.
    int ShownGroup() const;
    // Whether the toolbars of the first page may be dragged.
    void SetToolbarsFixed(bool fixed);
    // (Private state of the groups and items page goes here.)

    TForm1& mainForm_;
    TPageControl PageControl1;
    TDialogPage TabSheet1; // アイコン管理
    TDialogPage TabSheet3; // 実行
    TDialogPage TabSheet4; // 登録/削除
    TDialogPage TabSheet2; // その他の設定
    TDialogPage TabSheet5; // バージョン情報
};

} // namespace lodestar
