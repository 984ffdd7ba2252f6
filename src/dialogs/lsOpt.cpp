#include "lsOpt.h"

#include "AppSettings.h"
#include "Application.h"
#include "DialogPlacement.h"
#include "Help.h"
#include "LsReg.h"
#include "PlaceDialog.h"
#include "ShellHelpers.h"
#include "Store.h"
#include "Toolbar97.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "lsMain.h"
#include "lshook1.h"
#include "resource.h"

#include <shellapi.h>

#include <algorithm>
#include <array>

namespace lodestar {

namespace {

// What an OK that failed part way has changed.
std::string UnsavedOkNote(const std::vector<int>& written) {
    std::string note;
    if (!written.empty()) {
        note = "グループ ";
        for (std::size_t i = 0; i < written.size(); ++i)
            note += (i ? ", " : "") + std::to_string(written[i]);
        note += " のアイコン項目は保存しました。";
    }
    return note + "表示するグループと設定は変更していません。";
}
TForm2* openOptions = nullptr;

constexpr SIZE kMinSize{493, 373};
constexpr int kHelpTopic = 13;
constexpr int kTrackMin = 3;
constexpr int kTrackMax = 12;
constexpr int kTrackTicks = 3;

// The radio buttons of each choice, in the order of the values they stand for.
constexpr std::array<int, 2> kClickTypes{IDC_OPT_RBSINGLECLICK, IDC_OPT_RBDOUBLECLICK};
constexpr std::array<int, 3> kWhenNotFound{IDC_OPT_RBNFWARNING, IDC_OPT_RBNFBEEP, IDC_OPT_RBNFNOTHING};
constexpr std::array<int, 2> kDereferLinks{IDC_OPT_RBKEEPLINKS, IDC_OPT_RBDEREFERLINKS};

// The contact labels open their caption with this in front.
const char* const kMailPrefix = "mailto:";

int CheckedIndex(const TDialogPage& page, const auto& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (page.Checked(ids[i])) return static_cast<int>(i);
    return 0;
}

void CheckIndex(TDialogPage& page, const auto& ids, int index) {
    for (std::size_t i = 0; i < ids.size(); ++i)
        page.SetChecked(ids[i], static_cast<int>(i) == index);
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MoveChild(HWND child, const RECT& r) {
    ::SetWindowPos(child, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Shifted(RECT r, int dx, int dy) {
    ::OffsetRect(&r, dx, dy);
    return r;
}

BOOL CALLBACK FindCheckBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    const LONG_PTR type = ::GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
    if (::lstrcmpiW(name, WC_BUTTONW) != 0 || (type != BS_AUTOCHECKBOX && type != BS_CHECKBOX)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The hook library can be used only where the loader takes it from: beside the program.
bool HookLibraryFound() {
    const std::string path = HookLibraryPath();
    return !path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

TForm2::TForm2(TForm1& mainForm)
    : TDialog(IDD_OPT), mainForm_(mainForm), PageControl1(*this, IDC_OPT_TABS),
      TabSheet1(IDD_OPT_ITEMS, this), TabSheet3(IDD_OPT_RUN, this), TabSheet4(IDD_OPT_DROP, this),
      TabSheet2(IDD_OPT_OTHER, this), TabSheet5(IDD_OPT_VERSION, this) {
    openOptions = this;
    PageControl1.AddPage(TabSheet1, "アイコン管理");
    PageControl1.AddPage(TabSheet3, "実行");
    PageControl1.AddPage(TabSheet4, "登録/削除");
    PageControl1.AddPage(TabSheet2, "その他の設定");
    PageControl1.AddPage(TabSheet5, "バージョン情報");
    PageControl1.OnChanging = [this](int page) { return PageControl1Changing(page); };
    PageControl1.OnChange = [this](int page) { PageControl1Change(page); };
    SetMinTrackSize(kMinSize);

    OnClick(IDOK, [this] { btnOKClick(); });
    OnClick(IDC_OPT_BTNHELP, [this] { btnHelpClick(); });
    OnKeyPreview([this](const MSG& message) { return FormKeyDown(message); });

    for (const int id : {IDC_OPT_RBTIMERDND, IDC_OPT_RBHOOKDND, IDC_OPT_RBNODND})
        TabSheet4.OnClick(id, [this] { rgTrayDndTypeClick(); });
    TabSheet4.OnScroll(IDC_OPT_TRACKTIMER, [this](int) { trackTimerChange(); });
    for (const int id : {IDC_OPT_RBDEFICONSTD, IDC_OPT_RBDEFICONCUSTOM})
        TabSheet2.OnClick(id, [this] { rbDefIconClick(); });
    TabSheet2.OnClick(IDC_OPT_SBDEFICONBROWSE, [this] { sbDefIconBrowseClick(); });
    TabSheet2.OnClick(IDC_OPT_CBFIXTOOLBARPOS, [this] { cbFixToolbarPosClick(); });
    TabSheet2.OnClick(IDC_OPT_BTNREGSTARTUP, [this] { btnRegStartUpClick(); });
    TabSheet2.OnClick(IDC_OPT_BTNUNREGSTARTUP, [this] { btnUnregStartUpClick(); });
    TabSheet2.OnClick(IDC_OPT_BTNLOADINI, [this] { btnLoadIniClick(); });
    for (const int id : {IDC_OPT_LABELMAIL, IDC_OPT_LABELURL})
        TabSheet5.OnCommand(id, STN_CLICKED, [this, id] { LabelUrlsClick(id); });

    SetHelpContext(IDC_OPT_BTNHELP, kHelpTopic);
    BindHelpMenu({IDC_OPT_BTNHELP});
    for (const int id : {IDC_OPT_GRPCLICKTYPE, IDC_OPT_RBSINGLECLICK, IDC_OPT_RBDOUBLECLICK})
        TabSheet3.SetHelpContext(id, 17);
    for (const int id : {IDC_OPT_GRPWHENNOTFOUND, IDC_OPT_RBNFWARNING, IDC_OPT_RBNFBEEP, IDC_OPT_RBNFNOTHING})
        TabSheet3.SetHelpContext(id, 18);
    TabSheet3.SetHelpContext(IDC_OPT_CBMARKRUNNING, 90);
    TabSheet3.BindHelpMenu({IDC_OPT_GRPCLICKTYPE, IDC_OPT_RBSINGLECLICK, IDC_OPT_RBDOUBLECLICK,
                            IDC_OPT_GRPWHENNOTFOUND, IDC_OPT_RBNFWARNING, IDC_OPT_RBNFBEEP,
                            IDC_OPT_RBNFNOTHING, IDC_OPT_CBMARKRUNNING});
    for (const int id : {IDC_OPT_GRPDEREFERLINKS, IDC_OPT_RBKEEPLINKS, IDC_OPT_RBDEREFERLINKS})
        TabSheet4.SetHelpContext(id, 31);
    for (const int id : {IDC_OPT_GRPTRAYDND, IDC_OPT_RBTIMERDND, IDC_OPT_RBHOOKDND, IDC_OPT_RBNODND})
        TabSheet4.SetHelpContext(id, 53);
    TabSheet4.SetHelpContext(IDC_OPT_TRACKTIMER, 20);
    TabSheet4.SetHelpContext(IDC_OPT_CBCONFIRMDEL, 22);
    TabSheet4.BindHelpMenu({IDC_OPT_GRPDEREFERLINKS, IDC_OPT_RBKEEPLINKS, IDC_OPT_RBDEREFERLINKS,
                            IDC_OPT_GRPTRAYDND, IDC_OPT_RBTIMERDND, IDC_OPT_RBHOOKDND, IDC_OPT_RBNODND,
                            IDC_OPT_LBLTIMER, IDC_OPT_TRACKTIMER, IDC_OPT_CBCONFIRMDEL});
    TabSheet2.SetHelpContext(IDC_OPT_CBHIDELINKOVERLAY, 56);
    TabSheet2.SetHelpContext(IDC_OPT_CBGRAYICONS, 59);
    for (const int id :
         {IDC_OPT_GRPDEFICONPATH, IDC_OPT_RBDEFICONSTD, IDC_OPT_RBDEFICONCUSTOM, IDC_OPT_EDITDEFICONPATH})
        TabSheet2.SetHelpContext(id, 23);
    TabSheet2.SetHelpContext(IDC_OPT_BTNLOADINI, 62);
    TabSheet2.SetHelpContext(IDC_OPT_BTNREGSTARTUP, 51);
    TabSheet2.SetHelpContext(IDC_OPT_BTNUNREGSTARTUP, 52);
    TabSheet2.SetHelpContext(IDC_OPT_CBFIXTOOLBARPOS, 63);
    TabSheet2.BindHelpMenu({IDC_OPT_CBHIDELINKOVERLAY, IDC_OPT_CBGRAYICONS, IDC_OPT_GRPDEFICONPATH,
                            IDC_OPT_RBDEFICONSTD, IDC_OPT_RBDEFICONCUSTOM, IDC_OPT_EDITDEFICONPATH,
                            IDC_OPT_BTNLOADINI, IDC_OPT_BTNREGSTARTUP, IDC_OPT_BTNUNREGSTARTUP,
                            IDC_OPT_CBFIXTOOLBARPOS});

    OpenDlg1.Options = ofHideReadOnly | ofShareAware;
    OpenDlg1.Filter = {
        {"アイコンを含むファイル(*.exe;*.dll;*.ico;*.bmp;*.icl)", "*.ico;*.exe;*.dll;*.bmp;*.icl"},
        {"プログラム(*.exe)", "*.exe"},
        {"ライブラリ(*.dll;*.icl)", "*.dll;*.icl"},
        {"アイコン(*.ico)", "*.ico"},
        {"ビットマップ(*.bmp)", "*.bmp"},
        {"すべてのファイル", "*.*"},
    };

    CreateItemsPage();
}

TForm2::~TForm2() {
    FreeAllItems();
    if (openOptions == this) openOptions = nullptr;
}

TForm2* TForm2::Instance() {
    return openOptions;
}

bool TForm2::Execute() {
    // The main window never shows itself: the dialog belongs to whatever window is active, else to the
    // application window.
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    return ShowModal(owner) == IDOK;
}

void TForm2::OnInit() {
    FormCreate();
    FormShow();
}

void TForm2::FormCreate() {
    SetCaption(Caption() + " - " + Application::Title());
    UseSystemUIFont(Handle());
    PageControl1.Open(0);
    for (int i = 0; i < PageControl1.PageCount(); ++i)
        UseSystemUIFont(PageControl1.Page(i).Handle());

    // The frame keeps its minimum size from the start, whatever the template's units come to; the
    // controls keep to its edges from their places in the template.
    RememberLayout();
    RECT frame{};
    ::GetWindowRect(Handle(), &frame);
    if (frame.right - frame.left < kMinSize.cx || frame.bottom - frame.top < kMinSize.cy)
        ::SetWindowPos(Handle(), nullptr, 0, 0, std::max<LONG>(frame.right - frame.left, kMinSize.cx),
                       std::max<LONG>(frame.bottom - frame.top, kMinSize.cy),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutFrame();

    TabSheet5.SetStaticIcon(IDC_OPT_IMAGEICON, ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON"));
    if (const HWND product = TabSheet5.Item(IDC_OPT_LBLPRODUCT)) {
        LOGFONTW face{};
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(product, WM_GETFONT, 0, 0));
        if (font && ::GetObjectW(font, sizeof face, &face) == sizeof face) {
            face.lfHeight = face.lfHeight * 2;
            face.lfWeight = FW_BOLD;
            productFont_.Reset(::CreateFontIndirectW(&face));
            if (productFont_)
                ::SendMessageW(product, WM_SETFONT, reinterpret_cast<WPARAM>(productFont_.Get()), TRUE);
        }
    }

    PlaceWindow();
    // The first page makes its toolbars where they were left; the page shown then decides whether they show.
    OpenItemsPage();
    PageControl1Change(PageControl1.ActivePage());
    LoadSettings();
    closed_ = false;
}

void TForm2::FormShow() {
    FocusControl(IDC_OPT_TABS);
}

void TForm2::LoadSettings() {
    const TSettings& settings = ProgramSettings();
    if (const HWND box = ShowMainIconBox())
        ::SendMessageW(box, BM_SETCHECK, settings.ShowMainIcon ? BST_CHECKED : BST_UNCHECKED, 0);
    CheckIndex(TabSheet3, kClickTypes, settings.ClickType ? 1 : 0);
    CheckIndex(TabSheet3, kWhenNotFound, settings.NotifyNotFound);
    TabSheet3.SetChecked(IDC_OPT_CBMARKRUNNING, settings.MarkRunning);
    CheckIndex(TabSheet4, kDereferLinks, settings.DereferLinks ? 1 : 0);
    TabSheet4.SetChecked(IDC_OPT_RBTIMERDND, settings.TrayDndType == dndTimer);
    TabSheet4.SetChecked(IDC_OPT_RBHOOKDND, settings.TrayDndType == dndHook);
    TabSheet4.SetChecked(IDC_OPT_RBNODND,
                         settings.TrayDndType != dndTimer && settings.TrayDndType != dndHook);
    TabSheet4.SetEnabled(IDC_OPT_RBHOOKDND, HookLibraryFound());
    TabSheet4.SetChecked(IDC_OPT_CBCONFIRMDEL, settings.ConfirmOnDel);
    TabSheet2.SetChecked(IDC_OPT_CBHIDELINKOVERLAY, settings.HideLinkOverlay);
    TabSheet2.SetChecked(IDC_OPT_CBGRAYICONS, settings.GrayIcons);

    TTrackBar track(TabSheet4.Item(IDC_OPT_TRACKTIMER));
    track.SetRange(kTrackMin, kTrackMax);
    track.SetPageSize(1);
    track.SetTickFrequency(kTrackTicks);
    track.SetPosition(std::clamp(settings.Interval / 100, kTrackMin, kTrackMax));
    rgTrayDndTypeClick();

    std::string defIconPath;
    TLsReg reg;
    if (reg.OpenKey(std::string(kProgramKey) + "\\" + kSettingsKey, false))
        defIconPath = reg.ReadStringDef("DefIconPath", "");
    TabSheet2.SetText(IDC_OPT_EDITDEFICONPATH, defIconPath);
    TabSheet2.SetChecked(IDC_OPT_RBDEFICONSTD, defIconPath.empty());
    TabSheet2.SetChecked(IDC_OPT_RBDEFICONCUSTOM, !defIconPath.empty());
    rbDefIconClick();

    TabSheet2.SetChecked(IDC_OPT_CBFIXTOOLBARPOS, ReadWindowSettings().FixToolbars());
    cbFixToolbarPosClick();
}

void TForm2::PlaceWindow() {
    const TWindowSettings window = ReadWindowSettings();
    RECT frame{};
    ::GetWindowRect(Handle(), &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    // The display the dialog's caption was left on, while it is still there; else the one the user works on.
    POINT at{};
    if (window.OptDlgLeft && window.OptDlgTop)
        at = {*window.OptDlgLeft, *window.OptDlgTop};
    else
        ::GetCursorPos(&at);
    const TPoint p = RememberedDialogPosition(DisplayWorkAreaAt({at.x, at.y}), window.OptDlgLeft,
                                              window.OptDlgTop, width, height);
    ::SetWindowPos(Handle(), nullptr, p.X, p.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm2::RememberLayout() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    TFrameLayout layout;
    layout.Client = {client.right, client.bottom};
    layout.Tabs = ChildRect(Handle(), Item(IDC_OPT_TABS));
    layout.Ok = ChildRect(Handle(), Item(IDOK));
    layout.Cancel = ChildRect(Handle(), Item(IDCANCEL));
    layout.Help = ChildRect(Handle(), Item(IDC_OPT_BTNHELP));
    layout_ = layout;
}

void TForm2::LayoutFrame() {
    if (!layout_ || !Handle()) return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dx = client.right - layout_->Client.cx;
    const int dy = client.bottom - layout_->Client.cy;
    RECT tabs = layout_->Tabs;
    tabs.right += dx;
    tabs.bottom += dy;
    MoveChild(Item(IDC_OPT_TABS), tabs);
    MoveChild(Item(IDOK), Shifted(layout_->Ok, dx, dy));
    MoveChild(Item(IDCANCEL), Shifted(layout_->Cancel, dx, dy));
    MoveChild(Item(IDC_OPT_BTNHELP), Shifted(layout_->Help, dx, dy));
    const int gripWidth = ::GetSystemMetrics(SM_CXVSCROLL);
    const int gripHeight = ::GetSystemMetrics(SM_CYHSCROLL);
    MoveChild(Item(IDC_OPT_SIZEGRIP),
              {client.right - gripWidth, client.bottom - gripHeight, client.right, client.bottom});
    PageControl1.Realign();
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

std::optional<INT_PTR> TForm2::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) LayoutFrame();
        break;
    case WM_DESTROY:
        // The controls still exist here, whatever ended the dialog; after ShowModal they are gone.
        FormClose();
        break;
    default:
        break;
    }
    return std::nullopt;
}

void TForm2::FormClose() {
    if (closed_) return;
    closed_ = true;
    RECT frame{};
    ::GetWindowRect(Handle(), &frame);
    TWindowSettings window;
    window.OptDlgTop = frame.top;
    window.OptDlgLeft = frame.left;
    WriteWindowSettings(window);
    CloseItemsPage();
}

bool TForm2::FormKeyDown(const MSG& message) {
    if (message.message != WM_KEYDOWN || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE))
        return false;
    if (ListCaptionEditing()) return false;
    if (message.wParam == VK_RETURN)
        btnOKClick();
    else
        EndDialog(IDCANCEL);
    return true;
}

std::vector<TToolbar97*> TForm2::ItemsToolbars() const {
    std::vector<TToolbar97*> toolbars;
    for (TToolbar97* toolbar : {tb97MainIcon, tb97IconItems})
        if (toolbar) toolbars.push_back(toolbar);
    return toolbars;
}

HWND TForm2::ShowMainIconBox() const {
    for (TToolbar97* toolbar : ItemsToolbars()) {
        HWND found = nullptr;
        if (toolbar->Handle())
            ::EnumChildWindows(toolbar->Handle(), &FindCheckBox, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
    }
    return nullptr;
}

void TForm2::btnOKClick() {
    // Everything is taken from the controls first; the registry is written before anything in memory
    // changes, so that a refused write leaves the program as it was and the dialog open.
    TSettings settings = ProgramSettings();
    if (const HWND box = ShowMainIconBox())
        settings.ShowMainIcon = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    settings.ConfirmOnDel = TabSheet4.Checked(IDC_OPT_CBCONFIRMDEL);
    settings.DereferLinks = CheckedIndex(TabSheet4, kDereferLinks) == 1;
    settings.HideLinkOverlay = TabSheet2.Checked(IDC_OPT_CBHIDELINKOVERLAY);
    settings.GrayIcons = TabSheet2.Checked(IDC_OPT_CBGRAYICONS);
    settings.ClickType = CheckedIndex(TabSheet3, kClickTypes) == 1;
    settings.NotifyNotFound = CheckedIndex(TabSheet3, kWhenNotFound);
    settings.MarkRunning = TabSheet3.Checked(IDC_OPT_CBMARKRUNNING);
    settings.TrayDndType = TabSheet4.Checked(IDC_OPT_RBTIMERDND)  ? dndTimer
                           : TabSheet4.Checked(IDC_OPT_RBHOOKDND) ? dndHook
                                                                  : dndOff;
    settings.Interval = TTrackBar(TabSheet4.Item(IDC_OPT_TRACKTIMER)).Position() * 100;
    const int group = ShownGroup();
    settings.IconGroup = group;
    if (TabSheet2.Checked(IDC_OPT_RBDEFICONSTD)) TabSheet2.SetText(IDC_OPT_EDITDEFICONPATH, "");
    settings.DefIconPath = TabSheet2.Text(IDC_OPT_EDITDEFICONPATH);
    // The icon picker stores its size itself while the dialog is open; that value is kept.
    {
        TLsReg reg;
        if (reg.OpenKey(std::string(kProgramKey) + "\\" + kSettingsKey, false))
            settings.IconDlgIconSize =
                reg.ReadIntegerDef("IconDlgIconSize", settings.IconDlgIconSize) == 1 ? 1 : 0;
    }
    TWindowSettings window;
    window.FixToolbarPos = TabSheet2.Checked(IDC_OPT_CBFIXTOOLBARPOS);

    // The groups go first: while anything fails, the main window keeps its group and its settings, and
    // the dialog stays open with every change, as it was before OK.
    std::vector<int> written;
    try {
        SaveGroups(written);
        WriteSettings(settings);
        WriteWindowSettings(window);
    } catch (const EProgramError& error) {
        throw EProgramError(std::string(error.what()) + "\r\r" + UnsavedOkNote(written));
    }
    ProgramSettings() = settings;
    mainForm_.SetCurrentGroup(group);
    EndDialog(IDOK);
}

bool TForm2::DereferLinksChosen() const {
    return TabSheet4.Handle() ? TabSheet4.Checked(IDC_OPT_RBDEREFERLINKS) : ProgramSettings().DereferLinks;
}

void TForm2::btnHelpClick() {
    ShowHelpTopic(Handle(), kHelpTopic);
}

void TForm2::PageControl1Change(int page) {
    if (page != 0) return;
    for (TToolbar97* toolbar : ItemsToolbars())
        toolbar->SetVisible(true);
}

bool TForm2::PageControl1Changing(int page) {
    // A floating toolbar belongs to the first page's lists; it does not stay over the other pages.
    if (page == 0)
        for (TToolbar97* toolbar : ItemsToolbars())
            if (toolbar->Floating()) toolbar->SetVisible(false);
    return true;
}

void TForm2::trackTimerChange() {
    const int position = TTrackBar(TabSheet4.Item(IDC_OPT_TRACKTIMER)).Position();
    TabSheet4.SetText(IDC_OPT_LABELTIMER, std::to_string(position * 100) + " ミリ秒毎");
}

void TForm2::rgTrayDndTypeClick() {
    const bool timer = TabSheet4.Checked(IDC_OPT_RBTIMERDND);
    TabSheet4.SetVisible(IDC_OPT_LABELTIMER, timer);
    for (const int id : {IDC_OPT_TRACKTIMER, IDC_OPT_LBLTIMER, IDC_OPT_LBLSENSITIVE, IDC_OPT_LBLINSENSITIVE})
        TabSheet4.SetEnabled(id, timer);
    trackTimerChange();
}

void TForm2::rbDefIconClick() {
    const bool custom = TabSheet2.Checked(IDC_OPT_RBDEFICONCUSTOM);
    TabSheet2.SetEnabled(IDC_OPT_EDITDEFICONPATH, custom);
    TabSheet2.SetEnabled(IDC_OPT_SBDEFICONBROWSE, custom);
    TabSheet2.SetControlSysColor(IDC_OPT_EDITDEFICONPATH, custom ? COLOR_WINDOW : COLOR_BTNFACE);
}

void TForm2::sbDefIconBrowseClick() {
    OpenDlg1.InitialDir = FolderOrMyComputer(TabSheet2.Text(IDC_OPT_EDITDEFICONPATH));
    OpenDlg1.FileName.clear();
    if (OpenDlg1.Execute(Handle())) TabSheet2.SetText(IDC_OPT_EDITDEFICONPATH, OpenDlg1.FileName);
}

void TForm2::cbFixToolbarPosClick() {
    SetToolbarsFixed(TabSheet2.Checked(IDC_OPT_CBFIXTOOLBARPOS));
}

void TForm2::LabelUrlsClick(int id) {
    const std::string target = (id == IDC_OPT_LABELMAIL ? kMailPrefix : "") + TabSheet5.Text(id);
    ::ShellExecuteW(Handle(), nullptr, Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace lodestar
