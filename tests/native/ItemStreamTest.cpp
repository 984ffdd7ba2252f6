#include "Errors.h"
#include "ItemStream.h"
#include "LegacyText.h"
#include "StreamBuilder.h"

#include <gtest/gtest.h>

using namespace lodestar;
using namespace lodestar::test;

namespace {

std::string Write(const TItemData& item, const std::string& defaultTip = "") {
    Bytes out;
    WriteItemStream(item, defaultTip, out);
    return ToString(out);
}

TItemData Read(const std::string& bytes) {
    return ReadItem(ToBytes(bytes));
}

TItemData FullItem() {
    TItemData item;
    item.Tip = "Editor";
    item.Cmd = "C:\\Windows\\notepad.exe C:\\memo.txt";
    item.IDList = *IdList::FromBytes(ToBytes(kIdList));
    item.DefDir = "C:\\Users";
    item.CustomIcon = "C:\\Windows\\System32\\shell32.dll,-154";
    item.WndSize = wsMaximized;
    item.HotKey = 0x4000 | 0x2000 | 'K';
    TChildIcon first;
    first.Cmd = "calc.exe";
    first.WndSize = wsMinimized;
    first.DelayMs = 3000;
    first.WaitMode = wmInputIdle;
    first.AutoQuit = true;
    first.DupCheckMode = 3;
    first.DupCheckText = "*電卓*";
    TChildIcon second;
    second.IDList = *IdList::FromBytes(ToBytes(std::string("\x00\x00", 2))); // the desktop
    second.DelayMs = -1;
    second.WaitMode = wmExit;
    item.Children = {first, second};
    return item;
}

} // namespace

TEST(ItemStream, ElevenByteCommandIsA51ByteRecord) {
    TItemData item;
    item.Cmd = "notepad.exe";
    const std::string bytes = Write(item);
    ASSERT_EQ(bytes.size(), 51u);
    EXPECT_EQ(bytes.substr(0, 4), Block::Le(47));
    EXPECT_EQ(bytes, Parent("notepad.exe").Bytes());
    EXPECT_EQ(Read(bytes), item);
}

TEST(ItemStream, FullItemWithChainRoundTrips) {
    const TItemData item = FullItem();
    const std::string bytes = Write(item);
    EXPECT_EQ(Read(bytes), item);
    // Chain blocks carry 56 bytes of prefixes and integers besides their strings and ID list.
    const std::size_t parent =
        36 + kIdList.size() + item.Cmd.size() + item.DefDir.size() + item.Tip.size() + item.CustomIcon.size();
    const std::size_t child1 = 56 + 8 + ToLegacy("*電卓*").size();
    const std::size_t child2 = 56 + 2;
    EXPECT_EQ(bytes.size(), 4 + parent + 4 + child1 + 4 + child2);
}

TEST(ItemStream, JapaneseTextIsStoredAsShiftJis) {
    TItemData item;
    item.Cmd = "C:\\ツール\\表示.exe";
    item.Tip = "表示ツール";
    const std::string bytes = Write(item);
    EXPECT_EQ(bytes, Parent("C:\\\x83\x63\x81\x5B\x83\x8B\\\x95\x5C\x8E\xA6.exe", "", "", 0,
                            "\x95\x5C\x8E\xA6\x83\x63\x81\x5B\x83\x8B")
                         .Bytes());
    EXPECT_EQ(Read(bytes), item);
}

// Names the legacy code page lacks keep every character through a write and a read; older readers see the
// legacy fields, and an exact text no longer standing for its legacy field is not taken.
TEST(ItemStream, TextsTheLegacyEncodingLacksRoundTripExactly) {
    TItemData item;
    item.Cmd = "\"C:\\Users\\me\\Café😀项.txt\" /ü";
    item.Tip = "Café 😀 项目";
    item.DefDir = "C:\\Users\\me\\Café";
    item.CustomIcon = "C:\\图标\\app.ico,1";
    TChildIcon child;
    child.Cmd = "C:\\Tools\\Zoë.exe";
    child.DupCheckText = "*Zoë*";
    item.Children = {child, FullItem().Children[0]};
    const std::string bytes = Write(item);
    EXPECT_EQ(Read(bytes), item);

    // What an older version reads: the known fields, in the legacy encoding, and nothing else.
    const std::string legacyCmd = ToLegacy(item.Cmd);
    const Block older =
        Parent(legacyCmd, "", ToLegacy(item.DefDir), 0, ToLegacy(item.Tip), ToLegacy(item.CustomIcon));
    ASSERT_EQ(bytes.substr(4, older.Bytes().size() - 4), older.Bytes().substr(4));

    const auto exact = [](std::initializer_list<std::string> texts) {
        std::string field = "UTF8";
        for (const std::string& text : texts)
            field += Block::Le(static_cast<std::uint32_t>(text.size())) + text;
        return field;
    };
    const std::string stored = exact({item.Cmd, "", "Café 😀 项目", ""});
    const struct {
        const char* name;
        std::string legacy;
        std::string field;
        std::string cmd;
        std::string tip;
    } cases[] = {
        {"exact texts taken", legacyCmd, stored, item.Cmd, "Café 😀 项目"},
        {"command rewritten by an older version", "notepad.exe", stored, "notepad.exe", "Café 😀 项目"},
        {"another tag", legacyCmd, "UTF9" + stored.substr(4), FromLegacy(legacyCmd),
         FromLegacy(ToLegacy(item.Tip))},
        {"too few texts", legacyCmd, exact({item.Cmd, ""}), FromLegacy(legacyCmd),
         FromLegacy(ToLegacy(item.Tip))},
        {"a length past the field", legacyCmd, stored + Block::Le(9), item.Cmd, "Café 😀 项目"},
        {"not UTF-8", ToLegacy("Caf\xE9"), exact({"Caf\xE9", "", "", ""}), FromLegacy(ToLegacy("Caf\xE9")),
         FromLegacy(ToLegacy(item.Tip))},
    };
    for (const auto& c : cases) {
        Block block = Parent(c.legacy, "", "", 0, ToLegacy(item.Tip));
        block.Str(c.field);
        const TItemData read = Read(block.Bytes());
        EXPECT_EQ(read.Cmd, c.cmd) << c.name;
        EXPECT_EQ(read.Tip, c.tip) << c.name;
    }
}

// The bring-forward setting rides in a field after the exact texts: items without it are stored as
// before, and a block with it keeps every field an older version reads in its place.
TEST(ItemStream, BringForwardFollowsTheExactTexts) {
    TItemData plain;
    plain.Cmd = "C:\\Windows\\notepad.exe";
    plain.Tip = "メモ帳";
    TItemData on = plain;
    on.BringForward = true;
    const std::string off = Write(plain);
    const std::string with = Write(on);
    EXPECT_EQ(Read(with), on);
    // Only the flags field, after an empty exact field standing in its place, is added at the block end.
    EXPECT_EQ(with.substr(4, off.size() - 4), off.substr(4));

    const std::string utf8 = "UTF8" + Block::Le(1) + "a" + Block::Le(0) + Block::Le(3) + "Tip" + Block::Le(0);
    const struct {
        const char* name;
        Block parent;
        bool forward;
        std::string tip;
    } cases[] = {
        {"after an empty exact field", Parent("a").Raw(0, "").Int(1), true, ""},
        {"after exact texts", Parent("a", "", "", 0, "Tip").Str(utf8).Int(1), true, "Tip"},
        {"as an older version writes it", Parent("a").Raw(0, ""), false, ""},
        {"later fields after it", Parent("a").Raw(0, "").Int(1).Str("future").Tail("xyz"), true, ""},
        {"longer than its block", Parent("a").Raw(0, "").Raw(8, std::string("\x01\x00\x00\x00", 4)), false,
         ""},
    };
    for (const auto& c : cases) {
        const TItemData item = Read(c.parent.Bytes() + Child("b.exe").Bytes());
        EXPECT_EQ(item.BringForward, c.forward) << c.name;
        EXPECT_EQ(item.Cmd, "a") << c.name;
        EXPECT_EQ(item.Tip, c.tip) << c.name;
        EXPECT_EQ(item.Children.size(), 1u) << c.name;
    }
}

TEST(ItemStream, TipEqualToDefaultNameIsStoredEmpty) {
    struct Case {
        const char* tip;
        const char* storedTip;
    } cases[] = {
        {"notepad.exe", ""},
        {"Notepad.exe", "Notepad.exe"}, // letter case counts
        {"", ""},
        {"メモ帳", "\x83\x81\x83\x82\x92\xA0"},
    };
    for (const Case& c : cases) {
        TItemData item;
        item.Cmd = "C:\\Windows\\notepad.exe";
        item.Tip = c.tip;
        EXPECT_EQ(Write(item, "notepad.exe"), Parent(item.Cmd, "", "", 0, c.storedTip).Bytes()) << c.tip;
    }
}

TEST(ItemStream, LongStringsAreCutWhenWrittenAndWhenRead) {
    TItemData item;
    item.Cmd = std::string(300, 'a');
    const std::string bytes = Write(item);
    EXPECT_EQ(bytes.substr(0, 4), Block::Le(36 + 260));
    EXPECT_EQ(Read(bytes).Cmd, std::string(260, 'a'));

    // A Japanese string is cut to 260 bytes without splitting its last character.
    item.Cmd = "a" + std::string();
    for (int i = 0; i < 200; ++i)
        item.Cmd += "表";
    const TItemData back = Read(Write(item));
    EXPECT_EQ(ToLegacy(back.Cmd).size(), 259u);

    // Other programs may have stored longer text: at most 1000 bytes are read, the rest skipped.
    const std::string stored = Parent(std::string(1200, 'b'), "", "C:\\dir").Bytes();
    const TItemData read = Read(stored);
    EXPECT_EQ(read.Cmd, std::string(1000, 'b'));
    EXPECT_EQ(read.DefDir, "C:\\dir");
    // A cut through a double-byte character drops its first half.
    EXPECT_EQ(Read(Parent(std::string(999, 'c') + "\x95\x5C").Bytes()).Cmd, std::string(999, 'c'));
    // Text ends at its first zero byte.
    EXPECT_EQ(Read(Parent(std::string("calc\0junk", 9)).Bytes()).Cmd, "calc");
}

TEST(ItemStream, ParentBlockLongerThanDataIsAReadError) {
    const std::string bytes = Parent("notepad.exe").Bytes(+1);
    try {
        Read(bytes);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "親アイコンのサイズが大きすぎます");
    }
    // Lengths near the 32-bit limit must not wrap around.
    EXPECT_THROW(Read(Block::Le(0xFFFFFFFF) + "abcd"), EReadError);
    EXPECT_THROW(Read(Block::Le(0xFFFFFFFC) + "abcd"), EReadError);
}

TEST(ItemStream, DefectsAreAbsorbed) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string cmd;
        std::size_t children;
    } cases[] = {
        {"value shorter than a block length", "\x2F\x00", "", 0},
        {"empty value", "", "", 0},
        {"parent without command or ID list", Parent("").Bytes() + Child("calc.exe").Bytes(), "", 0},
        {"unknown bytes after field 7",
         Parent("a.exe").Tail("future fields").Bytes() + Child("b.exe").Bytes(), "a.exe", 1},
        {"chain block longer than the data",
         Parent("a.exe").Bytes() + Child("b.exe").Bytes() + Child("c.exe").Bytes(+1), "a.exe", 1},
        {"chain length near 2^32", Parent("a.exe").Bytes() + Block::Le(0xFFFFFFFE) + "xx", "a.exe", 0},
        {"three trailing bytes", Parent("a.exe").Bytes() + "abc", "a.exe", 0},
        {"field longer than its block", Block().Raw(0, "").Raw(40, "a.exe").Bytes() + Child("b.exe").Bytes(),
         "", 0},
    };
    for (const Case& c : cases) {
        const TItemData item = Read(c.bytes);
        EXPECT_EQ(item.Cmd, c.cmd) << c.name;
        EXPECT_EQ(item.Children.size(), c.children) << c.name;
    }
}

TEST(ItemStream, InvalidChainEntryIsSkippedBetweenValidOnes) {
    const std::string bytes = Parent("a.exe").Bytes() + Child("b.exe").Bytes() + Child("").Bytes() +
                              Child("", 0, 0, 0, 0, 0, "", "\x02\x00\x00").Bytes() + Child("d.exe").Bytes();
    const TItemData item = Read(bytes);
    ASSERT_EQ(item.Children.size(), 2u);
    EXPECT_EQ(item.Children[0].Cmd, "b.exe");
    EXPECT_EQ(item.Children[1].Cmd, "d.exe");
}

TEST(ItemStream, FieldThatLeavesItsBlockEmptiesTheRestOfTheBlock) {
    // The DefDir field claims more bytes than its block has: it and every later parent field read empty,
    // and the next block is still found at the stated block end.
    Block parent;
    parent.Str("").Str("a.exe").Raw(500, "C:\\x").Tail(std::string(20, 'z'));
    const TItemData item = Read(parent.Bytes() + Child("b.exe").Bytes());
    EXPECT_EQ(item.Cmd, "a.exe");
    EXPECT_EQ(item.DefDir, "");
    EXPECT_EQ(item.Tip, "");
    EXPECT_EQ(item.HotKey, 0);
    ASSERT_EQ(item.Children.size(), 1u);
}

TEST(ItemStream, IntegerFieldsAreCorrected) {
    struct Case {
        std::int32_t wndSize, wait, dupMode, autoQuit;
        std::uint8_t expWnd, expWait, expDup;
        bool expQuit;
    } cases[] = {
        {2, 2, 3, 1, 2, 2, 3, true},
        {3, 3, 4, 0, 0, 0, 0, false},
        {0x102, 0x101, 0x203, 0x100, 2, 1, 3, false}, // only the low byte counts
        {-1, -1, -1, -1, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        const TItemData item = Read(Parent("a.exe", "", "", c.wndSize).Bytes() +
                                    Child("b.exe", c.wndSize, 0, c.wait, c.autoQuit, c.dupMode).Bytes());
        ASSERT_EQ(item.Children.size(), 1u);
        EXPECT_EQ(item.WndSize, c.expWnd);
        EXPECT_EQ(item.Children[0].WndSize, c.expWnd);
        EXPECT_EQ(item.Children[0].WaitMode, c.expWait);
        EXPECT_EQ(item.Children[0].DupCheckMode, c.expDup);
        EXPECT_EQ(item.Children[0].AutoQuit, c.expQuit);
    }
    // HotKey keeps the low 16 bits; DelayMs the whole value.
    const TItemData wide =
        Read(Parent("a.exe", "", "", 0, "", "", 0x7ABCC04B).Bytes() + Child("b.exe", 0, -123456789).Bytes());
    EXPECT_EQ(wide.HotKey, 0xC04B);
    EXPECT_EQ(wide.Children[0].DelayMs, -123456789);
}

TEST(ItemStream, IntegerOfOtherLengthReadsAsZeroAndIsSkipped) {
    Block parent;
    parent.Str("").Str("a.exe").Str("C:\\").Raw(2, std::string("\x02\x00", 2)).Str("Tip").Str("").Int(0x41);
    const TItemData item = Read(parent.Bytes());
    EXPECT_EQ(item.WndSize, 0);
    EXPECT_EQ(item.Tip, "Tip");
    EXPECT_EQ(item.HotKey, 0x41);
}

TEST(ItemStream, IdListFieldMustWalkToItsExactEnd) {
    struct Case {
        const char* name;
        std::string field;
        bool kept;
    } cases[] = {
        {"two items", kIdList, true},
        {"desktop (terminator only)", std::string("\x00\x00", 2), true},
        {"first count points past the field", std::string("\x40\x00\x01\x02\x00\x00", 6), false},
        {"terminator before the end", kIdList + "xx", false},
        {"no terminator", std::string("\x04\x00\xAB\xCD", 4), false},
        {"odd byte after the walk", std::string("\x00\x00\x00", 3), false},
        {"count of one", std::string("\x01\x00\x00\x00", 4), false},
        {"single byte", std::string("\x00", 1), false},
    };
    for (const Case& c : cases) {
        const TItemData item = Read(Parent("a.exe", c.field).Bytes());
        EXPECT_EQ(item.IDList.Present(), c.kept) << c.name;
        EXPECT_EQ(item.Cmd, "a.exe") << c.name;
        if (c.kept) {
            EXPECT_EQ(ToString({item.IDList.Bytes().begin(), item.IDList.Bytes().end()}), c.field);
        }
    }
    // An item with only an ID list is valid.
    EXPECT_TRUE(IsValidItem(Read(Parent("", kIdList).Bytes())));
}

TEST(ItemStream, ReaderStopsAtTheEndOfItsData) {
    // Two streams back to back in one buffer: the reader takes everything to the end as chain blocks
    // of the first item, so the payload framing (byte counts) is what separates items.
    const std::string bytes = Parent("a.exe").Bytes() + Child("b.exe").Bytes();
    const Bytes data = ToBytes(bytes);
    MemoryReader in(data);
    TItemData item;
    ReadItemStream(in, item);
    EXPECT_EQ(in.Position(), bytes.size());
}

TEST(ItemListPayload, ItemsRoundTripAndFramingStopsEarly) {
    TItemData a;
    a.Cmd = "a.exe";
    const TItemData b = FullItem();
    Bytes sa, sb;
    WriteItemStream(a, "", sa);
    WriteItemStream(b, "", sb);
    const std::vector<Bytes> streams = {sa, sb};
    const Bytes payload = EncodeItemList(streams);
    const std::vector<TItemData> items = DecodeItemList(payload);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], a);
    EXPECT_EQ(items[1], b);

    const std::string first = Block::Le(static_cast<std::uint32_t>(sa.size())) + ToString(sa);
    struct Case {
        const char* name;
        std::string payload;
        std::size_t count;
    } cases[] = {
        {"second byte count 0", Block::Le(2) + first + Block::Le(0) + ToString(sb), 1},
        {"byte count past the end", Block::Le(2) + first + Block::Le(10000) + ToString(sb), 1},
        {"count larger than the items", Block::Le(0xFFFFFFFF) + first, 1},
        {"count smaller than the items", Block::Le(1) + first + first, 1},
        {"count alone", Block::Le(3), 0},
        {"truncated count", "\x01\x00", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeItemList(ToBytes(c.payload)).size(), c.count) << c.name;
}

TEST(ChainPayload, CarrierHoldsTheEntries) {
    const TChildIconList entries = FullItem().Children;
    const Bytes payload = EncodeChain(entries);
    const TItemData carrier = ReadItem(payload);
    EXPECT_EQ(carrier.Cmd, "c:");
    EXPECT_EQ(carrier.Tip, "");
    EXPECT_EQ(DecodeChain(payload), entries);
    EXPECT_TRUE(DecodeChain(Bytes{1, 2}).empty());
}
