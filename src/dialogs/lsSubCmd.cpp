#include "lsSubCmd.h"

#include "Application.h"
#include "CommandLine.h"
#include "Controls.h"
#include "Dpi.h"
#include "Errors.h"
#include "Help.h"
#include "ItemStream.h"
#include "PlaceDialog.h"
#include "lsCommon.h"
#include "lsCommonUi.h"
#include "lsDupChk.h"
#include "lsItem.h"
#include "resource.h"

#include <string_view>
#include <utility>

namespace lodestar {

namespace {
TFormChild* openChildEditor = nullptr;

// Delays are edited in whole seconds.
constexpr int kMaxDelaySeconds = 99;
constexpr int kMsPerSecond = 1000;

constexpr int kDupCheckOff = 0;
constexpr int kDupCheckStandard = 1;

// Help topics of the dialog's controls.
constexpr int kHelpDialog = 67;
constexpr int kHelpImage = 74;
constexpr int kHelpName = 76;
constexpr int kHelpCmd = 35;
constexpr int kHelpDefDir = 36;
constexpr int kHelpWndSize = 37;
constexpr int kHelpDelay = 77;
constexpr int kHelpSingleInstance = 79;
constexpr int kHelpCustomDupCheck = 80;
constexpr int kHelpAutoQuit = 81;

// The label's text with its "%d" replaced by the number.
std::string FormatNumber(std::string text, int number) {
    if (const std::size_t at = text.find("%d"); at != std::string::npos)
        text.replace(at, 2, std::to_string(number));
    return text;
}

void FillCombo(HWND combo, std::initializer_list<std::string_view> entries) {
    TComboBox box(combo);
    box.Clear();
    for (const std::string_view entry : entries)
        box.Add(entry);
    box.SetItemIndex(0);
}
} // namespace

TFormChild::TFormChild(TComponent* owner) : TDialog(IDD_CHILD, owner) {
    openChildEditor = this;
    // The item editor's browse actions fill these in by name.
    NameControl(IDC_CHILD_EDITCMD, "editCmd");
    NameControl(IDC_CHILD_EDITTIP, "editTip");
    NameControl(IDC_CHILD_EDITDEFDIR, "editDefDir");
    NameControl(IDC_CHILD_COMBOWNDSIZE, "comboWndSize");

    OnCommand(IDC_CHILD_EDITCMD, EN_CHANGE, [this] { editCmdChange(); });
    OnCommand(IDC_CHILD_EDITCMD, EN_KILLFOCUS, [this] { editCmdExit(); });
    OnClick(IDC_CHILD_SBBROWSE, [this] { sbBrowseClick(); });
    OnClick(IDC_CHILD_SBBWDEFDIR, [this] { sbBwDefDirClick(); });
    OnClick(IDC_CHILD_CBSINGLEINSTANCE, [this] { cbSingleInstanceClick(); });
    OnClick(IDC_CHILD_BTNCUSTOMDUPCHECK, [this] { btnCustomDupCheckClick(); });
    OnClick(IDOK, [this] { btnOKClick(); });
    OnClick(IDC_CHILD_BTNHELP3, [this] { btnHelp3Click(); });
    OnKeyPreview([this](const MSG& message) { return FormKeyDown(message); });

    SetHelpContext(IDC_CHILD_IMAGEICONCHILD, kHelpImage);
    SetHelpContext(IDC_CHILD_EDITTIP, kHelpName);
    SetHelpContext(IDC_CHILD_EDITCMD, kHelpCmd);
    SetHelpContext(IDC_CHILD_EDITDEFDIR, kHelpDefDir);
    SetHelpContext(IDC_CHILD_COMBOWNDSIZE, kHelpWndSize);
    SetHelpContext(IDC_CHILD_COMBOWAIT, kHelpDelay);
    SetHelpContext(IDC_CHILD_EDITDELAY, kHelpDelay);
    SetHelpContext(IDC_CHILD_SPINDELAYTIME, kHelpDelay);
    // The seconds label stands after the spin edit it belongs to.
    SetHelpContext(IDC_CHILD_LBLSECONDS, kHelpDelay);
    SetHelpContext(IDC_CHILD_CBSINGLEINSTANCE, kHelpSingleInstance);
    SetHelpContext(IDC_CHILD_BTNCUSTOMDUPCHECK, kHelpCustomDupCheck);
    SetHelpContext(IDC_CHILD_CBAUTOQUIT, kHelpAutoQuit);
    BindHelpMenu({IDC_CHILD_IMAGEICONCHILD, IDC_CHILD_EDITTIP, IDC_CHILD_LBLCMD, IDC_CHILD_EDITCMD,
                  IDC_CHILD_LBLDEFDIR, IDC_CHILD_EDITDEFDIR, IDC_CHILD_LBLWNDSIZE, IDC_CHILD_COMBOWNDSIZE,
                  IDC_CHILD_LBLDELAY, IDC_CHILD_LBLWAITBEFORE, IDC_CHILD_COMBOWAIT, IDC_CHILD_LBLAND,
                  IDC_CHILD_EDITDELAY, IDC_CHILD_SPINDELAYTIME, IDC_CHILD_LBLSECONDS,
                  IDC_CHILD_CBSINGLEINSTANCE, IDC_CHILD_BTNCUSTOMDUPCHECK, IDC_CHILD_CBAUTOQUIT});
}

TFormChild::~TFormChild() {
    if (openChildEditor == this) openChildEditor = nullptr;
}

TFormChild* TFormChild::Instance() {
    return openChildEditor;
}

void TFormChild::SetNewCaption() {
    newCaption_ = true;
    if (Handle()) SetCaption("子アイコンの新規作成 - " + Application::Title());
}

HWND TFormChild::EditorWindow() {
    const TForm3* editor = TForm3::Instance();
    return editor ? editor->Handle() : nullptr;
}

bool TFormChild::EditChild(TChildIcon& child, int position) {
    child_ = &child;
    position_ = position;
    struct TReset {
        TFormChild& Form;
        ~TReset() { Form.child_ = nullptr; }
    } reset{*this};
    HWND owner = EditorWindow();
    if (!owner) owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    confirmed_.reset();
    const INT_PTR result = ShowModal(owner);
    // The dialog's copy of a shell object goes; the entry has its own.
    idList_ = IdList();
    if (result != IDOK || !confirmed_) return false;
    child = std::move(*confirmed_);
    confirmed_.reset();
    return !child.Cmd.empty() || child.IDList.Present();
}

void TFormChild::OnInit() {
    FormCreate();
    LoadChild();
    FormShow();
    // The name field above it is derived and read-only: the user starts with the command.
    FocusControl(IDC_CHILD_EDITCMD);
}

void TFormChild::FormCreate() {
    SetCaption(Caption() + " - " + Application::Title());
    if (newCaption_) SetCaption("子アイコンの新規作成 - " + Application::Title());
    UseSystemUIFont(Handle());
    FillCombo(Item(IDC_CHILD_COMBOWNDSIZE), {"通常のウィンドウ", "最小化", "最大化"});
    FillCombo(Item(IDC_CHILD_COMBOWAIT), {"待たない", "起動完了まで待つ", "終了するまで待つ"});
    // The template makes the field its buddy; setting it again would narrow the field once more.
    TUpDown spin(Item(IDC_CHILD_SPINDELAYTIME));
    spin.SetRange(0, kMaxDelaySeconds);
    spin.SetPosition(0);
    SetTextLimit(IDC_CHILD_EDITDELAY, 2);
    // In characters; bytes of the stored form are counted again on OK.
    SetTextLimit(IDC_CHILD_EDITCMD, static_cast<int>(kMaxStoredString));
    SetTextLimit(IDC_CHILD_EDITDEFDIR, static_cast<int>(kMaxStoredString));
    dupCheckMode_ = kDupCheckOff;
    dupCheckText_.clear();
    idList_ = IdList();
}

void TFormChild::LoadChild() {
    if (!child_) return;
    const TChildIcon& child = *child_;
    SetText(IDC_CHILD_LABELTOP, FormatNumber(Text(IDC_CHILD_LABELTOP), position_ + 2));
    if (child.IDList.Present()) {
        SetIDList(child.IDList);
    } else {
        SetText(IDC_CHILD_EDITCMD, child.Cmd);
        SetText(IDC_CHILD_EDITDEFDIR, child.DefDir);
    }
    TComboBox(Item(IDC_CHILD_COMBOWNDSIZE)).SetItemIndex(child.WndSize);
    TUpDown(Item(IDC_CHILD_SPINDELAYTIME)).SetPosition(child.DelayMs / kMsPerSecond);
    TComboBox(Item(IDC_CHILD_COMBOWAIT)).SetItemIndex(child.WaitMode);
    SetChecked(IDC_CHILD_CBAUTOQUIT, child.AutoQuit);
    dupCheckMode_ = child.DupCheckMode;
    dupCheckText_ = child.DupCheckText;
    SetChecked(IDC_CHILD_CBSINGLEINSTANCE, dupCheckMode_ != kDupCheckOff);
    cbSingleInstanceClick();
    UpdateName();
    UpdatePreview();
}

void TFormChild::FormShow() {
    if (const HWND editor = EditorWindow()) PlaceDialog(editor, Handle());
    UpdateOkButton();
}

void TFormChild::WriteBack(TChildIcon& child) {
    child.Cmd = Text(IDC_CHILD_EDITCMD);
    child.IDList = CopyIDList(idList_);
    child.DefDir = std::string(TrimBlanks(Text(IDC_CHILD_EDITDEFDIR)));
    // A stored value outside the lists selects nothing; it is kept rather than turned into a wrong one.
    if (const int index = TComboBox(Item(IDC_CHILD_COMBOWNDSIZE)).ItemIndex(); index >= 0)
        child.WndSize = static_cast<std::uint8_t>(index);
    child.DelayMs = TUpDown(Item(IDC_CHILD_SPINDELAYTIME)).Position() * kMsPerSecond;
    if (const int index = TComboBox(Item(IDC_CHILD_COMBOWAIT)).ItemIndex(); index >= 0)
        child.WaitMode = static_cast<std::uint8_t>(index);
    child.AutoQuit = Checked(IDC_CHILD_CBAUTOQUIT);
    if (Checked(IDC_CHILD_CBSINGLEINSTANCE)) {
        child.DupCheckMode = static_cast<std::uint8_t>(dupCheckMode_);
        // The standard check needs no text; a program name or title typed earlier stays for later.
        if (dupCheckMode_ != kDupCheckStandard) child.DupCheckText = dupCheckText_;
    } else {
        child.DupCheckMode = kDupCheckOff;
    }
}

void TFormChild::SetIDList(const IdList& list) {
    if (list == idList_) return;
    // Held before the edits are emptied, so that their change handler sees the shell object.
    idList_ = CopyIDList(list);
    if (!Handle()) return;
    const bool present = idList_.Present();
    if (present) {
        SetText(IDC_CHILD_EDITCMD, "");
        SetText(IDC_CHILD_EDITDEFDIR, "");
    }
    const int color = present ? COLOR_BTNFACE : COLOR_WINDOW;
    SetControlSysColor(IDC_CHILD_EDITCMD, color);
    SetControlSysColor(IDC_CHILD_EDITDEFDIR, color);
    SetEnabled(IDC_CHILD_EDITDEFDIR, !present);
    SetEnabled(IDC_CHILD_SBBWDEFDIR, !present);
    UpdateOkButton();
    UpdatePreview();
}

void TFormChild::editCmdChange() {
    const bool hasCmd = !Text(IDC_CHILD_EDITCMD).empty();
    if (idList_.Present() && hasCmd) SetIDList(IdList());
    UpdateOkButton();
    UpdateName();
}

void TFormChild::editCmdExit() {
    UpdateName();
}

void TFormChild::sbBrowseClick() {
    TForm3* editor = TForm3::Instance();
    if (!editor) throw EProgramError("Program Error:PopupComponentが適切に設定されていません");
    RECT rect{};
    ::GetWindowRect(ItemOrThrow(IDC_CHILD_SBBROWSE), &rect);
    editor->PopupBrowseMenu(*this, POINT{rect.right, rect.bottom});
    UpdatePreview();
    UpdateName();
}

void TFormChild::sbBwDefDirClick() {
    TForm3* editor = TForm3::Instance();
    if (!editor) throw EProgramError("Program Error:PopupComponentが適切に設定されていません");
    editor->miBwFolderClick(TBrowseOrigin::boDefDir);
}

void TFormChild::cbSingleInstanceClick() {
    const bool checked = Checked(IDC_CHILD_CBSINGLEINSTANCE);
    SetEnabled(IDC_CHILD_BTNCUSTOMDUPCHECK, checked);
    if (checked && dupCheckMode_ == kDupCheckOff) dupCheckMode_ = kDupCheckStandard;
}

void TFormChild::btnCustomDupCheckClick() {
    TFormDupChk form;
    const HWND self = Handle();
    form.SetPlacement([self](HWND dialog) { PlaceDialog(self, dialog); });
    form.EditDupCheck(dupCheckMode_, dupCheckText_);
}

void TFormChild::btnOKClick() {
    // Before the command is split and looked up (which works on path-sized buffers), and again after the
    // look-up may have made it longer.
    const auto fits = [this] {
        return ConfirmStoredLength(ItemOrThrow(IDC_CHILD_EDITCMD), "コマンドライン") &&
               ConfirmStoredLength(ItemOrThrow(IDC_CHILD_EDITDEFDIR), "作業フォルダ");
    };
    if (!fits() ||
        !ConfirmTarget(ItemOrThrow(IDC_CHILD_EDITCMD), ItemOrThrow(IDC_CHILD_EDITDEFDIR),
                       idList_.Present()) ||
        !fits())
        return;
    // The fields are read while the controls still exist; the entry takes them once the dialog is gone.
    if (child_) {
        TChildIcon edited = *child_;
        WriteBack(edited);
        confirmed_ = std::move(edited);
    }
    EndDialog(IDOK);
}

void TFormChild::btnHelp3Click() {
    ShowHelpTopic(Handle(), kHelpDialog);
}

bool TFormChild::FormKeyDown(const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
    if (message.hwnd != Item(IDC_CHILD_EDITDELAY) && message.hwnd != Item(IDC_CHILD_SPINDELAYTIME))
        return false;
    if (Enabled(IDOK)) btnOKClick();
    return true;
}

void TFormChild::UpdateName() {
    SetText(IDC_CHILD_EDITTIP, ChildDefaultName(Text(IDC_CHILD_EDITCMD), idList_));
}

void TFormChild::UpdatePreview() {
    UniqueIcon icon = ItemIcon("", Text(IDC_CHILD_EDITCMD), idList_, IconSizeForDpi(WindowDpi(Handle())));
    // The control shows the new icon before the old one goes.
    SetStaticIcon(IDC_CHILD_IMAGEICONCHILD, icon.Get());
    preview_ = std::move(icon);
}

void TFormChild::UpdateOkButton() {
    SetEnabled(IDOK, !Text(IDC_CHILD_EDITCMD).empty() || idList_.Present());
}

} // namespace lodestar
