// Icon items: numbering, hotkeys, names and gray icons.
#include "AppSettings.h"
#include "Hkhotkey.h"
#include "IconItem.h"
#include "lsCommon.h"

#include <windows.h>

#include <gtest/gtest.h>

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
