#include "Cida.h"
#include "CidaBlock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lodestar;
using lodestar::test::BuildCida;
using lodestar::test::PutU32;

namespace {

using Bytes = std::vector<std::uint8_t>;

// One shell item: its 16-bit size (counting itself) and the payload.
Bytes Item(const std::string& payload) {
    const std::size_t n = payload.size() + 2;
    Bytes out{static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes List(std::initializer_list<Bytes> items) {
    Bytes out;
    for (const Bytes& item : items)
        out.insert(out.end(), item.begin(), item.end());
    out.push_back(0);
    out.push_back(0);
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Shaped like the shell's own items: My Computer by its class id, a drive, a folder and files.
const Bytes kMyComputer =
    Item(std::string("\x1F\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 18));
const Bytes kDriveC = Item(std::string("\x2F"
                                       "C:\\",
                                       4) +
                           std::string(19, '\0'));
const Bytes kUsers = Item(std::string("\x31\x00\x00\x00\x00\x00\x4A\x58\x21\x10\x10\x00Users\0", 18));
const Bytes kMemo = Item(std::string("\x32\x00\x0C\x00\x00\x00\x4A\x58\x21\x10\x20\x00memo.txt\0", 21));
const Bytes kOdd = Item(std::string("\x32\x00\x0C\x00\x00\x00\x4A\x58\x21\x10\x20\x00my notes.txt\0\0", 26));
const Bytes kParent = List({kMyComputer, kDriveC, kUsers});
const Bytes kDesktop = List({});

IdList Id(const Bytes& bytes) {
    return IdList::FromBytes(bytes).value();
}

std::vector<Bytes> Walk(const Bytes& block) {
    std::vector<Bytes> out;
    for (const IdList& list : ReadCida(block))
        out.emplace_back(list.Bytes().begin(), list.Bytes().end());
    return out;
}

} // namespace

TEST(Cida, ReadsTheParentAndEachObjectAtItsOffset) {
    // Offsets that point backwards, twice at one list, off the 4-byte grid, and a block with slack after
    // the lists (global blocks are often larger than asked for) are all the producer's right.
    Bytes backwards(4 + 4 * 3);
    PutU32(backwards, 0, 2);
    const Bytes tail = Cat(Cat(List({kOdd}), List({kMemo})), kParent);
    PutU32(backwards, 4, static_cast<std::uint32_t>(16 + List({kOdd}).size() + List({kMemo}).size()));
    PutU32(backwards, 8, static_cast<std::uint32_t>(16 + List({kOdd}).size()));
    PutU32(backwards, 12, 16);
    backwards = Cat(backwards, tail);

    Bytes shared(4 + 4 * 3);
    PutU32(shared, 0, 2);
    PutU32(shared, 4, 16);
    PutU32(shared, 8, static_cast<std::uint32_t>(16 + kDesktop.size()));
    PutU32(shared, 12, static_cast<std::uint32_t>(16 + kDesktop.size()));
    shared = Cat(Cat(shared, kDesktop), List({kMemo}));

    Bytes unaligned(4 + 4 * 2 + 1, 0xCC);
    PutU32(unaligned, 0, 1);
    PutU32(unaligned, 4, 13);
    PutU32(unaligned, 8, static_cast<std::uint32_t>(13 + kDesktop.size()));
    unaligned = Cat(Cat(unaligned, kDesktop), List({kMyComputer}));

    const struct {
        const char* name;
        Bytes block;
        std::vector<Bytes> lists;
    } cases[] = {
        {"two files of a folder",
         BuildCida({kParent, List({kMemo}), List({kOdd})}),
         {kParent, List({kMemo}), List({kOdd})}},
        {"objects on the desktop, parent empty",
         BuildCida({kDesktop, List({kMyComputer, kDriveC})}),
         {kDesktop, List({kMyComputer, kDriveC})}},
        {"no object, parent alone", BuildCida({kParent}), {kParent}},
        {"offsets point backwards", backwards, {kParent, List({kMemo}), List({kOdd})}},
        {"two objects share one list", shared, {kDesktop, List({kMemo}), List({kMemo})}},
        {"lists off the 4-byte grid", unaligned, {kDesktop, List({kMyComputer})}},
        {"slack after the lists",
         Cat(BuildCida({kDesktop, List({kMemo})}), Bytes(64, 0xEE)),
         {kDesktop, List({kMemo})}},
        {"offset 0 reads the count as an empty list", Bytes{0, 0, 0, 0, 0, 0, 0, 0}, {kDesktop}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Walk(c.block), c.lists);
    }
}

TEST(Cida, RefusesBlocksThatClaimMoreThanTheyHold) {
    const Bytes good = BuildCida({kParent, List({kMemo}), List({kOdd})});
    const auto withCount = [&](std::uint32_t count) {
        Bytes b = good;
        PutU32(b, 0, count);
        return b;
    };
    const auto withOffset = [&](std::size_t k, std::uint32_t offset) {
        Bytes b = good;
        PutU32(b, 4 + 4 * k, offset);
        return b;
    };
    const auto withByte = [&](std::size_t at, std::uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    const std::size_t first = 16; // the parent's list starts after three offsets
    const std::size_t size = good.size();

    // One list of a single 65535-byte item, and enough offsets to it to pass the copy limit.
    Bytes big = Item(std::string(65533, 'x'));
    big.push_back(0);
    big.push_back(0);
    const std::uint32_t many = static_cast<std::uint32_t>(kMaxCidaListBytes / big.size()) + 1;
    Bytes flood(4 + 4 * (static_cast<std::size_t>(many) + 1));
    PutU32(flood, 0, many);
    for (std::size_t k = 0; k <= many; ++k)
        PutU32(flood, 4 + 4 * k, static_cast<std::uint32_t>(flood.size()));
    flood = Cat(flood, big);

    const struct {
        const char* name;
        Bytes block;
    } cases[] = {
        {"empty block", {}},
        {"shorter than the count", {1, 0, 0}},
        {"count without its offsets", {0, 0, 0, 0}},
        {"count one more than the offsets", withCount(3)},
        {"count that wraps when one is added", withCount(0xFFFFFFFF)},
        {"count whose offset bytes wrap on 32 bits", withCount(0x40000000)},
        {"offset at the end of the block", withOffset(1, static_cast<std::uint32_t>(size))},
        {"offset far past the block", withOffset(2, 0xFFFFFFF0)},
        {"offset on the last byte", withOffset(0, static_cast<std::uint32_t>(size - 1))},
        {"item size 1", withByte(first, 1)},
        {"item running past the block", withByte(first + 1, 0xFF)},
        {"last list without its terminator", Bytes(good.begin(), good.end() - 2)},
        {"last list cut inside its terminator", Bytes(good.begin(), good.end() - 1)},
        {"more list bytes than the copy limit", flood},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(ReadCida(c.block).empty());
    }
    EXPECT_EQ(ReadCida(good).size(), 3u); // the unaltered block is fine
}

TEST(Cida, JoinsParentAndChildIntoAnAbsoluteList) {
    const struct {
        const char* name;
        IdList parent;
        IdList child;
        IdList joined;
    } cases[] = {
        {"folder and file", Id(kParent), Id(List({kMemo})), Id(List({kMyComputer, kDriveC, kUsers, kMemo}))},
        {"desktop adds nothing", Id(kDesktop), Id(List({kMyComputer, kDriveC})),
         Id(List({kMyComputer, kDriveC}))},
        {"no parent adds nothing", IdList(), Id(List({kMemo})), Id(List({kMemo}))},
        {"child that is the folder itself", Id(kParent), Id(kDesktop), Id(kParent)},
        {"no child gives none", Id(kParent), IdList(), IdList()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JoinIdLists(c.parent, c.child), c.joined);
    }
}
