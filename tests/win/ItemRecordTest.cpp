// The default name of an item, against real files and real shell objects.
#include "Handles.h"
#include "ItemRecord.h"
#include "WinText.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "WinTestSupport.h"

#include <filesystem>

using namespace lodestar;
using namespace lodestar::test;
namespace fs = std::filesystem;

namespace {

// The C++ library's streams do not reach non-ASCII names here; the wide API does.
void Touch(const fs::path& path) {
    ASSERT_TRUE(
        UniqueFile(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
}

class ItemRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        dir_ = fs::path(temp) / L"lodestar item record";
        fs::create_directories(dir_);
        Touch(dir_ / L"my app.exe");
        Touch(dir_ / L"表示ツール.exe");
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Dir() const { return Narrow(dir_.wstring()); }

    fs::path dir_;
};

} // namespace

TEST_F(ItemRecordTest, DefaultNameFollowsTheTarget) {
    struct Case {
        std::string cmd;
        std::string expected;
    } cases[] = {
        {"\"" + Dir() + "\\my app.exe\" -x", "my app.exe"},
        {"\"" + Dir() + "\\表示ツール.exe\"", "表示ツール.exe"},
        // Unquoted, the program ends at the first space and names no file: the whole command is the name.
        {Dir() + "\\my app.exe", Dir() + "\\my app.exe"},
        {"C:\\nowhere\\missing.exe /q", "C:\\nowhere\\missing.exe /q"},
        {"http://example.com/", "http://example.com/"},
    };
    for (const Case& c : cases) {
        TItemData item;
        item.Cmd = c.cmd;
        EXPECT_EQ(DefaultTip(item), c.expected) << c.cmd;
    }
    EXPECT_EQ(DefaultTip(TItemData{}), "");
}

TEST_F(ItemRecordTest, ShellObjectIsNamedByItsDisplayName) {
    TItemData item;
    item.IDList = ParseIdList(Dir());
    ASSERT_TRUE(item.IDList.Present());
    EXPECT_EQ(DefaultTip(item), "lodestar item record");
}

TEST_F(ItemRecordTest, NameEqualToTheDefaultIsStoredEmpty) {
    TItemData item;
    item.Cmd = "\"" + Dir() + "\\my app.exe\"";
    item.Tip = "my app.exe";
    EXPECT_EQ(ReadItem(ItemToBytes(item)).Tip, "");
    item.Tip = "My App.exe";
    EXPECT_EQ(ReadItem(ItemToBytes(item)).Tip, "My App.exe");
    // Once the target is gone, the default name is the whole command and the name is kept.
    item.Tip = "my app.exe";
    fs::remove(dir_ / L"my app.exe");
    EXPECT_EQ(ReadItem(ItemToBytes(item)).Tip, "my app.exe");
}
