#include "Cida.h"

namespace lodestar {

namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Size of the list starting at `start`, terminator included; 0 when it does not end inside the block.
// Every comparison is against the bytes left, so no sum can wrap on a 32-bit build.
std::size_t WalkList(std::span<const std::uint8_t> block, std::size_t start) {
    const std::size_t size = block.size();
    std::size_t pos = start;
    while (size - pos >= 2) {
        const std::uint16_t cb = ReadU16(block.data() + pos);
        if (cb == 0) return pos + 2 - start;
        if (cb < 2 || cb > size - pos) return 0;
        pos += cb;
    }
    return 0;
}

} // namespace

std::vector<IdList> ReadCida(std::span<const std::uint8_t> block) {
    const std::size_t size = block.size();
    if (size < 4) return {};
    const std::uint32_t count = ReadU32(block.data());
    // count + 1 offsets must fit after the count; written as count < room so that count + 1 cannot wrap.
    const std::size_t room = (size - 4) / 4;
    if (count >= room) return {};

    std::vector<IdList> lists;
    lists.reserve(static_cast<std::size_t>(count) + 1);
    std::size_t total = 0;
    for (std::size_t k = 0; k <= count; ++k) {
        const std::uint32_t offset = ReadU32(block.data() + 4 + 4 * k);
        if (offset >= size) return {};
        const std::size_t length = WalkList(block, offset);
        if (length == 0 || length > kMaxCidaListBytes - total) return {};
        total += length;
        std::optional<IdList> list = IdList::FromBytes(block.subspan(offset, length));
        if (!list) return {};
        lists.push_back(std::move(*list));
    }
    return lists;
}

IdList JoinIdLists(const IdList& parent, const IdList& child) {
    if (!child) return {};
    if (parent.Size() <= 2) return child;
    std::vector<std::uint8_t> bytes(parent.Bytes().begin(), parent.Bytes().end() - 2);
    bytes.insert(bytes.end(), child.Bytes().begin(), child.Bytes().end());
    return IdList::FromBytes(bytes).value_or(IdList());
}

} // namespace lodestar
