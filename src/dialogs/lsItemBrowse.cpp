// The browse menu of the item editor, which the child editor borrows: a file, a folder or any object of
// the shell namespace, the working folder, Windows exit commands, dial-up connections and Control Panel
// files, filled into whichever editor opened the menu.
#include "lsItem.h"

#include "CommandLine.h"
#include "Errors.h"
#include "Menus.h"
#include "ShellHelpers.h"
#include "WinText.h"
#include "lsCommon.h"
#include "lsSubCmd.h"
#include "resource.h"

#include <cstring>

namespace lodestar {

namespace {
// The remote-access interface's entry record as the program asks for it: a size field and a name.
constexpr DWORD kRasEntrySize = 264;
constexpr DWORD kRasEntries = 100;
constexpr std::size_t kRasNameOffset = 4;
constexpr std::size_t kRasNameLength = 257;
using RasEnumEntriesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, void*, LPDWORD, LPDWORD);

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(std::wstring_view(folder, n < MAX_PATH ? n : 0));
}
} // namespace

TBrowseFill ExitWindowsFill(bool restart) {
    return {std::string("Windowsの") + (restart ? "再起動" : "終了"),
            std::string("RUNDLL.EXE USER.EXE,") + (restart ? "ExitWindowsExec" : "ExitWindows")};
}

TBrowseFill DialUpFill(std::string_view entry) {
    return {std::string(entry) + "への接続", "RUNDLL32.EXE RNAUI.DLL,RnaDial " + std::string(entry)};
}

std::vector<std::string> DialUpEntries() {
    std::vector<std::string> names;
    const UniqueModule library(::LoadLibraryW(L"RASAPI32.DLL"));
    if (!library) return names;
    // Through void*: a FARPROC is a function of no arguments to the compiler.
    const auto enumEntries = reinterpret_cast<RasEnumEntriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "RasEnumEntriesA")));
    if (!enumEntries) return names;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(kRasEntrySize) * kRasEntries);
    std::memcpy(buffer.data(), &kRasEntrySize, sizeof kRasEntrySize);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD count = 0;
    if (enumEntries(nullptr, nullptr, buffer.data(), &size, &count) != 0) return names;
    for (DWORD i = 0; i < count && i < kRasEntries; ++i) {
        const char* name = reinterpret_cast<const char*>(buffer.data() + i * kRasEntrySize + kRasNameOffset);
        names.emplace_back(name, strnlen(name, kRasNameLength));
    }
    return names;
}

// The controls and the target of the editor a browse action fills.
struct TForm3::TBrowseTarget {
    bool ItemEditor = false;
    HWND EditCmd = nullptr;
    HWND EditTip = nullptr;
    HWND EditDefDir = nullptr;
    HWND ComboWndSize = nullptr;
    std::function<const IdList&()> IdListOf;
    std::function<void(const IdList&)> SetIdList;
};

TForm3::TBrowseTarget TForm3::TargetOf(TDialog& ownerForm) {
    TBrowseTarget target;
    TDialog* controls = nullptr;
    if (&ownerForm == this) {
        target.ItemEditor = true;
        controls = &general_;
        target.IdListOf = [this]() -> const IdList& { return idList_; };
        target.SetIdList = [this](const IdList& list) { SetIDList(list); };
    } else if (auto* child = dynamic_cast<TFormChild*>(&ownerForm)) {
        controls = child;
        target.IdListOf = [child]() -> const IdList& { return child->TargetIdList(); };
        target.SetIdList = [child](const IdList& list) { child->SetIDList(list); };
    }
    if (controls) {
        target.EditCmd = controls->FindControl("EditCmd");
        target.EditTip = controls->FindControl("EditTip");
        target.EditDefDir = controls->FindControl("EditDefDir");
        target.ComboWndSize = controls->FindControl("comboWndSize");
    }
    if (!target.EditCmd || !target.EditTip || !target.EditDefDir || !target.ComboWndSize)
        throw EProgramError("Program Error:PopupComponentが適切に設定されていません");
    return target;
}

void TForm3::sbBrowseClick() {
    RECT button{};
    ::GetWindowRect(general_.Item(IDC_ITEM_SBBROWSE), &button);
    PopupBrowseMenu(*this, {button.right, button.bottom});
}

void TForm3::sbBwDefDirClick() {
    browseOwner_ = this;
    miBwFolderClick(TBrowseOrigin::boDefDir);
}

void TForm3::PopupBrowseMenu(TDialog& ownerForm, POINT screen) {
    std::optional<TBrowseCommand> chosen;
    std::string dialUpEntry;
    TPopupMenu pmBw(nullptr);
    pmBw.Alignment = TPM_RIGHTALIGN;
    TMenuItem* items = pmBw.Items();
    const auto choose = [&chosen](TBrowseCommand command) {
        return [&chosen, command](TMenuItem*) { chosen = command; };
    };
    items->Add("ファイル(&F)...", choose(TBrowseCommand::bcFile))->SetName("miBwFile");
    items->Add("フォルダ(&O)...", choose(TBrowseCommand::bcFolder))->SetName("miBwFolder");
    items->Add("すべての項目(&A)...", choose(TBrowseCommand::bcAll))->SetName("miBwAll");
    items->Add("-");
    TMenuItem* more = items->Add("その他(&M)");
    more->SetName("M1");
    TMenuItem* exitWin = more->Add("Windowsの終了");
    exitWin->SetName("mcExitWin");
    exitWin->Add("終了", choose(TBrowseCommand::bcExitWindows))->SetName("Exit1");
    exitWin->Add("再起動", choose(TBrowseCommand::bcRestartWindows))->SetName("R1");
    TMenuItem* dialUp = more->Add("接続ダイアログ(&D)");
    dialUp->SetName("mcDialUp");
    dialUp->Enabled = !dialUpEntries_.empty();
    for (const std::string& entry : dialUpEntries_) {
        dialUp->Add(EscapeAmpersands(entry), [&chosen, &dialUpEntry, entry](TMenuItem*) {
            chosen = TBrowseCommand::bcDialUp;
            dialUpEntry = entry;
        });
    }
    more->Add("コントロール パネル(手動)...", choose(TBrowseCommand::bcManualCpl))->SetName("miManualCPL");

    // The menu closes when the user clicks elsewhere only while its owner is the foreground window.
    ::SetForegroundWindow(ownerForm.Handle());
    pmBw.Popup(ownerForm.Handle(), screen.x, screen.y);
    if (chosen) RunBrowseCommand(ownerForm, *chosen, dialUpEntry);
}

void TForm3::RunBrowseCommand(TDialog& ownerForm, TBrowseCommand command, const std::string& dialUpEntry) {
    TBrowseTarget target = TargetOf(ownerForm);
    browseOwner_ = &ownerForm;
    switch (command) {
    case TBrowseCommand::bcFile:
        miBwFileClick(target);
        break;
    case TBrowseCommand::bcFolder:
        miBwFolderClick(TBrowseOrigin::boFolder);
        break;
    case TBrowseCommand::bcAll:
        miBwFolderClick(TBrowseOrigin::boAll);
        break;
    case TBrowseCommand::bcExitWindows:
    case TBrowseCommand::bcRestartWindows:
        miExitWinClick(target, command == TBrowseCommand::bcRestartWindows);
        break;
    case TBrowseCommand::bcDialUp:
        mcBwDialUpClick(target, dialUpEntry);
        break;
    case TBrowseCommand::bcManualCpl:
        miManualCPLClick(target);
        break;
    }
}

void TForm3::miBwFileClick(TBrowseTarget& target) {
    OpenDlg.FileName.clear();
    OpenDlg.InitialDir = FolderOrMyComputer(SplitCommandLine(WindowText(target.EditCmd)).Path);
    if (!OpenDlg.Execute(browseOwner_ ? browseOwner_->Handle() : Handle())) return;
    const std::string path = OpenDlg.FileName;
    TItemData record;
    if (ResolveShortcuts && ItemFromFile(path, record) && IsValidItem(record)) {
        SetWindowTextUtf8(target.EditTip, record.Tip);
        SetWindowTextUtf8(target.EditCmd, record.Cmd);
        SetWindowTextUtf8(target.EditDefDir, record.DefDir);
        TComboBox(target.ComboWndSize).SetItemIndex(record.WndSize < 3 ? record.WndSize : 0);
        target.SetIdList(record.IDList);
        if (target.ItemEditor) {
            std::string icon = record.CustomIcon;
            const int index = SplitIconLocation(icon);
            if (icon.empty())
                ClearIconLocation();
            else
                SetIconLocation(icon, index);
            THotKeyControl(general_.Item(IDC_ITEM_HOTKEY1)).SetValue(record.HotKey);
        }
        return;
    }
    target.SetIdList({});
    SetWindowTextUtf8(target.EditTip, ExtractFileName(path));
    SetWindowTextUtf8(target.EditCmd, QuoteIfSpaced(path));
    if (target.ItemEditor && iconLocation_.empty()) UpdatePreview();
}

void TForm3::miBwFolderClick(TBrowseOrigin origin) {
    // The working-folder button of an open child editor browses for that editor: it is modal over this one.
    if (origin == TBrowseOrigin::boDefDir && TFormChild::Instance() && TFormChild::Instance()->Handle())
        browseOwner_ = TFormChild::Instance();
    if (!browseOwner_) browseOwner_ = this;
    TBrowseTarget target = TargetOf(*browseOwner_);
    BrowseOrigin = origin;
    if (origin == TBrowseOrigin::boDefDir) {
        if (target.IdListOf().Present()) return;
        FolderDlg->Caption = "作業フォルダとして使用する場所を選択してください。";
        FolderDlg->SetRootFolder(rfDrives);
        FolderDlg->Options = {sboReturnOnlyFSDirs, sboReturnFSAncestors};
        FolderDlg->SetSelectFolderName(FolderOrMyComputer(WindowText(target.EditDefDir)));
    } else {
        FolderDlg->Caption = origin == TBrowseOrigin::boFolder
                                 ? "開かれるフォルダを選択してください。"
                                 : "開かれるファイルまたはフォルダを選択してください。";
        FolderDlg->SetRootFolder(rfDesktop);
        FolderDlg->Options =
            origin == TBrowseOrigin::boFolder ? TSHBrowseOptions{} : TSHBrowseOptions{sboBrowseIncludeFiles};
        FolderDlg->SetSelectFolderName(FolderOrMyComputer(SplitCommandLine(WindowText(target.EditCmd)).Path));
    }
    FolderDlg->Execute();
}

void TForm3::FolderDlgExecuted(const std::string& path, const IdList& pidl) {
    TBrowseTarget target = TargetOf(browseOwner_ ? *browseOwner_ : static_cast<TDialog&>(*this));
    const bool defDir = BrowseOrigin == TBrowseOrigin::boDefDir;
    if (IsFileSystemObject(path, pidl)) {
        if (defDir) {
            SetWindowTextUtf8(target.EditDefDir, path);
            return;
        }
        target.SetIdList({});
        SetWindowTextUtf8(target.EditCmd, QuoteIfSpaced(path));
        SetWindowTextUtf8(target.EditTip, "");
        if (target.ItemEditor && iconLocation_.empty()) UpdatePreview();
        return;
    }
    if (defDir) return;
    SetWindowTextUtf8(target.EditTip, FolderDlg->DisplayName());
    target.SetIdList(pidl);
}

void TForm3::miExitWinClick(TBrowseTarget& target, bool restart) {
    const TBrowseFill fill = ExitWindowsFill(restart);
    target.SetIdList({});
    SetWindowTextUtf8(target.EditTip, fill.Tip);
    SetWindowTextUtf8(target.EditCmd, fill.Cmd);
    SetWindowTextUtf8(target.EditDefDir, "");
    if (target.ItemEditor) UpdatePreview();
}

void TForm3::mcBwDialUpClick(TBrowseTarget& target, const std::string& entry) {
    const TBrowseFill fill = DialUpFill(entry);
    target.SetIdList({});
    SetWindowTextUtf8(target.EditCmd, fill.Cmd);
    SetWindowTextUtf8(target.EditTip, fill.Tip);
    SetWindowTextUtf8(target.EditDefDir, "");
    if (target.ItemEditor) ClearIconLocation();
}

void TForm3::miManualCPLClick(TBrowseTarget& target) {
    OpenDlgCPL.FileName.clear();
    OpenDlgCPL.InitialDir = SystemFolder();
    if (!OpenDlgCPL.Execute(browseOwner_ ? browseOwner_->Handle() : Handle())) return;
    const std::string path = OpenDlgCPL.FileName;
    SetWindowTextUtf8(target.EditCmd, "CONTROL.EXE " + QuoteIfSpaced(path));
    if (target.ItemEditor) SetIconLocation(path, 0);
}

} // namespace lodestar
