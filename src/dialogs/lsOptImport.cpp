// The options dialog taking over the settings and items of earlier versions from their INI files. The
// import only fills the dialog: the registry changes when the user confirms the dialog with OK.
#include "lsOpt.h"

#include "Application.h"
#include "CommandLine.h"
#include "Errors.h"
#include "Handles.h"
#include "IniText.h"
#include "LegacyText.h"
#include "LodestarIni.h"
#include "Seams.h"
#include "Settings.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "resource.h"

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace lodestar {

struct TForm2::TLegacySet {
    TIniOptions Options;
    std::array<std::vector<TItemData>, kGroupCount> Items;
    std::array<std::string, kGroupCount> Names;
};

namespace {

const char* const kConfirmText = "バージョン2.61以前の設定を引き継ぎます。\r"
                                 "現在の設定は、これから読み出す設定によって上書きされます。\r\r"
                                 "続行しますか？";
const char* const kDoneText = "旧設定の引継ぎを正常に完了しました。";
const char* const kFolderCaption = "LODEST??.INI が保存されている場所を選択してください。";
const char* const kLegacyPattern = "LODEST??.INI";
constexpr std::size_t kTitleBytes = 41;

std::string ImportCaption() {
    return "旧設定の引継ぎ - " + CutToLegacyBytes(Application::Title(), kTitleBytes);
}

// The folder the running program was started from, without its trailing backslash (a drive's root keeps
// it); empty when the system does not tell.
std::string ProgramFolder() {
    const std::string path = Application::ExeName();
    if (path.empty()) return {};
    std::string folder = ExtractFilePath(path);
    if (folder.size() > 3) folder = RemoveBackslash(folder);
    return folder;
}

// Whether the folder holds a file (not a folder) by the pattern of the old versions' files.
bool HoldsLegacyFiles(const std::string& folder) {
    if (folder.empty()) return false;
    WIN32_FIND_DATAW found{};
    const UniqueFind find(::FindFirstFileW(Widen(AddBackslash(folder) + kLegacyPattern).c_str(), &found));
    if (!find) return false;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return true;
    } while (::FindNextFileW(find.Get(), &found));
    return false;
}

} // namespace

void TForm2::btnLoadIniClick() {
    const TListView lv2 = GroupList();
    const int group = lv2.FocusedRow();
    if (group < 0 || !lv2.Selected(group)) return;

    const std::string caption = ImportCaption();
    if (Seams().MessageBox(Handle(), kConfirmText, caption, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return;

    if (!FolderDlg1) {
        FolderDlg1 = CreateComponent<TSHBrowseForFolderEx>(this, [this] { return Handle(); });
        FolderDlg1->SetName("FolderDlg1");
        FolderDlg1->OnSelectionChanged = [this](TSHBrowseForFolderEx*, HWND, const std::string& path,
                                                std::string&, TOKButtonState& okButtonState) {
            FolderDlg1SelectionChanged(path, okButtonState);
        };
    }
    FolderDlg1->Caption = kFolderCaption;
    FolderDlg1->SetRootFolder(rfDrives);
    FolderDlg1->Options = {sboReturnOnlyFSDirs, sboStatusTextAndShowPath};
    FolderDlg1->SetShowStyle(ssCenterScreen);
    FolderDlg1->SetSelectFolder(sfManual);
    FolderDlg1->SetSelectFolderName(ProgramFolder());
    if (!FolderDlg1->Execute() || FolderDlg1->Path().empty()) return;
    const std::string folder = FolderDlg1->Path();

    // A file that is there but cannot be read would otherwise pass for a group without items, and the
    // dialog would be left half replaced: every file is read before anything changes.
    TLegacySet set;
    try {
        set = ReadLegacySet(folder);
    } catch (const EProgramError& error) {
        ShowErrorBox(std::string("旧設定のファイルを読み込めなかったため、旧設定の引継ぎを中止しました。\r") +
                         error.what() + "\r\r現在の設定は変更されていません。",
                     MB_ICONERROR);
        return;
    }
    const bool cut = ApplyLegacySet(set);
    std::string done = kDoneText;
    if (cut)
        done += "\r\r" + std::to_string(kMaxItemsInGroup) +
                " 個を超えるアイコン項目があったグループには、先頭から " + std::to_string(kMaxItemsInGroup) +
                " 個までを引き継ぎました。";
    Seams().MessageBox(Handle(), done, caption, MB_OK | MB_ICONINFORMATION);
}

void TForm2::FolderDlg1SelectionChanged(const std::string& path, TOKButtonState& okButtonState) {
    okButtonState = HoldsLegacyFiles(path) ? obsEnabled : obsDisabled;
}

TForm2::TLegacySet TForm2::ReadLegacySet(const std::string& folder) {
    TLegacySet set;
    for (int g = 0; g < kGroupCount; ++g) {
        const auto at = static_cast<std::size_t>(g);
        try {
            const TLodestarIni ini(g, folder);
            if (g == 0) set.Options = ini.ReadOptions();
            ini.ReadItemList(set.Items[at]);
            set.Names[at] = ini.GroupName();
        } catch (const EProgramError& error) {
            throw EProgramError(AddBackslash(folder) + IniFileName(g) + "\r" + error.what());
        }
    }
    return set;
}

bool TForm2::ApplyLegacySet(TLegacySet& set) {
    TListView lv1 = ItemList();
    TListView lv2 = GroupList();
    const int shown = shownGroup_;
    // The import replaces every group, so none is held back any more: a group that could not be read is
    // written with what was imported, and the main window's incompletely read group too (from here on
    // OK, as the main window itself will not write it).
    if (keptShownGroup_ >= 0) importedKeptGroup_ = keptShownGroup_;
    keptShownGroup_ = -1;
    groupDamaged_.fill(false);
    groupOverfull_.fill(false);

    bool cut = false;
    {
        switching_ = true;
        struct TEnd {
            bool& Flag;
            ~TEnd() { Flag = false; }
        } end{switching_};
        FreeAllItems();
        for (int g = 0; g < kGroupCount; ++g) {
            auto& items = set.Items[static_cast<std::size_t>(g)];
            if (items.size() > kMaxItemsInGroup) {
                items.resize(kMaxItemsInGroup);
                cut = true;
            }
            GroupItems[static_cast<std::size_t>(g)] = std::move(items);
            lv2.SetCut(g, g != shown && GroupItems[static_cast<std::size_t>(g)].empty());
            lv2.SetText(g, 0, GroupCaption(g, set.Names[static_cast<std::size_t>(g)]));
        }
        EnterGroup(shown);
    }
    ApplyLegacyOptions(set.Options);

    lv1.ClearSelection();
    if (lv1.Count() > 0) {
        lv1.SetFocusedRow(0);
        lv1.SetSelected(0, true);
    }
    lv1Change();
    return cut;
}

void TForm2::ApplyLegacyOptions(const TIniOptions& options) {
    SetShowMainIconChecked(options.ShowMainIcon);
    TabSheet3.SetChecked(IDC_OPT_RBSINGLECLICK, !options.ClickType);
    TabSheet3.SetChecked(IDC_OPT_RBDOUBLECLICK, options.ClickType);
    // A value the old versions never wrote leaves no choice checked, which OK would store as the warning
    // box: it takes the old versions' default instead.
    const int notFound = options.NotifyNotFound >= 0 && options.NotifyNotFound <= 2
                             ? options.NotifyNotFound
                             : TIniOptions{}.NotifyNotFound;
    TabSheet3.SetChecked(IDC_OPT_RBNFWARNING, notFound == 0);
    TabSheet3.SetChecked(IDC_OPT_RBNFBEEP, notFound == 1);
    TabSheet3.SetChecked(IDC_OPT_RBNFNOTHING, notFound == 2);
    TabSheet4.SetChecked(IDC_OPT_RBKEEPLINKS, !options.DereferLinks);
    TabSheet4.SetChecked(IDC_OPT_RBDEREFERLINKS, options.DereferLinks);
    TabSheet4.SetChecked(IDC_OPT_RBTIMERDND, options.DnDTimer);
    TabSheet4.SetChecked(IDC_OPT_RBHOOKDND, false);
    TabSheet4.SetChecked(IDC_OPT_RBNODND, !options.DnDTimer);
    TTrackBar(TabSheet4.Item(IDC_OPT_TRACKTIMER)).SetPosition(IntervalTrackPosition(options.Interval));
    rgTrayDndTypeClick();
    TabSheet4.SetChecked(IDC_OPT_CBCONFIRMDEL, options.ConfirmDelete);
    TabSheet2.SetChecked(IDC_OPT_CBHIDELINKOVERLAY, options.HideLinkOverlay);
    TabSheet2.SetChecked(IDC_OPT_CBGRAYICONS, false);
    TabSheet2.SetText(IDC_OPT_EDITDEFICONPATH, options.DefIconPath);
    TabSheet2.SetChecked(IDC_OPT_RBDEFICONSTD, options.DefIconPath.empty());
    TabSheet2.SetChecked(IDC_OPT_RBDEFICONCUSTOM, !options.DefIconPath.empty());
    rbDefIconClick();
}

} // namespace lodestar
