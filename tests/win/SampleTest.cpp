// The sample items that `scripts/run --sample` imports (docs/sample-items.json), checked in a fresh Wine
// prefix as a newcomer meets them: lsctl accepts the document, every item shows its own icon (none is a
// stock icon for a missing or unknown target), every program the items and their chains start is there,
// and the Control Panel object's ID list is the shell's own My Computer, which the shell accepts to open.
#include "CommandLine.h"
#include "Handles.h"
#include "ShellHelpers.h"
#include "StoreJson.h"
#include "WinText.h"
#include "lsCommon.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const char* const kMyComputer = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

TStoreDocument ReadSample() {
    // The source folder as the Windows side sees it: Wine's drive Z: is the Unix root.
    std::ifstream in(LODESTAR_SAMPLE_ITEMS, std::ios::binary);
    EXPECT_TRUE(in) << LODESTAR_SAMPLE_ITEMS;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        return DocumentFromJson(nlohmann::json::parse(text));
    } catch (const std::exception& e) {
        ADD_FAILURE() << "lsctl import would refuse the sample: " << e.what();
        return {};
    }
}

// The colour and mask bits of an icon, enough to tell two pictures apart.
std::vector<std::uint32_t> Picture(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {};
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    std::vector<std::uint32_t> pixels;
    for (HBITMAP bitmap : {color.Get(), mask.Get()}) {
        BITMAP size{};
        if (!bitmap || !::GetObjectW(bitmap, sizeof size, &size)) continue;
        BITMAPINFO format{};
        format.bmiHeader = {
            sizeof(BITMAPINFOHEADER), size.bmWidth, -size.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<std::uint32_t> bits(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
        const UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
        ::GetDIBits(dc.Get(), bitmap, 0, size.bmHeight, bits.data(), &format, DIB_RGB_COLORS);
        pixels.insert(pixels.end(), bits.begin(), bits.end());
    }
    return pixels;
}

std::string ParsingName(const IdList& list) {
    UniqueCoTask<wchar_t> name;
    if (!list.Present() || FAILED(::SHGetNameFromIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(list.Data()),
                                                        SIGDN_DESKTOPABSOLUTEPARSING, name.Put())))
        return {};
    return Narrow(name.Get());
}

struct TWindowSearch {
    DWORD Pid;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TWindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->Pid && ::IsWindowVisible(window)) search->Found.push_back(window);
    return TRUE;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD pid) {
    TWindowSearch search{pid, {}};
    ::EnumWindows(&CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(SampleItems, ShowTwoGroupsStartingWithTheFirst) {
    const TStoreDocument sample = ReadSample();
    EXPECT_EQ(sample.Settings.IconGroup, 0);
    EXPECT_TRUE(sample.Settings.ShowMainIcon);
    EXPECT_FALSE(sample.Settings.GrayIcons);
    // The hook mode cannot work in Wine's desktop and would greet the newcomer with an error box.
    EXPECT_NE(sample.Settings.TrayDndType, dndHook);
    int groupsWithItems = 0;
    for (const TStoredGroup& group : sample.Groups)
        groupsWithItems += group.Items.empty() ? 0 : 1;
    // The main menu offers a switch only between groups that have items.
    EXPECT_GE(groupsWithItems, 2);
    EXPECT_FALSE(sample.Groups[0].Items.empty());
}

TEST(SampleItems, EveryItemShowsItsOwnIconAndItsProgramsAreThere) {
    const TStoreDocument sample = ReadSample();
    // What an item shows when its target is missing or cannot be told.
    std::vector<std::vector<std::uint32_t>> stock;
    for (const int kind : {siNew, siUndef, siCross, siMissingHardDisk, siMissingFloppy, siMissingCdRom,
                           siMissingRemovable, siNetworkDrive, siMissingFolder, siMissingFile}) {
        const UniqueIcon icon = StockIcon(kind);
        stock.push_back(Picture(icon.Get()));
        ASSERT_FALSE(stock.back().empty()) << "stock icon " << kind;
    }
    int items = 0;
    for (const TStoredGroup& group : sample.Groups) {
        for (const TItemData& item : group.Items) {
            ++items;
            SCOPED_TRACE(group.Name + ": " + ItemName(item));
            const UniqueIcon icon = ItemIcon(item.CustomIcon, item.Cmd, item.IDList);
            const std::vector<std::uint32_t> picture = Picture(icon.Get());
            ASSERT_FALSE(picture.empty());
            for (const auto& missing : stock)
                EXPECT_NE(picture, missing);

            const std::string target = SplitCommandLine(item.Cmd).Path;
            if (item.IDList.Present()) {
                EXPECT_FALSE(ParsingName(item.IDList).empty());
            } else if (!UrlSchemeOf(target)) {
                EXPECT_TRUE(Exists(target)) << target;
            }
            for (const TChildIcon& entry : item.Children) {
                const std::string program = SplitCommandLine(entry.Cmd).Path;
                EXPECT_FALSE(SearchProgram(program).empty()) << program;
                // Checked by program name: the entry is skipped while a program of its own name runs.
                if (entry.DupCheckMode == 2) {
                    EXPECT_EQ(UpperAscii(entry.DupCheckText), UpperAscii(ExtractFileName(program)));
                }
            }
        }
    }
    EXPECT_GT(items, 0);
}

// The Control Panel object is stored as ID-list bytes: they must name the very object the shell names
// "::{20D04FE0-...}", show its icon, and be accepted by the shell for opening.
TEST(SampleItems, MyComputerIsTheShellsOwnObject) {
    const TStoreDocument sample = ReadSample();
    std::vector<IdList> lists;
    for (const TStoredGroup& group : sample.Groups)
        for (const TItemData& item : group.Items)
            if (item.IDList.Present()) lists.push_back(item.IDList);
    ASSERT_EQ(lists.size(), 1u);
    const IdList& sampleList = lists[0];
    // GUIDs are the same in either case; Wine writes them in lower case.
    EXPECT_EQ(UpperAscii(ParsingName(sampleList)), kMyComputer);

    const IdList shells = ParseIdList(kMyComputer);
    ASSERT_TRUE(shells.Present());
    EXPECT_TRUE(::ILIsEqual(reinterpret_cast<PCIDLIST_ABSOLUTE>(sampleList.Data()),
                            reinterpret_cast<PCIDLIST_ABSOLUTE>(shells.Data())));
    SHFILEINFOW info{};
    ASSERT_TRUE(::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(shells.Data()), 0, &info, sizeof info,
                                 SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON));
    const UniqueIcon shellIcon(info.hIcon);
    const UniqueIcon itemIcon = ItemIcon("", "", sampleList);
    EXPECT_EQ(Picture(itemIcon.Get()), Picture(shellIcon.Get()));

    // Opened as the program opens an item with an ID list: the shell accepts the object and starts its
    // handler. (Wine 8 then runs its explorer with "::{20d04fe0-...}", which it cannot open yet.)
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_IDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    open.lpIDList = const_cast<std::uint8_t*>(sampleList.Data());
    open.nShow = SW_SHOWMINNOACTIVE;
    ASSERT_TRUE(::ShellExecuteExW(&open)) << ::GetLastError();
    EXPECT_GT(reinterpret_cast<INT_PTR>(open.hInstApp), 32);
    const UniqueKernelHandle opened(open.hProcess);
    DWORD desktop = 0;
    ::GetWindowThreadProcessId(::FindWindowW(L"Shell_TrayWnd", nullptr), &desktop);
    // A process started for this goes again with its windows; the desktop's own shell process stays.
    if (opened && ::GetProcessId(opened.Get()) != desktop &&
        ::WaitForSingleObject(opened.Get(), 3000) == WAIT_TIMEOUT) {
        for (HWND window : WindowsOf(::GetProcessId(opened.Get())))
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(opened.Get(), 5000) == WAIT_TIMEOUT) ::TerminateProcess(opened.Get(), 0);
    }
}

} // namespace
