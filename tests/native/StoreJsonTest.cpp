#include "ItemStream.h"
#include "StoreJson.h"

#include <gtest/gtest.h>

using namespace lodestar;
using nlohmann::json;

namespace {

TItemData RichItem() {
    TItemData item;
    item.Tip = "表示ツール";
    item.Cmd = "\"C:\\Program Files\\ツール\\表示.exe\" -x";
    item.IDList = *IdList::FromBytes(std::vector<std::uint8_t>{0x05, 0x00, 0x1F, 0x50, 0xE0, 0x00, 0x00});
    item.DefDir = "C:\\作業";
    item.CustomIcon = "shell32.dll,-154";
    item.WndSize = 1;
    item.HotKey = 0xC04B;
    item.BringForward = true;
    TChildIcon child;
    child.Cmd = "calc.exe";
    child.DelayMs = -5;
    child.WaitMode = 2;
    child.AutoQuit = true;
    child.DupCheckMode = 3;
    child.DupCheckText = "*電卓*";
    item.Children = {child, child};
    return item;
}

json ValidDocument() {
    TStoreDocument document;
    document.Settings.Interval = 1200;
    document.Settings.DefIconPath = "C:\\アイコン";
    document.Window.OptDlgTop = -30;
    document.Groups[0].Name = "仕事";
    document.Groups[0].Items = {RichItem()};
    document.Groups[9].Items = {RichItem(), RichItem()};
    return json::parse(DocumentToJson(document).dump());
}

} // namespace

TEST(StoreJson, DocumentRoundTrips) {
    const json j = ValidDocument();
    const TStoreDocument document = DocumentFromJson(j);
    EXPECT_EQ(document.Groups[0].Items[0], RichItem());
    EXPECT_EQ(document.Settings.DefIconPath, "C:\\アイコン");
    EXPECT_FALSE(document.Window.GroupViewWidth.has_value());
    EXPECT_EQ(json::parse(DocumentToJson(document).dump()), j);
    // Only stored window values are exported.
    EXPECT_EQ(j["Window"], json::parse(R"({"OptDlgTop": -30})"));
    EXPECT_EQ(j["Groups"][0]["Items"][0]["IDList"], "05001f50e00000");
    EXPECT_TRUE(j["Groups"][1]["Items"].empty());
    // The bring-forward setting is written only where it is on, and an item without it reads as off.
    EXPECT_EQ(j["Groups"][0]["Items"][0]["BringForward"], true);
    json off = j["Groups"][0]["Items"][0];
    off["BringForward"] = false;
    EXPECT_FALSE(ItemToJson(ItemFromJson(off, "")).contains("BringForward"));
    off.erase("BringForward");
    EXPECT_FALSE(ItemFromJson(off, "").BringForward);
}

TEST(StoreJson, BadDocumentsNameThePlace) {
    struct Case {
        const char* pointer; // where the bad value goes
        json value;
        const char* place;
    } cases[] = {
        {"/Settings/Interval", 250, "Settings.Interval"},
        {"/Settings/Interval", "500", "Settings.Interval"},
        {"/Settings/ShowMainIcon", 1, "Settings.ShowMainIcon"},
        {"/Settings/IconGroup", 10, "Settings.IconGroup"},
        {"/Settings/Colour", 1, "Settings.Colour"},
        {"/Window/OptDlgLeft", 1.5, "Window.OptDlgLeft"},
        {"/Window/OptDlgLeft", 4294967296LL, "Window.OptDlgLeft"},
        {"/Groups/0/Items/0/WndSize", 3, "Groups[0].Items[0].WndSize"},
        {"/Groups/0/Items/0/HotKey", 65536, "Groups[0].Items[0].HotKey"},
        {"/Groups/0/Items/0/BringForward", 1, "Groups[0].Items[0].BringForward"},
        {"/Groups/0/Items/0/IDList", "05001f50e0000", "Groups[0].Items[0].IDList"},
        {"/Groups/0/Items/0/IDList", "zz", "Groups[0].Items[0].IDList"},
        {"/Groups/0/Items/0/IDList", "0900aabb0000", "Groups[0].Items[0].IDList"},
        {"/Groups/0/Items/0/Cmd", std::string(261, 'a'), "Groups[0].Items[0].Cmd"},
        {"/Groups/0/Items/0/Children/1/WaitMode", 3, "Groups[0].Items[0].Children[1].WaitMode"},
        {"/Groups/0/Items/0/Children/1/AutoQuit", 1, "Groups[0].Items[0].Children[1].AutoQuit"},
        {"/Groups/0/Items/0/Children/0/DupCheckMode", -1, "Groups[0].Items[0].Children[0].DupCheckMode"},
        {"/Groups/0/Items/0/Children/0/Cmd", "", "Groups[0].Items[0].Children[0]"},
        {"/Groups/9/Items/1/Flags", 0, "Groups[9].Items[1].Flags"},
        {"/Groups/9/Name", nullptr, "Groups[9].Name"},
        // Stored texts end at a NUL: what follows it would be lost.
        {"/Groups/9/Name", std::string("a\0b", 3), "Groups[9].Name"},
        {"/Groups/0/Items/0/Tip", std::string("\0", 1), "Groups[0].Items[0].Tip"},
        {"/Groups/0/Items/0/Children/0/DupCheckText", std::string("*\0*", 3),
         "Groups[0].Items[0].Children[0].DupCheckText"},
        {"/Settings/DefIconPath", std::string("C:\\\0x", 4), "Settings.DefIconPath"},
    };
    for (const Case& c : cases) {
        json j = ValidDocument();
        j[json::json_pointer(c.pointer)] = c.value;
        try {
            DocumentFromJson(j);
            ADD_FAILURE() << c.pointer << " accepted";
        } catch (const EDocumentError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(std::string(c.place) + ": ", 0), 0u) << e.what();
        }
    }
}

TEST(StoreJson, LimitsOfGroupsAndChains) {
    json j = ValidDocument();
    j["Groups"].erase(9);
    EXPECT_THROW(DocumentFromJson(j), EDocumentError);

    j = ValidDocument();
    json& items = j["Groups"][2]["Items"];
    for (int i = 0; i < 200; ++i)
        items.push_back(j["Groups"][0]["Items"][0]);
    EXPECT_NO_THROW(DocumentFromJson(j));
    items.push_back(j["Groups"][0]["Items"][0]);
    EXPECT_THROW(DocumentFromJson(j), EDocumentError);

    j = ValidDocument();
    json& chain = j["Groups"][0]["Items"][0]["Children"];
    while (chain.size() < 20)
        chain.push_back(chain[0]);
    EXPECT_NO_THROW(DocumentFromJson(j));
    chain.push_back(chain[0]);
    EXPECT_THROW(DocumentFromJson(j), EDocumentError);
}

TEST(StoreJson, ItemJsonAndStreamAreInverse) {
    const TItemData item = RichItem();
    Bytes bytes;
    WriteItemStream(item, std::string(), bytes);
    const std::string hex = ToHex(bytes);
    EXPECT_EQ(ReadItem(FromHex(hex, "")), item);
    EXPECT_EQ(ItemFromJson(json::parse(ItemToJson(item).dump()), ""), item);
    EXPECT_EQ(FromHex("0a 0B\r\nff", ""), (std::vector<std::uint8_t>{0x0A, 0x0B, 0xFF}));
    EXPECT_THROW(FromHex("0a0", ""), EDocumentError);
    EXPECT_THROW(FromHex("0 a", ""), EDocumentError);
}
