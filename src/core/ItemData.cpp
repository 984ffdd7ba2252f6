#include "ItemData.h"

#include <cstring>

namespace lodestar {

namespace {
std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
} // namespace

std::optional<IdList> IdList::FromBytes(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    std::size_t pos = 0;
    while (n - pos >= 2) {
        const std::uint16_t cb = ReadU16(bytes.data() + pos);
        if (cb == 0) {
            if (pos + 2 != n) return std::nullopt;
            IdList list;
            list.bytes_.assign(bytes.begin(), bytes.end());
            return list;
        }
        // An item must hold at least its own count; a count of 1 would make the walk misaligned.
        if (cb < 2 || cb > n - pos) return std::nullopt;
        pos += cb;
    }
    return std::nullopt;
}

std::size_t IdList::WalkedSize(const std::uint8_t* list) {
    if (list == nullptr) return 0;
    std::size_t pos = 0;
    for (;;) {
        const std::uint16_t cb = ReadU16(list + pos);
        if (cb == 0) return pos + 2;
        pos += cb;
    }
}

} // namespace lodestar
