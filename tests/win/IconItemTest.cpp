// Icon items: numbering, hotkeys, names, gray icons and the running mark.
#include "AppSettings.h"
#include "Hkhotkey.h"
#include "IconItem.h"
#include "IconPixels.h"
#include "RunningWatch.h"
#include "WinText.h"
#include "lsCommon.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

using namespace lodestar;

namespace {

// The 32-bit pixels of an icon's colour bitmap.
std::vector<RGBQUAD> Pixels(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return {};
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = 16;
    bmi.bmiHeader.biHeight = -16;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    std::vector<RGBQUAD> pixels(256);
    const HDC dc = ::GetDC(nullptr);
    ::GetDIBits(dc, info.hbmColor, 0, 16, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return pixels;
}

} // namespace

TEST(IconItem, NumbersAreTheSmallestFree) {
    TComponent owner(nullptr);
    for (int n : {1, 2, 4})
        CreateComponent<TComponent>(&owner)->SetName(IconItemName(n));
    EXPECT_EQ(NextItemNumber(owner), 3);
    for (int n = 3; n <= kMaxItemNumber; ++n)
        if (!owner.FindComponent(IconItemName(n)))
            CreateComponent<TComponent>(&owner)->SetName(IconItemName(n));
    EXPECT_EQ(NextItemNumber(owner), 201);
}

TEST(IconItem, ChangedHotKeyReleasesTheOldCombination) {
    THookHotKey hotKeys(nullptr);
    THookHotKey other(nullptr);
    TComponent owner(nullptr);
    auto* item = CreateComponent<TIconItem>(&owner, &hotKeys);
    item->Tag = 5;
    item->SetHotKey(0x4041);
    EXPECT_FALSE(other.AddHotKey(1, 0x4041));
    item->SetHotKey(0x4042);
    EXPECT_TRUE(other.AddHotKey(1, 0x4041));
    EXPECT_FALSE(other.AddHotKey(2, 0x4042));
    delete item; // the hotkey goes with the item
    EXPECT_TRUE(other.AddHotKey(2, 0x4042));
}

TEST(IconItem, LongNamesAreKeptWholeAndIconsFollowTheGraySetting) {
    TComponent owner(nullptr);
    auto* item = CreateComponent<TIconItem>(&owner, nullptr);
    TItemData data;
    data.Cmd = "C:\\windows\\notepad.exe";
    data.Tip = "とても長い名前のアイコン項目で、タスクトレイのヒントには収まりきらないほどの長さがあります";
    data.CustomIcon = "shell32.dll,3";
    data.HotKey = 0;
    ProgramSettings().GrayIcons = true;
    item->SetData(data);
    ProgramSettings().GrayIcons = false;
    EXPECT_EQ(item->GetData(), data);
    ASSERT_TRUE(item->Registered());
    int colourful = 0;
    for (const RGBQUAD& p : Pixels(item->Icon())) {
        EXPECT_TRUE(p.rgbRed == p.rgbGreen && p.rgbGreen == p.rgbBlue);
        colourful += p.rgbRed != 0;
    }
    EXPECT_GT(colourful, 0);
}

TEST(IconItem, RunningMarkComesAndGoesWithoutLosingThePicture) {
    // The same item through every way its icon changes: the mark is on exactly while the item runs, drawn
    // over the picture the item would show without it (gray or not).
    TComponent owner(nullptr);
    auto* item = CreateComponent<TIconItem>(&owner, nullptr);
    const auto plain = [](bool gray) {
        UniqueIcon icon = ItemIcon("shell32.dll,3", "", {}, 16);
        return gray ? GrayIcon(icon.Get()) : std::move(icon);
    };
    const auto fill = [](const RGBQUAD& p) {
        return (static_cast<std::uint32_t>(p.rgbRed) << 16 | p.rgbGreen << 8 | p.rgbBlue) == kRunningMarkFill;
    };
    const TIconPixels mark = RunningMarkPixels(16);
    struct Step {
        const char* what;
        std::function<void()> act;
        bool running;
        bool gray;
    } steps[] = {
        {"a new icon", [&] { item->NewIconByHandle(plain(false)); }, false, false},
        {"marked", [&] { item->SetRunning(true); }, true, false},
        {"a new icon while marked", [&] { item->NewIconByHandle(plain(false)); }, true, false},
        {"gray while marked",
         [&] {
             ProgramSettings().GrayIcons = true;
             item->NewIconByHandle(plain(false));
             ProgramSettings().GrayIcons = false;
         },
         true, true},
        {"unmarked", [&] { item->SetRunning(false); }, false, true},
        {"a new icon", [&] { item->NewIconByHandle(plain(false)); }, false, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(item->Running(), step.running) << step.what;
        ASSERT_TRUE(item->Registered()) << step.what;
        const std::vector<RGBQUAD> shown = Pixels(item->NotifyData().hIcon);
        const std::vector<RGBQUAD> expected = Pixels(plain(step.gray).Get());
        ASSERT_EQ(shown.size(), 256u);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (step.running && mark.Opaque[i]) {
                EXPECT_EQ(fill(shown[i]), mark.Color[i] == kRunningMarkFill) << step.what << " " << i;
            } else {
                EXPECT_EQ(std::memcmp(&shown[i], &expected[i], sizeof(RGBQUAD)), 0) << step.what << " " << i;
            }
        }
    }
}

TEST(IconItem, ProgramFollowsTheCommand) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    const std::string notepad = Narrow(system) + "\\notepad.exe";
    TComponent owner(nullptr);
    auto* item = CreateComponent<TIconItem>(&owner, nullptr);
    item->Cmd = "\"" + notepad + "\" readme.txt";
    EXPECT_EQ(ProgramKey(item->Program()), ProgramKey(notepad));
    item->Cmd = Narrow(system) + "\\..\\win.ini";
    EXPECT_EQ(item->Program(), "");
    item->Cmd = notepad;
    const std::uint8_t terminator[2] = {0, 0};
    item->IDList = *IdList::FromBytes(terminator);
    EXPECT_EQ(item->Program(), ""); // an ID list is what starts
}
