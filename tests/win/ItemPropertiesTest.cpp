// An item's properties edited from its tray icon: the main window opens the item editor at the cursor,
// and what the user confirms shows on the live tray icon at once; a launch that finds the working folder
// gone opens the editor too.
#include "AppSettings.h"
#include "DialogDriver.h"
#include "Dialogs.h"
#include "HotKey.h"
#include "LinkDialogs.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"
#include "WindowSearch.h"
#include "lsMain.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
const std::string kEditorCaption = "アイコン項目のプロパティ - Lodestar";
constexpr int kEditTip = 1211;
constexpr int kEditCmd = 1213;
constexpr int kEditDefDir = 1216;
constexpr int kHotKey = 1221;
constexpr int kClearIcon = 1226;

// A control of the dialog or of one of its pages.
HWND Find(HWND dialog, int id) {
    return FindDescendantById(dialog, id);
}

void SetText(HWND dialog, int id, const std::string& text) {
    ::SendMessageW(Find(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

std::string SystemFile(const char* name) {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return Narrow(folder) + "\\" + name;
}

class ItemPropertiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        Seams().Beep = [](UINT) {};
        saved = ProgramDialogs();
        LinkDialogs();
        WriteSettings(TSettings{});
    }
    void TearDown() override {
        form.reset();
        ProgramDialogs() = saved;
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }

    TIconItem* StartWith(const TItemData& item) {
        SaveShownGroup(0, {item});
        form = std::make_unique<TForm1>();
        return form->IconItems().empty() ? nullptr : form->IconItems().front();
    }
    void EditProperties(TIconItem* item) {
        form->pmItems->PopupComponent = item;
        form->miEditThisIcoClick(nullptr);
    }

    std::unique_ptr<TForm1> form;
    TProgramDialogs saved;
    std::vector<std::string> boxes;
};

TEST_F(ItemPropertiesTest, EditorFromTheTrayIcon) {
    const std::string notepad = SystemFile("notepad.exe");
    const std::string regedit = SystemFile("..\\regedit.exe");
    TItemData stored = Item(notepad, "メモ帳");
    stored.CustomIcon = SystemFile("shell32.dll") + ",3";
    stored.HotKey = kShortcutCtrl | kShortcutAlt | 'N';

    struct Scenario {
        const char* what;
        std::function<void(HWND)> script;
        std::function<void(const TIconItem&, HICON oldIcon)> check;
    } scenarios[] = {
        {"OK: name, command, hotkey and icon change on the live icon",
         [&](HWND dialog) {
             SetText(dialog, kEditTip, "レジストリ");
             SetText(dialog, kEditCmd, regedit);
             ::SendMessageW(Find(dialog, kHotKey), HKM_SETHOTKEY,
                            MAKEWORD('R', HOTKEYF_CONTROL | HOTKEYF_SHIFT), 0);
             ::SendMessageW(Find(dialog, kClearIcon), BM_CLICK, 0, 0);
             Click(dialog, IDOK);
         },
         [&](const TIconItem& item, HICON oldIcon) {
             EXPECT_EQ(item.Hint(), "レジストリ");
             EXPECT_EQ(item.Cmd, regedit);
             EXPECT_EQ(item.CustomIcon, "");
             EXPECT_EQ(item.HotKey(), kShortcutShift | kShortcutCtrl | 'R');
             EXPECT_NE(item.Icon(), oldIcon);
             EXPECT_TRUE(item.Registered());
         }},
        {"Cancel after changes: the live icon keeps everything",
         [&](HWND dialog) {
             SetText(dialog, kEditTip, "別名");
             SetText(dialog, kEditCmd, regedit);
             ::SendMessageW(Find(dialog, kClearIcon), BM_CLICK, 0, 0);
             Click(dialog, IDCANCEL);
         },
         [&](const TIconItem& item, HICON oldIcon) {
             EXPECT_EQ(item.GetData(), CopyItemData(stored));
             EXPECT_EQ(item.Icon(), oldIcon);
         }},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        TIconItem* item = StartWith(stored);
        ASSERT_NE(item, nullptr);
        const HICON oldIcon = item->Icon();
        ::SetCursorPos(200, 150);
        RECT placed{};
        bool nameFocused = false;
        {
            TDialogDriver driver(kEditorCaption, [&](HWND dialog) {
                ::GetWindowRect(dialog, &placed);
                GUITHREADINFO input{};
                input.cbSize = sizeof input;
                ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &input);
                nameFocused = input.hwndFocus == Find(dialog, kEditTip);
                s.script(dialog);
            });
            EditProperties(item);
            driver.Join();
            EXPECT_TRUE(driver.Found());
        }
        // The editor opens with its top-left corner at the cursor.
        EXPECT_EQ(placed.left, 200);
        EXPECT_EQ(placed.top, 150);
        EXPECT_TRUE(nameFocused) << "the name field has the focus when the editor opens";
        s.check(*item, oldIcon);
        EXPECT_TRUE(form->Active());
        form.reset();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ItemPropertiesTest, LaunchWithMissingFolderOpensTheEditor) {
    TItemData stored = Item(SystemFile("notepad.exe"), "メモ帳");
    stored.DefDir = "C:\\もうない作業フォルダ";
    TIconItem* item = StartWith(stored);
    ASSERT_NE(item, nullptr);
    TDialogDriver driver(kEditorCaption, [&](HWND dialog) {
        SetText(dialog, kEditDefDir, "C:\\windows");
        Click(dialog, IDOK);
    });
    ProgramDialogs().LaunchItem(*form, *item, false);
    driver.Join();
    EXPECT_TRUE(driver.Found());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("C:\\もうない作業フォルダ"), std::string::npos);
    EXPECT_EQ(item->DefDir, "C:\\windows");
    EXPECT_TRUE(form->Active());
}

TEST_F(ItemPropertiesTest, ClipboardEmptiedElsewhereGreysPaste) {
    constexpr int kPaste = 1253;
    constexpr int kCopy = 1252;
    constexpr int kList = 1243;
    TItemData stored = Item(SystemFile("notepad.exe"), "メモ帳");
    TChildIcon child;
    child.Cmd = SystemFile("calc.exe");
    stored.Children = {child};
    TIconItem* item = StartWith(stored);
    ASSERT_NE(item, nullptr);
    bool afterCopy = false;
    bool afterEmptied = true;
    TDialogDriver driver(kEditorCaption, [&](HWND dialog) {
        const HWND toolbar = FindDescendant(dialog, [](HWND window) {
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            return std::wstring(name) == TOOLBARCLASSNAMEW;
        });
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(Find(dialog, kList), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        // The copy goes through the page, as the toolbar's click does.
        ::SendMessageW(::GetParent(Find(dialog, kList)), WM_COMMAND, MAKEWPARAM(kCopy, BN_CLICKED),
                       reinterpret_cast<LPARAM>(toolbar));
        afterCopy = ::SendMessageW(toolbar, TB_ISBUTTONENABLED, kPaste, 0) != 0;
        // Another program takes the clipboard: the main window, its owner, hears of it.
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::CloseClipboard();
        }
        for (int i = 0; i < 100 && afterEmptied; ++i, ::Sleep(10))
            afterEmptied = ::SendMessageW(toolbar, TB_ISBUTTONENABLED, kPaste, 0) != 0;
        Click(dialog, IDCANCEL);
    });
    EditProperties(item);
    driver.Join();
    EXPECT_TRUE(driver.Found());
    EXPECT_TRUE(afterCopy);
    EXPECT_FALSE(afterEmptied);
    EXPECT_EQ(::GetClipboardOwner(), nullptr);
}

} // namespace
