#include "SIcoDlg98.h"

#include "Application.h"
#include "Dpi.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinText.h"
#include "lsCommonUi.h"
#include "resource.h"

#include <shellapi.h>

namespace lodestar {

namespace {
// The grid's size in pixels: its rows are counted from its height (7 of 24 pixels, 4 of 42).
constexpr int kGridWidth = 337;
constexpr int kGridHeight = 198;
// Dialog units between the grid and the buttons below it, as in the template.
constexpr int kGapBelowGrid = 10;

// Posted at the first activation when the file dialog is to open by itself: it opens once the activation
// has ended and the dialog is drawn.
constexpr UINT kBrowseOnOpen = WM_APP + 1;

std::string SystemShell32() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(std::wstring_view(folder, n < MAX_PATH ? n : 0)) + "\\SHELL32.DLL";
}

// The number of icons in a file; a missing file or one without icons has none.
int CountIcons(const std::wstring& file) {
    if (file.empty()) return 0;
    const UINT n = ::ExtractIconExW(file.c_str(), -1, nullptr, nullptr, 0);
    return n == UINT_MAX ? 0 : static_cast<int>(n);
}

// The icons are listed as small icons of the screen's scale.
int ListIconSize() {
    return SmallIconSizeForDpi(WindowDpi(nullptr));
}

// Icon `index` of the file at `size`: the file's picture of that size (or the nearest larger one), not
// the 16-pixel one stretched. None when it cannot be read.
UniqueIcon ListIcon(const std::wstring& file, int index, int size) {
    HICON icon = nullptr;
    if (size == 16) {
        ::ExtractIconExW(file.c_str(), index, nullptr, &icon, 1);
        return UniqueIcon(icon);
    }
    UINT id = 0;
    const UINT n = ::PrivateExtractIconsW(file.c_str(), index, size, size, &icon, &id, 1, LR_DEFAULTCOLOR);
    if (n == 0 || n == UINT_MAX) return {};
    return UniqueIcon(icon);
}
} // namespace

TIcoDlg1::TIcoDlg1() : TDialog(IDD_ICODLG), IconList(ListIconSize(), ListIconSize()) {
    TIcoGrid::Register();
    SetDefaultFile();
    OnClick(IDOK, [this] { btnOkClick(); });
    OnCommand(IDC_ICODLG_GRID, ICOGRIDN_DBLCLK, [this] { btnOkClick(); });
    OnClick(IDC_ICODLG_BTNBROWSE, [this] { btnBrowseClick(); });
    OnClick(IDC_ICODLG_BTNLARGEICON, [this] { btnLargeIconClick(); });

    OpenDlg.Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist;
    OpenDlg.InitialDir = std::string(kMyComputer);
    OpenDlg.Filter = {
        {"アイコンを含むファイル(*.exe;*.dll;*.ico;*.bmp;*.icl)", "*.ico;*.exe;*.dll;*.bmp;*.icl"},
        {"プログラム(*.exe)", "*.exe"},
        {"ライブラリ(*.dll, *.icl)", "*.dll;*.icl"},
        {"アイコン(*.ico)", "*.ico"},
        {"ビットマップ(*.bmp)", "*.bmp"},
        {"すべてのファイル", "*.*"},
    };
}

void TIcoDlg1::SetDefaultFile(std::string_view path) {
    if (path.empty()) {
        DefaultFile = SystemShell32();
        browseOnOpen_ = false;
        return;
    }
    DefaultFile = std::string(path);
    browseOnOpen_ = FolderExists(DefaultFile);
}

void TIcoDlg1::SetIconSize(int size) {
    const bool large = size == 1;
    if (large != Grid.LargeView()) Grid.SetLargeView(large);
    if (Handle()) SetChecked(IDC_ICODLG_BTNLARGEICON, large);
}

bool TIcoDlg1::PickIcon(std::string& file, int& index) {
    pickFile_ = file;
    pickIndex_ = index;
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = Application::Handle();
    if (ShowModal(owner) != IDOK) return false;
    file = pickFile_;
    index = pickIndex_;
    return true;
}

void TIcoDlg1::OnInit() {
    UseIconTitleFace();
    SetCaption(Caption() + " - " + Application::Title());
    const HWND grid = Item(IDC_ICODLG_GRID);
    const int dpi = WindowDpi(Handle());
    ::SetWindowPos(grid, nullptr, 0, 0, ScaleForDpi(kGridWidth, dpi), ScaleForDpi(kGridHeight, dpi),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Grid.Attach(grid, IconList);
    FitBelowGrid();
    SetChecked(IDC_ICODLG_BTNLARGEICON, Grid.LargeView());

    LoadIcons(pickFile_);
    Grid.SelectIndex(pickIndex_); // an index without an icon leaves the first one current
    if (IconList.Count() == 0) {
        if (!pickFile_.empty())
            ShowErrorBox("指定したファイル '" + pickFile_ + "' にはアイコンが含まれていません。",
                         MB_ICONWARNING | MB_TASKMODAL);
        LoadIcons(DefaultFile);
    }
    FocusControl(IDC_ICODLG_EDIT1);
    if (placement_) placement_(Handle());
}

std::optional<INT_PTR> TIcoDlg1::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        FormActivate();
    } else if (message == kBrowseOnOpen) {
        // The dialog box can be active before it is first shown: the file dialog opens over the drawn
        // picker, never in place of it.
        if (!::IsWindowVisible(Handle())) ::ShowWindow(Handle(), SW_SHOW);
        Application::ProcessMessages();
        ::UpdateWindow(Handle());
        btnBrowseClick();
        return TRUE;
    }
    return std::nullopt;
}

void TIcoDlg1::FormActivate() {
    if (!browseOnOpen_ || IconList.Count() != 0) return;
    browseOnOpen_ = false;
    ::PostMessageW(Handle(), kBrowseOnOpen, 0, 0);
}

void TIcoDlg1::btnOkClick() {
    const std::string name = Text(IDC_ICODLG_EDIT1);
    if (name.empty()) {
        LoadIcons(DefaultFile);
        return;
    }
    if (name != LoadedFile) {
        // Another name was typed: Enter shows its icons rather than ending the dialog.
        LoadIcons();
        return;
    }
    const int index = Grid.Layout().CurrentIndex();
    if (index < 0 || index >= Grid.Layout().IconCount()) {
        Seams().MessageBox(Handle(), "アイコンを選択してください。", Application::Title(), MB_OK);
        return;
    }
    pickFile_ = LoadedFile;
    pickIndex_ = index;
    EndDialog(IDOK);
}

void TIcoDlg1::btnBrowseClick() {
    OpenDlg.InitialDir = FolderOrMyComputer(Text(IDC_ICODLG_EDIT1));
    OpenDlg.FileName.clear(); // a name from an earlier choice would take the dialog to its folder instead
    if (OpenDlg.Execute(Handle())) LoadIcons(OpenDlg.FileName);
}

void TIcoDlg1::btnLargeIconClick() {
    Grid.SetLargeView(Checked(IDC_ICODLG_BTNLARGEICON));
}

void TIcoDlg1::FitBelowGrid() {
    // The grid's pixel height and the template's dialog units differ with the font: the buttons below
    // keep the template's distance from the grid, and the dialog its margin below them.
    const auto clientRect = [this](HWND control) {
        RECT rect{};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT gap{0, 0, 0, kGapBelowGrid};
    ::MapDialogRect(Handle(), &gap);
    const int delta = clientRect(Item(IDC_ICODLG_GRID)).bottom + gap.bottom - clientRect(Item(IDOK)).top;
    if (delta == 0) return;
    for (const int id : {IDC_ICODLG_BTNLARGEICON, IDOK, IDCANCEL}) {
        const RECT rect = clientRect(Item(id));
        ::SetWindowPos(Item(id), nullptr, rect.left, rect.top + delta, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{};
    ::GetWindowRect(Handle(), &window);
    ::SetWindowPos(Handle(), nullptr, window.left, window.top - delta / 2, window.right - window.left,
                   window.bottom - window.top + delta, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TIcoDlg1::UseIconTitleFace() {
    LOGFONTW iconFont{};
    if (!::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof iconFont, &iconFont, 0)) return;
    const auto current = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
    LOGFONTW font{};
    if (!current || !::GetObjectW(current, sizeof font, &font)) return;
    wcscpy_s(font.lfFaceName, iconFont.lfFaceName);
    UniqueFont face(::CreateFontIndirectW(&font));
    if (!face) return;
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(face.Get()), FALSE);
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(face.Get()), FALSE);
    font_ = std::move(face);
}

void TIcoDlg1::LoadIcons(std::optional<std::string> file) {
    if (file) SetText(IDC_ICODLG_EDIT1, *file);
    std::string name = Text(IDC_ICODLG_EDIT1);
    if (!FileExists(name) && NeedsSearch(name)) {
        SetText(IDC_ICODLG_EDIT1, SearchProgram(name));
        name = Text(IDC_ICODLG_EDIT1);
    }
    IconList.Clear();
    LoadedFile.clear();
    const std::wstring wide = Widen(name);
    const int count = CountIcons(wide);
    try {
        for (int i = 0; i < count; ++i) {
            const UniqueIcon icon = ListIcon(wide, i, IconList.Width());
            // An icon that cannot be read keeps its place, so that image k stays icon k of the file.
            if (icon)
                IconList.AddIcon(icon.Get());
            else
                IconList.AddBlank();
        }
    } catch (...) {
        // Half a list would offer indexes that do not match the file.
        IconList.Clear();
        Grid.IconsChanged();
        throw;
    }
    if (count > 0) LoadedFile = name;
    Grid.IconsChanged();
}

} // namespace lodestar
