#include "lsDupChk.h"

#include "Application.h"
#include "Help.h"
#include "lsCommonUi.h"
#include "resource.h"

namespace lodestar {

namespace {
// Longest program file name or title pattern the user can type.
constexpr int kMaxTextLength = 255;

constexpr int kModeStandard = 1;
constexpr int kModeExeName = 2;
constexpr int kModeWndTitle = 3;

// The help topic of the dialog.
constexpr int kHelpTopic = 80;
} // namespace

TFormDupChk::TFormDupChk() : TDialog(IDD_DUPCHK) {
    for (const int radio : {IDC_DUPCHK_RBSTD, IDC_DUPCHK_RBEXENAME, IDC_DUPCHK_RBWNDTITLE})
        OnClick(radio, [this] { rbStdClick(); });
    OnCommand(IDC_DUPCHK_EDITEXENAME, EN_CHANGE, [this] { EditExeNameChange(); });
    OnCommand(IDC_DUPCHK_EDITWNDTITLE, EN_CHANGE, [this] { EditWndTitleChange(); });
    OnClick(IDOK, [this] { btnOKClick(); });
    OnClick(IDC_DUPCHK_BTNHELP, [this] { btnHelpClick(); });
    // F1 over any of its controls shows the dialog's topic as a popup.
    SetDialogHelpContext(kHelpTopic);
}

bool TFormDupChk::EditDupCheck(int& mode, std::string& text) {
    mode_ = mode;
    text_ = text;
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    if (ShowModal(owner) != IDOK) return false;
    mode = mode_;
    text = text_;
    return true;
}

void TFormDupChk::OnInit() {
    UseSystemUIFont(Handle());
    SetCaption(Caption() + " - " + Application::Title());
    SetTextLimit(IDC_DUPCHK_EDITEXENAME, kMaxTextLength);
    SetTextLimit(IDC_DUPCHK_EDITWNDTITLE, kMaxTextLength);
    int radio = IDC_DUPCHK_RBSTD;
    if (mode_ == kModeExeName) {
        SetText(IDC_DUPCHK_EDITEXENAME, text_);
        radio = IDC_DUPCHK_RBEXENAME;
    } else if (mode_ == kModeWndTitle) {
        SetText(IDC_DUPCHK_EDITWNDTITLE, text_);
        radio = IDC_DUPCHK_RBWNDTITLE;
    }
    Select(radio);
    if (placement_) placement_(Handle());
}

void TFormDupChk::rbStdClick() {
    UpdateEditColors();
}

void TFormDupChk::EditExeNameChange() {
    if (!Text(IDC_DUPCHK_EDITEXENAME).empty()) Select(IDC_DUPCHK_RBEXENAME);
}

void TFormDupChk::EditWndTitleChange() {
    if (!Text(IDC_DUPCHK_EDITWNDTITLE).empty()) Select(IDC_DUPCHK_RBWNDTITLE);
}

void TFormDupChk::btnOKClick() {
    const std::string exeName = Text(IDC_DUPCHK_EDITEXENAME);
    if (Checked(IDC_DUPCHK_RBEXENAME) && !exeName.empty()) {
        mode_ = kModeExeName;
        text_ = exeName;
    } else if (Checked(IDC_DUPCHK_RBWNDTITLE)) {
        // Even an empty pattern is kept: it then stands for visible windows without a title.
        mode_ = kModeWndTitle;
        text_ = Text(IDC_DUPCHK_EDITWNDTITLE);
    } else {
        mode_ = kModeStandard;
        text_.clear();
    }
    EndDialog(IDOK);
}

void TFormDupChk::btnHelpClick() {
    ShowHelpTopic(Handle(), kHelpTopic);
}

void TFormDupChk::Select(int radioId) {
    for (const int radio : {IDC_DUPCHK_RBSTD, IDC_DUPCHK_RBEXENAME, IDC_DUPCHK_RBWNDTITLE})
        SetChecked(radio, radio == radioId);
    UpdateEditColors();
}

void TFormDupChk::UpdateEditColors() {
    // The edit that belongs to the chosen check looks like an input field; the other looks inactive.
    SetControlSysColor(IDC_DUPCHK_EDITEXENAME, Checked(IDC_DUPCHK_RBEXENAME) ? COLOR_WINDOW : COLOR_BTNFACE);
    SetControlSysColor(IDC_DUPCHK_EDITWNDTITLE,
                       Checked(IDC_DUPCHK_RBWNDTITLE) ? COLOR_WINDOW : COLOR_BTNFACE);
}

} // namespace lodestar
