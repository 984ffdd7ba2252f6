// The item editor driven from a second thread the way a user works it, and the scenario runner that
// opens it on an item and compares the item afterwards: shared by the tests of its pages.
#pragma once

#include "lsItem.h"
#include "Application.h"
#include "CommandLine.h"
#include "DialogDriver.h"
#include "DialogThread.h"
#include "IconPickerDriver.h"
#include "ItemRecord.h"
#include "LsReg.h"
#include "Seams.h"
#include "ShellHelpers.h"
#include "WinTestSupport.h"
#include "WindowSearch.h"
#include "lsCommon.h"
#include "resource.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <cctype>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lodestar {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::string kCaption = "アイコン項目のプロパティ - Lodestar";
const std::string kNewCaption = "アイコン項目の新規作成 - Lodestar";
const std::string kStandardIcon = "(標準)";

constexpr WORD kShift = 0x2000;
constexpr WORD kCtrl = 0x4000;
constexpr WORD kAlt = 0x8000;

std::string SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder);
}

// The page controls live in child dialogs of the editor: a control is looked up among all descendants.
HWND FindControl(HWND dialog, int id) {
    return FindDescendantById(dialog, id);
}

// What the script sees of the open editor and does with it.
struct TEditor {
    HWND Dialog = nullptr;
    TForm3* Form = nullptr;
    const TOnDialogThread* Runner = nullptr;

    HWND Get(int id) const {
        const HWND control = FindControl(Dialog, id);
        EXPECT_TRUE(control) << "no control " << id;
        return control;
    }
    // The window holding the control, for DialogDriver's helpers.
    HWND PageOf(int id) const { return ::GetParent(Get(id)); }
    std::string Text(int id) const { return TextOf(Get(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Get(id)) != FALSE; }
    bool Open() const { return ::IsWindow(Dialog) && ::IsWindowVisible(Dialog); }

    void Type(int id, const std::string& text) const { test::Type(PageOf(id), id, text); }
    // Selects the whole text and types over it; an empty text erases it.
    void Replace(int id, const std::string& text) const {
        ::SendMessageW(Get(id), EM_SETSEL, 0, -1);
        Type(id, text.empty() ? std::string("\b") : text);
    }
    void Click(int id) const { ::SendMessageW(Get(id), BM_CLICK, 0, 0); }
    void ClickOk() const { Click(IDOK); }
    void Cancel() const { Click(IDCANCEL); }

    int WndSize() const {
        return static_cast<int>(::SendMessageW(Get(IDC_ITEM_COMBOWNDSIZE), CB_GETCURSEL, 0, 0));
    }
    // As the user picks it: the list tells the dialog of the new selection.
    void ChooseWndSize(int index) const {
        const HWND combo = Get(IDC_ITEM_COMBOWNDSIZE);
        ::SendMessageW(combo, CB_SETCURSEL, index, 0);
        ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(IDC_ITEM_COMBOWNDSIZE, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(combo));
    }
    WORD HotKeyShown() const {
        return static_cast<WORD>(::SendMessageW(Get(IDC_ITEM_HOTKEY1), HKM_GETHOTKEY, 0, 0));
    }
    void SetHotKey(BYTE key, BYTE modifiers) const {
        ::SendMessageW(Get(IDC_ITEM_HOTKEY1), HKM_SETHOTKEY, MAKEWORD(key, modifiers), 0);
    }
    // Keys as the keyboard delivers them to the hotkey control: modifiers down, the key, all up again.
    void PressHotKey(std::vector<UINT> modifiers, UINT key) const {
        const HWND control = Get(IDC_ITEM_HOTKEY1);
        for (const UINT m : modifiers)
            ::SendMessageW(control, WM_KEYDOWN, m, 1);
        ::SendMessageW(control, WM_KEYDOWN, key, 1);
        ::SendMessageW(control, WM_KEYUP, key, 1 | (3LL << 30));
        for (const UINT m : modifiers)
            ::SendMessageW(control, WM_KEYUP, m, 1 | (3LL << 30));
    }
    // The id of the control that has the focus on the dialog's thread, once it stays on `expected` or
    // after a second: the user's first key cannot come sooner.
    int FocusId(int expected) const {
        int id = 0;
        for (int i = 0; i < 50; ++i) {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            ::GetGUIThreadInfo(::GetWindowThreadProcessId(Dialog, nullptr), &info);
            id = ::GetDlgCtrlID(info.hwndFocus);
            if (id == expected) break;
            ::Sleep(20);
        }
        return id;
    }

    // The chain list's rows, one text per column.
    std::vector<std::vector<std::string>> ChainRows() const {
        const HWND list = Get(IDC_ITEM_LVCHILDICONS);
        std::vector<std::vector<std::string>> rows;
        const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            std::vector<std::string> texts;
            for (int column = 0; column < 7; ++column) {
                wchar_t buffer[1024] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = buffer;
                item.cchTextMax = 1024;
                ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
                texts.push_back(Narrow(buffer));
            }
            rows.push_back(texts);
        }
        return rows;
    }
    void OnDialogThread(const std::function<void(TForm3&)>& code) const {
        Runner->Run([&] { code(*Form); });
    }

    // The chain page, as a click on its tab opens it.
    void OpenChainPage() const { ::SendMessageW(Get(IDC_ITEM_TABS), TCM_SETCURFOCUS, 1, 0); }
    void SelectChainRow(int row) const {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(Get(IDC_ITEM_LVCHILDICONS), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    // The chain toolbar holding button `id`.
    HWND ChainToolbar(int id) const {
        const HWND found = FindDescendant(Dialog, [id](HWND window) {
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            RECT rect{};
            return std::wstring(name) == TOOLBARCLASSNAMEW &&
                   ::SendMessageW(window, TB_GETRECT, id, reinterpret_cast<LPARAM>(&rect));
        });
        EXPECT_TRUE(found) << "no toolbar with button " << id;
        return found;
    }
    bool ChainButtonEnabled(int id) const {
        return ::SendMessageW(ChainToolbar(id), TB_ISBUTTONENABLED, id, 0) != 0;
    }
    // A click on a button of the chain toolbar, as the mouse gives it.
    void ClickChainButton(int id) const {
        const HWND toolbar = ChainToolbar(id);
        RECT rect{};
        ::SendMessageW(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&rect));
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessageW(toolbar, WM_LBUTTONUP, 0, at);
    }
    // The child editor that a chain button opens, once it shows; null if it does not.
    static HWND WaitForChildEditor(const std::string& caption) {
        HWND child = nullptr;
        if (WaitUntil([&] {
                child = ::FindWindowW(L"#32770", Widen(caption).c_str());
                return child && ::IsWindowVisible(child);
            }))
            return child;
        ADD_FAILURE() << "no child editor " << caption;
        return nullptr;
    }
    // Waits until the chain list has `count` rows, at most about two seconds.
    bool WaitForChainRows(std::size_t count) const {
        for (int i = 0; i < 100; ++i) {
            if (ChainRows().size() == count) return true;
            ::Sleep(20);
        }
        return false;
    }

    // The browse menu opened by its button, once it shows; null if it does not.
    HWND OpenBrowseMenu() const {
        ::PostMessageW(Get(IDC_ITEM_SBBROWSE), BM_CLICK, 0, 0);
        HWND menu = nullptr;
        if (WaitUntil([&] {
                menu = ::FindWindowW(L"#32768", nullptr);
                return menu && ::IsWindowVisible(menu);
            }))
            return menu;
        ADD_FAILURE() << "the browse menu did not open";
        return nullptr;
    }
    // Keys for the open menu: its loop takes them from the thread's queue.
    static void MenuChar(HWND menu, wchar_t ch) { ::PostMessageW(menu, WM_CHAR, ch, 1); }
    static void MenuKey(HWND menu, UINT key) {
        ::PostMessageW(menu, WM_KEYDOWN, key, 1);
        ::PostMessageW(menu, WM_KEYUP, key, 1 | (3LL << 30));
        ::Sleep(50);
    }
    // The browse menu's entry "ファイル(&F)..." and then the file dialog it opens.
    HWND BrowseForFile() const {
        const HWND menu = OpenBrowseMenu();
        if (!menu) return nullptr;
        MenuChar(menu, L'f');
        const HWND fileDialog = WaitForFileDialog(Dialog);
        EXPECT_TRUE(fileDialog) << "no file dialog";
        return fileDialog;
    }
};

// Every field, for messages that show which one differs.
std::string Describe(const TItemData& item) {
    const auto ids = [](const IdList& list) {
        std::string text = "[" + std::to_string(list.Size()) + " bytes";
        for (const std::uint8_t b : list.Bytes()) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", b);
            text += hex;
        }
        return text + "]";
    };
    std::string text = "Tip '" + item.Tip + "' Cmd '" + item.Cmd + "' IDList " + ids(item.IDList) +
                       " DefDir '" + item.DefDir + "' CustomIcon '" + item.CustomIcon + "' WndSize " +
                       std::to_string(item.WndSize) + " HotKey " + std::to_string(item.HotKey) + " chain {";
    for (const TChildIcon& c : item.Children)
        text += " (Cmd '" + c.Cmd + "' IDList " + ids(c.IDList) + " DefDir '" + c.DefDir + "' WndSize " +
                std::to_string(c.WndSize) + " Delay " + std::to_string(c.DelayMs) + " Wait " +
                std::to_string(c.WaitMode) + " AutoQuit " + std::to_string(c.AutoQuit) + " Dup " +
                std::to_string(c.DupCheckMode) + " '" + c.DupCheckText + "')";
    return text + " }";
}

Bytes StreamOf(const TItemData& item) {
    Bytes bytes;
    WriteItemStream(item, bytes);
    return bytes;
}

// Files of the prefix: a folder of the test's own with a copy of the system's icon library, the same
// copy under a name whose text after the comma is no number, and names that do not exist; and the
// notepad the search path finds.
struct TFiles {
    std::string Folder;
    std::string IconLibrary;  // ...\x.dll
    std::string CommaLibrary; // ...\x.dll,abc, a real file
    std::string MissingLibrary;
    std::string SpacedProgram; // ...\メモ 帳.exe
    std::string Notepad = SystemFolder() + "\\notepad.exe";
    std::string FoundNotepad = SearchProgram("notepad");

    TFiles() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        Folder = RemoveBackslash(LongOf(Narrow(temp))) + "\\アイコン項目 テスト";
        fs::create_directories(fs::path(Widen(Folder)));
        IconLibrary = Folder + "\\x.dll";
        CommaLibrary = Folder + "\\x.dll,abc";
        MissingLibrary = Folder + "\\ない.dll";
        SpacedProgram = Folder + "\\メモ 帳.exe";
        const std::wstring shell32 = Widen(SystemFolder() + "\\shell32.dll");
        ::CopyFileW(shell32.c_str(), Widen(IconLibrary).c_str(), FALSE);
        ::CopyFileW(shell32.c_str(), Widen(CommaLibrary).c_str(), FALSE);
        ::CopyFileW(Widen(Notepad).c_str(), Widen(SpacedProgram).c_str(), FALSE);
    }
    ~TFiles() {
        std::error_code ignored;
        fs::remove_all(fs::path(Widen(Folder)), ignored);
    }
};

inline std::string Repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

inline std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TItemData Item(std::string cmd, std::string tip = {}) {
    TItemData item;
    item.Cmd = std::move(cmd);
    item.Tip = std::move(tip);
    return item;
}

inline TItemData WithDefaultTip(TItemData item) {
    item.Tip = DefaultTip(item);
    return item;
}

inline TChildIcon Child(std::string cmd, std::string defDir, std::uint8_t wndSize, std::int32_t delayMs,
                        std::uint8_t waitMode, bool autoQuit, std::uint8_t dupMode,
                        std::string dupText = {}) {
    TChildIcon child;
    child.Cmd = std::move(cmd);
    child.DefDir = std::move(defDir);
    child.WndSize = wndSize;
    child.DelayMs = delayMs;
    child.WaitMode = waitMode;
    child.AutoQuit = autoQuit;
    child.DupCheckMode = dupMode;
    child.DupCheckText = std::move(dupText);
    return child;
}

inline std::string BadFolderBox(const std::string& folder) {
    return "作業フォルダに指定された '" + folder +
           "' フォルダは無効です。フォルダがあるか、またはパスが正しいか確認して下さい。|" +
           std::to_string(MB_ICONEXCLAMATION);
}

// The refusal of a text longer than the stored form keeps (260 bytes of the legacy encoding).
inline std::string TooLongBox(const std::string& field) {
    return field + "が長すぎます。保存できるのは 260 バイト (半角 260 文字) までです。|" +
           std::to_string(MB_ICONEXCLAMATION);
}

struct TScenario {
    const char* Name;
    TItemData Item;
    std::function<void(const TEditor&)> Script;
    bool Result;
    // The item after the editor; none for "exactly as it was", byte for byte.
    std::optional<TItemData> Expected;
    std::vector<std::string> Boxes = {};
    bool ResolveShortcuts = false;
};

class ItemEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSeams();
        // A box would block the dialog's thread; the test records its text and icon instead.
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT flags) {
            boxes.push_back(text + "|" + std::to_string(flags & MB_ICONMASK));
            return IDOK;
        };
        Seams().Beep = [](UINT) {};
        ASSERT_TRUE(fs::exists(fs::path(Widen(files.IconLibrary))));
        ASSERT_NE(files.FoundNotepad, "notepad") << "the search path finds no notepad";
    }
    void TearDown() override { ResetSeams(); }

    void Run(const TScenario& s) {
        SCOPED_TRACE(s.Name);
        boxes.clear();
        TItemData item = s.Item;
        const Bytes before = StreamOf(item);
        const std::string caption = s.Item.Cmd.empty() && !s.Item.IDList ? kNewCaption : kCaption;
        bool result = false;
        bool found = false;
        {
            TOnDialogThread runner;
            TForm3 form;
            form.ResolveShortcuts = s.ResolveShortcuts;
            TDialogDriver driver(caption, [&](HWND dialog) {
                TEditor editor{dialog, &form, &runner};
                s.Script(editor);
            });
            result = form.EditItem(item);
            driver.Join();
            found = driver.Found();
        }
        ASSERT_TRUE(found) << "no dialog captioned " << caption;
        EXPECT_EQ(result, s.Result);
        if (s.Expected) {
            EXPECT_EQ(Describe(item), Describe(*s.Expected));
            EXPECT_TRUE(item == *s.Expected);
        } else {
            EXPECT_EQ(Describe(item), Describe(s.Item));
            EXPECT_TRUE(StreamOf(item) == before) << "the item's stream changed";
        }
        EXPECT_EQ(boxes, s.Boxes);
    }

    TFiles files;
    std::vector<std::string> boxes;
};

} // namespace
} // namespace lodestar
