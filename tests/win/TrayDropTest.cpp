// Drops on the notification area as the running main window receives them: files handed over by the tray
// hook (WM_DROPFILES), shell objects dropped on the timer-mode overlay, and the overlay itself.
#include "AppSettings.h"
#include "CidaBlock.h"
#include "DamagedGroup.h"
#include "DropPIDLTarget.h"
#include "Application.h"
#include "LaunchProbe.h"
#include "Seams.h"
#include "Store.h"
#include "TestDataObject.h"
#include "TrayStandIn.h"
#include "WinTestSupport.h"
#include "lsMain.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";
constexpr const char* kControlPanel =
    "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{21EC2020-3AEA-1069-A2DD-08002B30309D}";

class TrayDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
        ResetSeams();
        Seams().MessageBox = [this](HWND, const std::string& text, const std::string&, UINT) {
            boxes.push_back(text);
            return IDOK;
        };
        Seams().AsyncKeyDown = [this](int key) { return key == VK_LBUTTON && buttonDown; };
    }
    void TearDown() override {
        form.reset();
        ResetSeams();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kTree);
    }
    void Start(int dropMode, bool dereferLinks, int items = 0) {
        TSettings settings;
        settings.TrayDndType = dropMode;
        settings.DereferLinks = dereferLinks;
        WriteSettings(settings);
        std::vector<TItemData> records(static_cast<std::size_t>(items));
        for (int i = 0; i < items; ++i)
            records[static_cast<std::size_t>(i)].Cmd = "app" + std::to_string(i) + ".exe";
        SaveShownGroup(0, records);
        form = std::make_unique<TForm1>();
    }
    std::vector<TItemData> Items() const {
        std::vector<TItemData> records;
        for (TIconItem* item : form->IconItems())
            records.push_back(item->GetData());
        return records;
    }
    // Drags the data over the main window and drops it, as OLE does for a drop on the overlay.
    DWORD DropOnWindow(TTestData& data) {
        auto* target = static_cast<IDropTarget*>(::GetPropW(form->Handle(), L"OleDropTargetInterface"));
        EXPECT_NE(target, nullptr);
        if (!target) return DROPEFFECT_NONE;
        const POINTL at{5, 5};
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
        EXPECT_HRESULT_SUCCEEDED(target->DragEnter(&data, MK_LBUTTON, at, &effect));
        effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
        EXPECT_HRESULT_SUCCEEDED(target->DragOver(MK_LBUTTON, at, &effect));
        effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
        EXPECT_HRESULT_SUCCEEDED(target->Drop(&data, 0, at, &effect));
        return effect;
    }

    std::unique_ptr<TForm1> form;
    std::vector<std::string> boxes;
    bool buttonDown = false;
    TTestFolder scratch{"tray drop"};
};

TEST_F(TrayDropTest, DroppedFilesBecomeItemsUpToTheGroupLimit) {
    TTrayStandIn standIn;
    ASSERT_TRUE(standIn.Start());
    Start(1, false, 199);
    const std::string blank = (scratch / "my notes.txt");
    WriteBytes(blank, "x");
    ::SendMessageW(form->Handle(), WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeDrop({blank, (scratch / "b.txt"), (scratch / "c.txt")})), 0);
    const std::vector<TItemData> items = Items();
    ASSERT_EQ(items.size(), 200u);
    EXPECT_EQ(items.back().Cmd, "\"" + blank + "\"");
    EXPECT_TRUE(boxes.empty());

    // A full group shows no overlay, however long the drag rests on the area.
    RECT area{};
    ::GetWindowRect(standIn.Area(), &area);
    ::SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    buttonDown = true;
    for (int tick = 0; tick < 3; ++tick)
        form->Timer1Timer();
    EXPECT_FALSE(form->OverlayShown());
}

TEST_F(TrayDropTest, DroppedShortcutIsTheFileOrItsTargetByTheSetting) {
    const std::string lnk = (scratch / "エディタ.lnk");
    const std::string target = LaunchProbePath();
    TShortcut shortcut;
    shortcut.Target = target;
    shortcut.Arguments = "--stay 1";
    shortcut.WorkDir = scratch.Path();
    shortcut.HotKey = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
    shortcut.IconPath = "shell32.dll";
    shortcut.IconIndex = 3;
    shortcut.ShowCmd = SW_SHOWMAXIMIZED;
    WriteShortcut(lnk, shortcut);
    const std::string folder = (scratch / "フォルダ 1");
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);

    for (const bool derefer : {false, true}) {
        SCOPED_TRACE(derefer);
        form.reset();
        Start(2, derefer);
        ::SendMessageW(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({lnk, folder})), 0);
        const std::vector<TItemData> items = Items();
        ASSERT_EQ(items.size(), 2u);
        if (!derefer) {
            EXPECT_EQ(items[0].Cmd, QuoteIfSpaced(lnk));
            EXPECT_FALSE(items[0].IDList.Present());
        } else {
            EXPECT_TRUE(SamePathText(SplitCommandLine(items[0].Cmd).Path, target)) << items[0].Cmd;
            EXPECT_EQ(SplitCommandLine(items[0].Cmd).Params, "--stay 1");
            EXPECT_TRUE(SamePathText(items[0].DefDir, scratch.Path())) << items[0].DefDir;
            EXPECT_EQ(items[0].HotKey, 0xC04B) << items[0].HotKey;
            EXPECT_EQ(items[0].Tip, "エディタ");
            EXPECT_NE(items[0].CustomIcon.find("shell32.dll"), std::string::npos) << items[0].CustomIcon;
        }
        // A folder is registered by its path, quoted for its blank.
        EXPECT_EQ(items[1].Cmd, "\"" + folder + "\"");
    }
}

TEST_F(TrayDropTest, ShellObjectsDroppedOnTheOverlayBecomeItems) {
    Start(1, false, 198);
    const std::string file = (scratch / "report 1.txt");
    WriteBytes(file, "x");
    const IdList fileList = ParseIdList(file);
    const IdList panel = ParseIdList(kControlPanel);
    ASSERT_TRUE(fileList && panel);
    const auto [fileParent, fileItem] = SplitLast(fileList);
    const auto [panelParent, panelItem] = SplitLast(panel);

    // A file and then a Control Panel object: the second has no path and is kept as its ID list.
    TTestData files;
    files.Set(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")),
              BuildCida({fileParent, fileItem}));
    EXPECT_EQ(DropOnWindow(files), static_cast<DWORD>(DROPEFFECT_LINK));
    TTestData objects;
    objects.Set(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")),
                BuildCida({panelParent, panelItem, panelItem}));
    DropOnWindow(objects);

    const std::vector<TItemData> items = Items();
    ASSERT_EQ(items.size(), 200u);
    EXPECT_EQ(items[198].Cmd, "\"" + file + "\"");
    EXPECT_FALSE(items[198].IDList.Present());
    EXPECT_TRUE(items[199].Cmd.empty());
    EXPECT_TRUE(items[199].IDList.Present());
    EXPECT_EQ(std::vector<std::uint8_t>(items[199].IDList.Bytes().begin(), items[199].IDList.Bytes().end()),
              std::vector<std::uint8_t>(panel.Bytes().begin(), panel.Bytes().end()));
    // The full group stops offering the drop.
    EXPECT_TRUE(form->PIDLTarget1->Dragtypes == TDragTypes{});
}

TEST_F(TrayDropTest, OverlayShowsOnlyForADragRestingOnTheArea) {
    TTrayStandIn standIn;
    ASSERT_TRUE(standIn.Start());
    RECT area{};
    ::GetWindowRect(standIn.Area(), &area);
    ::SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    Start(1, false);
    ASSERT_TRUE(form->TimerEnabled());

    struct Step {
        bool down;
        bool overlay;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"quick click", {{true, false}, {false, false}, {false, false}}},
        {"drag resting two ticks", {{true, false}, {true, true}, {true, true}, {false, false}}},
        {"second drag after a drop",
         {{true, false}, {true, true}, {false, false}, {true, false}, {true, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Step& step : c.steps) {
            buttonDown = step.down;
            form->Timer1Timer();
            POINT cursor{};
            ::GetCursorPos(&cursor);
            EXPECT_EQ(form->OverlayShown(), step.overlay)
                << "cursor " << cursor.x << "," << cursor.y << " window there " << ::WindowFromPoint(cursor)
                << " area " << standIn.Area();
        }
        buttonDown = false;
        form->Timer1Timer();
    }

    // Shown, the overlay lies over the area, one pixel inside.
    buttonDown = true;
    form->Timer1Timer();
    form->Timer1Timer();
    RECT overlay{};
    ::GetWindowRect(form->Handle(), &overlay);
    EXPECT_EQ(overlay.left, area.left + 1);
    EXPECT_EQ(overlay.bottom, area.bottom - 1);
    // The drag leaving without a drop hides it.
    form->PIDLTarget1Leave();
    EXPECT_FALSE(form->OverlayShown());
}

TEST_F(TrayDropTest, DropModesSwitchTheTimerAndTheHook) {
    TTrayStandIn standIn;
    ASSERT_TRUE(standIn.Start());
    // Hook mode: the area accepts files exactly while the window is active.
    Start(2, false);
    EXPECT_FALSE(form->TimerEnabled());
    const auto accepts = [&] {
        return (::GetWindowLongW(standIn.Area(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    };
    EXPECT_TRUE(PumpUntil(accepts));
    // A drop the hook took in the shell's process comes as the files' names and becomes items.
    standIn.Drop(standIn.Area(), 5);
    EXPECT_TRUE(PumpUntil([&] { return form->IconItems().size() == 2; }));
    const std::vector<std::string> names = TTrayStandIn::DroppedNames(5);
    ASSERT_EQ(Items().size(), 2u);
    EXPECT_EQ(Items()[0].Cmd + "|" + Items()[1].Cmd, names[0] + "|" + names[1]);
    form->SetActive(false);
    EXPECT_FALSE(accepts());
    form->SetActive(true);
    EXPECT_TRUE(PumpUntil(accepts));
    form.reset();
    EXPECT_FALSE(accepts());
    EXPECT_TRUE(boxes.empty());
}

} // namespace

// A group that could not be read to its end is kept as stored: a drop on the overlay adds nothing and is
// answered, after the drop has ended, by one message.
TEST_F(TrayDropTest, DropOnTheOverlayOfAnIncompleteGroupIsRefused) {
    TSettings settings;
    settings.TrayDndType = 1;
    WriteSettings(settings);
    TItemData first, damaged, last;
    first.Cmd = "C:\\windows\\notepad.exe";
    damaged.Cmd = "C:\\windows\\regedit.exe";
    last.Cmd = "C:\\windows\\system32\\calc.exe";
    PlantDamagedGroup(0, "", first, damaged, last);
    const TRawValues stored = RawGroupValues(0);
    form = std::make_unique<TForm1>();
    ASSERT_EQ(boxes.size(), 1u); // the read error
    ASSERT_TRUE(form->GroupIncomplete());

    const std::string file = (scratch / "report.txt");
    WriteBytes(file, "x");
    const auto [parent, item] = SplitLast(ParseIdList(file));
    TTestData files;
    files.Set(static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(L"Shell IDList Array")),
              BuildCida({parent, item}));
    EXPECT_EQ(DropOnWindow(files), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(boxes.size(), 1u);
    Application::ProcessMessages();
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(Items().size(), 1u);
    EXPECT_TRUE(form->Active());
    EXPECT_FALSE(form->OverlayShown());
    form.reset();
    EXPECT_EQ(RawGroupValues(0), stored);
}
