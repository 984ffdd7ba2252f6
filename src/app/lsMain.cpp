#include "lsMain.h"

#include "AppSettings.h"
#include "Application.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "DropPIDLTarget.h"
#include "Hkhotkey.h"
#include "LsReg.h"
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
#include <cctype>

namespace lodestar {

namespace {

constexpr UINT_PTR kTimer1 = 1;

const char* const kGroupKeptMessage =
    "表示中のグループには読み込めなかったアイコン項目があるため、このグループは変更できません。\r"
    "保存されている内容は、読み込めなかった項目も含めてそのまま残してあります。";
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
        return 0;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
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
    LoadGroup();
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
    ShowErrorBox(kGroupKeptMessage, MB_ICONEXCLAMATION);
    return true;
}

void TForm1::CreateMenus() {
    MainIcon = CreateComponent<TIconTray>(this);
    MainIcon->SetName("MainIcon");
    MainIcon->SetIconID(kMainIconId);
    MainIcon->OnClick = [this](TComponent* s) { MainIconClick(s); };
    MainIcon->OnDblClick = [this](TComponent* s) { MainIconDblClick(s); };
    MainIcon->OnMouseUp = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
        MainIconMouseUp(s, b, sh, x, y);
    };

    HkHotKey1 = CreateComponent<THookHotKey>(this, Handle());
    HkHotKey1->SetName("HkHotKey1");
    HkHotKey1->Activate = false;
    HkHotKey1->OnHotKey = [this](TComponent* s, int index) { HkHotKey1HotKey(s, index); };

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

void TForm1::SetTrayDrop(bool enabled) {
    if (dropMode_ < 0 || dropMode_ > 2) return;
    timerEnabled_ = dropMode_ == 1 && enabled;
    if (timerEnabled_)
        ::SetTimer(Handle(), kTimer1, static_cast<UINT>(ProgramSettings().Interval), nullptr);
    else
        ::KillTimer(Handle(), kTimer1);
    if (dropMode_ == 2 && enabled) {
        if (!HookLoaded()) InstallHook(Handle());
    } else if (HookLoaded()) {
        UninstallHook();
    }
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

void TForm1::Timer1Timer() {
    if (!Seams().AsyncKeyDown(VK_LBUTTON) && !Seams().AsyncKeyDown(VK_RBUTTON)) {
        if (DragTicks != 0) {
            HideOverlay();
            DragTicks = 0;
        }
        return;
    }
    if (OverlayShown()) return;
    if (DragTicks > 0) {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        const HWND area = FindTrayNotifyWnd();
        if (area && ::WindowFromPoint(cursor) == area) {
            if (NextItemNumber(*MainIcon) > kMaxItemNumber) return;
            ShowOverlay(area);
        }
    }
    ++DragTicks;
}

bool TForm1::OverlayShown() const {
    return ::IsWindowVisible(Handle()) != FALSE;
}

void TForm1::ShowOverlay(HWND area) {
    RECT bounds{};
    ::GetWindowRect(area, &bounds);
    ::InflateRect(&bounds, -1, -1);
    const int width = std::max<LONG>(bounds.right - bounds.left, 0);
    const int height = std::max<LONG>(bounds.bottom - bounds.top, 0);
    ::SetWindowPos(Handle(), HWND_TOPMOST, bounds.left, bounds.top, width, height, SWP_NOACTIVATE);
    if (const WindowDC areaDc(area); areaDc) {
        UniqueMemoryDC memory(::CreateCompatibleDC(areaDc.Get()));
        UniqueBitmap picture(::CreateCompatibleBitmap(areaDc.Get(), width, height));
        if (memory && picture) {
            {
                const SelectedObject selected(memory.Get(), picture.Get());
                if (!::BitBlt(memory.Get(), 0, 0, width, height, areaDc.Get(), 0, 0, SRCCOPY)) {
                    // Some systems refuse to read another process's window: the screen shows the same pixels.
                    POINT origin{0, 0};
                    ::ClientToScreen(area, &origin);
                    if (const WindowDC screen(nullptr); screen)
                        ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), origin.x, origin.y,
                                 SRCCOPY);
                }
            }
            pb1_ = std::move(picture);
            pb1Size_ = {width, height};
        }
    }
    PIDLTarget1->Dragtypes = {dtLink};
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::InvalidateRect(Handle(), nullptr, FALSE);
    ::UpdateWindow(Handle());
}

void TForm1::HideOverlay() {
    ::ShowWindow(Handle(), SW_HIDE);
}

void TForm1::FormHide() {
    pb1_.Reset();
    pb1Size_ = {};
}

void TForm1::PaintOverlay() {
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(Handle(), &paint);
    if (pb1_) {
        UniqueMemoryDC memory(::CreateCompatibleDC(dc));
        const SelectedObject selected(memory.Get(), pb1_.Get());
        ::BitBlt(dc, 0, 0, pb1Size_.cx, pb1Size_.cy, memory.Get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(Handle(), &paint);
}

void TForm1::PIDLTarget1Leave() {
    HideOverlay();
}

void TForm1::PIDLTarget1Drop() {
    const int count = PIDLTarget1->PidlCount();
    for (int i = 0; i + 2 <= count; ++i) {
        if (NextItemNumber(*MainIcon) > kMaxItemNumber) {
            PIDLTarget1->Dragtypes = {};
            return;
        }
        const std::string path = PIDLTarget1->Filenames()[i];
        IdList idList;
        if (const UniqueCoTask<ITEMIDLIST> pidl = PIDLTarget1->PidlAt(i + 1)) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(pidl.Get());
            idList = IdList::FromBytes({bytes, IdList::WalkedSize(bytes)}).value_or(IdList());
        }
        TItemData record;
        if (IsFileSystemObject(path, idList)) {
            if (ProgramSettings().DereferLinks && ItemFromFile(path, record)) {
                AddItem(record);
                continue;
            }
            record = TItemData{};
            record.Cmd = QuoteIfSpaced(path);
        } else {
            record.IDList = std::move(idList);
        }
        AddItem(record);
    }
}

void TForm1::DropFiles(HDROP drop) {
    if (groupIncomplete_) {
        ::DragFinish(drop);
        RefuseChange();
        return;
    }
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        if (NextItemNumber(*MainIcon) > kMaxItemNumber) break;
        wchar_t buffer[MAX_PATH + 1] = {};
        const UINT length = ::DragQueryFileW(drop, i, buffer, MAX_PATH + 1);
        const std::string path = Narrow(std::wstring_view(buffer, std::min<UINT>(length, MAX_PATH)));
        TItemData record;
        if (FileExists(path) && ProgramSettings().DereferLinks && ItemFromFile(path, record)) {
            AddItem(record);
            continue;
        }
        record = TItemData{};
        record.Cmd = QuoteIfSpaced(path);
        AddItem(record);
    }
    ::DragFinish(drop);
}

void TForm1::LoadGroup() {
    groupIncomplete_ = false;
    try {
        TLsReg reg;
        reg.ReadGroup(currentGroup_, 0, [this](const TItemData& item, int) {
            // Records without command and ID list cannot be started and are not shown.
            if (IsValidItem(item)) AddItem(item);
        });
    } catch (...) {
        // Writing the group back now would delete the values after the one that failed.
        groupIncomplete_ = true;
        Application::HandleException(std::current_exception());
    }
}

void TForm1::SaveGroup() {
    if (groupIncomplete_) return;
    std::vector<TItemData> records;
    for (TIconItem* item : IconItems())
        records.push_back(item->GetData());
    SaveShownGroup(currentGroup_, records);
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
    item->SetHotKey(record.HotKey);
    item->OnClick = [this](TComponent* s) { IconItemClick(s); };
    item->OnDblClick = [this](TComponent* s) { IconItemDblClick(s); };
    item->OnMouseUp = [this](TComponent* s, TMouseButton b, TShiftState sh, int x, int y) {
        IconItemMouseUp(s, b, sh, x, y);
    };
    item->NewIconByHandle(TrayItemIcon(record, std::move(icon)));
    return item;
}

void TForm1::UpdateMainIcon() {
    if (ProgramSettings().ShowMainIcon)
        MainIcon->TakeIcon(StockIcon(0, TrayIconSizeForNewIcons()));
    else
        MainIcon->SetIcon(nullptr);
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
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        delete *it;
}

void TForm1::Close() {
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

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
            FreeIconItems();
            RemoveMainIcon();
            UpdateMainIcon();
            for (std::size_t i = 0; i < result->ShownItems.size(); ++i)
                AddItem(result->ShownItems[i],
                        i < result->ShownIcons.size() ? std::move(result->ShownIcons[i]) : UniqueIcon());
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
        FreeIconItems();
        RemoveMainIcon();
        UpdateMainIcon();
        LoadGroup();
        EnsureReachable();
        return;
    }
    for (TIconItem* item : IconItems())
        item->NewIconByHandle(ItemIcon(item->CustomIcon, item->Cmd, item->IDList, TrayIconSizeForNewIcons()));
}

void TForm1::miGroupsClick(TMenuItem* sender) {
    TInactiveWhile inactive(*this);
    if (sender->Checked) return;
    for (TMenuItem* entry : GroupMenuItems)
        entry->Checked = entry == sender;
    SaveGroup();
    FreeIconItems();
    RemoveMainIcon();
    UpdateMainIcon();
    currentGroup_ = sender->Tag;
    LoadGroup();
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
        delete item;
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
    if (ProgramDialogs().EditItem(*this, record)) item->SetData(record);
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
