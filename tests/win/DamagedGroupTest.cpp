// A stored group that cannot be read to its end: the program stays usable, shows the error once, and
// never rewrites what is stored for the group. Saving at exit survives failing registry writes.
#include "AppSettings.h"
#include "DamagedGroup.h"
#include "Dialogs.h"
#include "IconItem.h"
#include "Seams.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinTestSupport.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
const std::string kReadError = "Lodestar: 親アイコンのサイズが大きすぎます";
// Errors the user must act on come with this caption.
const std::string kErrorCaption = "エラー - Lodestar: ";

const TItemData kFirst = Item("C:\\windows\\notepad.exe", "メモ帳");
const TItemData kDamaged = Item("C:\\windows\\regedit.exe", "レジストリ");
const TItemData kLast = Item("C:\\windows\\system32\\calc.exe", "電卓");

std::vector<std::string> Hints(const TForm1& form) {
    std::vector<std::string> hints;
    for (TIconItem* item : form.IconItems())
        hints.push_back(item->Hint());
    return hints;
}

class DamagedGroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            return IDYES;
        };
        Seams().Beep = [](UINT) {};
        savedDialogs = ProgramDialogs();
        ProgramDialogs().LaunchItem = [this](TForm1&, TIconItem& item, bool) {
            launched.push_back(item.Hint());
        };
        ProgramDialogs().EditItem = [this](TForm1&, TItemData&) {
            edited = true;
            return true;
        };
        UseSettings(0, true);
    }
    void TearDown() override {
        form.reset();
        RegistryWriteSeam() = {};
        ProgramDialogs() = savedDialogs;
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }
    static void UseSettings(int shownGroup, bool confirmOnDel) {
        TSettings settings;
        settings.IconGroup = shownGroup;
        settings.ConfirmOnDel = confirmOnDel;
        // No timer and no hook: the drops under test are handed over directly.
        settings.TrayDndType = 0;
        WriteSettings(settings);
    }
    static void SetGroup(int group, const std::string& name, const std::vector<TItemData>& items) {
        SaveShownGroup(group, {});
        TLsReg reg;
        reg.OpenKey(std::string(kGroupsKey) + "\\" + GroupKeyName(group), true);
        reg.WriteString("", name);
        for (std::size_t i = 0; i < items.size(); ++i)
            reg.WriteItem(ItemValueName(static_cast<int>(i) + 1), items[i]);
    }
    void Start() { form = std::make_unique<TForm1>(); }

    std::unique_ptr<TForm1> form;
    std::vector<std::string> boxes;
    std::vector<std::string> launched;
    bool edited = false;
    TProgramDialogs savedDialogs;
};

} // namespace

TEST_F(DamagedGroupTest, SwitchingToItShowsTheErrorOnceAndTheProgramStaysUsable) {
    SetGroup(0, "", {Item("C:\\windows\\write.exe", "ワードパッド")});
    PlantDamagedGroup(1, "壊れた", kFirst, kDamaged, kLast);
    const TRawValues stored = RawGroupValues(1);
    Start();

    form->miGroupsClick(form->GroupMenuItems[1]);
    EXPECT_EQ(boxes, std::vector<std::string>{kReadError});
    EXPECT_TRUE(form->Active());
    EXPECT_TRUE(form->GroupIncomplete());
    EXPECT_EQ(Hints(*form), std::vector<std::string>{"メモ帳"});
    form->IconItemClick(form->IconItems()[0]);
    EXPECT_EQ(launched, std::vector<std::string>{"メモ帳"});

    // Leaving the group does not write it back; the group left before it is saved as always.
    form->miGroupsClick(form->GroupMenuItems[0]);
    EXPECT_FALSE(form->GroupIncomplete());
    EXPECT_EQ(RawGroupValues(1), stored);
    form->miGroupsClick(form->GroupMenuItems[1]);
    EXPECT_EQ(boxes.size(), 2u);
    form.reset();
    EXPECT_EQ(RawGroupValues(1), stored);
    EXPECT_EQ(ReadSettings().IconGroup, 1);
    EXPECT_EQ(StoredCmds(0), std::vector<std::string>{"C:\\windows\\write.exe"});
}

TEST_F(DamagedGroupTest, AtStartUpTheProgramRunsWithTheItemsReadBeforeTheDamage) {
    PlantDamagedGroup(3, "", kFirst, kDamaged, kLast);
    UseSettings(3, true);
    const TRawValues stored = RawGroupValues(3);
    ASSERT_NO_THROW(Start());
    EXPECT_EQ(boxes, std::vector<std::string>{kReadError});
    EXPECT_TRUE(form->MainIcon->Registered());
    EXPECT_EQ(Hints(*form), std::vector<std::string>{"メモ帳"});
    EXPECT_TRUE(form->Active());

    // Logging off saves as the exit does, and leaves the group alone too.
    EXPECT_TRUE(::SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0));
    ::SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(RawGroupValues(3), stored);
    form.reset();
    EXPECT_EQ(RawGroupValues(3), stored);
    EXPECT_EQ(ReadSettings().IconGroup, 3);
    EXPECT_EQ(boxes.size(), 1u);
}

// A group written elsewhere (an import, another tool) with more items than can be shown: the first 200 are
// shown and the group is kept exactly as stored, as one that could not be read to its end.
TEST_F(DamagedGroupTest, AGroupOfMoreThan200ItemsIsKeptWhole) {
    std::vector<TItemData> many;
    for (int i = 1; i <= 205; ++i)
        many.push_back(Item("C:\\tools\\t" + std::to_string(i) + ".exe"));
    SetGroup(2, "多い", many);
    UseSettings(2, false);
    const TRawValues stored = RawGroupValues(2);
    Start();
    EXPECT_EQ(form->IconItems().size(), 200u);
    EXPECT_TRUE(form->GroupIncomplete());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("200 個を超える"), std::string::npos) << boxes[0];
    form->pmItems->PopupComponent = form->IconItems()[0];
    form->miDelIconClick(nullptr);
    EXPECT_EQ(form->IconItems().size(), 200u);
    form.reset();
    EXPECT_EQ(RawGroupValues(2), stored);
}

TEST_F(DamagedGroupTest, ChangesToItAreRefusedWithAMessage) {
    PlantDamagedGroup(0, "", kFirst, kDamaged, kLast);
    const TRawValues stored = RawGroupValues(0);
    Start();
    boxes.clear();
    struct Case {
        const char* what;
        std::function<void(TForm1&)> act;
    } cases[] = {
        {"deletion (with a confirmation that is never asked)",
         [](TForm1& f) {
             f.pmItems->PopupComponent = f.IconItems()[0];
             f.miDelIconClick(nullptr);
         }},
        {"properties of the item",
         [](TForm1& f) {
             f.pmItems->PopupComponent = f.IconItems()[0];
             f.miEditThisIcoClick(nullptr);
         }},
        {"files from the tray hook",
         [](TForm1& f) {
             ::SendMessageW(f.Handle(), WM_DROPFILES,
                            reinterpret_cast<WPARAM>(MakeDrop({"C:\\windows\\notepad.exe"})), 0);
         }},
    };
    for (const Case& c : cases) {
        boxes.clear();
        c.act(*form);
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].rfind(kErrorCaption, 0), 0u) << c.what << ": " << boxes[0];
        EXPECT_EQ(Hints(*form), std::vector<std::string>{"メモ帳"}) << c.what;
        EXPECT_TRUE(form->Active()) << c.what;
    }
    EXPECT_FALSE(edited);
    form.reset();
    EXPECT_EQ(RawGroupValues(0), stored);
}

TEST_F(DamagedGroupTest, ARepairedValueMakesTheGroupWholeAtTheNextReload) {
    PlantDamagedGroup(0, "名前", kFirst, kDamaged, kLast);
    UseSettings(0, false);
    Start();
    // Still damaged: the reload reads it again and tells once more.
    form->miReloadIconsClick(nullptr);
    EXPECT_EQ(boxes, (std::vector<std::string>{kReadError, kReadError}));
    EXPECT_TRUE(form->GroupIncomplete());
    EXPECT_EQ(Hints(*form), std::vector<std::string>{"メモ帳"});

    SetRawValue(0, ItemValueName(2), StoredBytes(kDamaged));
    form->miReloadIconsClick(nullptr);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(form->GroupIncomplete());
    EXPECT_EQ(Hints(*form), (std::vector<std::string>{"メモ帳", "レジストリ", "電卓"}));

    // Now an ordinary group: a deletion goes through and the exit saves it.
    form->pmItems->PopupComponent = form->IconItems()[0];
    form->miDelIconClick(nullptr);
    form.reset();
    EXPECT_EQ(StoredCmds(0), (std::vector<std::string>{kDamaged.Cmd, kLast.Cmd}));
    EXPECT_EQ(ReadGroupName(0), "名前");
}

// Exit writes, in order: delete the group key, its name, i001, i002, i003, then "IconGroup". Whichever of
// them fails, the exit runs to its end, the failure is shown once, and what could be written is.
TEST_F(DamagedGroupTest, AFailingWriteAtExitIsShownAndTheRestIsSaved) {
    const TItemData a = Item("a.exe"), b = Item("b.exe"), c = Item("c.exe");
    struct Case {
        int failingWrite;
        bool logOff;
        std::vector<std::string> cmds;
        std::string name;
        int iconGroup;
    } cases[] = {
        {1, false, {"a.exe", "b.exe"}, "二", 2}, // the old key stays as it was
        {2, false, {"a.exe", "b.exe", "c.exe"}, "", 2},
        {4, false, {"a.exe", "c.exe"}, "二", 2},
        {6, false, {"a.exe", "b.exe", "c.exe"}, "二", 5},
        {4, true, {"a.exe", "c.exe"}, "二", 2}, // at log-off nothing is shown
    };
    for (const Case& k : cases) {
        SCOPED_TRACE("write " + std::to_string(k.failingWrite) + (k.logOff ? " at log-off" : ""));
        SetGroup(2, "二", {a, b});
        UseSettings(2, false);
        Start();
        form->AddItem(c);
        // Written behind the program's back: still there afterwards only when the program's write failed.
        WriteIconGroup(5);
        boxes.clear();
        int writes = 0;
        RegistryWriteSeam() = [&](std::string_view) {
            return ++writes == k.failingWrite ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        };
        if (k.logOff) {
            ::SendMessageW(form->Handle(), WM_ENDSESSION, TRUE, 0);
            EXPECT_TRUE(boxes.empty());
        } else {
            form.reset();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].rfind("Lodestar: ", 0), 0u) << boxes[0];
        }
        RegistryWriteSeam() = {};
        EXPECT_EQ(StoredCmds(2), k.cmds);
        EXPECT_EQ(ReadGroupName(2), k.name);
        EXPECT_EQ(ReadSettings().IconGroup, k.iconGroup);
        form.reset();
    }
}

namespace {

// The options dialog replaced the shown group's items and wrote them itself (an import): the group is
// whole from then on, and the program saves it at exit like any other.
TEST_F(DamagedGroupTest, AGroupTheOptionsDialogWroteIsWholeAgain) {
    PlantDamagedGroup(0, "名前", kFirst, kDamaged, kLast);
    UseSettings(0, false);
    Start();
    ASSERT_TRUE(form->GroupIncomplete());
    for (const bool written : {false, true}) {
        ProgramDialogs().OpenOptions = [written](TForm1&) -> std::optional<TOptionsResult> {
            TOptionsResult result;
            result.ShownItems = {Item("C:\\windows\\notepad.exe", "取り込み")};
            result.ShownGroupWritten = written;
            return result;
        };
        form->OpenOptions();
        EXPECT_EQ(form->GroupIncomplete(), !written) << written;
    }
    form.reset();
    EXPECT_EQ(StoredCmds(0), std::vector<std::string>{"C:\\windows\\notepad.exe"});
}

} // namespace
