// The icon picker shown for real on the files of the Wine prefix and driven from a second thread the way
// a user works it: typing, Enter, clicks and double-clicks on icons, keys in the grid, the view button,
// the scroll bar and the system's file dialog.
#include "SIcoDlg98.h"

#include "CommandLine.h"
#include "IconPickerDriver.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinTestSupport.h"
#include "resource.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::string kCaption = "アイコンの変更 - Lodestar";
constexpr int kLarge = IDC_ICODLG_BTNLARGEICON;

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

int IconsIn(const std::string& file) {
    const UINT n = ::ExtractIconExW(Widen(file).c_str(), -1, nullptr, nullptr, 0);
    return n == UINT_MAX ? 0 : static_cast<int>(n);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Files of the prefix and a folder of the test's own: a copy of a program with icons under a Japanese
// name, a text file and a name that does not exist.
struct TFiles {
    std::string Shell32 = SystemFolder() + "\\shell32.dll";
    std::string DefaultFile = SystemFolder() + "\\SHELL32.DLL";
    std::string Folder;
    std::string Program; // the copy
    std::string Text;
    std::string Missing;
    int Shell32Icons = 0;
    int ProgramIcons = 0;

    TFiles() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        Folder = RemoveBackslash(LongOf(Narrow(temp))) + "\\アイコン選択 テスト";
        fs::create_directories(fs::path(Widen(Folder)));
        Program = Folder + "\\メモ帳.exe";
        ::CopyFileW(Widen(SystemFolder() + "\\notepad.exe").c_str(), Widen(Program).c_str(), FALSE);
        Text = Folder + "\\説明.txt";
        WriteBytes(Text, "アイコンのないファイル\r\n");
        Missing = Folder + "\\ない.exe";
        Shell32Icons = IconsIn(Shell32);
        ProgramIcons = IconsIn(Program);
    }
    ~TFiles() {
        std::error_code ignored;
        fs::remove_all(fs::path(Widen(Folder)), ignored);
    }
};

std::string CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return Narrow(folder);
}

// The rows of the file dialog's file-type list.
std::vector<std::string> FileTypes(HWND fileDialog) {
    const HWND types = ::GetDlgItem(fileDialog, cmb1);
    std::vector<std::string> rows;
    const int count = static_cast<int>(::SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (::SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 512)
            ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        rows.push_back(Narrow(text));
    }
    return rows;
}

struct TOutcome {
    bool Found = false;
    bool Accepted = false;
    std::string File;
    int Index = 0;
    int IconSize = 0;
};

class IconPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        // A box would block the dialog's thread; the test sees it instead.
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back(caption + "|" + text + "|" + std::to_string(flags));
            return IDOK;
        };
        ASSERT_GT(files.Shell32Icons, 20);
        ASSERT_GT(files.ProgramIcons, 0);
    }
    void TearDown() override { ResetSeams(); }

    TOutcome Pick(std::optional<std::string> defaultFile, int iconSize, std::string file, int index,
                  const std::function<void(TPickerView&)>& script) {
        TIcoDlg1 picker;
        if (defaultFile) picker.SetDefaultFile(*defaultFile);
        picker.SetIconSize(iconSize);
        TDialogDriver driver(kCaption, [&](HWND dialog) {
            TPickerView view(dialog, marker, IDC_ICODLG_GRID, IDC_ICODLG_EDIT1);
            script(view);
        });
        TOutcome outcome;
        outcome.Accepted = picker.PickIcon(file, index);
        driver.Join();
        outcome.Found = driver.Found();
        outcome.File = file;
        outcome.Index = index;
        outcome.IconSize = picker.IconSize();
        return outcome;
    }

    std::string Warning(const std::string& file) const {
        return "エラー - Lodestar|指定したファイル '" + file + "' にはアイコンが含まれていません。|" +
               std::to_string(MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
    }

    TFiles files;
    TQueueMarker marker;
    std::vector<std::string> boxes;
};

// What the picker shows: the edit's file, the number of icons, the current icon and the rows.
void ExpectShows(const TPickerView& view, const std::string& file, int count, int current, int rows,
                 const std::string& context) {
    EXPECT_EQ(view.FileText(), file) << context;
    EXPECT_EQ(view.Count(), count) << context;
    EXPECT_EQ(view.Current(), count > 0 ? current : -1) << context;
    EXPECT_EQ(view.Rows(), rows) << context;
}

TEST_F(IconPickerTest, UserScenarios) {
    const TFiles& f = files;
    const struct {
        const char* Name;
        std::optional<std::string> DefaultFile;
        int IconSize;
        std::string File;
        int Index;
        std::function<void(TPickerView&)> Script;
        bool Accepted;
        std::string ResultFile;
        int ResultIndex;
        std::vector<std::string> Boxes;
        int ResultIconSize;
    } scenarios[] = {
        {"an icon of shell32.dll confirmed with OK",
         {},
         0,
         f.Shell32,
         9,
         [&](TPickerView& v) {
             ExpectShows(v, f.Shell32, f.Shell32Icons, 9, 7, "open");
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         9,
         {},
         0},
        {"Enter on the shown file confirms",
         {},
         0,
         f.Shell32,
         30,
         [&](TPickerView& v) { v.EditKey(VK_RETURN); },
         true,
         f.Shell32,
         30,
         {},
         0},
        {"a file without icons: warning naming it, then the default file's icons",
         {},
         0,
         f.Text,
         4,
         [&](TPickerView& v) {
             ExpectShows(v, f.DefaultFile, f.Shell32Icons, 0, 7, "default");
             v.Press(IDOK);
         },
         true,
         f.DefaultFile,
         0,
         {Warning(f.Text)},
         0},
        {"a missing file: warning, then the default file",
         {},
         0,
         f.Missing,
         0,
         [&](TPickerView& v) {
             ExpectShows(v, f.DefaultFile, f.Shell32Icons, 0, 7, "default");
             v.Press(IDCANCEL);
         },
         false,
         f.Missing,
         0,
         {Warning(f.Missing)},
         0},
        {"no file: the default file without a warning",
         {},
         0,
         "",
         0,
         [&](TPickerView& v) {
             ExpectShows(v, f.DefaultFile, f.Shell32Icons, 0, 7, "default");
             v.Press(IDOK);
         },
         true,
         f.DefaultFile,
         0,
         {},
         0},
        {"the opener's default file",
         f.Program,
         0,
         f.Missing,
         5,
         [&](TPickerView& v) {
             ExpectShows(v, f.Program, f.ProgramIcons, 0, 7, "default");
             v.Press(IDOK);
         },
         true,
         f.Program,
         0,
         {Warning(f.Missing)},
         0},
        {"an index beyond the icons leaves the first selected",
         {},
         0,
         f.Shell32,
         100000,
         [&](TPickerView& v) {
             ExpectShows(v, f.Shell32, f.Shell32Icons, 0, 7, "open");
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         0,
         {},
         0},
        {"a negative index (a resource id) leaves the first selected",
         {},
         0,
         f.Shell32,
         -154,
         [&](TPickerView& v) {
             ExpectShows(v, f.Shell32, f.Shell32Icons, 0, 7, "open");
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         0,
         {},
         0},
        {"a typed file name and Enter load that file instead of closing",
         {},
         0,
         f.Shell32,
         9,
         [&](TPickerView& v) {
             v.TypeFile(f.Program);
             v.EditKey(VK_RETURN);
             ASSERT_TRUE(v.Open());
             ExpectShows(v, f.Program, f.ProgramIcons, 0, 7, "typed");
             v.EditKey(VK_RETURN);
         },
         true,
         f.Program,
         0,
         {},
         0},
        {"a bare program name is looked up on the search path",
         {},
         0,
         f.Shell32,
         0,
         [&](TPickerView& v) {
             v.TypeFile("notepad");
             v.Press(IDOK);
             ASSERT_TRUE(v.Open());
             EXPECT_EQ(Lower(v.FileText()), Lower(SearchProgram("notepad")));
             EXPECT_TRUE(FileExists(v.FileText())) << v.FileText();
             EXPECT_EQ(v.Count(), IconsIn(v.FileText()));
             v.Press(IDCANCEL);
         },
         false,
         f.Shell32,
         0,
         {},
         0},
        {"a typed file without icons shows an empty grid and keeps the dialog open",
         {},
         0,
         f.Shell32,
         3,
         [&](TPickerView& v) {
             v.TypeFile(f.Text);
             v.EditKey(VK_RETURN);
             ASSERT_TRUE(v.Open());
             ExpectShows(v, f.Text, 0, 0, 7, "typed");
             v.Press(IDOK); // tries the same file again
             ASSERT_TRUE(v.Open());
             EXPECT_EQ(v.Count(), 0);
             v.Press(IDCANCEL);
         },
         false,
         f.Shell32,
         3,
         {},
         0},
        {"an emptied name and OK show the default file",
         {},
         0,
         f.Program,
         0,
         [&](TPickerView& v) {
             v.TypeFile("");
             v.Press(IDOK);
             ASSERT_TRUE(v.Open());
             ExpectShows(v, f.DefaultFile, f.Shell32Icons, 0, 7, "emptied");
             v.Press(IDOK);
         },
         true,
         f.DefaultFile,
         0,
         {},
         0},
        {"Cancel after choosing another icon changes nothing",
         {},
         0,
         f.Shell32,
         9,
         [&](TPickerView& v) {
             v.GridKey(VK_RIGHT);
             EXPECT_EQ(v.Current(), 16);
             v.Press(IDCANCEL);
         },
         false,
         f.Shell32,
         9,
         {},
         0},
        {"the magnified view keeps the selected icon",
         {},
         0,
         f.Shell32,
         9,
         [&](TPickerView& v) {
             EXPECT_FALSE(IsChecked(v.Dialog(), kLarge));
             EXPECT_EQ(v.CellSize(), 24);
             v.Press(kLarge);
             EXPECT_TRUE(IsChecked(v.Dialog(), kLarge));
             ExpectShows(v, f.Shell32, f.Shell32Icons, 9, 4, "large");
             EXPECT_EQ(v.CellSize(), 42);
             v.GridKey(VK_RIGHT); // 9 + 4
             v.Press(kLarge);
             ExpectShows(v, f.Shell32, f.Shell32Icons, 13, 7, "normal again");
             v.Press(kLarge);
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         13,
         {},
         1},
        {"the stored magnified view opens magnified; the view is read back after Cancel",
         {},
         1,
         f.Shell32,
         21,
         [&](TPickerView& v) {
             EXPECT_TRUE(IsChecked(v.Dialog(), kLarge));
             ExpectShows(v, f.Shell32, f.Shell32Icons, 21, 4, "large");
             EXPECT_EQ(v.LeftCol(), 0); // column 5 of 4 rows is in view
             v.Press(kLarge);
             ExpectShows(v, f.Shell32, f.Shell32Icons, 21, 7, "normal");
             v.Press(IDCANCEL);
         },
         false,
         f.Shell32,
         21,
         {},
         0},
        {"a stored view other than 1 opens normal",
         {},
         2,
         f.Shell32,
         0,
         [&](TPickerView& v) {
             EXPECT_FALSE(IsChecked(v.Dialog(), kLarge));
             EXPECT_EQ(v.Rows(), 7);
             v.Press(IDCANCEL);
         },
         false,
         f.Shell32,
         0,
         {},
         0},
        {"a double-click on an icon confirms it",
         {},
         0,
         f.Shell32,
         0,
         [&](TPickerView& v) { v.ClickIcon(17, true); },
         true,
         f.Shell32,
         17,
         {},
         0},
        {"a double-click in the magnified view",
         {},
         1,
         f.Shell32,
         0,
         [&](TPickerView& v) { v.ClickIcon(6, true); },
         true,
         f.Shell32,
         6,
         {},
         1},
        {"a click selects, a double-click on a blank cell does not confirm",
         {},
         0,
         f.Program,
         0,
         [&](TPickerView& v) {
             const int last = f.ProgramIcons - 1;
             v.ClickIcon(last);
             EXPECT_EQ(v.Current(), last);
             v.ClickIcon(f.ProgramIcons, true); // the cell after the last icon
             ASSERT_TRUE(v.Open());
             EXPECT_EQ(v.Current(), last);
             v.ClickAt({300, 100}, true); // beyond the last column
             ASSERT_TRUE(v.Open());
             v.Press(IDOK);
         },
         true,
         f.Program,
         f.ProgramIcons - 1,
         {},
         0},
        {"keys move through the icons and scroll the grid",
         {},
         0,
         f.Shell32,
         0,
         [&](TPickerView& v) {
             const int rows = 7;
             const int cols = (f.Shell32Icons + rows - 1) / rows;
             const int visible = (337 - 4) / 24;
             v.GridKey(VK_RIGHT);
             EXPECT_EQ(v.Current(), 7);
             v.GridKey(VK_DOWN);
             EXPECT_EQ(v.Current(), 8);
             v.GridKey(VK_UP);
             v.GridKey(VK_UP); // stays in its column
             EXPECT_EQ(v.Current(), 7);
             v.GridKey(VK_END);
             EXPECT_EQ(v.Current(), f.Shell32Icons - 1);
             EXPECT_EQ(v.LeftCol(), cols - visible);
             v.GridKey(VK_HOME);
             EXPECT_EQ(v.Current(), 0);
             EXPECT_EQ(v.LeftCol(), 0);
             v.GridKey(VK_NEXT);
             EXPECT_EQ(v.Current(), visible * rows);
             EXPECT_EQ(v.LeftCol(), 1);
             v.GridKey(VK_PRIOR);
             EXPECT_EQ(v.Current(), 0);
             v.GridKey(VK_DOWN);
             v.GridKey(VK_RETURN); // Enter in the grid is the dialog's OK
         },
         true,
         f.Shell32,
         1,
         {},
         0},
        {"the scroll bar moves the view, not the selection",
         {},
         0,
         f.Shell32,
         2,
         [&](TPickerView& v) {
             const int cols = (f.Shell32Icons + 6) / 7;
             const int visible = (337 - 4) / 24;
             v.Scroll(SB_LINERIGHT);
             EXPECT_EQ(v.LeftCol(), 1);
             v.Scroll(SB_PAGERIGHT);
             EXPECT_EQ(v.LeftCol(), 1 + visible);
             v.Scroll(SB_THUMBTRACK, 5);
             EXPECT_EQ(v.LeftCol(), 5);
             v.Scroll(SB_RIGHT);
             EXPECT_EQ(v.LeftCol(), cols - visible);
             v.Scroll(SB_THUMBTRACK, 1000); // beyond the end
             EXPECT_EQ(v.LeftCol(), cols - visible);
             v.Scroll(SB_LEFT);
             EXPECT_EQ(v.LeftCol(), 0);
             EXPECT_EQ(v.Current(), 2);
             // A click on an icon of the scrolled view.
             v.Scroll(SB_THUMBTRACK, 10);
             v.ClickIcon(10 * 7 + 3);
             EXPECT_EQ(v.Current(), 73);
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         73,
         {},
         0},
        {"a folder as default opens the file dialog in it; the chosen file's icons are shown",
         f.Folder,
         0,
         "",
         0,
         [&](TPickerView& v) {
             const HWND fileDialog = WaitForFileDialog(v.Dialog());
             ASSERT_TRUE(fileDialog);
             EXPECT_EQ(Lower(RemoveBackslash(FileDialogFolder(fileDialog))), Lower(f.Folder));
             ChooseInFileDialog(fileDialog, "メモ帳.exe");
             v.Sync(); // the picker has handled the choice
             EXPECT_EQ(Lower(v.FileText()), Lower(f.Program));
             EXPECT_EQ(v.Count(), f.ProgramIcons);
             v.Press(IDOK);
         },
         true,
         f.Program,
         0,
         {},
         0},
        {"a folder as default does not browse when the given file has icons",
         f.Folder,
         0,
         f.Shell32,
         1,
         [&](TPickerView& v) {
             v.Sync();
             ::Sleep(300);
             v.Sync();
             EXPECT_TRUE(v.Open());
             v.Press(IDOK);
         },
         true,
         f.Shell32,
         1,
         {},
         0},
        {"the browse button starts in the shown file's folder",
         {},
         0,
         f.Shell32,
         5,
         [&](TPickerView& v) {
             const std::string folderBefore = CurrentFolder();
             v.PressAndLeave(IDC_ICODLG_BTNBROWSE);
             HWND fileDialog = WaitForFileDialog(v.Dialog());
             ASSERT_TRUE(fileDialog);
             EXPECT_EQ(Lower(RemoveBackslash(FileDialogFolder(fileDialog))), Lower(SystemFolder()));
             EXPECT_EQ(
                 FileTypes(fileDialog),
                 (std::vector<std::string>{"アイコンを含むファイル(*.exe;*.dll;*.ico;*.bmp;*.icl)",
                                           "プログラム(*.exe)", "ライブラリ(*.dll, *.icl)", "アイコン(*.ico)",
                                           "ビットマップ(*.bmp)", "すべてのファイル"}));
             ChooseInFileDialog(fileDialog, ""); // cancelled: nothing changes
             v.Sync();
             ExpectShows(v, f.Shell32, f.Shell32Icons, 5, 7, "after cancel");
             v.PressAndLeave(IDC_ICODLG_BTNBROWSE);
             fileDialog = WaitForFileDialog(v.Dialog());
             ASSERT_TRUE(fileDialog);
             ChooseInFileDialog(fileDialog, f.Program);
             v.Sync();
             // Choosing a file in another folder leaves the program's current folder where it was.
             EXPECT_EQ(CurrentFolder(), folderBefore);
             EXPECT_EQ(Lower(v.FileText()), Lower(f.Program));
             EXPECT_EQ(v.Count(), f.ProgramIcons);
             v.Press(IDOK);
         },
         true,
         f.Program,
         0,
         {},
         0},
    };
    for (const auto& s : scenarios) {
        boxes.clear();
        const TOutcome outcome = Pick(s.DefaultFile, s.IconSize, s.File, s.Index, s.Script);
        ASSERT_TRUE(outcome.Found) << s.Name;
        EXPECT_EQ(outcome.Accepted, s.Accepted) << s.Name;
        EXPECT_EQ(Lower(outcome.File), Lower(s.ResultFile)) << s.Name;
        EXPECT_EQ(outcome.Index, s.ResultIndex) << s.Name;
        EXPECT_EQ(outcome.IconSize, s.ResultIconSize) << s.Name;
        EXPECT_EQ(boxes, s.Boxes) << s.Name;
    }
}

// Pixels an image list draws onto a white 40×40 picture: how many are no longer white, inside and outside
// the top-left 16×16 square.
struct TInk {
    int Inside = 0;
    int Outside = 0;
};

TInk InkOf(const std::function<void(HDC)>& draw) {
    const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const UniqueBitmap picture(::CreateDIBSection(dc.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = ::SelectObject(dc.Get(), picture.Get());
    const RECT all{0, 0, 40, 40};
    ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    draw(dc.Get());
    ::GdiFlush();
    TInk ink;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if ((pixels[y * 40 + x] & 0xFFFFFF) != 0xFFFFFF) ++(x < 16 && y < 16 ? ink.Inside : ink.Outside);
    ::SelectObject(dc.Get(), old);
    return ink;
}

TEST_F(IconPickerTest, ImageListKeepsTheOrderOfItsImages) {
    TImageList list(16, 16);
    std::vector<UniqueIcon> icons;
    for (int i = 0; i < 3; ++i) {
        HICON small = nullptr;
        ASSERT_EQ(::ExtractIconExW(Widen(files.Shell32).c_str(), i, nullptr, &small, 1), 1u) << i;
        icons.emplace_back(small);
    }
    EXPECT_EQ(list.AddIcon(icons[0].Get()), 0);
    EXPECT_EQ(list.AddIcon(icons[1].Get()), 1);
    EXPECT_EQ(list.AddBlank(), 2); // an icon that could not be read keeps its place
    EXPECT_EQ(list.AddIcon(icons[2].Get()), 3);
    EXPECT_EQ(list.Count(), 4);

    const struct {
        const char* Name;
        std::function<void(HDC)> Draw;
        bool InkInside;
        bool InkOutside;
    } drawings[] = {
        {"icon at its size", [&](HDC dc) { list.Draw(dc, 0, 0, 0); }, true, false},
        {"blank", [&](HDC dc) { list.Draw(dc, 2, 0, 0); }, false, false},
        {"stretched to 32", [&](HDC dc) { list.DrawStretched(dc, 3, 0, 0, 32, 32); }, true, true},
        {"stretched blank", [&](HDC dc) { list.DrawStretched(dc, 2, 0, 0, 32, 32); }, false, false},
        {"index past the end", [&](HDC dc) { list.Draw(dc, 4, 0, 0); }, false, false},
        {"negative index", [&](HDC dc) { list.DrawStretched(dc, -1, 0, 0, 32, 32); }, false, false},
    };
    for (const auto& d : drawings) {
        const TInk ink = InkOf(d.Draw);
        EXPECT_EQ(ink.Inside > 0, d.InkInside) << d.Name;
        EXPECT_EQ(ink.Outside > 0, d.InkOutside) << d.Name;
    }
    // A copy of an image comes out as an icon of its own; the list's images are not the caller's icons.
    icons.clear();
    EXPECT_TRUE(list.Icon(1));
    EXPECT_FALSE(list.Icon(4));
    EXPECT_GT(InkOf([&](HDC dc) { list.Draw(dc, 1, 0, 0); }).Inside, 0);

    TImageList moved = std::move(list);
    EXPECT_EQ(moved.Count(), 4);
    EXPECT_EQ(list.Count(), 0);
    moved.Clear();
    EXPECT_EQ(moved.Count(), 0);
    EXPECT_EQ(moved.AddBlank(), 0);
}

// The picker's texts and controls as a user and a screen reader meet them.
TEST_F(IconPickerTest, ShowsItsTextsAndStartsInTheFileName) {
    const TOutcome outcome = Pick({}, 0, files.Shell32, 0, [&](TPickerView& v) {
        EXPECT_EQ(TextOf(v.Dialog()), kCaption);
        const struct {
            int Id;
            std::string Text;
        } texts[] = {
            {IDC_ICODLG_LBLFILE, "ファイル名(&F):"},
            {IDC_ICODLG_LBLICONS, "現在のアイコン(&C):"},
            {IDC_ICODLG_BTNBROWSE, "参照(&B)..."},
            {kLarge, "拡大表示"},
            {IDOK, "OK"},
            {IDCANCEL, "キャンセル"},
        };
        for (const auto& [id, text] : texts)
            EXPECT_EQ(TextOf(Control(v.Dialog(), id)), text) << id;
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(v.Dialog(), nullptr), &gui));
        EXPECT_EQ(gui.hwndFocus, Control(v.Dialog(), IDC_ICODLG_EDIT1));
        // The grid comes right after the label whose mnemonic leads to it, and takes the focus by Tab.
        EXPECT_EQ(::GetWindow(Control(v.Dialog(), IDC_ICODLG_LBLICONS), GW_HWNDNEXT), v.Grid());
        EXPECT_TRUE(::GetWindowLongW(v.Grid(), GWL_STYLE) & WS_TABSTOP);
        RECT grid{};
        ::GetWindowRect(v.Grid(), &grid);
        EXPECT_EQ(grid.right - grid.left, 337);
        EXPECT_EQ(grid.bottom - grid.top, 198);
        // Whatever the font makes of the template's units, the buttons sit below the grid, inside the
        // dialog.
        RECT dialog{};
        ::GetWindowRect(v.Dialog(), &dialog);
        for (const int id : {kLarge, IDOK, IDCANCEL}) {
            RECT button{};
            ::GetWindowRect(Control(v.Dialog(), id), &button);
            EXPECT_GT(button.top, grid.bottom) << id;
            EXPECT_LT(button.top - grid.bottom, 30) << id;
            EXPECT_LT(button.bottom, dialog.bottom) << id;
        }
        v.Press(IDCANCEL);
    });
    EXPECT_TRUE(outcome.Found);
}

} // namespace
} // namespace lodestar
