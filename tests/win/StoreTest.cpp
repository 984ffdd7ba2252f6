// The registry store against the real registry of the test prefix.
#include "Errors.h"
#include "LsReg.h"
#include "ShellIcons.h"
#include "Store.h"
#include "StoredItems.h"
#include "WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace lodestar;
using namespace lodestar::test;

namespace {

const wchar_t* const kTree = L"Software\\Marlowe\\Lodestar";

void DeleteTree(const wchar_t* path) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path);
}

bool KeyExists(const std::wstring& path) {
    UniqueKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

UniqueKey CreateKey(const std::wstring& path) {
    UniqueKey key;
    EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.Put(), nullptr),
              ERROR_SUCCESS);
    return key;
}

void SetRaw(const std::wstring& keyPath, const std::wstring& name, DWORD type, const void* data, DWORD size) {
    UniqueKey key = CreateKey(keyPath);
    ASSERT_EQ(::RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

void SetDword(const std::wstring& name, std::int32_t value) {
    SetRaw(std::wstring(kTree) + L"\\Settings", name, REG_DWORD, &value, 4);
}

void SetItem(int group, const std::wstring& name, const Bytes& bytes) {
    SetRaw(std::wstring(kTree) + L"\\Groups\\" + Widen(GroupKeyName(group)), name, REG_BINARY, bytes.data(),
           static_cast<DWORD>(bytes.size()));
}

std::vector<std::wstring> StoredValueNames(int group) {
    UniqueKey key;
    std::vector<std::wstring> names;
    const std::wstring path = std::wstring(kTree) + L"\\Groups\\" + Widen(GroupKeyName(group));
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return names;
    wchar_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD length = 64;
        if (::RegEnumValueW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bytes Stream(const TItemData& item) {
    Bytes out;
    WriteItemStream(item, std::string(), out);
    return out;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteTree(kTree); }
    void TearDown() override {
        RegistryWriteSeam() = {};
        ProgramKeyUnavailableNotice() = {};
        DeleteTree(kTree);
    }
};

} // namespace

TEST_F(StoreTest, AbsentTreeReadsEveryDefaultAndIsCreated) {
    EXPECT_EQ(ReadSettings(), TSettings{});
    const TSettings defaults;
    EXPECT_TRUE(defaults.ShowMainIcon && defaults.ConfirmOnDel && !defaults.ClickType && !defaults.GrayIcons);
    EXPECT_TRUE(defaults.MarkRunning);
    EXPECT_EQ(defaults.Interval, 500);
    EXPECT_EQ(defaults.TrayDndType, 1);
    EXPECT_EQ(defaults.NotifyNotFound, 0);
    EXPECT_EQ(ReadWindowSettings(), TWindowSettings{});
    EXPECT_EQ(ReadWindowSettings().GroupViewWidthOrDefault(), 100);
    EXPECT_TRUE(KeyExists(kTree));
    EXPECT_TRUE(ReadGroupItems(0).empty());
    EXPECT_EQ(ReadGroupName(0), "");
}

TEST_F(StoreTest, StoredValuesAreCorrected) {
    struct Case {
        const wchar_t* name;
        std::int32_t stored;
        std::int32_t TSettings::*field;
        std::int32_t expected;
    } cases[] = {
        {L"Interval", 299, &TSettings::Interval, 500},
        {L"Interval", 1201, &TSettings::Interval, 500},
        {L"Interval", 300, &TSettings::Interval, 300},
        {L"Interval", 1200, &TSettings::Interval, 1200},
        {L"TrayDndType", 3, &TSettings::TrayDndType, 1},
        {L"TrayDndType", 2, &TSettings::TrayDndType, 2},
        {L"TrayDndType", 0x100, &TSettings::TrayDndType, 0},
        {L"NotifyNotFound", 3, &TSettings::NotifyNotFound, 1},
        {L"NotifyNotFound", 2, &TSettings::NotifyNotFound, 2},
        {L"IconGroup", 10, &TSettings::IconGroup, 0},
        {L"IconGroup", -1, &TSettings::IconGroup, 0},
        {L"IconGroup", 9, &TSettings::IconGroup, 9},
    };
    for (const Case& c : cases) {
        DeleteTree(kTree);
        SetDword(c.name, c.stored);
        EXPECT_EQ(ReadSettings().*c.field, c.expected) << Narrow(c.name) << " " << c.stored;
    }
}

TEST_F(StoreTest, ValueOfTheWrongTypeReadsAsItsDefault) {
    const std::wstring settings = std::wstring(kTree) + L"\\Settings";
    SetRaw(settings, L"ShowMainIcon", REG_SZ, L"0", 4);
    const BYTE bytes[] = {0x20, 0x03};
    SetRaw(settings, L"Interval", REG_BINARY, bytes, 2);
    const std::int32_t one = 1;
    SetRaw(settings, L"DefIconPath", REG_DWORD, &one, 4);
    SetDword(L"GrayIcons", 7);
    const TSettings read = ReadSettings();
    EXPECT_TRUE(read.ShowMainIcon);
    EXPECT_EQ(read.Interval, 500);
    EXPECT_EQ(read.DefIconPath, "");
    EXPECT_TRUE(read.GrayIcons); // any non-zero value is true
}

TEST_F(StoreTest, SettingsAndWindowValuesRoundTrip) {
    TSettings settings;
    settings.ShowMainIcon = false;
    settings.ClickType = true;
    settings.ConfirmOnDel = false;
    settings.DereferLinks = true;
    settings.HideLinkOverlay = true;
    settings.GrayIcons = true;
    settings.Interval = 800;
    settings.NotifyNotFound = 2;
    settings.IconGroup = 7;
    settings.TrayDndType = 2;
    settings.DefIconPath = "C:\\アイコン";
    settings.MarkRunning = false;
    settings.IconDlgIconSize = 32;
    WriteSettings(settings);
    EXPECT_EQ(ReadSettings(), settings);

    TWindowSettings window;
    window.OptDlgTop = -20; // a dialog on a monitor left of or above the primary one
    window.GroupViewWidth = 140;
    WriteWindowSettings(window);
    EXPECT_EQ(ReadWindowSettings(), window);
}

TEST_F(StoreTest, GroupIsReadInSortedValueOrder) {
    SetItem(2, L"x", Stream(Item("x.exe")));
    SetItem(2, L"i010", Stream(Item("ten.exe")));
    SetItem(2, L"I005", Stream(Item("five.exe")));
    SetItem(2, L"i002", Stream(Item("two.exe")));
    SetItem(2, L"i003", {}); // a zero-length value is no item
    std::vector<std::string> order;
    for (const TItemData& item : ReadGroupItems(2))
        order.push_back(item.Cmd);
    EXPECT_EQ(order, (std::vector<std::string>{"two.exe", "five.exe", "ten.exe", "x.exe"}));
}

TEST_F(StoreTest, TruncatedValueStopsTheGroupWithTheReadError) {
    SetItem(4, L"i001", Stream(Item("one.exe")));
    Bytes truncated = Stream(Item("two.exe"));
    truncated.pop_back();
    SetItem(4, L"i002", truncated);
    SetItem(4, L"i003", Stream(Item("three.exe")));
    std::vector<std::string> seen;
    TLsReg reg;
    try {
        reg.ReadGroup(4, 0, [&](const TItemData& item, int) { seen.push_back(item.Cmd); });
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "親アイコンのサイズが大きすぎます");
    }
    EXPECT_EQ(seen, std::vector<std::string>{"one.exe"});
}

TEST_F(StoreTest, ShownGroupIsRewrittenWithoutGapsAndKeepsItsName) {
    SetRaw(std::wstring(kTree) + L"\\Groups\\g001", L"", REG_SZ, L"仕事", 6);
    SetItem(1, L"i007", Stream(Item("old.exe")));
    SaveShownGroup(1, {Item("a.exe", "エー"), TItemData{}, Item("c.exe")});
    EXPECT_EQ(StoredValueNames(1), (std::vector<std::wstring>{L"", L"i001", L"i002"}));
    const TGroup group = ReadGroup(1);
    EXPECT_EQ(group.Name, "仕事");
    ASSERT_EQ(group.Items.size(), 2u);
    EXPECT_EQ(group.Items[0].Tip, "エー");
    EXPECT_EQ(group.Items[1].Cmd, "c.exe");

    // An emptied group keeps its key and name.
    SaveShownGroup(1, {});
    EXPECT_EQ(StoredValueNames(1), std::vector<std::wstring>{L""});
    EXPECT_EQ(ReadGroupName(1), "仕事");
}

TEST_F(StoreTest, OtherGroupsAreRewrittenAndTheShownGroupKeepsItsItems) {
    SaveShownGroup(0, {Item("shown.exe")});
    TGroups groups;
    groups[0].Name = "表示中";
    groups[0].Items = {Item("ignored.exe")};
    groups[3].Name = "3";
    groups[3].Items = {Item("three.exe")};
    groups[5].Name = "ゲーム";
    groups[5].Items = {TItemData{}, Item("game.exe"), Item("tool.exe")};
    SaveOtherGroups(0, groups);

    const TGroups read = ReadAllGroups();
    EXPECT_EQ(read[0].Name, "表示中");
    ASSERT_EQ(read[0].Items.size(), 1u);
    EXPECT_EQ(read[0].Items[0].Cmd, "shown.exe");
    EXPECT_EQ(read[3].Name, "");
    EXPECT_EQ(GroupCaption(3, read[3].Name), "3");
    EXPECT_EQ(read[5].Name, "ゲーム");
    EXPECT_EQ(StoredValueNames(5), (std::vector<std::wstring>{L"", L"i001", L"i002"}));
    for (int g : {1, 2, 4, 6, 7, 8, 9})
        EXPECT_TRUE(read[static_cast<std::size_t>(g)].Items.empty()) << g;
}

// DeleteKey says whether the key went: true for a key with subkeys and values, false for a missing key and
// for a refused delete, after which the key is still there.
TEST_F(StoreTest, DeleteKeyTellsWhetherTheKeyWent) {
    const struct {
        const char* Name;
        bool Present;
        LSTATUS Seam;
        bool Deleted;
    } cases[] = {
        {"present", true, ERROR_SUCCESS, true},
        {"missing", false, ERROR_SUCCESS, false},
        {"refused", true, ERROR_ACCESS_DENIED, false},
    };
    const std::wstring group = std::wstring(kTree) + L"\\Groups\\g001";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteTree(group.c_str());
        if (c.Present) SetRaw(group + L"\\Below", L"i001", REG_BINARY, "x", 1);
        RegistryWriteSeam() = [&](std::string_view) { return c.Seam; };
        TLsReg reg;
        EXPECT_EQ(reg.DeleteKey("Groups\\g001"), c.Deleted);
        EXPECT_EQ(KeyExists(group), c.Present && !c.Deleted);
    }
}

// Where the program's key cannot be created, everything reads as its default, writes are dropped without
// an error, and the program is told once.
TEST_F(StoreTest, UncreatableProgramKeyReadsDefaultsAndTellsOnce) {
    int told = 0;
    ProgramKeyUnavailableNotice() = [&] { ++told; };
    RegistryWriteSeam() = [](std::string_view name) {
        return name == kProgramKey ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    };
    TItemData item;
    item.Cmd = "notepad.exe";
    EXPECT_EQ(ReadSettings(), TSettings{});
    EXPECT_EQ(ReadWindowSettings(), TWindowSettings{});
    EXPECT_TRUE(ReadGroupItems(0).empty());
    EXPECT_NO_THROW(WriteSettings(TSettings{}));
    EXPECT_NO_THROW(SaveShownGroup(0, {item}));
    EXPECT_NO_THROW(SaveOtherGroups(0, TGroups{}));
    EXPECT_FALSE(KeyExists(kTree));
    EXPECT_EQ(told, 1);
}

TEST_F(StoreTest, ResetKeepsAnotherProgramsKey) {
    WriteSettings(TSettings{});
    CreateKey(L"Software\\Marlowe\\OtherProgram");
    ResetStore();
    EXPECT_FALSE(KeyExists(kTree));
    EXPECT_TRUE(KeyExists(L"Software\\Marlowe\\OtherProgram"));

    DeleteTree(L"Software\\Marlowe\\OtherProgram");
    WriteSettings(TSettings{});
    ResetStore();
    EXPECT_FALSE(KeyExists(L"Software\\Marlowe"));
}

TEST(ShellIcons, IconsComeFromTheShellAndUrlProtocols) {
    EXPECT_TRUE(GetShellIcon(3));
    EXPECT_FALSE(ExtractSmallIcon("C:\\nowhere\\missing.dll,0"));

    // Protocol keys are written where HKEY_CLASSES_ROOT shows them.
    const wchar_t* protocol = L"lodestar-test-proto";
    const wchar_t* plain = L"lodestar-test-plain";
    for (const wchar_t* name : {protocol, plain}) {
        UniqueKey key, icon;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key.Put(), nullptr),
                  ERROR_SUCCESS);
        if (name == protocol)
            ::RegSetValueExW(key.Get(), L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), 2);
        ::RegCreateKeyExW(key.Get(), L"DefaultIcon", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, icon.Put(),
                          nullptr);
        // As Windows writes it: expandable, the path quoted.
        const std::wstring location = L"\"%SystemRoot%\\system32\\shell32.dll\",13";
        ::RegSetValueExW(icon.Get(), nullptr, 0, REG_EXPAND_SZ,
                         reinterpret_cast<const BYTE*>(location.c_str()),
                         static_cast<DWORD>((location.size() + 1) * 2));
    }
    EXPECT_TRUE(GetURLProtocolIcon("lodestar-test-proto"));
    EXPECT_FALSE(GetURLProtocolIcon("lodestar-test-plain"));
    EXPECT_FALSE(GetURLProtocolIcon("lodestar-test-missing"));
    for (const wchar_t* name : {protocol, plain}) {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, name);
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, name);
    }
}
