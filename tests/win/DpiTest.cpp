// The tray's icons at the display scale of the prefix: 96 dpi in the shared prefix, 144 dpi in the one
// dpi144_test.sh prepares (LODESTAR_TEST_DPI tells the test which it runs in).
#include "Dpi.h"
#include "Handles.h"
#include "WinTestSupport.h"
#include "IconItem.h"
#include "IconPixels.h"
#include "SIcoDlg98.h"
#include "lsCommon.h"
#include "lsMainDpi.h"
#include "DialogDriver.h"
#include "Store.h"
#include "WindowSearch.h"
#include "lsItem.h"
#include "lsMain.h"
#include "lsOpt.h"
#include "resource.h"

#include <commctrl.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace lodestar;

namespace {

int PrefixDpi() {
    const char* dpi = std::getenv("LODESTAR_TEST_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

struct TExpectedScale {
    int Dpi, TrayIcon, PickerGridWidth, PickerGridHeight;
};
constexpr TExpectedScale kScales[] = {{96, 16, 337, 198}, {144, 24, 506, 297}};

const TExpectedScale& ThisScale() {
    for (const TExpectedScale& s : kScales)
        if (s.Dpi == PrefixDpi()) return s;
    ADD_FAILURE() << "no expectations for " << PrefixDpi() << " dpi";
    return kScales[0];
}

// The icon as stored: its side, colours (alpha dropped) and the mask's black pixels.
struct TReadIcon {
    int Side = 0;
    std::vector<std::uint32_t> Rgb;
    std::vector<std::uint8_t> Opaque;
};

using test::Bits32;

TReadIcon ReadIcon(HICON icon) {
    TReadIcon read;
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) {
        ADD_FAILURE() << "no icon";
        return read;
    }
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    ::GetObjectW(mask.Get(), sizeof size, &size);
    read.Side = size.bmWidth;
    EXPECT_TRUE(color);
    if (!color) return read;
    for (std::uint32_t pixel : Bits32(color.Get(), read.Side, read.Side))
        read.Rgb.push_back(pixel & 0xFFFFFF);
    for (std::uint32_t pixel : Bits32(mask.Get(), read.Side, read.Side))
        read.Opaque.push_back((pixel & 0xFFFFFF) == 0 ? 1 : 0);
    return read;
}

// An expected picture in the format of the program's pixel maps.
TReadIcon ReadMap(const std::string& path) {
    std::ifstream in(std::string(LODESTAR_SOURCE_DIR) + "/" + path);
    EXPECT_TRUE(in) << path;
    std::map<char, std::uint32_t> legend;
    TReadIcon map;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.size() >= 11 && line.compare(1, 4, " = #") == 0) {
            legend[line[0]] = static_cast<std::uint32_t>(std::stoul(line.substr(5, 6), nullptr, 16));
            continue;
        }
        map.Side = static_cast<int>(line.size());
        for (char c : line) {
            map.Rgb.push_back(c == '.' ? 0 : legend.at(c));
            map.Opaque.push_back(c == '.' ? 0 : 1);
        }
    }
    return map;
}

void ExpectSamePicture(const TReadIcon& icon, const TReadIcon& expected, const std::string& what) {
    ASSERT_EQ(icon.Side, expected.Side) << what;
    for (int y = 0; y < expected.Side; ++y) {
        for (int x = 0; x < expected.Side; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * expected.Side + x;
            ASSERT_EQ(icon.Opaque[i], expected.Opaque[i]) << what << " mask at " << x << "," << y;
            if (expected.Opaque[i]) {
                ASSERT_EQ(icon.Rgb[i], expected.Rgb[i]) << what << " at " << x << "," << y;
            }
        }
    }
}

// A program on the fixed disk C: that is not there: the blank sheet with the red cross.
constexpr const char* kMissingProgram = "C:\\no such folder\\missing.exe";

} // namespace

TEST(DisplayScale, TrayIconsHaveTheScalesSmallIconSize) {
    const TExpectedScale& scale = ThisScale();
    const HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(::GetDeviceCaps(screen, LOGPIXELSY), scale.Dpi);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(TaskbarDpi(), scale.Dpi);
    EXPECT_EQ(TrayIconSize(), scale.TrayIcon);
    EXPECT_EQ(TrayIconSizeForNewIcons(), scale.TrayIcon);
    // What the shell is handed for the main icon and for an item.
    for (const int kind : {0, 1, 2, 3, 11}) {
        const UniqueIcon stock = StockIcon(kind, TrayIconSize());
        EXPECT_EQ(ReadIcon(stock.Get()).Side, scale.TrayIcon) << kind;
    }
    TComponent owner(nullptr);
    auto* item = CreateComponent<TIconItem>(&owner, nullptr);
    TItemData data;
    data.Cmd = kMissingProgram;
    item->SetData(data);
    ASSERT_TRUE(item->Registered());
    EXPECT_EQ(item->NotifyData().hIcon, item->Icon());
    EXPECT_EQ(ReadIcon(item->NotifyData().hIcon).Side, scale.TrayIcon);
    // The shell's own icons too: a program of the system at the tray's size.
    const UniqueIcon notepad = CommandIcon("C:\\windows\\notepad.exe", TrayIconSize());
    EXPECT_EQ(ReadIcon(notepad.Get()).Side, scale.TrayIcon);
}

TEST(DisplayScale, MissingProgramsCrossIsPixelExact) {
    // At any scale of the prefix: each size is drawn from its own maps, not stretched.
    const struct {
        int size;
        const char* expected;
    } cases[] = {{24, "tests/native/data/missing-sheet-24.txt"}};
    for (const auto& c : cases) {
        const UniqueIcon icon = CommandIcon(kMissingProgram, c.size);
        ExpectSamePicture(ReadIcon(icon.Get()), ReadMap(c.expected), c.expected);
    }
    // At 16 pixels, the cross of the 16-pixel map over the 16-pixel sheet, as it always was.
    TReadIcon sixteen = ReadMap("res/icons/l_new-16.txt");
    const TReadIcon cross = ReadMap("res/icons/l_x-16.txt");
    for (std::size_t i = 0; i < sixteen.Rgb.size(); ++i) {
        if (cross.Opaque[i]) sixteen.Rgb[i] = cross.Rgb[i];
        sixteen.Opaque[i] |= cross.Opaque[i];
    }
    ExpectSamePicture(ReadIcon(CommandIcon(kMissingProgram).Get()), sixteen, "16 pixels");
    // And the tray's item at this prefix's scale.
    if (ThisScale().TrayIcon == 24) {
        TComponent owner(nullptr);
        auto* item = CreateComponent<TIconItem>(&owner, nullptr);
        TItemData data;
        data.Cmd = kMissingProgram;
        item->SetData(data);
        ExpectSamePicture(ReadIcon(item->NotifyData().hIcon), ReadMap(cases[0].expected), "tray item");
    }
}

TEST(DisplayScale, IconPickerListsIconsAtTheScale) {
    TIcoDlg1 picker;
    EXPECT_EQ(picker.ListedIconSize(), ThisScale().TrayIcon);
}

TEST(DisplayScale, ListIconsReachTheTrayOnlyAtItsSize) {
    // The options dialog hands over the icons of its lists (16 pixels): the tray takes one as it is only
    // when that is the tray's size, and makes the item's icon anew otherwise.
    const int traySize = ThisScale().TrayIcon;
    TItemData record;
    record.Cmd = kMissingProgram;
    for (const int given : {16, 24, 32}) {
        UniqueIcon icon = CommandIcon(kMissingProgram, given);
        const HICON handle = icon.Get();
        const UniqueIcon shown = TrayItemIcon(record, std::move(icon));
        EXPECT_EQ(ReadIcon(shown.Get()).Side, traySize) << given;
        EXPECT_EQ(shown.Get() == handle, given == traySize) << given;
    }
    EXPECT_EQ(ReadIcon(TrayItemIcon(record, {}).Get()).Side, traySize);
}

// The rows of the dialogs' lists show their pictures at the scale's small icon size, the chain mark among
// the group list's pictures included; the options dialog's item icons then reach the tray as they are.
TEST(DisplayScale, DialogListsShowIconsAtTheScale) {
    const int size = ThisScale().TrayIcon;
    const auto iconSize = [](HWND dialog, int id, int which) {
        const HWND list = test::FindDescendantById(dialog, id);
        const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, which, 0));
        int width = 0, height = 0;
        ::ImageList_GetIconSize(images, &width, &height);
        EXPECT_EQ(width, height);
        return std::pair{width, images ? ::ImageList_GetImageCount(images) : -1};
    };
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Marlowe\\Lodestar");
    TItemData missing;
    missing.Cmd = kMissingProgram;
    missing.Tip = "gone";
    SaveShownGroup(0, {missing});
    {
        const auto main = std::make_unique<TForm1>();
        TForm2 options(*main);
        std::pair<int, int> items, groups;
        int handedOver = 0;
        test::TDialogDriver driver("管理＆設定 - Lodestar", [&](HWND dialog) {
            items = iconSize(dialog, IDC_OPTI_LV1, LVSIL_SMALL);
            groups = iconSize(dialog, IDC_OPTI_LV2, LVSIL_SMALL);
            test::Click(dialog, IDOK);
        });
        EXPECT_TRUE(options.Execute());
        // What the main window takes for its tray icons once the dialog's windows have gone.
        handedOver = ReadIcon(options.ItemIconAt(0).Get()).Side;
        driver.Join();
        EXPECT_EQ(items.first, size);
        EXPECT_EQ(items.second, 1) << "one row, one picture";
        EXPECT_EQ(groups.first, size);
        EXPECT_EQ(groups.second, 3) << "the two folders and the chain mark";
        EXPECT_EQ(handedOver, size);
    }
    {
        TForm3 editor;
        TItemData item;
        item.Cmd = kMissingProgram;
        TChildIcon child;
        child.Cmd = kMissingProgram;
        item.Children.push_back(child);
        std::pair<int, int> chain;
        test::TDialogDriver driver("アイコン項目のプロパティ - Lodestar", [&](HWND dialog) {
            chain = iconSize(dialog, IDC_ITEM_LVCHILDICONS, LVSIL_SMALL);
            test::Click(dialog, IDCANCEL);
        });
        editor.EditItem(item);
        driver.Join();
        EXPECT_EQ(chain.first, size);
        EXPECT_EQ(chain.second, 1);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Marlowe\\Lodestar");
}
