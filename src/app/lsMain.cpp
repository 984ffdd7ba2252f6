// The main window's life and state: start-up, the shown group read into icon items and saved, the main icon,
// the group menu, and the end.
#include "lsMain.h"

#include "AppSettings.h"
#include "Application.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "DropPIDLTarget.h"
#include "Hkhotkey.h"
#include "IconPrefetch.h"
#include "LsReg.h"
#include "RunningWatch.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "lshook1.h"
#include "Store.h"
#include "TrayIdentity.h"
#include "WinText.h"
#include "LegacyText.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsMainDpi.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>
#include <cctype>

namespace lodestar {

namespace {

const char* const kGroupKeptMessage =
    "表示中のグループには読み込めなかったアイコン項目があるため、このグループは変更できません。\r"
    "保存されている内容は、読み込めなかった項目も含めてそのまま残してあります。";
const char* const kOverfullGroupKeptMessage =
    "表示中のグループには 200 個を超えるアイコン項目が保存されているため、このグループは変更できません。\r"
    "保存されている内容は、表示していない項目も含めてそのまま残してあります。";

std::string OverfullGroupMessage(int group) {
    return "グループ " + std::to_string(group) +
           " には 200 個を超えるアイコン項目が保存されています。最初の 200 個を表示します。\r"
           "このグループは変更できません。保存されている内容は、表示していない項目も含めてそのまま残してあり"
           "ます。";
}
const UINT WM_TASKBARCREATED = ::RegisterWindowMessageW(L"TaskbarCreated");

} // namespace

int StartupDelay(const std::string& argument) {
    const std::string upper = UpperAscii(argument);
    if (upper.rfind("/D:", 0) != 0) return 0;
    const std::string digits = argument.substr(3, 4);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return 0;
    return std::stoi(digits);
}

std::optional<LRESULT> TForm1::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto result = SessionMessage(message, wParam, lParam)) return result;
    if (runningWatch_)
        if (const auto result = runningWatch_->WindowMessage(message, wParam)) return result;
    switch (message) {
    case WM_OPENOPTIONS:
        OpenOptions();
        return 0;
    case WM_REFUSEDROP:
        // The drop is over: the overlay goes before the box, which stops the timer that would hide it.
        HideOverlay();
        DragTicks = 0;
        RefuseChange();
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1) Timer1Timer();
        if (wParam == kTrayRetryTimer) RetryTrayIcons();
        return 0;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_COPYDATA:
        return ReceiveDroppedNames(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_ADDDROPPED:
        AddDroppedFiles(std::exchange(droppedNames_, {}));
        return 0;
    case WM_PAINT:
        PaintOverlay();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SHOWWINDOW:
        if (!wParam) FormHide();
        return std::nullopt;
    case WM_DESTROYCLIPBOARD:
        // The system does not free blocks of the private formats: the one the dialogs put there goes
        // now, and their paste buttons learn that it is gone.
        FreeClipboardBlock();
        ClipboardEmptied();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The process may be ended right after this message: save now, as the exit command would. No box
        // could wait for the user here.
        if (wParam) SaveOnExit(false);
        return 0;
    case WM_CLOSE:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    if (message == WM_TASKBARCREATED && message != 0) {
        ReAddIcons();
        RefreshTrayIconsForScale(*this);
        return 0;
    }
    if (message == WM_DPICHANGED || message == WM_DISPLAYCHANGE || message == WM_SETTINGCHANGE)
        RefreshTrayIconsForScale(*this);
    return std::nullopt;
}

TForm1::TForm1(const std::string& startArgument)
    : TComponent(nullptr), window_(
                               L"LodestarMainWindow", TOwnedWindow::TKind::Hidden,
                               [this](UINT message, WPARAM wParam, LPARAM lParam) {
                                   return WindowMessage(message, wParam, lParam);
                               },
                               WS_EX_TOPMOST | WS_EX_TOOLWINDOW) {
    SetName("Form1");
    CreateMenus();
    TSettings& settings = ProgramSettings();
    settings = ReadSettings();
    if (const int delay = StartupDelay(startArgument); delay > 0) ::Sleep(static_cast<DWORD>(delay));
    dropMode_ = settings.TrayDndType;
    MainIcon->SetHint(Application::Title());
    UpdateMainIcon();
    currentGroup_ = settings.IconGroup;
    GroupMenuItems[static_cast<std::size_t>(currentGroup_)]->Checked = true;
    runningWatch_ = std::make_unique<TRunningWatch>(Handle(), [this] { return IconItems(); });
    LoadGroup();
    runningWatch_->SetEnabled(settings.MarkRunning);
    SetActive(true);
    RebuildGroupMenu();
    EnsureReachable();
    PIDLTarget1->Register(Handle(), Name());
    SetClipboardWindow(Handle());
    WatchSession(true);
}

TForm1::~TForm1() {
    try {
        PIDLTarget1->Unregister();
    } catch (...) {
        // The window goes away with the program; a registration it cannot revoke has no one left to serve.
    }
    SetActive(false);
    SaveOnExit(true);
    // Only a clipboard this window filled is emptied: anything else there is the user's.
    if (::GetClipboardOwner() == Handle() && ::OpenClipboard(Handle())) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    SetClipboardWindow(nullptr);
    runningWatch_.reset();
    FreeIconItems();
    WatchSession(false);
    window_.Destroy();
}

void TForm1::SaveOnExit(bool report) noexcept {
    const auto step = [report](auto&& save) noexcept {
        try {
            save();
        } catch (...) {
            if (report) Application::HandleException(std::current_exception());
        }
    };
    step([this] { SaveGroup(); });
    step([this] { WriteIconGroup(currentGroup_); });
}

bool TForm1::RefuseChange() {
    if (!groupIncomplete_) return false;
    TInactiveWhile inactive(*this);
    ShowErrorBox(GroupKeptMessage(), MB_ICONEXCLAMATION);
    return true;
}

void TForm1::CreateMenus() {
    // Components go in reverse order of creation: the items under the main icon give their hotkeys back to
    // this component, so it is made first, also for a start-up that fails half way.
    HkHotKey1 = CreateComponent<THookHotKey>(this, Handle());
    HkHotKey1->SetName("HkHotKey1");
    HkHotKey1->Activate = false;
    HkHotKey1->OnHotKey = [this](TComponent* s, int index) { HkHotKey1HotKey(s, index); };

    MainIcon = CreateComponent<TIconTray>(this);
    MainIcon->SetName("MainIcon");
    MainIcon->SetIconID(kMainIconId);
    MainIcon->OnClick = [this](TComponent* s) { MainIconClick(s); };
    MainIcon->OnDblClick = [this](TComponent* s) { MainIconDblClick(s); };
    MainIcon->OnMouseUp = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
        MainIconMouseUp(s, b, sh, x, y);
    };

    pmMain = CreateComponent<TPopupMenu>(this);
    pmMain->SetName("pmMain");
    TMenuItem* root = pmMain->Items();
    root->Add("Lodestar Mark-R の終了(&X)", [this](TMenuItem* s) { miExitClick(s); })->SetName("miExit");
    root->Add("-")->SetName("N1");
    TMenuItem* miOpt = root->Add("管理＆設定(&O)...", [this](TMenuItem* s) { miOptClick(s); });
    miOpt->SetName("miOpt");
    miOpt->Default = true;
    root->Add("全表示アイコンの更新(&R)", [this](TMenuItem* s) { miReloadIconsClick(s); })
        ->SetName("miReloadIcons");
    miRefusedHotKeys = root->Add(RefusedHotKeysCaption(0));
    miRefusedHotKeys->SetName("miRefusedHotKeys");
    miRefusedHotKeys->Visible = false;
    pmMain->OnPopup = [this](TPopupMenu* s) { pmMainPopup(s); };
    CreateTrayEntries(root);
    miGroupDivider = root->Add("-");
    miGroupDivider->SetName("miGroupDivider");
    miGroupDivider->Visible = false;
    for (int g = 0; g < kGroupCount; ++g) {
        TMenuItem* item = root->Add(g == 0 ? "&0" : "&" + std::to_string(g) + " ",
                                    [this](TMenuItem* s) { miGroupsClick(s); });
        item->SetName("miGroup" + std::to_string(g));
        item->Tag = g;
        item->RadioItem = true;
        item->Visible = false;
    }
    for (int g = 0; g < kGroupCount; ++g)
        GroupMenuItems[static_cast<std::size_t>(g)] =
            static_cast<TMenuItem*>(root->FindComponent("miGroup" + std::to_string(g)));

    pmItems = CreateComponent<TPopupMenu>(this);
    pmItems->SetName("pmItems");
    pmItems->OnPopup = [this](TPopupMenu* s) { pmItemsPopup(s); };
    TMenuItem* items = pmItems->Items();
    items->Add("メインメニュー(&M)")->Submenu = pmMain;
    items->Add("-")->SetName("N2");
    items->Add("この項目を削除(&D)", [this](TMenuItem* s) { miDelIconClick(s); })->SetName("miDelIcon");
    items->Add("-")->SetName("N3");
    items->Add("アイコン項目のプロパティ(&E)...", [this](TMenuItem* s) { miEditThisIcoClick(s); })
        ->SetName("miEditThisIco");
    miProperty = items->Add("ファイルのプロパティ(&R)", [this](TMenuItem* s) { miPropertyClick(s); });
    miProperty->SetName("miProperty");

    PIDLTarget1 = CreateComponent<TDropPIDLTarget>(this);
    PIDLTarget1->SetName("PIDLTarget1");
    PIDLTarget1->Dragtypes = {dtLink};
    PIDLTarget1->GetDataOnEnter = false;
    PIDLTarget1->OnLeave = [this](TComponent*) { PIDLTarget1Leave(); };
    PIDLTarget1->OnDrop = [this](TComponent*, TShiftState, POINT, DWORD& effect) {
        if (groupIncomplete_) {
            effect = DROPEFFECT_NONE;
            ::PostMessageW(Handle(), WM_REFUSEDROP, 0, 0);
            return;
        }
        PIDLTarget1Drop();
    };
}

std::vector<TIconItem*> TForm1::IconItems() const {
    std::vector<TIconItem*> items;
    for (TComponent* c : MainIcon->Components())
        if (auto* item = dynamic_cast<TIconItem*>(c)) items.push_back(item);
    return items;
}

void TForm1::SetActive(bool enabled) noexcept {
    try {
        SetTrayDrop(enabled);
    } catch (...) {
        dropMode_ = 0;
        Application::HandleException(std::current_exception());
    }
    active_ = enabled;
}

void TForm1::LoadGroup(const std::function<void()>& beforeAdding) {
    groupIncomplete_ = false;
    groupOverfull_ = false;
    std::vector<TItemData> records;
    std::exception_ptr error;
    try {
        TLsReg reg;
        reg.ReadGroup(currentGroup_, 0, [&records](const TItemData& item, int) {
            // Records without command and ID list cannot be started and are not shown.
            if (IsValidItem(item)) records.push_back(item);
        });
    } catch (...) {
        error = std::current_exception();
    }
    TIconPrefetch icons(records, {}, TrayIconSizeForNewIcons());
    // The old icons leave the notification area after the new ones are in.
    const TIconTray::TRemovalsDeferred removals;
    if (beforeAdding) beforeAdding();
    // Writing back what can be shown would delete the rest.
    if (AddItems(records, icons) < records.size()) groupOverfull_ = groupIncomplete_ = true;
    if (error) {
        // Writing the group back now would delete the values after the one that failed.
        groupIncomplete_ = true;
        Application::HandleException(error);
        return;
    }
    if (groupOverfull_) ShowErrorBox(OverfullGroupMessage(currentGroup_), MB_ICONEXCLAMATION);
}

std::string TForm1::GroupKeptMessage() const {
    return groupOverfull_ ? kOverfullGroupKeptMessage : kGroupKeptMessage;
}

void TForm1::SaveGroup() {
    if (groupIncomplete_) return;
    std::vector<TItemData> records;
    for (TIconItem* item : IconItems())
        records.push_back(item->GetData());
    SaveShownGroup(currentGroup_, records);
}

std::size_t TForm1::AddItems(const std::vector<TItemData>& records, TIconPrefetch& icons) {
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!AddItem(records[i], icons.Take(i))) return i;
    return records.size();
}

void TForm1::ClearTray() {
    FreeIconItems();
    RemoveMainIcon();
    UpdateMainIcon();
}

TIconItem* TForm1::AddItem(const TItemData& record, UniqueIcon icon) {
    const int n = NextItemNumber(*MainIcon);
    if (n > kMaxItemNumber) return nullptr;
    auto* item = CreateComponent<TIconItem>(MainIcon, HkHotKey1);
    item->SetName(IconItemName(n));
    item->Tag = n;
    item->SetIconID(ItemIconId(currentGroup_, n));
    if (record.IDList.Present())
        item->IDList = record.IDList;
    else
        item->Cmd = JoinCommandLine(SplitCommandLine(TrimBlanks(record.Cmd)));
    item->WndSize = record.WndSize;
    item->DefDir = record.DefDir;
    item->SetHint(ItemName(record));
    item->CustomIcon = record.CustomIcon;
    item->Children = record.Children;
    item->BringForward = record.BringForward;
    item->SetHotKey(record.HotKey);
    item->OnClick = [this](TComponent* s) { IconItemClick(s); };
    item->OnDblClick = [this](TComponent* s) { IconItemDblClick(s); };
    item->OnMouseUp = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
        IconItemMouseUp(s, b, sh, x, y);
    };
    ShowInTray([&] { item->NewIconByHandle(TrayItemIcon(record, std::move(icon))); });
    if (runningWatch_) runningWatch_->Schedule();
    return item;
}

void TForm1::UpdateMainIcon() {
    ShowInTray([this] {
        if (ProgramSettings().ShowMainIcon)
            MainIcon->TakeIcon(StockIcon(0, TrayIconSizeForNewIcons()));
        else
            MainIcon->SetIcon(nullptr);
    });
}

void TForm1::RemoveMainIcon() {
    MainIcon->SetIcon(nullptr);
}

void TForm1::EnsureReachable() {
    if (ProgramSettings().ShowMainIcon || !IconItems().empty()) return;
    ShowErrorBox("現在の設定ではタスクトレイにアイコンが無いため、操作不能になってしまうので、\r強制的にメイ"
                 "ンアイコンを表示します。",
                 MB_ICONEXCLAMATION);
    ProgramSettings().ShowMainIcon = true;
    UpdateMainIcon();
}

void TForm1::RebuildGroupMenu() {
    std::vector<int> listed;
    for (int g = 0; g < kGroupCount; ++g) {
        TMenuItem* entry = GroupMenuItems[static_cast<std::size_t>(g)];
        entry->Visible = false;
        TLsReg reg;
        if (!reg.OpenKey(std::string(kProgramKey) + "\\" + kGroupsKey + "\\" + GroupKeyName(g), false))
            continue;
        // The name is one value: a group without another holds no items.
        if (reg.ValueCount() < 2 && g != currentGroup_) continue;
        std::string name = reg.ReadStringDef("", "");
        if (name.empty()) name = std::to_string(g);
        entry->Caption = EscapeAmpersands(CutCharacters(name, 40));
        listed.push_back(g);
    }
    const bool onlyShown = listed.empty() || (listed.size() == 1 && listed[0] == currentGroup_);
    miGroupDivider->Visible = !onlyShown;
    if (onlyShown) return;
    for (int g : listed)
        GroupMenuItems[static_cast<std::size_t>(g)]->Visible = true;
}

void TForm1::FreeIconItems() {
    std::vector<TIconItem*> items = IconItems();
    if (std::find(items.begin(), items.end(), pmItems->PopupComponent) != items.end())
        pmItems->PopupComponent = nullptr;
    // The icon whose menu chose this command is released once its click has been handled.
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        TIconTray::Release(*it);
}

void TForm1::Close() {
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

} // namespace lodestar
