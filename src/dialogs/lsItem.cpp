#include "lsItem.h"
#include "Hkhotkey.h"

#include "Application.h"
#include "CommandLine.h"
#include "Dpi.h"
#include "Errors.h"
#include "Help.h"
#include "ItemRecord.h"
#include "ItemStream.h"
#include "LegacyText.h"
#include "LsReg.h"
#include "PlaceDialog.h"
#include "SIcoDlg98.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "Toolbar97.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "resource.h"

#include <shellapi.h>

#include <algorithm>

namespace lodestar {

namespace {
TForm3* openItemEditor = nullptr;

// The longest name, in bytes of the legacy encoding (a double-byte character counts two).
constexpr std::size_t kMaxTipBytes = 72;
constexpr int kHelpIndex = 9;

const char* const kWndSizes[] = {"通常のウィンドウ", "最小化", "最大化"};

std::string TrimmedText(HWND edit) {
    return std::string(TrimBlanks(WindowText(edit)));
}
} // namespace

bool ConfirmTarget(HWND editCmd, HWND editDefDir, bool hasIdList) {
    const std::string cmd = TrimmedText(editCmd);
    const std::string defDir = TrimmedText(editDefDir);
    SetWindowTextUtf8(editCmd, cmd);
    SetWindowTextUtf8(editDefDir, defDir);
    if (cmd.empty()) return hasIdList;
    if (!defDir.empty() && !FolderExists(defDir)) {
        TForm3::ShowBadFolderMessage(defDir);
        return false;
    }
    TCmd split = SplitCommandLine(cmd);
    if (NeedsSearch(split.Path)) {
        split.Path = SearchProgram(split.Path);
        SetWindowTextUtf8(editCmd, JoinCommandLine(split));
    }
    return true;
}

bool ConfirmStoredLength(HWND edit, std::string_view field) {
    if (ConfirmStoredLength(WindowText(edit), field)) return true;
    // Through the dialog manager, so that the default button follows the focus.
    ::SendMessageW(::GetAncestor(edit, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    return false;
}

TForm3::TForm3(TComponent* owner)
    : TDialog(IDD_ITEM, owner), PageControl1(*this, IDC_ITEM_TABS), general_(IDD_ITEM_GENERAL, this),
      chain_(IDD_ITEM_CHAIN, this), imglist1(16, 16) {
    openItemEditor = this;
    PageControl1.AddPage(general_, "全般");
    PageControl1.AddPage(chain_, "連鎖起動");
    PageControl1.OnChange = [this](int page) { PageControl1Change(page); };
    PageControl1.OnChanging = [this](int page) { return PageControl1Changing(page); };

    general_.NameControl(IDC_ITEM_EDITCMD, "editCmd");
    general_.NameControl(IDC_ITEM_EDITTIP, "editTip");
    general_.NameControl(IDC_ITEM_EDITDEFDIR, "editDefDir");
    general_.NameControl(IDC_ITEM_COMBOWNDSIZE, "comboWndSize");

    general_.OnCommand(IDC_ITEM_EDITCMD, EN_CHANGE, [this] { editCmdChange(); });
    general_.OnCommand(IDC_ITEM_EDITTIP, EN_CHANGE, [this] { editTipChange(); });
    general_.OnClick(IDC_ITEM_SBBROWSE, [this] { sbBrowseClick(); });
    general_.OnClick(IDC_ITEM_SBBWDEFDIR, [this] { sbBwDefDirClick(); });
    general_.OnClick(IDC_ITEM_BTNCHANGEICO, [this] { btnChangeIcoClick(); });
    general_.OnClick(IDC_ITEM_BTNCLEARICO, [this] { btnClearIcoClick(); });
    OnClick(IDOK, [this] { btnOK3Click(); });
    OnClick(IDC_ITEM_BTNHELP3, [this] { btnHelp3Click(); });

    general_.SetHelpContext(IDC_ITEM_EDITTIP, 34);
    general_.SetHelpContext(IDC_ITEM_EDITCMD, 35);
    general_.SetHelpContext(IDC_ITEM_EDITDEFDIR, 36);
    general_.SetHelpContext(IDC_ITEM_COMBOWNDSIZE, 37);
    general_.SetHelpContext(IDC_ITEM_HOTKEY1, 57);
    general_.SetHelpContext(IDC_ITEM_IMAGEICON, 33);
    general_.SetHelpContext(IDC_ITEM_LABELICON, 38);
    general_.SetHelpContext(IDC_ITEM_LABELICONPATH, 38);
    general_.SetHelpContext(IDC_ITEM_BTNCHANGEICO, 41);
    general_.SetHelpContext(IDC_ITEM_BTNCLEARICO, 42);
    general_.SetHelpContext(IDC_ITEM_CBBRINGFORWARD, 39);
    general_.BindHelpMenu({IDC_ITEM_LBLTIP, IDC_ITEM_EDITTIP, IDC_ITEM_LBLCMD, IDC_ITEM_EDITCMD,
                           IDC_ITEM_LBLDEFDIR, IDC_ITEM_EDITDEFDIR, IDC_ITEM_LBLWNDSIZE,
                           IDC_ITEM_COMBOWNDSIZE, IDC_ITEM_LBLHOTKEY, IDC_ITEM_HOTKEY1, IDC_ITEM_IMAGEICON,
                           IDC_ITEM_LABELICON, IDC_ITEM_LABELICONPATH, IDC_ITEM_BTNCHANGEICO,
                           IDC_ITEM_BTNCLEARICO, IDC_ITEM_CBBRINGFORWARD});

    OpenDlg.Options = ofHideReadOnly | ofShareAware | ofNoDereferenceLinks;
    OpenDlg.Filter = {
        {"すべてのファイル(*.*)", "*.*"},
        {"プログラム(*.exe, *.com)", "*.exe;*.com"},
        {"バッチ・スクリプト(*.bat, *.js, *.jse, *.vbs, *.vbe)", "*.bat;*.js;*.vbs;*.jse;*.vbe"},
        {"文書(*.txt, *.html, *.pdf, *rtf, *.doc, *.xls ... )",
         "*.txt;*.htm;*.html;*.shtml;*.doc;*.xls;*.pdf;*.rtf;*.xml;*.xsl"},
        {"ヘルプ(*.hlp, *.chm)", "*.hlp;*.chm"},
    };
    OpenDlgCPL.Options = ofHideReadOnly;
    OpenDlgCPL.Filter = {{"コントロール パネルDLL(*.CPL)", "*.CPL"}};

    FolderDlg = CreateComponent<TSHBrowseForFolderEx>(this, [this] { return Handle(); });
    FolderDlg->SetShowStyle(ssClient);
    FolderDlg->SetSelectFolder(sfManual);
    FolderDlg->OnExecuted = [this](const std::string& path, const IdList& pidl) {
        FolderDlgExecuted(path, pidl);
    };

    CreateChainPage();
    dialUpEntries_ = DialUpEntries();
}

TForm3::~TForm3() {
    clipboardHook_.reset();
    if (openItemEditor == this) openItemEditor = nullptr;
}

TForm3* TForm3::Instance() {
    return openItemEditor;
}

void TForm3::ShowBadFolderMessage(const std::string& folder) {
    Seams().MessageBox(::GetActiveWindow(),
                       "作業フォルダに指定された '" + folder +
                           "' フォルダは無効です。フォルダがあるか、またはパスが正しいか確認して下さい。",
                       {}, MB_OK | MB_ICONEXCLAMATION);
}

bool TForm3::EditItem(TItemData& item) {
    item_ = &item;
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    std::optional<TItemData> confirmed;
    confirmed_ = &confirmed;
    struct TEnd {
        TForm3& Form;
        ~TEnd() {
            Form.item_ = nullptr;
            Form.confirmed_ = nullptr;
            Form.FormDestroy();
        }
    } end{*this};
    if (ShowModal(owner) != IDOK || !confirmed) return false;
    item = std::move(*confirmed);
    return IsValidItem(item);
}

void TForm3::OnInit() {
    FormCreate();
    LoadItem();
    if (placement_) placement_(Handle());
    FormShow();
}

void TForm3::FormCreate() {
    SetCaption(Caption() + " - " + Application::Title());
    UseSystemUIFont(Handle());
    PageControl1.Open(0);
    UseSystemUIFont(general_.Handle());
    UseSystemUIFont(chain_.Handle());
    hints_ = std::make_unique<THints>(general_.Handle());

    THotKeyControl hotKey(general_.Item(IDC_ITEM_HOTKEY1));
    hotKey.SetRequireModifiers(true);
    ::SendMessageW(hotKey.Handle(), WM_KILLFOCUS, 0, 0);

    TComboBox wndSize(general_.Item(IDC_ITEM_COMBOWNDSIZE));
    for (const char* text : kWndSizes)
        wndSize.Add(text);
    wndSize.SetItemIndex(0);
    ClearIconLocation();
    // In characters; bytes of the stored form are counted again on OK.
    general_.SetTextLimit(IDC_ITEM_EDITCMD, static_cast<int>(kMaxStoredString));
    general_.SetTextLimit(IDC_ITEM_EDITDEFDIR, static_cast<int>(kMaxStoredString));

    OpenChainPage();
    FocusControl(general_.Item(IDC_ITEM_EDITTIP));
}

void TForm3::LoadItem() {
    if (!item_) return;
    const TItemData& item = *item_;
    loading_ = true;
    if (item.IDList) {
        SetIDList(item.IDList);
    } else {
        general_.SetText(IDC_ITEM_EDITCMD, item.Cmd);
        general_.SetText(IDC_ITEM_EDITDEFDIR, item.DefDir);
        if (item.Cmd.empty()) SetCaption("アイコン項目の新規作成 - " + Application::Title());
    }
    TComboBox(general_.Item(IDC_ITEM_COMBOWNDSIZE)).SetItemIndex(item.WndSize < 3 ? item.WndSize : 0);
    THotKeyControl(general_.Item(IDC_ITEM_HOTKEY1)).SetValue(item.HotKey);
    general_.SetChecked(IDC_ITEM_CBBRINGFORWARD, item.BringForward);

    if (item.IDList) {
        general_.SetText(IDC_ITEM_EDITTIP, item.Tip.empty() ? DefaultTip(item) : item.Tip);
    } else if (!item.Tip.empty() && item.Tip != DefaultTip(item)) {
        general_.SetText(IDC_ITEM_EDITTIP, item.Tip);
    }

    std::string path = item.CustomIcon;
    const int index = SplitIconLocation(path);
    if (!path.empty() && NeedsSearch(path)) path = SearchProgram(path);
    if (!path.empty() && FileExists(path)) {
        SetIconLocation(path, index);
    } else {
        ClearIconLocation();
        // A file missing now may be back later (a share, a removable drive): the item keeps its icon
        // unless the user picks another or goes back to the standard one, which stays possible.
        keepStoredIcon_ = !item.CustomIcon.empty();
        general_.SetEnabled(IDC_ITEM_BTNCLEARICO, keepStoredIcon_);
    }

    for (const TChildIcon& child : item.Children)
        AddChildRow(child);
    UpdateChildButtons();
    loading_ = false;
}

void TForm3::FormShow() {
    SetEnabled(IDOK, !general_.Text(IDC_ITEM_EDITCMD).empty() || idList_.Present());
    UpdateChildButtons();
    UpdateChildCount();
}

void TForm3::FormDestroy() {
    CloseChainDrag();
    SetToolbarsFixed(false);
    if (dockSite_) dockSite_->SavePlacements();
}

void TForm3::WriteBack(TItemData& item) {
    item.Cmd = general_.Text(IDC_ITEM_EDITCMD);
    item.IDList = idList_;
    SetIDList({});
    item.DefDir = std::string(TrimBlanks(general_.Text(IDC_ITEM_EDITDEFDIR)));
    item.WndSize =
        static_cast<std::uint8_t>(std::max(0, TComboBox(general_.Item(IDC_ITEM_COMBOWNDSIZE)).ItemIndex()));
    item.Tip = general_.Text(IDC_ITEM_EDITTIP);
    if (item.Tip.empty()) item.Tip = DefaultTip(item);
    if (!keepStoredIcon_) item.CustomIcon = iconLocation_;
    item.HotKey = THotKeyControl(general_.Item(IDC_ITEM_HOTKEY1)).Value();
    item.BringForward = general_.Checked(IDC_ITEM_CBBRINGFORWARD);
    item.Children.clear();
    item.Children.reserve(static_cast<std::size_t>(ChildRowCount()));
    for (int row = 0; row < ChildRowCount(); ++row)
        item.Children.push_back(ChildRow(row));
    while (ChildRowCount() > 0)
        DeleteChildRow(ChildRowCount() - 1);
}

void TForm3::SetIDList(const IdList& list) {
    if (list == idList_) return;
    idList_ = list;
    const bool held = idList_.Present();
    if (general_.Handle()) {
        if (held) {
            general_.SetText(IDC_ITEM_EDITCMD, "");
            general_.SetText(IDC_ITEM_EDITDEFDIR, "");
        }
        const int color = held ? COLOR_BTNFACE : COLOR_WINDOW;
        general_.SetControlSysColor(IDC_ITEM_EDITCMD, color);
        general_.SetControlSysColor(IDC_ITEM_EDITDEFDIR, color);
        general_.SetEnabled(IDC_ITEM_EDITDEFDIR, !held);
        general_.SetEnabled(IDC_ITEM_SBBWDEFDIR, !held);
        SetEnabled(IDOK, held || !general_.Text(IDC_ITEM_EDITCMD).empty());
    }
    if (iconLocation_.empty()) UpdatePreview();
}

void TForm3::editTipChange() {
    // The name is stored in the legacy encoding, where it may take 72 bytes. A longer text from the user
    // is cut there (a paste), but a stored name already longer than that (imported, or written by an
    // older version) is kept: typing into it is refused rather than cutting what the user did not touch.
    const HWND edit = general_.Item(IDC_ITEM_EDITTIP);
    std::string text = WindowText(edit);
    if (loading_ || LegacyLength(text) <= kMaxTipBytes) {
        acceptedTip_ = std::move(text);
        return;
    }
    if (LegacyLength(acceptedTip_) <= kMaxTipBytes)
        text = CutToLegacyBytes(text, kMaxTipBytes);
    else if (text.size() > acceptedTip_.size())
        text = acceptedTip_;
    acceptedTip_ = text;
    SetWindowTextUtf8(edit, text);
    ::SendMessageW(edit, EM_SETSEL, 0x7fffffff, 0x7fffffff);
    Seams().Beep(MB_OK);
}

void TForm3::editCmdChange() {
    const bool typed = !general_.Text(IDC_ITEM_EDITCMD).empty();
    if (idList_.Present() && typed) SetIDList({});
    SetEnabled(IDOK, typed || idList_.Present());
}

void TForm3::SetIconLocation(const std::string& path, int index) {
    keepStoredIcon_ = false;
    iconLocation_ = path + "," + std::to_string(index);
    general_.SetText(IDC_ITEM_LABELICONPATH, iconLocation_);
    general_.SetEnabled(IDC_ITEM_BTNCLEARICO, true);
    if (hints_) hints_->Set(general_.Item(IDC_ITEM_LABELICONPATH), iconLocation_);
    UpdatePreview();
}

void TForm3::ClearIconLocation() {
    keepStoredIcon_ = false;
    iconLocation_.clear();
    general_.SetText(IDC_ITEM_LABELICONPATH, "(標準)");
    general_.SetEnabled(IDC_ITEM_BTNCLEARICO, false);
    if (hints_) hints_->Set(general_.Item(IDC_ITEM_LABELICONPATH), "(標準)");
    UpdatePreview();
}

void TForm3::UpdatePreview() {
    if (!general_.Handle()) return;
    // Drawn at the picture's own size, not stretched from the small icon.
    UniqueIcon icon = ItemIcon(iconLocation_, general_.Text(IDC_ITEM_EDITCMD), idList_,
                               IconSizeForDpi(WindowDpi(general_.Handle())));
    general_.SetStaticIcon(IDC_ITEM_IMAGEICON, icon.Get());
    if (chain_.Handle()) chain_.SetStaticIcon(IDC_ITEM_IMAGEICONCHAIN, icon.Get());
    preview_ = std::move(icon);
}

void TForm3::btnChangeIcoClick() {
    std::string file = iconLocation_;
    int index = SplitIconLocation(file);

    TIcoDlg1 picker;
    TLsReg settings;
    int iconSize = 0;
    std::string defIconPath;
    if (settings.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", true)) {
        iconSize = settings.ReadIntegerDef("IconDlgIconSize", 0);
        defIconPath = settings.ReadStringDef("DefIconPath", "");
    }
    picker.SetIconSize(iconSize);
    if (!defIconPath.empty()) picker.SetDefaultFile(defIconPath);

    if (defIconPath.empty() && file.empty()) {
        std::string proposed = SplitCommandLine(general_.Text(IDC_ITEM_EDITCMD)).Path;
        if (!proposed.empty()) {
            const TLinkInfo link = ReadLinkInfo(proposed, false);
            if (!link.Target.empty() || !link.IconPath.empty()) {
                if (!link.IconPath.empty()) {
                    proposed = link.IconPath;
                    index = link.IconIndex;
                } else {
                    proposed = link.Target;
                }
            }
        }
        const UINT icons =
            proposed.empty() ? 0 : ::ExtractIconExW(Widen(proposed).c_str(), -1, nullptr, nullptr, 0);
        if (icons != 0 && icons != UINT_MAX)
            file = proposed;
        else
            index = 0;
    }

    picker.SetPlacement([this](HWND dialog) { PlaceDialog(Handle(), dialog); });
    bool picked = false;
    try {
        picked = picker.PickIcon(file, index);
    } catch (...) {
        StoreIconSize(picker.IconSize());
        throw;
    }
    StoreIconSize(picker.IconSize());
    if (picked) SetIconLocation(file, index);
}

void TForm3::StoreIconSize(int size) {
    TLsReg settings;
    if (settings.OpenKey("\\Software\\Marlowe\\Lodestar\\Settings", true))
        settings.WriteInteger("IconDlgIconSize", size == 1 ? 1 : 0);
}

void TForm3::btnClearIcoClick() {
    ClearIconLocation();
}

bool TForm3::ConfirmHotKey() {
    const HWND control = general_.Item(IDC_ITEM_HOTKEY1);
    const std::uint16_t hotKey = THotKeyControl(control).Value();
    const THotKeyConflict conflict =
        FindHotKeyConflict(hotKey, item_ ? item_->HotKey : 0, GroupHotKeys, [this](std::uint16_t key) {
            // The program's own registrations belong to the group shown now, which the editor knows by
            // name where it matters; anything else that holds the combination is another program.
            return !(HeldByThisProgram && HeldByThisProgram(key)) && !THookHotKey::Available(key);
        });
    if (conflict.Kind == THotKeyConflictKind::hcNone) return true;
    if (Seams().MessageBox(Handle(), HotKeyConflictQuestion(conflict, HotKeyText(hotKey)), "確認",
                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        return true;
    PageControl1.SetActivePage(0);
    FocusControl(control);
    return false;
}

bool TForm3::ConfirmStoredLengths() {
    for (const auto& [id, field] :
         {std::pair{IDC_ITEM_EDITCMD, "コマンドライン"}, {IDC_ITEM_EDITDEFDIR, "作業フォルダ"}}) {
        const HWND edit = general_.Item(id);
        if (FitsStoredString(WindowText(edit))) continue;
        PageControl1.SetActivePage(0);
        return ConfirmStoredLength(edit, field);
    }
    if (keepStoredIcon_ || ConfirmStoredLength(iconLocation_, "表示アイコンのパス")) return true;
    PageControl1.SetActivePage(0);
    FocusControl(general_.Item(IDC_ITEM_BTNCHANGEICO));
    return false;
}

void TForm3::btnOK3Click() {
    // Before the command is split and looked up (which works on path-sized buffers), and again after the
    // look-up may have made it longer.
    if (!ConfirmStoredLengths()) return;
    if (ConfirmTarget(general_.Item(IDC_ITEM_EDITCMD), general_.Item(IDC_ITEM_EDITDEFDIR),
                      idList_.Present())) {
        if (!ConfirmStoredLengths() || !ConfirmHotKey()) return;
        // The values are taken while the controls exist; the item itself changes once the dialog is gone.
        if (item_ && confirmed_) {
            TItemData result = *item_;
            WriteBack(result);
            *confirmed_ = std::move(result);
        }
        EndDialog(IDOK);
    } else
        SetEnabled(IDOK, !general_.Text(IDC_ITEM_EDITCMD).empty() || idList_.Present());
}

void TForm3::btnHelp3Click() {
    ShowHelpTopic(Handle(), kHelpIndex);
}

} // namespace lodestar
